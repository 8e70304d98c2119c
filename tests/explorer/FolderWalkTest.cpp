#include "explorer/FolderWalk.h"

#include "TempFolderTest.h"
#include "catalog/MediaExtensions.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Collected : zv::WalkSink {
    std::vector<std::string> folders;
    std::vector<zv::WalkFile> files;
    std::vector<std::size_t> done;
    void Folders(const std::vector<zv::WalkFolder>& list) override {
        for (const auto& folder : list) folders.push_back(folder.path);
    }
    void File(const zv::WalkFile& file) override { files.push_back(file); }
    void FolderDone(std::size_t index) override { done.push_back(index); }
};

// Records every text; asks to stop at the given Update call.
struct ScriptedProgress : zv::Progress {
    std::vector<std::string> texts;
    int stopAt = -1;
    int updates = 0;
    void Update() override {
        if (texts.empty() || texts.back() != Text()) texts.push_back(Text());
        if (++updates == stopAt) RequestStop();
    }
};

class FolderWalkTest : public zvtest::TempFolderTest {
protected:
    std::string Root() const { return folder.string() + "/"; }

    zv::WalkResult Walk(Collected& sink, zv::Progress& progress,
                        std::string_view extensions = zv::MediaExtensions) {
        zv::WalkOptions options;
        options.extensions = extensions;
        return zv::WalkFolders(folder.string(), options, sink, progress);
    }
};

// a.jpg (3 bytes), .h/x.jpg, an unreadable C/, and B/ with c.PNG (5),
// .y.jpg (4), empty.jpg (0), notes.txt and a link back to the top.
TEST_F(FolderWalkTest, ListsTheTreeInTheTreesOrderAndSkipsWhatTheTreeHides) {
    Write("a.jpg", "abc");
    fs::create_directories(folder / ".h");
    Write(".h/x.jpg", "xx");
    fs::create_directories(folder / "C");
    Write("C/hidden.jpg", "zz");
    fs::create_directories(folder / "B");
    Write("B/c.PNG", "12345");
    Write("B/.y.jpg", "1234");
    Write("B/empty.jpg", "");
    Write("B/notes.txt", "text");
    Write("B/line\nbreak.jpg", "12");
    fs::create_directory_symlink(folder, folder / "B" / "loop");
    fs::create_symlink(folder / "a.jpg", folder / "B" / "link.jpg");
    fs::create_symlink(folder / "gone.jpg", folder / "B" / "broken.jpg");
    ::chmod((folder / "C").c_str(), 0);
    const bool root = ::geteuid() == 0; // root reads any folder

    Collected sink;
    ScriptedProgress progress;
    const zv::WalkResult result = Walk(sink, progress);
    ::chmod((folder / "C").c_str(), 0755);

    EXPECT_EQ(sink.folders, (std::vector<std::string>{Root(), Root() + "B/", Root() + "C/"}));
    EXPECT_EQ(result.unreadable, root ? 0u : 1u);
    EXPECT_EQ(result.lineBreakNames, 1u);
    EXPECT_FALSE(result.stopped);
    struct Expected {
        std::size_t folder;
        const char* name;
        const char* ext;
        std::uint64_t size;
    };
    std::vector<Expected> expected = {
        {0, "a", ".jpg", 3}, {1, ".y", ".jpg", 4}, {1, "c", ".PNG", 5}, {1, "link", ".jpg", 3}};
    if (root) expected.push_back({2, "hidden", ".jpg", 2});
    ASSERT_EQ(sink.files.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sink.files[i].folderIndex, expected[i].folder);
        EXPECT_EQ(sink.files[i].name, expected[i].name);
        EXPECT_EQ(sink.files[i].ext, expected[i].ext);
        EXPECT_EQ(sink.files[i].size, expected[i].size);
        EXPECT_NE(sink.files[i].dosDateTime, 0u);
    }
    EXPECT_EQ(sink.done, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(progress.texts.front(), "Finding parent folders ...");
    EXPECT_EQ(progress.texts[1], "2 parent folders found; finding sub-folders ...");
    EXPECT_EQ(progress.texts[2], "Total folders found: 3");
    EXPECT_EQ(progress.texts.back(), std::to_string(expected.size()) + " slides added.  ");
}

