// zelvan-tool jpeg, run as a user does.

#include "JpegFixtures.h"
#include "TempFolderTest.h"
#include "TestData.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using zvtest::JpegBytes;

class JpegToolTest : public zvtest::TempFolderTest {
protected:
    void SetUp() override {
        if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL is not set";
        TempFolderTest::SetUp();
    }
    std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }
};

TEST_F(JpegToolTest, AddListAndStripAComment) {
    zvtest::ExifBuilder exif(false);
    exif.Short(false, 274, 6);
    const JpegBytes original =
        zvtest::Splice(zvtest::PlainJpeg(), 20, zvtest::Segment(0xE1, exif.Build()));
    const std::string path = Write("photo.jpg", std::string(original.begin(), original.end()));

    zvtest::ToolRun run = zvtest::RunTool("jpeg add-comment " + Quoted(path) + " 'two\nlines'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(zvtest::ReadTestFile(folder / "photo.bak"), original);

    run = zvtest::RunTool("jpeg comments " + Quoted(path));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "two\nlines\n");
    // The comment sits in front of the EXIF block, so the EXIF lines are listed too.
    run = zvtest::RunTool("jpeg exif " + Quoted(path));
    EXPECT_EQ(run.output, "Orientation = 6\n");

    // The backup exists now: stripping stops without --yes.
    run = zvtest::RunTool("jpeg strip --comments " + Quoted(path), {}, true);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("photo.bak exists."), std::string::npos) << run.output;
    run = zvtest::RunTool("jpeg strip --all --yes " + Quoted(path));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "Extra info removed:" +
                              std::to_string(18 + 16 + exif.Build().size() + 4) + " bytes\n");
}

TEST_F(JpegToolTest, ErrorsGoToStandardErrorWithAStatus) {
    const std::string path = Write("notjpeg.jpg", "plain text");
    zvtest::ToolRun run = zvtest::RunTool("jpeg comments " + Quoted(path), {}, true);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, path + ": File has bad JPEG markers.\n");
    run = zvtest::RunTool("jpeg add-comment " + Quoted(path) + " x", {}, true);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "File has bad JPEG markers.\n");
    EXPECT_EQ(zvtest::RunTool("jpeg strip " + Quoted(path)).status, 2);
}

} // namespace
