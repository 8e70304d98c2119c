// Folder trees into albums and picture lists: the walk's records through the
// builder into data files the album loads, the names flushed between
// folders, and a listing stopped or started twice.

#include "album/AlbumBuilder.h"
#include "album/AlbumFiles.h"
#include "catalog/MediaExtensions.h"
#include "explorer/SlideListing.h"
#include "platform/ScriptedDialogs.h"

#include "TempFolderTest.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const fs::path& file) {
    std::istringstream in(zvtest::ReadText(file));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Calls a hook on every progress update (to stop, or to start a second walk).
struct HookedProgress : zv::Progress {
    std::function<void(HookedProgress&)> hook;
    int updates = 0;
    void Update() override {
        ++updates;
        if (hook) hook(*this);
    }
};

class AlbumBuilderTest : public zvtest::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        fs::create_directories(folder / "t");
        places = {folder / "home", folder / "home" / "data", "_1234ABCD0042"};
    }
    std::string Tree() const { return (folder / "t").string() + "/"; }

    zv::SlideListingResult List(zv::WalkTarget& target, zv::Progress& progress,
                                zv::WalkTexts texts = zv::WalkTexts::Dialog) {
        zv::WalkOptions options;
        options.extensions = zv::MediaExtensions;
        options.texts = texts;
        listing.volumeOf = [](const std::string&) { return std::string("DATA.1A2B3C4D"); };
        return listing.Run(Tree(), options, target, progress);
    }

    zv::AlbumBuildPlaces places;
    zv::DocumentFlags flags;
    zv::ScriptedDialogs dialogs;
    zv::SlideListing listing{flags, dialogs};
};

TEST_F(AlbumBuilderTest, TreeBecomesAnAlbumTheWindowLoads) {
    Write("t/a.jpg", "abc");
    fs::create_directories(folder / "t/.h");
    Write("t/.h/x.jpg", "xx");
    fs::create_directories(folder / "t/C");
    fs::create_directories(folder / "t/B");
    Write("t/B/c.PNG", "12345");
    Write("t/B/.y.jpg", "1234");
    Write("t/B/empty.jpg", "");
    Write("t/B/notes.txt", "text");
    fs::create_directory_symlink(folder / "t", folder / "t/B/loop");
    ::chmod((folder / "t/C").c_str(), 0);
    const bool root = ::geteuid() == 0; // reads any folder

    zv::AlbumBuilder builder(places);
    HookedProgress progress;
    const zv::SlideListingResult result = List(builder, progress);
    ::chmod((folder / "t/C").c_str(), 0755);
    ASSERT_EQ(result.outcome, zv::ListingOutcome::Done);
    EXPECT_EQ(result.walk.unreadable, root ? 0u : 1u);
    EXPECT_FALSE(flags.criticalProcess);
    EXPECT_EQ(result.file, builder.HeaderPath().string());
    EXPECT_EQ(builder.HeaderPath().filename(), "Zelvan 7.04_1234ABCD0042.avc");

    zv::SlideAlbum album;
    zv::AlbumFileOptions options;
    options.dataFolder = places.dataFolder;
    EXPECT_TRUE(zv::LoadAlbum(result.file, album, options).fromDataFiles);
    EXPECT_EQ(album.Folders(), (std::vector<std::string>{Tree(), Tree() + "B/", Tree() + "C/"}));
    EXPECT_EQ(album.Volumes(), std::vector<std::string>(3, "DATA.1A2B3C4D"));
    EXPECT_EQ(album.Names(), (std::vector<std::string>{"a", ".y", "c"}));
    EXPECT_EQ(album.Comments(), std::vector<std::string>{" "});
    struct Expected {
        int folder;
        const char* ext;
        int size;
    } expected[] = {{0, ".jpg", 3}, {1, ".jpg", 4}, {1, ".PNG", 5}};
    ASSERT_EQ(album.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const zv::SlideRecord& r = album.Slide(i);
        EXPECT_EQ(r.nameIndex, i);
        EXPECT_EQ(r.sequence, i);
        EXPECT_EQ(r.folderIndex, expected[i].folder);
        EXPECT_EQ(r.ext.View(), expected[i].ext);
        EXPECT_EQ(r.fileSize, expected[i].size);
        EXPECT_EQ(r.thumbState, 1);
        EXPECT_EQ(r.crc, -1);
        EXPECT_EQ(r.wait, 1);
        EXPECT_EQ(r.backColor, -2);
        EXPECT_EQ(r.gamma, 100);
        EXPECT_NE(r.fileDateTime, 0u);
    }
}

