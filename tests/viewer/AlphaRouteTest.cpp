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
#include <utility>
#include <vector>

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
        PictureState state;
        state.path = path;
        if (loader->ProbePicture(state) < 0) return false;
        loader->OpenImage(state);
        return state.ready;
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

// A version 4 BMP with 32-bit bit fields and an alpha mask opens with its
// alpha, as PNG and TGA pictures do.
TEST_F(AlphaRouteTest, BmpPicturesWithAnAlphaMaskKeepTheirAlpha) {
    const std::uint8_t pixels[] = {1, 2, 3, 128, 4, 5, 6, 0};
    std::vector<std::uint8_t> file(14 + 108);
    const auto put = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    file[0] = 'B', file[1] = 'M';
    put(2, static_cast<std::uint32_t>(file.size() + sizeof pixels));
    put(10, static_cast<std::uint32_t>(file.size()));
    for (const auto [at, value] : {std::pair{14u, 108u},
                                   {18u, 2u},
                                   {22u, 1u},
                                   {26u, 0x00200001u},
                                   {30u, 3u},
                                   {34u, 8u},
                                   {54u, 0x00FF0000u},
                                   {58u, 0x0000FF00u},
                                   {62u, 0x000000FFu},
                                   {66u, 0xFF000000u}})
        put(at, value);
    file.insert(file.end(), pixels, pixels + sizeof pixels);
    const std::string path = Write("alpha.bmp", std::string(file.begin(), file.end()));
    ASSERT_TRUE(Open(path));
    ASSERT_TRUE(imaging.current.HasAlpha());
    EXPECT_EQ(std::memcmp(imaging.current.ScanLine(0), pixels, sizeof pixels), 0);
    EXPECT_EQ(imaging.descriptor.ImageBits, 24);
}

} // namespace
