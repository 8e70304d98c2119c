// PNG and TGA pictures with alpha reach the viewer with it (the view paints
// them over a checkerboard) and are saved as their own type with it; saving
// as another type, or making them true colour for processing, drops it.

#include "viewer/PictureLoader.h"
#include "viewer/PictureSave.h"

#include "formats/PngGraphic.h"
#include "formats/TgaGraphic.h"
#include "platform/ScriptedDialogs.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace zv;

class QuietHost : public LoadHost {
public:
    void SetStatusText(const std::string&) override {}
    ViewArea ViewSize() const override { return {}; }
    void ShowEmptyPicture() override {}
    void PictureShown() override {}
};

class AlphaRouteTest : public zvtest::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        names = std::make_unique<TempNames>(folder, 99);
        names->DrawPrefix(3u);
        loader = std::make_unique<PictureLoader>(
            LoadServices{imaging, library, photoCd, *names, dialogs, host, settings});
    }

    bool Open(const std::string& path) {
        loader->currentPath = path;
        if (loader->ProbePicture() < 0) return false;
        loader->OpenImage();
        return loader->pictureReady;
    }

    std::unique_ptr<TempNames> names;
    ImagingContext imaging;
    ImageLibrary library;
    PhotoCdLibrary photoCd;
    ScriptedDialogs dialogs;
    QuietHost host;
    LoadSettings settings;
    std::unique_ptr<PictureLoader> loader;
};

TEST_F(AlphaRouteTest, PngAndTgaPicturesKeepTheirAlphaUntilProcessed) {
    const std::uint8_t pixels[] = {1, 2, 3, 128, 4, 5, 6, 0};
    Bitmap rgba;
    rgba.Create(2, 1, PixelFormat::Bits32);
    rgba.SetAlpha(true);
    std::memcpy(rgba.ScanLine(0), pixels, sizeof pixels);
    TPngGraphic png;
    TTgaGraphic tga;
    for (TDibGraphic* writer : {static_cast<TDibGraphic*>(&png), static_cast<TDibGraphic*>(&tga)}) {
        SCOPED_TRACE(writer->ClassName());
        writer->Assign(rgba);
        const auto path = folder / (std::string("alpha.") + (writer == &png ? "png" : "tga"));
        writer->SaveToFile(path);
        ASSERT_TRUE(Open(path.string()));
        ASSERT_TRUE(imaging.current.HasAlpha());
        EXPECT_EQ(std::memcmp(imaging.current.ScanLine(0), pixels, sizeof pixels), 0);
        EXPECT_EQ(imaging.descriptor.ImageBits, 24);

        // Saved again as its own type it keeps the alpha; as a BMP it has none.
        SaveSettings settings;
        settings.type = writer == &png ? kSavePng : kSaveTga;
        ASSERT_FALSE(PictureForSave(imaging, settings.type));
        WritePictureAs(imaging.current, path.string(), settings, library);
        ASSERT_TRUE(Open(path.string()));
        EXPECT_EQ(std::memcmp(imaging.current.ScanLine(0), pixels, sizeof pixels), 0);
        const std::optional<Bitmap> forBmp = PictureForSave(imaging, kSaveBmp);
        ASSERT_TRUE(forBmp);
        EXPECT_EQ(forBmp->Format(), PixelFormat::Bits24);

        EnsureTrueColour(imaging);
        EXPECT_FALSE(imaging.current.HasAlpha());
        EXPECT_EQ(imaging.current.ScanLine(0)[3], 4);
    }
}

} // namespace
