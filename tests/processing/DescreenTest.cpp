#include "FilterReference.h"

#include "processing/Descreen.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

using zvtest::FirstDifference;
using zvtest::RandomPicture;

TEST(Descreen, EveryModeMatchesTheDefinition) {
    // Around the window's limits (5 wide, 6 high) and the 16-byte steps.
    const std::pair<int, int> sizes[] = {{4, 9}, {9, 5},  {5, 6},  {6, 7},
                                         {8, 6}, {11, 8}, {13, 6}, {31, 9}};
    for (int mode = 0; mode <= 2; ++mode)
        for (const auto& [width, height] : sizes) {
            const Bitmap source = RandomPicture(width, height, 71u * width + 7u * height + mode);
            Bitmap picture = source;
            DeScreen5x5(picture, mode);
            EXPECT_EQ(FirstDifference(picture, zvtest::ReferenceDescreen(source, mode)), "")
                << "mode " << mode << " on " << width << "x" << height;
        }
}

// A single bright pixel spreads as the weights, mirrored: the pixel one up
// and one left of it sees it at the bottom right of its window.
TEST(Descreen, HighResolutionSpreadsAPointByItsWeights) {
    Bitmap picture = zvtest::FlatPicture(9, 10, {0, 0, 0});
    for (int c = 0; c < 3; ++c) zvtest::SetByte(picture, 4, 4, c, 210);
    DeScreen5x5(picture, 2);
    EXPECT_EQ(zvtest::ByteOf(picture, 4, 4, 0), 20); // 3 x 210 div 31
    EXPECT_EQ(zvtest::ByteOf(picture, 3, 3, 0), 6);  // weight 1 (row 4, column 4)
    EXPECT_EQ(zvtest::ByteOf(picture, 5, 3, 0), 20); // weight 3 (row 4, column 2)
    EXPECT_EQ(zvtest::ByteOf(picture, 4, 3, 0), 0);  // weight 0 (row 4, column 3)
    EXPECT_EQ(zvtest::ByteOf(picture, 4, 2, 0), 13); // weight 2 (row 5, column 3)
}

TEST(Descreen, OtherModesAndSmallPicturesChangeNothing) {
    const Bitmap source = RandomPicture(12, 12, 3);
    Bitmap picture = source;
    DeScreen5x5(picture, 3);
    DeScreen5x5(picture, -1);
    EXPECT_EQ(FirstDifference(picture, source), "");
    Bitmap indexed;
    indexed.Create(8, 8, PixelFormat::Bits8);
    EXPECT_THROW(DeScreen5x5(indexed, 0), std::invalid_argument);
}

} // namespace
} // namespace zv
