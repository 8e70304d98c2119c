#include "imaging/Bitmap.h"
#include "imaging/Palettes.h"

#include "PixelHelpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace zv {
namespace {

using test::Bgr;
using test::Pixel24;
using test::SetPixel24;

TEST(BitmapCreate, RowsArePaddedToFourBytesAndStartBlankWithTheStandardPalette) {
    Bitmap bitmap;
    bitmap.Create(3, 2, PixelFormat::Bits24);
    EXPECT_EQ(bitmap.Stride(), 12);
    EXPECT_EQ(Pixel24(bitmap, 2, 1), (Bgr{0, 0, 0}));
    EXPECT_TRUE(bitmap.Colours().empty());

    bitmap.Create(17, 1, PixelFormat::Bits1);
    EXPECT_EQ(bitmap.Stride(), 4);
    EXPECT_TRUE(bitmap.Monochrome());
    EXPECT_EQ(bitmap.Colours(), (Palette{test::Rgb(0, 0, 0), test::Rgb(255, 255, 255)}));

    bitmap.Create(9, 1, PixelFormat::Bits4);
    EXPECT_EQ(bitmap.Stride(), 8);
    EXPECT_EQ(bitmap.Colours().size(), 16u);

    bitmap.Create(2, 2, PixelFormat::Device);
    EXPECT_EQ(bitmap.Storage(), StorageKind::DDB);
    EXPECT_EQ(bitmap.Stride(), 8);
}

TEST(BitmapCreate, RefusesBadSizesBeforeAllocatingAndLeavesThePictureCleared) {
    Bitmap bitmap;
    bitmap.Create(4, 4, PixelFormat::Bits8);
    EXPECT_THROW(bitmap.Create(-1, 5, PixelFormat::Bits24), EBitmapError);
    EXPECT_TRUE(bitmap.Empty());

    // 70000 x 70000 x 3 bytes and the largest rows of all must be refused
    // without overflow and without trying to allocate them.
    try {
        bitmap.Create(70000, 70000, PixelFormat::Bits24);
        FAIL() << "a 14.7 GB picture was made";
    } catch (const EBitmapError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "A picture of 70000 x 70000 pixels at 24 bits per pixel needs 14700000000 "
                  "bytes; the largest allowed is 4294967296 bytes.");
    }
    EXPECT_THROW(bitmap.Create(INT_MAX, INT_MAX, PixelFormat::Bits32), EBitmapError);
    EXPECT_EQ(bitmap.Width(), 0);
}

TEST(BitmapCopy, CopiesAreIndependentAndMovesEmptyTheSource) {
    Bitmap original;
    original.Create(2, 1, PixelFormat::Bits24);
    SetPixel24(original, 1, 0, {1, 2, 3});
    Bitmap copy = original;
    SetPixel24(copy, 1, 0, {9, 9, 9});
    EXPECT_EQ(Pixel24(original, 1, 0), (Bgr{1, 2, 3}));

    Bitmap moved = std::move(original);
    EXPECT_EQ(Pixel24(moved, 1, 0), (Bgr{1, 2, 3}));
    EXPECT_TRUE(original.Empty()); // NOLINT(bugprone-use-after-move)
}

// Leftmost pixel in the most significant bit, or in the high nibble.
TEST(BitmapAlpha, OnlyThirtyTwoBitPicturesCarryItAndConversionsDropIt) {
    Bitmap bitmap;
    bitmap.Create(2, 1, PixelFormat::Bits24);
    bitmap.SetAlpha(true);
    EXPECT_FALSE(bitmap.HasAlpha());
    bitmap.Create(2, 1, PixelFormat::Bits32);
    bitmap.SetAlpha(true);
    const std::uint8_t pixels[] = {10, 20, 30, 128, 40, 50, 60, 0};
    std::memcpy(bitmap.ScanLine(0), pixels, sizeof pixels);
    Bitmap copy(bitmap);
    EXPECT_TRUE(copy.HasAlpha());
    Bitmap moved(std::move(copy));
    EXPECT_TRUE(moved.HasAlpha());
    EXPECT_FALSE(copy.HasAlpha());
    moved.SetPixelFormat(PixelFormat::Bits24); // the colours stay, the alpha goes
    EXPECT_FALSE(moved.HasAlpha());
    EXPECT_EQ(Pixel24(moved, 1, 0), (Bgr{40, 50, 60}));
    EXPECT_EQ(std::memcmp(bitmap.ScanLine(0), pixels, sizeof pixels), 0);
    bitmap.Create(1, 1, PixelFormat::Bits32);
    EXPECT_FALSE(bitmap.HasAlpha());
}

