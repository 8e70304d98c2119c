#include "library/LibraryExchange.h"

#include "imaging/MemoryCheck.h"
#include "platform/ScriptedDialogs.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace zv;
namespace fs = std::filesystem;

class LibraryExchangeTest : public zvtest::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        names = std::make_unique<TempNames>(folder, 4242);
        names->DrawPrefix(7u);
        library.ImgInit();
    }

    LibraryExchange Exchange() { return {imaging, library, *names, dialogs}; }

    void Hold(Bitmap picture, int bits) {
        imaging.current = std::move(picture);
        imaging.descriptor.ImageWidth = imaging.current.Width();
        imaging.descriptor.ImageHeight = imaging.current.Height();
        imaging.descriptor.ImageBits = static_cast<std::int16_t>(bits);
    }

    std::unique_ptr<TempNames> names;
    ImagingContext imaging;
    ImageLibrary library;
    ScriptedDialogs dialogs;
};

TEST_F(LibraryExchangeTest, ABlackAndWhitePictureComesBackMonochrome) {
    Bitmap picture;
    picture.Create(9, 3, PixelFormat::Bits1);
    picture.SetPalette({{0, 0, 255, 0}, {255, 255, 255, 0}});
    picture.ScanLine(1)[0] = 0x81;
    picture.ScanLine(1)[1] = 0x80;
    Hold(picture, 1);

    LibraryExchange exchange = Exchange();
    ASSERT_NE(BitmapToLibraryImage(exchange), 0);
    EXPECT_FALSE(exchange.exportedThroughFile);
    ClearBitmap(imaging.current);
    ASSERT_TRUE(LibraryImageToBitmap(exchange, true, false));

    EXPECT_EQ(imaging.current.Format(), PixelFormat::Bits1);
    EXPECT_EQ(imaging.descriptor.ImageBits, 1);
    EXPECT_EQ(imaging.current.Colours().size(), 2u);
    EXPECT_EQ(imaging.current.Colours()[0], (PaletteEntry{0, 0, 255, 0}));
    EXPECT_EQ(imaging.current.ScanLine(1)[0], 0x81);
    EXPECT_EQ(imaging.current.ScanLine(1)[1] & 0x80, 0x80);
    EXPECT_EQ(imaging.LibraryHandle, 0);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(LibraryExchangeTest, ASixteenBitPictureBecomesTrueColour) {
    Bitmap picture;
    picture.Create(2, 1, PixelFormat::Bits24);
    picture.ScanLine(0)[2] = 255; // red
    LibraryImage image;
    image.pages.push_back(picture);
    imaging.LibraryHandle = library.Adopt(std::move(image));
    imaging.descriptor = {2, 1, 16, 24};

    LibraryExchange exchange = Exchange();
    ASSERT_TRUE(LibraryImageToBitmap(exchange, false, true));
    EXPECT_EQ(imaging.current.Format(), PixelFormat::Bits24);
    EXPECT_EQ(imaging.descriptor.ImageBits, 24);
    EXPECT_EQ(imaging.current.ScanLine(0)[2], 255);
    EXPECT_NE(imaging.LibraryHandle, 0); // kept
}

TEST_F(LibraryExchangeTest, TheMemoryLimitSendsLargePicturesThroughAFileOneWayOnly) {
    Bitmap picture;
    picture.Create(2000, 2731, PixelFormat::Bits24);
    picture.ScanLine(2730)[5999] = 77;
    Hold(picture, 24);
    ASSERT_EQ(ImageByteSize(imaging.descriptor, false), 16384000);

    LibraryExchange exchange = Exchange();
    ASSERT_NE(BitmapToLibraryImage(exchange), 0);
    EXPECT_TRUE(exchange.exportedThroughFile);
    EXPECT_TRUE(fs::exists(names->TempFileName("zvexport.pcx")));

    ClearBitmap(imaging.current);
    ASSERT_TRUE(LibraryImageToBitmap(exchange, true, false));
    EXPECT_FALSE(fs::exists(names->TempFileName("zvexport.bmp")));
    EXPECT_EQ(imaging.current.Width(), 2000);
    EXPECT_EQ(imaging.current.ScanLine(2730)[5999], 77);
}

TEST_F(LibraryExchangeTest, SixteenBitDisplaysBringPicturesInThroughAFile) {
    Bitmap picture;
    picture.Create(3, 2, PixelFormat::Bits24);
    picture.ScanLine(0)[0] = 12;
    Hold(picture, 24);
    imaging.descriptor.ScreenBits = 16;

    LibraryExchange exchange = Exchange();
    ASSERT_NE(BitmapToLibraryImage(exchange), 0);
    ClearBitmap(imaging.current);
    ASSERT_TRUE(LibraryImageToBitmap(exchange, true, false));
    EXPECT_EQ(imaging.current.ScanLine(0)[0], 12);
    EXPECT_FALSE(fs::exists(names->TempFileName("zvexport.bmp")));
}

TEST_F(LibraryExchangeTest, AFailedExchangeNeverPassesForSuccess) {
    Bitmap picture;
    picture.Create(3, 2, PixelFormat::Bits24);
    Hold(picture, 24);
    imaging.LibraryHandle = 999; // nothing behind it
    LibraryExchange exchange = Exchange();
    EXPECT_FALSE(LibraryImageToBitmap(exchange, false, false));
    EXPECT_FALSE(dialogs.boxes.empty());

    imaging.descriptor.ScreenBits = 16;
    EXPECT_FALSE(LibraryImageToBitmap(exchange, false, false));
    EXPECT_TRUE(imaging.current.Empty() || imaging.current.Width() == 3);
}

} // namespace
