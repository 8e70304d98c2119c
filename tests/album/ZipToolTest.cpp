// zelvan-tool zip list and extract, run as a user runs them.

#include "TempFolderTest.h"
#include "ToolRunner.h"
#include "ZipArchiveBuilder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace zvtest;
namespace fs = std::filesystem;

class ZipTool : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        if (!ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL is not set";
        FixtureEntry photo;
        photo.name = "Trip/IMG_0001.JPG";
        photo.data = std::string(1000, 'p');
        photo.method = 8;
        FixtureEntry empty;
        empty.name = "empty.txt";
        FixtureEntry legacy;
        legacy.name = "notes.txt";
        legacy.data = SampleText(2000);
        legacy.method = 1;
        archive = Write("trip.zip", BuildZip({photo, empty, legacy}));
    }

    std::string archive;
};

TEST_F(ZipTool, ListPrintsTheGridColumns) {
    const ToolRun run = RunTool("zip list '" + archive + "'");
    EXPECT_EQ(run.status, 0);
    std::istringstream lines(run.output);
    std::string header, photo, empty, notes;
    std::getline(lines, header);
    std::getline(lines, photo);
    std::getline(lines, empty);
    std::getline(lines, notes);
    EXPECT_EQ(header, "Name\tDate Stamp\tSize\t%\tPackSize");
    EXPECT_TRUE(photo.starts_with("Trip/IMG_0001.JPG\t01/15/09 15:30:58\t1000\t")) << photo;
    EXPECT_EQ(empty, "empty.txt\t\t\t\t");
    EXPECT_TRUE(notes.starts_with("notes.txt\t01/15/09 15:30:58\t2000\t")) << notes;
}

TEST_F(ZipTool, ExtractThenExtractAgain) {
    const fs::path out = folder / "out";
    fs::create_directory(out);
    ToolRun run = RunTool("zip extract '" + archive + "' '" + out.string() + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find((out / "Trip/IMG_0001.JPG").string() + "\n"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("3 file(s) unzipped.\n"), std::string::npos) << run.output;
    EXPECT_EQ(fs::file_size(out / "notes.txt"), 2000u);

    run = RunTool("zip extract '" + archive + "' '" + out.string() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "Trip/IMG_0001.JPG in " + archive + " exists; skipped.\n" +
                              "empty.txt in " + archive + " exists; skipped.\n" + "notes.txt in " +
                              archive + " exists; skipped.\n" + "0 file(s) unzipped.\n");
}

TEST_F(ZipTool, DamagedArchivesAndWrongArgumentsFail) {
    const std::string junk = Write("junk.zip", "not an archive at all, not even close");
    ToolRun run = RunTool("zip list '" + junk + "'", {}, true);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "zelvan-tool zip: The file is not a zip archive.\n");
    EXPECT_EQ(RunTool("zip").status, 2);
    EXPECT_EQ(RunTool("zip unpack '" + archive + "'").status, 2);
}

} // namespace
