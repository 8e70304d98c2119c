#include "viewer/ViewerHistory.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

namespace {

using namespace zv;
namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

ViewerHistory Opened(const Paths& paths) {
    ViewerHistory history;
    for (const std::string& path : paths) history.UpdateHistory(path);
    return history;
}

class PictureListFile : public zvtest::TempFolderTest {
protected:
    static std::string Read(const std::string& path) { return zvtest::ReadText(path); }
};

TEST(ViewerHistory, OpeningInsertsAtTheCurrentPosition) {
    ViewerHistory history = Opened({"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"});
    EXPECT_EQ(history.Entries(), (Paths{"/p/c.jpg", "/p/b.jpg", "/p/a.jpg"}));
    EXPECT_EQ(history.HistoryIndex(), 0);
    EXPECT_EQ(history.Current(), "/p/c.jpg");

    history.SetIndex(1);
    history.UpdateHistory("/p/d.jpg");
    EXPECT_EQ(history.Entries(), (Paths{"/p/c.jpg", "/p/b.jpg", "/p/d.jpg", "/p/a.jpg"}));
    EXPECT_EQ(history.HistoryIndex(), 2);
    EXPECT_EQ(history.Current(), "/p/d.jpg");

    // Reopening the current picture adds nothing; an untitled picture neither.
    history.UpdateHistory("/p/d.jpg");
    history.UpdateHistory("");
    EXPECT_EQ(history.Count(), 4);
    EXPECT_EQ(history.HistoryIndex(), 2);
}

TEST(ViewerHistory, PathsDifferingOnlyInCaseAreDifferentEntries) {
    ViewerHistory history = Opened({"/p/Photo.JPG", "/p/photo.jpg"});
    EXPECT_EQ(history.Entries(), (Paths{"/p/photo.jpg", "/p/Photo.JPG"}));
}

TEST(ViewerHistory, RemoveCurrentSelectsThePreviousEntry) {
    ViewerHistory history = Opened({"/a", "/b", "/c"}); // c b a
    history.SetIndex(2);
    EXPECT_EQ(history.RemoveCurrent(), std::optional<std::string>("/b"));
    EXPECT_EQ(history.HistoryIndex(), 1);
    history.SetIndex(0);
    EXPECT_EQ(history.RemoveCurrent(), std::optional<std::string>("/b"));
    EXPECT_EQ(history.RemoveCurrent(), std::nullopt);
    EXPECT_EQ(history.Count(), 0);
    EXPECT_EQ(history.HistoryIndex(), 0);
    EXPECT_EQ(history.Current(), "");
    EXPECT_EQ(history.RemoveCurrent(), std::nullopt);
}

TEST(ViewerHistory, MovesKeepTheShownPictureCurrent) {
    ViewerHistory history = Opened({"/a", "/b", "/c"}); // c b a
    history.SetIndex(2);
    history.MoveDown(); // last swaps with the first
    EXPECT_EQ(history.Entries(), (Paths{"/a", "/b", "/c"}));
    EXPECT_EQ(history.HistoryIndex(), 0);
    EXPECT_EQ(history.Current(), "/a");

    history.MoveDown();
    EXPECT_EQ(history.Entries(), (Paths{"/b", "/a", "/c"}));
    EXPECT_EQ(history.Current(), "/a");
    history.MoveUp();
    EXPECT_EQ(history.Entries(), (Paths{"/a", "/b", "/c"}));
    EXPECT_EQ(history.Current(), "/a");
    history.MoveUp(); // at the top: changes places with the second
    EXPECT_EQ(history.Entries(), (Paths{"/b", "/a", "/c"}));
    EXPECT_EQ(history.Current(), "/a");

    ViewerHistory single = Opened({"/only"});
    single.MoveUp();
    single.MoveDown();
    EXPECT_EQ(single.Entries(), (Paths{"/only"}));
    EXPECT_EQ(single.HistoryIndex(), 0);
    ViewerHistory empty;
    empty.MoveUp();
    empty.MoveDown();
    EXPECT_EQ(empty.Count(), 0);
}

TEST(ViewerHistory, SortOrdersIgnoringCaseAndDropsMissingFiles) {
    ViewerHistory history = Opened({"/p/b.jpg", "/p/gone.jpg", "/p/C.jpg", "/p/A.jpg"});
    history.SetIndex(2);
    const std::set<std::string> existing = {"/p/A.jpg", "/p/b.jpg", "/p/C.jpg"};
    history.Sort([&](const std::string& path) { return existing.count(path) > 0; });
    EXPECT_EQ(history.Entries(), (Paths{"/p/A.jpg", "/p/b.jpg", "/p/C.jpg"}));
    EXPECT_EQ(history.HistoryIndex(), 0);

    history.Sort([](const std::string&) { return false; });
    EXPECT_EQ(history.Count(), 0);
    EXPECT_EQ(history.HistoryIndex(), 0);
}

TEST(ViewerHistory, SteppingPositionsWrapAndChangeNothing) {
    ViewerHistory history = Opened({"/a", "/b", "/c"});
    EXPECT_EQ(history.PreviousIndex(), 2);
    EXPECT_EQ(history.NextIndex(), 1);
    EXPECT_EQ(history.HistoryIndex(), 0);
    history.SetIndex(history.LastIndex());
    EXPECT_EQ(history.HistoryIndex(), 2);
    EXPECT_EQ(history.NextIndex(), 0);
    EXPECT_EQ(history.PreviousIndex(), 1);
    EXPECT_EQ(history.FirstIndex(), 0);
    history.SetIndex(99);
    EXPECT_EQ(history.HistoryIndex(), 2);
    history.SetIndex(-5);
    EXPECT_EQ(history.HistoryIndex(), 0);

    ViewerHistory single = Opened({"/only"});
    EXPECT_EQ(single.NextIndex(), 0);
    EXPECT_EQ(single.PreviousIndex(), 0);
    EXPECT_EQ(single.LastIndex(), 0);
}

TEST_F(PictureListFile, SaveWritesCrLfLinesAndLoadsBack) {
    ViewerHistory history = Opened({"/p/a b.jpg", "/p/Ünï.png", "/p/C.JPG"});
    const std::string path = (folder / "list.zvp").string();
    ASSERT_TRUE(history.SavePictureList(path));
    EXPECT_EQ(Read(path), "/p/C.JPG\r\n/p/Ünï.png\r\n/p/a b.jpg\r\n");

    ViewerHistory loaded = Opened({"/old"});
    ASSERT_TRUE(loaded.LoadPictureList(path));
    EXPECT_EQ(loaded.Entries(), history.Entries());
    EXPECT_EQ(loaded.HistoryIndex(), 0);
}

TEST_F(PictureListFile, LoadAcceptsMixedLineEndsAndSkipsBlankLines) {
    const std::string path =
        Write("mixed.zvp", "\r\n/p/one.jpg\r\n\n/p/two\xE9.jpg\n\r\n/p/three.jpg");
    ViewerHistory history;
    ASSERT_TRUE(history.LoadPictureList(path));
    EXPECT_EQ(history.Entries(), (Paths{"/p/one.jpg", "/p/two\xE9.jpg", "/p/three.jpg"}));
}

TEST_F(PictureListFile, FailedLoadLeavesTheHistoryAsItWas) {
    ViewerHistory history = Opened({"/a", "/b", "/c"});
    history.SetIndex(1);
    EXPECT_FALSE(history.LoadPictureList((folder / "missing.zvp").string()));
    EXPECT_FALSE(history.LoadPictureList(folder.string())); // a folder is no list
    EXPECT_EQ(history.Entries(), (Paths{"/c", "/b", "/a"}));
    EXPECT_EQ(history.HistoryIndex(), 1);
    EXPECT_STREQ(kLoadBookmarksFailedText, "Could not load bookmarks.");
}

TEST_F(PictureListFile, FailedSaveIsReportedAndKeepsTheOldFile) {
    ViewerHistory history = Opened({"/a"});
    EXPECT_FALSE(history.SavePictureList((folder / "no" / "such" / "list.zvp").string()));
    const std::string path = Write("list.zvp", "/kept\r\n");
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const bool saved = history.SavePictureList(path);
    fs::permissions(folder, fs::perms::owner_all);
    if (::geteuid() != 0) { // root may write anywhere
        EXPECT_FALSE(saved);
        EXPECT_EQ(Read(path), "/kept\r\n");
    }
}

TEST_F(PictureListFile, LargeListLoadsAndStepsQuickly) {
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "/pictures/set/img" + std::to_string(i) + ".jpg\r\n";
    const std::string path = Write("big.zvp", text);

    ViewerHistory history;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(history.LoadPictureList(path));
    for (int i = 0; i < 200000; ++i) history.SetIndex(history.NextIndex());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(history.Count(), 200000);
    EXPECT_EQ(history.HistoryIndex(), 0); // wrapped once all the way round
    EXPECT_EQ(history.Entry(199999), "/pictures/set/img199999.jpg");
    EXPECT_LT(elapsed, std::chrono::seconds(2));
}

} // namespace
