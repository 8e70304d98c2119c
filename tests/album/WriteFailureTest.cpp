// The album's writers under failing writes: a JPEG comment rewrite keeps the
// old file, an extraction leaves no partial file.

#include "album/JpegComments.h"
#include "album/ZipExtract.h"

#include "FailingWrites.h"
#include "TempFolderTest.h"
#include "ZipArchiveBuilder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace zv {
namespace {

namespace fs = std::filesystem;
using WriteFailureTest = zvtest::TempFolderTest;

TEST_F(WriteFailureTest, JpegRewriteKeepsTheOldFileAndItsPermissions) {
    const fs::path photo = Write("photo.jpg", "\xFF\xD8 old bytes \xFF\xD9");
    ::chmod(photo.c_str(), 0640);
    const JpegBytes rewritten = {0xFF, 0xD8, 'n', 'e', 'w', 0xFF, 0xFE, 0, 3, 'c', 0xFF, 0xD9};
    EXPECT_EQ(zvtest::WalkWriteFailures(photo, zvtest::Reporting<std::runtime_error>(
                                                   [&] { ReplaceJpegFile(photo, rewritten); })),
              6);
    struct stat status {};
    ::stat(photo.c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST_F(WriteFailureTest, FailedExtractionLeavesNoPartialFile) {
    zvtest::FixtureEntry entry;
    entry.name = "pictures/a.txt";
    entry.data = zvtest::SampleText(5000);
    entry.method = 8;
    TVCLUnZip unzip;
    unzip.Open(Write("photos.zip", zvtest::BuildZip({entry})));
    const fs::path out = folder / "out";
    fs::create_directories(out / "pictures");
    // Open, write, close.
    EXPECT_EQ(zvtest::WalkWriteFailures(out / "pictures/a.txt",
                                        [&] { return unzip.UnZip(out).FilesWritten == 1; }),
              3);
    EXPECT_EQ(zvtest::FileBytes(out / "pictures/a.txt"), entry.data);
}

} // namespace
} // namespace zv
