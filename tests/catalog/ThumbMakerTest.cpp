#include "catalog/ThumbMaker.h"

#include "ExifJpeg.h"
#include "ThumbFolderTest.h"
#include "catalog/ThumbPicture.h"
#include "catalog/ThumbStates.h"
#include "formats/JpegWriter.h"
#include "formats/PngGraphic.h"
#include "formats/TgaGraphic.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstring>

namespace zv {
namespace {

using ThumbMakerTest = zvtest::ThumbFolderTest;

TEST(ThumbJpegScale, HalvesWhileLargerThanTwiceTheBox) {
    const ThumbBox box{120, 90};
    EXPECT_EQ(ThumbJpegScale(240, 180, box), 1);
    EXPECT_EQ(ThumbJpegScale(241, 180, box), 2);
    EXPECT_EQ(ThumbJpegScale(240, 181, box), 2);
    EXPECT_EQ(ThumbJpegScale(960, 720, box), 4);
    EXPECT_EQ(ThumbJpegScale(2000, 1500, box), 8);
    EXPECT_EQ(ThumbJpegScale(60000, 40000, box), 8);
}

TEST_F(ThumbMakerTest, LargeJpegIsDecodedScaledIntoABoxSizedThumbnail) {
    const ThumbResult result =
        MakeThumbFor(WriteJpeg("big.jpg", 2000, 1500).string(), {120, 90}, 0);
    ASSERT_EQ(result.outcome, ThumbOutcome::Made);
    EXPECT_EQ(result.jpegScale, 8);
    EXPECT_EQ(result.fullWidth, 2000);
    EXPECT_EQ(result.fullHeight, 1500);
    EXPECT_EQ(result.thumbnail.Width(), 120);
    EXPECT_EQ(result.thumbnail.Height(), 90);
    EXPECT_EQ(result.State(), kThumbMade);
}

TEST_F(ThumbMakerTest, UnreadableFilesFailWithoutThrowing) {
    Write("pictures/broken.jpg", "\xFF\xD8 truncated");
    Write("pictures/empty.png", "not a png");
    for (const char* name : {"broken.jpg", "empty.png", "missing.bmp"}) {
        const ThumbResult result = MakeThumbFor((pictures / name).string(), {120, 90}, 0);
        EXPECT_EQ(result.outcome, ThumbOutcome::Failed) << name;
        EXPECT_EQ(result.State(), kThumbFailed) << name;
    }
}

TEST_F(ThumbMakerTest, PictureHeaderBeyondThePixelBudgetIsTooLarge) {
    // A 12000 x 12000 24-bit BMP (144 Mpixel): a sparse file holding the header
    // and room for every row, so the header is believed but nothing is decoded.
    std::string bmp(54, '\0');
    const auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) bmp[at + i] = static_cast<char>(value >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put(2, 54, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, 12000, 4);
    put(22, 12000, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    const std::string path = Write("huge.bmp", bmp);
    std::filesystem::resize_file(path, 54 + std::uintmax_t{12000} * 12000 * 3);
    const ThumbResult result = MakeThumbFor(path, {120, 90}, 0);
    EXPECT_EQ(result.outcome, ThumbOutcome::TooLarge);
    EXPECT_EQ(result.State(), kThumbTooLarge);
}

// A photo taken turned: 32 x 16 upright, stored 16 x 32 with orientation 6.
// Its thumbnail is wide unless the option is off.
TEST(ThumbMaker, JpegThumbnailsFollowTheExifOrientationOption) {
    const zvtest::TempFolder temp;
    Bitmap stored;
    stored.Create(16, 32, PixelFormat::Bits24);
    for (int y = 0; y < 32; ++y) std::memset(stored.ScanLine(y), 40, 3 * 16);
    const Bytes file = zvtest::JpegWithOrientation(stored, 6);
    const std::string path = temp.Write("turned.jpg", std::string(file.begin(), file.end()));
    const ThumbBox box{120, 90};
    const Bitmap upright = MakeThumbFor(path, box, 0xFFFFFF, true).thumbnail;
    const Bitmap asStored = MakeThumbFor(path, box, 0xFFFFFF, false).thumbnail;
    // Left of the middle row: picture when wide, background when tall.
    const auto pixel = [](const Bitmap& b, int x, int y) { return b.ScanLine(y)[3 * x]; };
    EXPECT_NE(pixel(upright, 5, 45), pixel(upright, 0, 0));
    EXPECT_EQ(pixel(asStored, 5, 45), pixel(asStored, 0, 0));
}

// A picture opaque red on its left half and clear (black beneath) on its
// right: the clear half shows the thumbnail colour in PNG and TGA files.
TEST_F(ThumbMakerTest, ClearPartsShowTheThumbnailColour) {
    Bitmap half;
    half.Create(64, 48, PixelFormat::Bits32);
    half.SetAlpha(true);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            std::uint8_t* p = half.ScanLine(y) + 4 * x;
            const bool opaque = x < 32;
            p[0] = p[1] = 0;
            p[2] = opaque ? 255 : 0;
            p[3] = opaque ? 255 : 0;
        }
    TPngGraphic png;
    TTgaGraphic tga;
    for (TDibGraphic* graphic : std::initializer_list<TDibGraphic*>{&png, &tga}) {
        const std::filesystem::path path =
            pictures / (std::string("half.") + (graphic == &png ? "png" : "tga"));
        SCOPED_TRACE(path.filename().string());
        graphic->Assign(half);
        graphic->SaveToFile(path);
        const ThumbResult result = MakeThumbFor(path.string(), {120, 90}, 0x00C08040);
        ASSERT_EQ(result.outcome, ThumbOutcome::Made);
        const std::uint8_t* left = result.thumbnail.ScanLine(45) + 3 * 20;
        const std::uint8_t* right = result.thumbnail.ScanLine(45) + 3 * 100;
        EXPECT_EQ(std::vector<int>(left, left + 3), (std::vector<int>{0, 0, 255}));
        EXPECT_EQ(std::vector<int>(right, right + 3), (std::vector<int>{0xC0, 0x80, 0x40}));
    }
}

} // namespace
} // namespace zv
