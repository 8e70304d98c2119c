// Saves streamed to disk give the bytes built whole, and a picture save that
// fails at any step of its write keeps the old file.

#include "formats/BmpGraphic.h"
#include "formats/JpegWriter.h"
#include "formats/PcxGraphic.h"
#include "formats/TgaGraphic.h"
#include "imaging/BitmapFile.h"
#include "platform/linux/AtomicFile.h"

#include "FailingWrites.h"
#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <functional>

namespace zv {
namespace {

using SaveFailureTest = zvtest::TempFolderTest;

// The streamed BMP saves, the viewer's and the layer's, fail in the middle
// of the rows too: a picture of more than one write chunk makes two writes.
TEST_F(SaveFailureTest, FailedSaveKeepsTheOldPicture) {
    Bitmap picture;
    picture.Create(5, 3, PixelFormat::Bits24);
    FillTrueColour(picture, PaletteEntry{200, 40, 10, 0});
    Bitmap large;
    large.Create(1501, 1000, PixelFormat::Bits24);
    FillTrueColour(large, PaletteEntry{20, 140, 10, 0});
    const auto layerBmp = [](const Bitmap& source) {
        return [&source](const std::filesystem::path& path) {
            TBmpGraphic bmp;
            bmp.Assign(source);
            bmp.SaveToFile(path);
        };
    };
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> save;
        int calls; // temporary, writes, sync, close, rename, the folder's sync
    };
    const Case cases[] = {
        {"old.bmp", layerBmp(picture), 6},
        {"large.bmp", layerBmp(large), 7},
        {"viewer.bmp", [&](const std::filesystem::path& path) { SaveBitmapAsBmp(path, large); }, 7},
        {"old.jpg",
         [&](const std::filesystem::path& path) { TJpegWriter{}.SaveToFile(path, picture); }, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path target = Write(c.name, "the picture saved before");
        EXPECT_EQ(zvtest::WalkWriteFailures(
                      target, zvtest::Reporting<EFileWriteError>([&] { c.save(target); })),
                  c.calls);
    }
}

// The files streamed row by row against the same files built whole: the
// viewer's BMP against BitmapFileBytes, the layer's BMP, PCX and TGA against
// their SaveToStream.
// Odd widths with stray bytes in the row padding, short palettes, a 32-bit
// picture going as 24-bit, and one picture larger than a write chunk.
TEST_F(SaveFailureTest, StreamedFilesEqualTheFilesBuiltWhole) {
    struct Case {
        PixelFormat format;
        std::int32_t width;
        std::int32_t height;
        int paletteEntries;
    };
    const Case cases[] = {
        {PixelFormat::Bits1, 33, 3, 2}, {PixelFormat::Bits4, 9, 4, 5},
        {PixelFormat::Bits8, 7, 5, 3},  {PixelFormat::Bits24, 5, 3, 0},
        {PixelFormat::Bits32, 3, 2, 0}, {PixelFormat::Bits24, 1501, 1000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        Bitmap picture;
        picture.Create(c.width, c.height, c.format);
        Palette palette;
        for (int i = 0; i < c.paletteEntries; ++i)
            palette.push_back(
                {static_cast<std::uint8_t>(40 * i), 7, static_cast<std::uint8_t>(i), 0});
        if (!palette.empty()) picture.SetPalette(palette);
        for (std::int32_t y = 0; y < c.height; ++y)
            for (std::int64_t i = 0; i < picture.Stride(); ++i)
                picture.ScanLine(y)[i] = static_cast<std::uint8_t>(y * 31 + i * 7);

        SaveBitmapAsBmp(folder / "viewer.bmp", picture);
        const Bytes viewer = BitmapFileBytes(picture);
        EXPECT_EQ(zvtest::ReadText(folder / "viewer.bmp"),
                  std::string(viewer.begin(), viewer.end()));
        if (c.format == PixelFormat::Bits32) continue;
        TBmpGraphic bmp;
        TPcxGraphic pcx;
        TTgaGraphic tga;
        for (TDibGraphic* layer : {static_cast<TDibGraphic*>(&bmp), static_cast<TDibGraphic*>(&pcx),
                                   static_cast<TDibGraphic*>(&tga)}) {
            if (layer == &tga && picture.BitsPerPixel() < 8) continue;
            SCOPED_TRACE(layer->ClassName());
            layer->Assign(picture);
            layer->SaveToFile(folder / "layer");
            Bytes whole;
            layer->SaveToStream(whole);
            EXPECT_EQ(zvtest::ReadText(folder / "layer"), std::string(whole.begin(), whole.end()));
        }
    }
    EXPECT_EQ(zvtest::FilesIn(folder), (std::vector<std::string>{"layer", "viewer.bmp"}));
}

} // namespace
} // namespace zv
