// A picture save that fails at any step of its write keeps the old file.

#include "formats/BmpGraphic.h"
#include "formats/JpegWriter.h"
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

} // namespace
} // namespace zv