TEST_F(AlbumBuilderTest, NamesFileKeepsListingOrderAcrossTheFlush) {
    fs::create_directories(folder / "t/A/sub");
    for (int i = 0; i < 32'001; ++i) Write("t/A/p" + std::to_string(i) + ".jpg", "x");
    Write("t/A/sub/Z.jpg", "x");
    Write("t/A/sub/a.jpg", "x");
    zv::AlbumBuilder builder(places);
    HookedProgress progress;
    ASSERT_EQ(List(builder, progress).outcome, zv::ListingOutcome::Done);
    const std::vector<std::string> names = Lines(builder.DataFilePath(zv::kNamesFile));
    ASSERT_EQ(names.size(), 32'003u);
    EXPECT_EQ(names[2], "p10");
    EXPECT_EQ(names[32'000], "p9999");
    EXPECT_EQ(names[32'001], "a");
    EXPECT_EQ(names[32'002], "Z");
    EXPECT_EQ(fs::file_size(builder.DataFilePath(zv::kRecordsFile)), 32'003u * 136);
}

TEST_F(AlbumBuilderTest, StopLeavesNothingAndASecondListingIsRefused) {
    fs::create_directories(folder / "t/A");
    for (int i = 0; i < 3'000; ++i) Write("t/A/p" + std::to_string(i) + ".jpg", "x");
    zv::AlbumBuilder builder(places);
    zv::AlbumBuilder second(zv::AlbumBuildPlaces{places.appHome, places.dataFolder, "_2"});
    zv::SlideListingResult nested;
    HookedProgress progress;
    progress.hook = [&](HookedProgress& p) {
        if (p.updates == 1) {
            HookedProgress other;
            nested = List(second, other, zv::WalkTexts::ExplorerSlides);
        }
        if (p.updates == 4) p.RequestStop();
    };
    const zv::SlideListingResult result = List(builder, progress, zv::WalkTexts::ExplorerSlides);

    EXPECT_EQ(nested.outcome, zv::ListingOutcome::Refused);
    EXPECT_EQ(result.outcome, zv::ListingOutcome::Aborted);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "A critical process is being executed.\nCancel the process to proceed.");
    EXPECT_EQ(dialogs.boxes[0].kind, zv::BoxKind::Warning);
    EXPECT_EQ(dialogs.boxes[1].text, "Slide listing aborted.");
    EXPECT_FALSE(flags.criticalProcess);
    EXPECT_EQ(zvtest::FilesIn(places.dataFolder), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(builder.HeaderPath()));
    EXPECT_EQ(builder.SlideCount(), 0u);
}

TEST_F(AlbumBuilderTest, InstantListHoldsFullPathsAndItsFolders) {
    fs::create_directories(folder / "t/Sub");
    Write("t/Sub/b.JPG", "x");
    Write("t/a.mp3", "x");
    Write("t/notes.txt", "x");
    const auto paths = zv::InstantListPaths(places.dataFolder, places.workStem);
    zv::PictureListWriter writer(paths[0], paths[1]);
    HookedProgress progress;
    const zv::SlideListingResult result = List(writer, progress, zv::WalkTexts::ExplorerBookmarks);
    ASSERT_EQ(result.outcome, zv::ListingOutcome::Done);
    EXPECT_EQ(result.file, (places.dataFolder / "_1234ABCD0042.zvp").string());
    EXPECT_EQ(Lines(paths[0]), (std::vector<std::string>{Tree() + "a.mp3", Tree() + "Sub/b.JPG"}));
    EXPECT_EQ(Lines(paths[1]), (std::vector<std::string>{Tree(), Tree() + "Sub/"}));
}

} // namespace

namespace {

TEST_F(AlbumBuilderTest, ToolMakesAlbumsAndListsFromAFolder) {
    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL is not set";
    const std::string home = "ZELVAN_HOME='" + (folder / "home").string() + "'";
    fs::create_directories(folder / "t/B");
    Write("t/a.jpg", "abc");
    Write("t/B/c.PNG", "12345");
    Write("t/B/clip.mov", "12");
    const std::string avc = (folder / "made.avc").string(), zvp = (folder / "made.zvp").string();

    const zvtest::ToolRun made =
        zvtest::RunTool("album make '" + avc + "' '" + Tree() + "'", home, true);
    EXPECT_EQ(made.status, 0) << made.output;
    EXPECT_NE(made.output.find("2 folder(s), 2 file(s) listed"), std::string::npos);
    EXPECT_EQ(zvtest::RunTool("album list '" + avc + "'", home).output,
              "1\t" + Tree() + "a.jpg\t\n2\t" + Tree() + "B/c.PNG\t\n");
    // Only the saved album's five data files stay; the build's are gone.
    EXPECT_EQ(zvtest::FilesIn(folder / "home").size(), 6u);
    EXPECT_EQ(zvtest::FilesIn(folder / "home/data").size(), 5u);

    EXPECT_EQ(zvtest::RunTool("album make '" + zvp + "' '" + Tree() + "' --slides", home).status,
              0);
    EXPECT_EQ(Lines(zvp), (std::vector<std::string>{Tree() + "a.jpg", Tree() + "B/c.PNG",
                                                    Tree() + "B/clip.mov"}));
}

} // namespace
