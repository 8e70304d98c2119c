#include "catalog/ThumbPicture.h"
#include "imaging/BitmapFile.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

namespace {

using namespace zv;
namespace fs = std::filesystem;

struct Bgr {
    int blue, green, red;
    friend bool operator==(const Bgr&, const Bgr&) = default;
};

Bgr PixelAt(const Bitmap& bitmap, int x, int y) {
    const std::uint8_t* pixel = bitmap.ScanLine(y) + 3 * x;
    return {pixel[0], pixel[1], pixel[2]};
}

Bitmap Solid24(int width, int height, Bgr colour) {
    Bitmap bitmap;
    bitmap.Create(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = bitmap.ScanLine(y) + 3 * x;
            pixel[0] = std::uint8_t(colour.blue);
            pixel[1] = std::uint8_t(colour.green);
            pixel[2] = std::uint8_t(colour.red);
        }
    }
    return bitmap;
}

constexpr Bgr kWhite{255, 255, 255};
constexpr Bgr kBlue{255, 0, 0};
constexpr Bgr kRed{0, 0, 255};

TEST(FitThumbSize, KeepsProportionsRoundsHalvesUpAndClamps) {
    // 300 x 118 / 400 = 88.5 rounds to 89, over the box: cut to 88, width 116.7 -> 117.
    EXPECT_EQ(FitThumbSize(400, 300, 118, 88), (FittedSize{117, 88}));
    EXPECT_EQ(FitThumbSize(300, 400, 118, 88), (FittedSize{66, 88}));
    EXPECT_EQ(FitThumbSize(50, 50, 118, 88), (FittedSize{88, 88}));
    EXPECT_EQ(FitThumbSize(10, 5, 118, 88), (FittedSize{118, 59}));   // enlarged
    EXPECT_EQ(FitThumbSize(100, 100, 50, 200), (FittedSize{50, 50})); // too wide for a tall box
    EXPECT_EQ(FitThumbSize(std::int64_t{1} << 40, std::int64_t{1} << 39, 118, 88),
              (FittedSize{118, 59}));
}

TEST(FitThumbSize, ThinPicturesKeepOnePixelAndEmptyOnesNothing) {
    EXPECT_EQ(FitThumbSize(600, 50000, 118, 88), (FittedSize{1, 88}));
    EXPECT_EQ(FitThumbSize(600, 500000, 118, 88), (FittedSize{1, 88}));
    EXPECT_EQ(FitThumbSize(50000, 10, 118, 88), (FittedSize{118, 1}));
    EXPECT_EQ(FitThumbSize(0, 0, 118, 88), (FittedSize{0, 0}));
    EXPECT_EQ(FitThumbSize(0, 100, 118, 88), (FittedSize{0, 0}));
    EXPECT_EQ(FitThumbSize(-5, 100, 118, 88), (FittedSize{0, 0}));
    EXPECT_EQ(FitThumbSize(100, 100, 0, 88), (FittedSize{0, 0}));
}

TEST(MakeThumbnail, FillsTheBoxAndCentresThePicture) {
    const Bitmap thumb = MakeThumbnail(Solid24(40, 20, kRed), {120, 90}, 0x00FF0000);
    ASSERT_EQ(thumb.Width(), 120);
    ASSERT_EQ(thumb.Height(), 90);
    EXPECT_EQ(thumb.Format(), PixelFormat::Bits24);
    // Fitted 118 x 59 at left 1, top 15.
    EXPECT_EQ(PixelAt(thumb, 0, 0), kBlue);
    EXPECT_EQ(PixelAt(thumb, 119, 89), kBlue);
    EXPECT_EQ(PixelAt(thumb, 0, 15), kBlue);
    EXPECT_EQ(PixelAt(thumb, 1, 14), kBlue);
    EXPECT_EQ(PixelAt(thumb, 1, 15), kRed);
    EXPECT_EQ(PixelAt(thumb, 118, 73), kRed);
    EXPECT_EQ(PixelAt(thumb, 118, 74), kBlue);
    EXPECT_EQ(PixelAt(thumb, 119, 15), kBlue);
}

