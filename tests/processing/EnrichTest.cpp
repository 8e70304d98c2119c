#include "FilterReference.h"

#include "processing/Enrich.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

using zvtest::ByteOf;
using zvtest::FirstDifference;

TEST(Enrich, PlainColourAndHardEdgesComeBackAsTheyWere) {
    for (const auto& [width, height] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{7, 5}}) {
        const Bitmap source = zvtest::FlatPicture(width, height, {30, 140, 220});
        Bitmap picture = source;
        EXPECT_TRUE(Enrich(picture));
        EXPECT_EQ(FirstDifference(picture, source), "");
        EXPECT_TRUE(DeLace(picture));
        EXPECT_EQ(FirstDifference(picture, source), "");
    }
    // Black and grey 200 halves: the lightness step is far above the clean
    // threshold, so the edge stays hard.
    Bitmap source = zvtest::FlatPicture(40, 40, {0, 0, 0});
    for (int y = 0; y < 40; ++y)
        for (int x = 20; x < 40; ++x)
            for (int c = 0; c < 3; ++c) zvtest::SetByte(source, x, y, c, 200);
    Bitmap picture = source;
    EXPECT_TRUE(Enrich(picture));
    EXPECT_EQ(FirstDifference(picture, source), "");
}

TEST(Enrich, FineGrainIsSmoothed) {
    const Bitmap source = zvtest::RandomPicture(30, 30, 77, 120, 3);
    Bitmap picture = source;
    ASSERT_TRUE(Enrich(picture));
    const auto spread = [](const Bitmap& p) {
        long long sum = 0;
        for (int y = 5; y < 25; ++y)
            for (int i = 15; i < 75; ++i)
                sum += (p.ScanLine(y)[i] - 120) * (p.ScanLine(y)[i] - 120);
        return sum;
    };
    EXPECT_LT(spread(picture) * 4, spread(source) * 3);
}

// Alternate rows of two fields: the median over the enlarged rows keeps the
// field that has more rows there, the same one everywhere inside.
TEST(Enrich, DeLaceFlattensInterlacedRows) {
    Bitmap picture = zvtest::FlatPicture(24, 24, {0, 0, 0});
    for (int y = 0; y < 24; ++y)
        for (int i = 0; i < 72; ++i) picture.ScanLine(y)[i] = y % 2 ? 140 : 100;
    ASSERT_TRUE(DeLace(picture));
    const int inside = ByteOf(picture, 12, 12, 0);
    EXPECT_TRUE(inside == 100 || inside == 140) << inside;
    for (int y = 3; y < 21; ++y)
        for (int i = 9; i < 63; ++i) ASSERT_EQ(picture.ScanLine(y)[i], inside) << y << " " << i;
}

TEST(Enrich, OnlyTrueColour) {
    Bitmap indexed;
    indexed.Create(4, 4, PixelFormat::Bits8);
    EXPECT_THROW(Enrich(indexed), std::invalid_argument);
    Bitmap empty;
    EXPECT_TRUE(DeLace(empty));
}

} // namespace
} // namespace zv
