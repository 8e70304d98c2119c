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

TEST_F(SaveFailureTest, FailedSaveKeepsTheOldPicture) {
    Bitmap picture;
    picture.Create(5, 3, PixelFormat::Bits24);
    FillTrueColour(picture, PaletteEntry{200, 40, 10, 0});
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> save;
    };
    const Case cases[] = {
        {"old.bmp",
         [&](const std::filesystem::path& path) {
             TBmpGraphic bmp;
             bmp.Assign(picture);
             bmp.SaveToFile(path);
         }},
        {"old.jpg",
         [&](const std::filesystem::path& path) { TJpegWriter{}.SaveToFile(path, picture); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path target = Write(c.name, "the picture saved before");
        EXPECT_EQ(zvtest::WalkWriteFailures(
                      target, zvtest::Reporting<EFileWriteError>([&] { c.save(target); })),
                  6);
    }
}

} // namespace
} // namespace zv