TEST(BitmapBitOrder, IndexedRowsExpandLeftmostPixelFirst) {
    Bitmap mono;
    mono.Create(10, 1, PixelFormat::Bits1);
    mono.ScanLine(0)[0] = 0x80; // pixel 0 white
    mono.ScanLine(0)[1] = 0x40; // pixel 9 white
    mono.SetPixelFormat(PixelFormat::Bits24);
    EXPECT_EQ(Pixel24(mono, 0, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(Pixel24(mono, 1, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(Pixel24(mono, 8, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(Pixel24(mono, 9, 0), (Bgr{255, 255, 255}));

    Bitmap sixteen;
    sixteen.Create(3, 1, PixelFormat::Bits4);
    sixteen.ScanLine(0)[0] = 0x9C; // red, then blue
    sixteen.ScanLine(0)[1] = 0xE0; // aqua
    sixteen.SetPixelFormat(PixelFormat::Bits24);
    EXPECT_EQ(Pixel24(sixteen, 0, 0), (Bgr{0, 0, 255}));
    EXPECT_EQ(Pixel24(sixteen, 1, 0), (Bgr{255, 0, 0}));
    EXPECT_EQ(Pixel24(sixteen, 2, 0), (Bgr{255, 255, 0}));
}

TEST(BitmapBitOrder, BlackAndWhitePacksNearestColourMostSignificantBitFirst) {
    Bitmap bitmap;
    bitmap.Create(9, 1, PixelFormat::Bits24);
    SetPixel24(bitmap, 0, 0, {255, 255, 255});
    SetPixel24(bitmap, 2, 0, {0x90, 0x90, 0x90}); // nearer white
    SetPixel24(bitmap, 3, 0, {0x70, 0x70, 0x70}); // nearer black
    SetPixel24(bitmap, 8, 0, {0, 0, 200});        // red 200: nearer black
    bitmap.SetPixelFormat(PixelFormat::Bits1);
    EXPECT_EQ(bitmap.ScanLine(0)[0], 0xA0);
    EXPECT_EQ(bitmap.ScanLine(0)[1], 0x00);
}

TEST(BitmapWidening, FifteenAndSixteenBitChannelsRepeatTheirTopBits) {
    Bitmap bits15;
    bits15.Create(1, 1, PixelFormat::Bits15);
    // red 31, green 16, blue 1: 0 11111 10000 00001
    bits15.ScanLine(0)[0] = 0x01;
    bits15.ScanLine(0)[1] = 0x7E;
    bits15.SetPixelFormat(PixelFormat::Bits24);
    EXPECT_EQ(Pixel24(bits15, 0, 0), (Bgr{8, 132, 255}));

    Bitmap bits16;
    bits16.Create(2, 1, PixelFormat::Bits16);
    // red 1, green 33, blue 30: 00001 100001 11110 = 0x0C3E; then all ones
    const std::uint8_t row[] = {0x3E, 0x0C, 0xFF, 0xFF};
    std::memcpy(bits16.ScanLine(0), row, sizeof row);
    bits16.SetPixelFormat(PixelFormat::Bits24);
    EXPECT_EQ(Pixel24(bits16, 0, 0), (Bgr{247, 134, 8}));
    EXPECT_EQ(Pixel24(bits16, 1, 0), (Bgr{255, 255, 255}));
}

TEST(BitmapConversion, EightBitsMapOntoTheHalftonePalette) {
    Bitmap bitmap;
    bitmap.Create(4, 1, PixelFormat::Bits24);
    SetPixel24(bitmap, 0, 0, {0xCC, 0x33, 0x99}); // a cube colour: 10 + 36x3 + 6x1 + 4
    SetPixel24(bitmap, 1, 0, {0xCB, 0x34, 0x98}); // next to it
    SetPixel24(bitmap, 2, 0, {0x0B, 0x0A, 0x09}); // the first grey of the ramp, 0x0A
    SetPixel24(bitmap, 3, 0, {0xC0, 0xDC, 0xC0}); // the fixed colour 8
    bitmap.SetPixelFormat(PixelFormat::Bits8);
    const std::uint8_t* row = bitmap.ScanLine(0);
    EXPECT_EQ(row[0], 128);
    EXPECT_EQ(row[1], 128);
    EXPECT_EQ(row[2], 226);
    EXPECT_EQ(row[3], 8);
    EXPECT_EQ(bitmap.Colours(), HalftonePalette());
}

TEST(BitmapConversion, FourBitsMapOntoTheSixteenStandardColours) {
    Bitmap bitmap;
    bitmap.Create(3, 1, PixelFormat::Bits24);
    SetPixel24(bitmap, 0, 0, {0xC0, 0xC0, 0xC0});
    SetPixel24(bitmap, 1, 0, {0x70, 0x80, 0x90});
    SetPixel24(bitmap, 2, 0, {0x10, 0x10, 0xF0});
    bitmap.SetPixelFormat(PixelFormat::Bits4);
    EXPECT_EQ(bitmap.ScanLine(0)[0], 0x78); // silver, grey
    EXPECT_EQ(bitmap.ScanLine(0)[1], 0x90); // red
}

TEST(BitmapConversion, DeviceFormatIsADdbHoldingExactColours) {
    Bitmap bitmap;
    bitmap.Create(2, 1, PixelFormat::Bits24);
    SetPixel24(bitmap, 1, 0, {1, 2, 3});
    bitmap.SetPixelFormat(PixelFormat::Device);
    EXPECT_EQ(bitmap.Storage(), StorageKind::DDB);
    EXPECT_EQ(std::memcmp(bitmap.ScanLine(0) + 4, "\x01\x02\x03\x00", 4), 0);
    bitmap.SetStorage(StorageKind::DIB); // a Device picture stays a DDB
    EXPECT_EQ(bitmap.Storage(), StorageKind::DDB);
    bitmap.SetPixelFormat(PixelFormat::Bits24);
    EXPECT_EQ(bitmap.Storage(), StorageKind::DIB);
    EXPECT_EQ(Pixel24(bitmap, 1, 0), (Bgr{1, 2, 3}));
}

TEST(BitmapConversion, FifteenAndSixteenBitsAreNeverMadeAndThePictureIsKept) {
    Bitmap bitmap;
    bitmap.Create(2, 2, PixelFormat::Bits24);
    SetPixel24(bitmap, 1, 1, {5, 6, 7});
    EXPECT_THROW(bitmap.SetPixelFormat(PixelFormat::Bits15), std::invalid_argument);
    EXPECT_THROW(bitmap.SetPixelFormat(PixelFormat::Bits16), std::invalid_argument);
    EXPECT_EQ(bitmap.Format(), PixelFormat::Bits24);
    EXPECT_EQ(Pixel24(bitmap, 1, 1), (Bgr{5, 6, 7}));
}

} // namespace
} // namespace zv
