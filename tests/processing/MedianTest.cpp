#include "FilterReference.h"

#include "processing/Median.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

using zvtest::FirstDifference;
using zvtest::RandomPicture;

// Pictures smaller than every window, rows shorter and longer than the
// vector steps, and odd widths that leave a tail.
const std::pair<int, int> kSizes[] = {{1, 1}, {2, 2}, {3, 1},  {1, 6},  {4, 5},
                                      {6, 3}, {7, 9}, {11, 4}, {23, 8}, {40, 7}};

TEST(Median, EveryShapeAndThresholdMatchesTheDefinition) {
    // Shapes 0 and 10 fall back to the plus; thresholds of 64 and more
    // (4|t| >= 256) replace nothing.
    for (int shape = 0; shape <= 10; ++shape)
        for (const int t : {0, 3, -3, 40, -50, 64})
            for (const auto& [width, height] : kSizes) {
                const Bitmap source =
                    RandomPicture(width, height, 977u * shape + 31u * width + height);
                Bitmap picture = source;
                Median(picture, shape, t);
                EXPECT_EQ(FirstDifference(picture, zvtest::ReferenceMedian(source, shape, t)), "")
                    << "shape " << shape << " t " << t << " on " << width << "x" << height;
            }
}

// At the edges a window reads the edge pixel's own colour, so a picture of
// one colour keeps it everywhere, however small.
TEST(Median, PlainColourSurvivesEveryShapeAtEveryEdge) {
    for (int shape = 1; shape <= 9; ++shape)
        for (const auto& [width, height] : {std::pair{1, 1}, std::pair{2, 3}, std::pair{9, 8}}) {
            const Bitmap source = zvtest::FlatPicture(width, height, {10, 200, 60});
            Bitmap picture = source;
            Median(picture, shape, 0);
            EXPECT_EQ(FirstDifference(picture, source), "") << "shape " << shape;
        }
}

// UnSpot: negative thresholds take out dark specks brighter than 4|t|,
// positive ones bright specks; the others stay.
TEST(Median, SpotThresholdPicksSaltOrPepper) {
    Bitmap source = zvtest::FlatPicture(9, 9, {200, 200, 200});
    for (int c = 0; c < 3; ++c) {
        zvtest::SetByte(source, 2, 2, c, 40);  // dark, above 28
        zvtest::SetByte(source, 6, 6, c, 20);  // dark, not above 28
        zvtest::SetByte(source, 2, 6, c, 250); // bright
    }
    Bitmap picture = source;
    Median(picture, 1, -7);
    EXPECT_EQ(zvtest::ByteOf(picture, 2, 2, 1), 200);
    EXPECT_EQ(zvtest::ByteOf(picture, 6, 6, 1), 20);
    EXPECT_EQ(zvtest::ByteOf(picture, 2, 6, 1), 250);

    picture = source;
    Median(picture, 1, 7);
    EXPECT_EQ(zvtest::ByteOf(picture, 2, 2, 1), 40);
    EXPECT_EQ(zvtest::ByteOf(picture, 2, 6, 1), 200);
}

TEST(Median, OnlyTrueColour) {
    Bitmap indexed;
    indexed.Create(4, 4, PixelFormat::Bits8);
    EXPECT_THROW(Median(indexed, 2, 0), std::invalid_argument);
    Bitmap empty;
    Median(empty, 9, 0);
    EXPECT_TRUE(empty.Empty());
}

} // namespace
} // namespace zv