TEST(MakeThumbnail, SystemColoursAreWhiteAndEmptyPicturesBlank) {
    EXPECT_EQ(ThumbBackground(0x80000005), (PaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ(ThumbBackground(0x000000FF), (PaletteEntry{0, 0, 255, 0}));
    const Bitmap blank = MakeThumbnail(Bitmap(), {84, 63}, 0x80000005);
    ASSERT_EQ(blank.Width(), 84);
    EXPECT_EQ(PixelAt(blank, 42, 31), kWhite);
    EXPECT_EQ(PixelAt(blank, 83, 62), kWhite);
}

TEST(MakeThumbnail, ReducingAveragesAndEnlargingBlends) {
    // Columns black, white, black, white; fitted 2 x 1 into the 2 x 1 inner box.
    Bitmap stripes = Solid24(4, 2, {0, 0, 0});
    for (int y = 0; y < 2; ++y) {
        for (int x = 1; x < 4; x += 2) std::fill_n(stripes.ScanLine(y) + 3 * x, 3, 255);
    }
    const Bitmap reduced = MakeThumbnail(stripes, {4, 3}, 0);
    EXPECT_EQ(PixelAt(reduced, 1, 1), (Bgr{128, 128, 128}));
    EXPECT_EQ(PixelAt(reduced, 2, 1), (Bgr{128, 128, 128}));

    // A black and a white column enlarged to 8 x 8: the ends keep their
    // colours, x = 3 samples 0.375 of the way from black to white.
    Bitmap halves = Solid24(2, 2, {0, 0, 0});
    for (int y = 0; y < 2; ++y) std::fill_n(halves.ScanLine(y) + 3, 3, 255);
    const Bitmap enlarged = MakeThumbnail(halves, {10, 10}, 0x000000FF);
    EXPECT_EQ(PixelAt(enlarged, 1, 4), (Bgr{0, 0, 0}));
    EXPECT_EQ(PixelAt(enlarged, 4, 4), (Bgr{96, 96, 96}));
    EXPECT_EQ(PixelAt(enlarged, 8, 4), kWhite);
    EXPECT_EQ(PixelAt(enlarged, 0, 4), kRed);
}

TEST(MakeThumbnail, PalettePicturesUseTheirColours) {
    Bitmap indexed;
    indexed.Create(6, 6, PixelFormat::Bits8);
    Palette palette(256);
    palette[7] = {10, 200, 30, 0};
    indexed.SetPalette(palette);
    for (int y = 0; y < 6; ++y) std::fill_n(indexed.ScanLine(y), 6, 7);
    const Bitmap thumb = MakeThumbnail(indexed, {20, 20}, 0);
    EXPECT_EQ(PixelAt(thumb, 10, 10), (Bgr{10, 200, 30}));
    EXPECT_EQ(PixelAt(thumb, 0, 0), (Bgr{0, 0, 0}));
}

TEST(ThumbBudget, RefusesHeadersBeyondThePixelBudget) {
    EXPECT_FALSE(WithinThumbBudget(60000, 60000));
    EXPECT_TRUE(WithinThumbBudget(11648, 8736)); // a 100 Mpixel camera picture
    EXPECT_TRUE(WithinThumbBudget(1, kThumbPixelBudget));
    EXPECT_FALSE(WithinThumbBudget(1, kThumbPixelBudget + 1));
    EXPECT_FALSE(WithinThumbBudget(std::int64_t{1} << 62, std::int64_t{1} << 62));
    EXPECT_FALSE(WithinThumbBudget(0, 100));
    EXPECT_FALSE(WithinThumbBudget(100, -1));
}

class SaveThumbnailTest : public zvtest::TempFolderTest {};

TEST_F(SaveThumbnailTest, WritesTheWholeBmpAndLeavesNoTemporaryFile) {
    const fs::path path = Write("CADBBE3D.003", std::string(200, 'x')); // a leftover
    const Bitmap thumb = MakeThumbnail(Solid24(40, 20, kRed), {120, 90}, 0x80000005);
    SaveThumbnail(path, thumb);

    EXPECT_EQ(fs::file_size(path), BlankThumbFileSize({120, 90}, 24));
    EXPECT_TRUE(ThumbPresent(path));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    const Bitmap back = ReadBitmapFile(path);
    EXPECT_EQ(PixelAt(back, 0, 0), kWhite);
    EXPECT_EQ(PixelAt(back, 60, 45), kRed);
}

TEST_F(SaveThumbnailTest, FailureLeavesNothingBehind) {
    EXPECT_ANY_THROW(SaveThumbnail(folder / "gone" / "A.003", MakeThumbnail({}, {84, 63}, 0)));
    EXPECT_TRUE(fs::is_empty(folder));
}

} // namespace
