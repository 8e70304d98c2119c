#include "FilterReference.h"

#include "processing/Filter5x5.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

using zvtest::FirstDifference;
using zvtest::RandomPicture;

const std::pair<int, int> kSizes[] = {{4, 9}, {9, 5},  {5, 6},  {6, 7},
                                      {9, 8}, {13, 7}, {30, 9}, {41, 8}};

// Noise, where most pixels stand out from their mean, and fine grain,
// where most do not, so the gate goes both ways.
std::vector<Bitmap> Samples(int width, int height, unsigned seed) {
    return {RandomPicture(width, height, seed), RandomPicture(width, height, seed + 1, 120, 6),
            RandomPicture(width, height, seed + 2, 30, 25)};
}

TEST(Filter5x5, CleanMatchesTheDefinition) {
    for (const auto& [width, height] : kSizes)
        for (const Bitmap& source : Samples(width, height, 11u * width + height))
            for (const auto& [threshold, strength] :
                 {std::pair{1, 255}, std::pair{95, 240}, std::pair{240, 64}, std::pair{255, 0},
                  std::pair{600, 128}, std::pair{0, 200}, std::pair{-5, 200}}) {
                Bitmap picture = source;
                SharpGaussianBlur5x5(picture, threshold, strength);
                EXPECT_EQ(
                    FirstDifference(picture, zvtest::ReferenceClean(source, threshold, strength)),
                    "")
                    << width << "x" << height << " threshold " << threshold << " strength "
                    << strength;
            }
}

TEST(Filter5x5, UnsharpMaskMatchesTheDefinition) {
    for (const auto& [width, height] : kSizes)
        for (const Bitmap& source : Samples(width, height, 13u * width + height))
            for (const auto& [threshold, strength] :
                 {std::pair{0, 255}, std::pair{95, 48}, std::pair{160, 48}, std::pair{255, 0},
                  std::pair{20, 200}, std::pair{-1, 100}}) {
                Bitmap picture = source;
                UnSharpGaussianBlur5x5(picture, threshold, strength);
                EXPECT_EQ(
                    FirstDifference(picture, zvtest::ReferenceUnsharp(source, threshold, strength)),
                    "")
                    << width << "x" << height << " threshold " << threshold << " strength "
                    << strength;
            }
}

// Grey 100 with one pixel of 125 at (2, 2) of a 6 x 6 picture: its mean is
// 2525 div 25 = 101; L(125) = 900255 div 510 = 1765, L(101) = 1426, so the
// lightness difference is 339.
Bitmap GreyWithBrightPixel() {
    Bitmap picture = zvtest::FlatPicture(6, 6, {100, 100, 100});
    for (int c = 0; c < 3; ++c) zvtest::SetByte(picture, 2, 2, c, 125);
    return picture;
}

TEST(Filter5x5, CleanBlendsOnlyBelowTheThreshold) {
    Bitmap picture = GreyWithBrightPixel();
    SharpGaussianBlur5x5(picture, 340, 255);
    EXPECT_EQ(zvtest::ByteOf(picture, 2, 2, 0), 101);
    picture = GreyWithBrightPixel();
    SharpGaussianBlur5x5(picture, 340, 128); // 125 + (-24 x 128 div 255) = 125 - 12
    EXPECT_EQ(zvtest::ByteOf(picture, 2, 2, 1), 113);
    picture = GreyWithBrightPixel();
    SharpGaussianBlur5x5(picture, 339, 255); // 339 is not below 339
    EXPECT_EQ(zvtest::ByteOf(picture, 2, 2, 2), 125);
}

TEST(Filter5x5, UnsharpPushesLightnessAwayFromTheMean) {
    Bitmap picture = GreyWithBrightPixel();
    UnSharpGaussianBlur5x5(picture, 0, 255);
    // L' = 1765 + 2 x 339 = 2443, a grey of (2443 x 255 + 1800) div 3600.
    EXPECT_EQ(zvtest::ByteOf(picture, 2, 2, 0), 173);
    // Its neighbour (3, 2): L(100) = 1412 against the same mean: 1412 - 28.
    EXPECT_EQ(zvtest::ByteOf(picture, 3, 2, 0), 98);
    picture = GreyWithBrightPixel();
    UnSharpGaussianBlur5x5(picture, 339, 255); // 339 is not above 339
    EXPECT_EQ(zvtest::ByteOf(picture, 2, 2, 0), 125);
}

TEST(Filter5x5, PicturesSmallerThanTheWindowAndTheLastRowsStay) {
    for (const auto& [width, height] : {std::pair{4, 20}, std::pair{20, 5}}) {
        const Bitmap source = RandomPicture(width, height, 5);
        Bitmap picture = source;
        SharpGaussianBlur5x5(picture, 255, 255);
        UnSharpGaussianBlur5x5(picture, 0, 255);
        EXPECT_EQ(FirstDifference(picture, source), "");
    }
    const Bitmap source = RandomPicture(10, 10, 6, 120, 6);
    Bitmap picture = source;
    SharpGaussianBlur5x5(picture, 3600, 255);
    for (int y = 7; y < 10; ++y)
        for (int i = 0; i < 30; ++i) EXPECT_EQ(picture.ScanLine(y)[i], source.ScanLine(y)[i]);
    Bitmap indexed;
    indexed.Create(8, 8, PixelFormat::Bits8);
    EXPECT_THROW(SharpGaussianBlur5x5(indexed, 10, 10), std::invalid_argument);
    EXPECT_THROW(UnSharpGaussianBlur5x5(indexed, 10, 10), std::invalid_argument);
}

} // namespace
} // namespace zv