TEST_F(FolderWalkTest, FilesComeInNameOrderAndFoldersDepthFirst) {
    // 32,001 pictures in the first folder, then two in a folder below it.
    fs::create_directories(folder / "A" / "sub");
    for (int i = 0; i < 32'001; ++i) Write("A/p" + std::to_string(i) + ".jpg", "x");
    Write("A/sub/Z.jpg", "x");
    Write("A/sub/a.jpg", "x");
    fs::create_directories(folder / "b");
    Collected sink;
    zv::Progress progress;
    const zv::WalkResult result = Walk(sink, progress);

    EXPECT_EQ(sink.folders,
              (std::vector<std::string>{Root(), Root() + "A/", Root() + "A/sub/", Root() + "b/"}));
    ASSERT_EQ(result.files, 32'003u);
    EXPECT_EQ(sink.files[0].name, "p0");
    EXPECT_EQ(sink.files[1].name, "p1");
    EXPECT_EQ(sink.files[2].name, "p10"); // name order, not the folder's own
    EXPECT_EQ(sink.files[32'001].name, "a");
    EXPECT_EQ(sink.files[32'002].name, "Z");
    EXPECT_EQ(sink.files[32'002].folderIndex, 2u);
}

TEST_F(FolderWalkTest, StopEndsTheWalkWithinAThousandFiles) {
    fs::create_directories(folder / "A");
    for (int i = 0; i < 5'000; ++i) Write("A/p" + std::to_string(i) + ".jpg", "x");
    Collected sink;
    ScriptedProgress progress;
    progress.stopAt = 4; // during the file pass of A
    const zv::WalkResult result = Walk(sink, progress);
    EXPECT_TRUE(result.stopped);
    EXPECT_LT(sink.files.size(), 5'000u);
}

TEST_F(FolderWalkTest, StopWhileCollectingYieldsNothing) {
    fs::create_directories(folder / "A");
    Collected sink;
    ScriptedProgress progress;
    progress.stopAt = 1;
    EXPECT_TRUE(Walk(sink, progress).stopped);
    EXPECT_TRUE(sink.folders.empty());
}

TEST_F(FolderWalkTest, ExplorerTextsAndTheCacheFolderLeftOut) {
    fs::create_directories(folder / "cache" / "data");
    Write("cache/data/t.jpg", "x");
    Write("slides.MOV", "x");
    Collected sink;
    ScriptedProgress progress;
    zv::WalkOptions options;
    options.extensions = zv::SlideExtensions;
    options.texts = zv::WalkTexts::ExplorerSlides;
    options.skipRoot = Root() + "cache/";
    zv::WalkFolders(Root(), options, sink, progress);
    EXPECT_EQ(sink.folders, std::vector<std::string>{Root()});
    ASSERT_EQ(sink.files.size(), 1u);
    EXPECT_EQ(sink.files[0].ext, ".MOV");
    EXPECT_EQ(progress.texts.front(), "Populating Slides: Listing available folders...");
    EXPECT_EQ(progress.texts[1], "Populating Slides: Listing 1 folders ...");
}

TEST(WalkProgressText, RateAppearsAfterOnePointTwoSeconds) {
    EXPECT_EQ(zv::WalkProgressText(5, 100, 1200), "5 slides added.  ");
    EXPECT_EQ(zv::WalkProgressText(5, 100, 1201), "5 slides added.    Files scanned: 100 ... "
                                                  "Files/min: 5000");
    // 64-bit rates: 5e9 files in 60 s.
    EXPECT_EQ(zv::WalkProgressText(0, 5'000'000'000, 60'000),
              "0 slides added.    Files scanned: 5000000000 ... Files/min: 5000000000");
}

TEST(FolderVolumes, LooksUpEachDeviceOnce) {
    int lookups = 0;
    const auto volumes =
        zv::FolderVolumes({{"/a/", 1}, {"/a/b/", 1}, {"/m/", 2}}, [&](const std::string& folder) {
            ++lookups;
            return "V" + folder;
        });
    EXPECT_EQ(volumes, (std::vector<std::string>{"V/a/", "V/a/", "V/m/"}));
    EXPECT_EQ(lookups, 2);
}

} // namespace
