#include "library/PictureOps.h"

#include "imaging/PixelHelpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <utility>

namespace zv {
namespace {

using test::Bgr;
using test::Pixel24;
using test::Rgb;
using test::SetIndex;
using test::SetPixel24;

Bgr Numbered(int n) {
    const auto v = static_cast<std::uint8_t>(n);
    return {v, static_cast<std::uint8_t>(v + 100), static_cast<std::uint8_t>(v + 200)};
}

// 3 x 2, pixels numbered 1 2 3 / 4 5 6.
Bitmap ThreeByTwo() {
    Bitmap picture;
    picture.Create(3, 2, PixelFormat::Bits24);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) SetPixel24(picture, x, y, Numbered(1 + x + 3 * y));
    }
    return picture;
}

void ExpectNumbers(const Bitmap& picture, int width, std::initializer_list<int> numbers) {
    ASSERT_EQ(picture.Format(), PixelFormat::Bits24);
    ASSERT_EQ(picture.Width(), width);
    ASSERT_EQ(picture.Height(), static_cast<int>(numbers.size()) / width);
    int i = 0;
    for (int n : numbers) {
        EXPECT_EQ(Pixel24(picture, i % width, i / width), Numbered(n)) << "pixel " << i;
        ++i;
    }
}

TEST(Rotation, QuarterTurnsMoveEveryPixelExactly) {
    const Bitmap picture = ThreeByTwo();
    // A quarter turn left takes the right column to the top row.
    ExpectNumbers(RotatePicture(picture, 9000, 0), 2, {3, 6, 2, 5, 1, 4});
    ExpectNumbers(RotatePicture(picture, 18000, 0), 3, {6, 5, 4, 3, 2, 1});
    ExpectNumbers(RotatePicture(picture, 27000, 0), 2, {4, 1, 5, 2, 6, 3});
    // Angles are taken round the full turn either way.
    ExpectNumbers(RotatePicture(picture, -9000, 0), 2, {4, 1, 5, 2, 6, 3});
    ExpectNumbers(RotatePicture(picture, 45000, 0), 2, {3, 6, 2, 5, 1, 4});
    ExpectNumbers(RotatePicture(picture, -36000, 0), 3, {1, 2, 3, 4, 5, 6});
    ExpectNumbers(RotatePicture(picture, 0, 0), 3, {1, 2, 3, 4, 5, 6});
}

TEST(Rotation, IndexedPicturesTurnTheirIndicesAndKeepFormatAndPalette) {
    // 10 x 3 at one bit, so rows cross a byte: set (0,0), (9,0), (8,2).
    Bitmap bits;
    bits.Create(10, 3, PixelFormat::Bits1);
    bits.SetPalette({Rgb(200, 0, 0), Rgb(0, 0, 200)});
    SetIndex(bits, 0, 0, 1);
    SetIndex(bits, 9, 0, 1);
    SetIndex(bits, 8, 2, 1);
    const Bitmap left = RotatePicture(bits, 9000, 0xFFFFFF);
    ASSERT_EQ(left.Format(), PixelFormat::Bits1);
    ASSERT_EQ(left.Width(), 3);
    ASSERT_EQ(left.Height(), 10);
    EXPECT_EQ(left.Colours(), bits.Colours());
    // (x, y) goes to (y, 9 - x): (0,0) to (0,9), (9,0) to (0,0), (8,2) to (2,1).
    for (int y = 0; y < 10; ++y) {
        const std::uint8_t row = left.ScanLine(y)[0];
        const std::uint8_t expected = y == 9 ? 0x80 : y == 0 ? 0x80 : y == 1 ? 0x20 : 0;
        EXPECT_EQ(row, expected) << "row " << y;
    }

    Bitmap nibbles;
    nibbles.Create(3, 1, PixelFormat::Bits4);
    nibbles.SetPalette({Rgb(0, 0, 0), Rgb(1, 1, 1), Rgb(2, 2, 2), Rgb(3, 3, 3)});
    SetIndex(nibbles, 0, 0, 1);
    SetIndex(nibbles, 1, 0, 2);
    SetIndex(nibbles, 2, 0, 3);
    const Bitmap half = RotatePicture(nibbles, 18000, 0);
    ASSERT_EQ(half.Format(), PixelFormat::Bits4);
    EXPECT_EQ(half.ScanLine(0)[0], 0x32);
    EXPECT_EQ(half.ScanLine(0)[1], 0x10);
    EXPECT_EQ(half.Colours(), nibbles.Colours());
    const Bitmap right = RotatePicture(nibbles, 27000, 0);
    ASSERT_EQ(right.Height(), 3);
    EXPECT_EQ(right.ScanLine(0)[0] >> 4, 1);
    EXPECT_EQ(right.ScanLine(2)[0] >> 4, 3);
}

// 5 x 5 green with a red centre, turned by 30 degrees: the box is
// ceil(5 cos 30 + 5 sin 30) = 7 square, so its centre pixel samples the
// source centre exactly; each corner lies outside the turned picture.
TEST(Rotation, OtherAnglesFillTheBoundingBoxAroundTheCentre) {
    Bitmap picture;
    picture.Create(5, 5, PixelFormat::Bits8);
    picture.SetPalette({Rgb(0, 255, 0), Rgb(255, 0, 0)});
    SetIndex(picture, 2, 2, 1);
    const std::uint32_t background = 0x00332211; // red 0x11, green 0x22, blue 0x33
    const Bitmap turned = RotatePicture(picture, 3000, background);
    ASSERT_EQ(turned.Format(), PixelFormat::Bits24);
    ASSERT_EQ(turned.Width(), 7);
    ASSERT_EQ(turned.Height(), 7);
    EXPECT_EQ(Pixel24(turned, 3, 3), (Bgr{0, 0, 255}));
    const Bgr fill = {0x33, 0x22, 0x11};
    for (auto [x, y] : {std::pair{0, 0}, {6, 0}, {0, 6}, {6, 6}}) {
        EXPECT_EQ(Pixel24(turned, x, y), fill) << x << "," << y;
    }
    // (3, 1) samples (3, 0.27) of the source: all green.
    EXPECT_EQ(Pixel24(turned, 3, 1), (Bgr{0, 255, 0}));
}

// Counter-clockwise: a mark right of the centre moves up, not down.
TEST(Rotation, PositiveAnglesTurnLeft) {
    Bitmap picture;
    picture.Create(9, 9, PixelFormat::Bits24);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) SetPixel24(picture, x, y, {255, 255, 255});
    }
    SetPixel24(picture, 8, 4, {255, 255, 0}); // cyan has no red
    const Bitmap turned = RotatePicture(picture, 3000, 0xFFFFFF);
    ASSERT_EQ(turned.Width(), 13);
    // The mark at 4 right of the centre turns to (3.46, -2) from the centre
    // (6.5, 6.5): pixel (9, 4) samples (7.6, 3.77) of the source, 0.46 of
    // it the mark. Its mirror below, (9, 8), sees only white.
    EXPECT_LT(Pixel24(turned, 9, 4)[2], 160);
    EXPECT_EQ(Pixel24(turned, 9, 8), (Bgr{255, 255, 255}));
}

TEST(Rotation, EmptyPicturesStayEmpty) {
    Bitmap empty;
    empty.Create(0, 0, PixelFormat::Bits24);
    EXPECT_TRUE(RotatePicture(empty, 3000, 0).Empty());
    EXPECT_TRUE(RotatePicture(empty, 9000, 0).Empty());
}

} // namespace
} // namespace zv
