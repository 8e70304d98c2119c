#include "explorer/FolderHistory.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace zv;

using Kind = FolderHistoryStep::Kind;

FolderHistory::ExistsFn AllExcept(std::set<std::string> gone) {
    return [gone](const std::string& folder) { return !gone.contains(folder); };
}

TEST(FolderHistory, RecordsVisitsExactlyAndKeepsTheNewest256) {
    FolderHistory history;
    history.Update("/a/");
    history.Update("/a/");
    history.Update("/A/");
    EXPECT_EQ(history.Entries(), (std::vector<std::string>{"/a/", "/A/"}));
    EXPECT_EQ(history.Position(), 1u);

    for (int i = 0; i < 300; ++i) history.Update("/f" + std::to_string(i) + "/");
    ASSERT_EQ(history.Entries().size(), kMaxHistoryEntries);
    EXPECT_EQ(history.Entries().front(), "/f44/");
    EXPECT_EQ(history.Position(), 255u);
    history.Update("/f299/"); // a repeat costs nothing
    EXPECT_EQ(history.Entries().front(), "/f44/");
}

TEST(FolderHistory, BackAndForwardWrapAround) {
    FolderHistory history;
    const auto all = AllExcept({});
    history.Update("/a/");
    EXPECT_EQ(history.Back(all).kind, Kind::None);
    history.Update("/b/");
    history.Update("/c/");
    EXPECT_EQ(history.Back(all), (FolderHistoryStep{Kind::Show, "/b/"}));
    EXPECT_EQ(history.Back(all), (FolderHistoryStep{Kind::Show, "/a/"}));
    EXPECT_EQ(history.Back(all), (FolderHistoryStep{Kind::Show, "/c/"}));
    EXPECT_EQ(history.Forward(all), (FolderHistoryStep{Kind::Show, "/a/"}));
    EXPECT_EQ(history.Position(), 0u);
}

TEST(FolderHistory, VanishedEntriesAreDeletedWhenReached) {
    FolderHistory history;
    for (const char* f : {"/a/", "/b/", "/c/", "/d/"}) history.Update(f);
    // From /d/ back to /c/, which is gone: the entry now there is /d/.
    EXPECT_EQ(history.Back(AllExcept({"/c/"})), (FolderHistoryStep{Kind::Show, "/d/"}));
    EXPECT_EQ(history.Entries(), (std::vector<std::string>{"/a/", "/b/", "/d/"}));
    // Forward from /d/ wraps to /a/; it and /b/ after it are gone.
    EXPECT_EQ(history.Forward(AllExcept({"/a/", "/b/"})).kind, Kind::ShowProgramDrive);
    EXPECT_EQ(history.Entries(), (std::vector<std::string>{"/b/", "/d/"}));
    EXPECT_LT(history.Position(), history.Entries().size());
    // The last entry vanishes: nothing follows it at that position.
    history.SetPosition(0);
    EXPECT_EQ(history.Forward(AllExcept({"/d/"})).kind, Kind::ShowProgramDrive);
    EXPECT_EQ(history.Entries(), (std::vector<std::string>{"/b/"}));
    EXPECT_EQ(history.Position(), 0u);
}

using FolderHistoryFile = zvtest::TempFolderTest;

TEST_F(FolderHistoryFile, SavesAndLoadsOnePathPerLine) {
    FolderHistory history;
    for (const char* f : {"/Photos/", "/home/ann/.config/", "/x/\nevil/", "/a b/"})
        history.Update(f);
    const auto file = folder / kHistoryFileName;
    history.Save(file);
    EXPECT_EQ(zvtest::ReadText(file), "/Photos/\n/home/ann/.config/\n/a b/\n");

    Write(kHistoryFileName, "/one\r\n\r\n/Two/\n");
    FolderHistory loaded;
    loaded.Load(file);
    EXPECT_EQ(loaded.Entries(), (std::vector<std::string>{"/one/", "/Two/"}));
    EXPECT_EQ(loaded.Position(), 1u);

    std::string many;
    for (int i = 0; i < 300; ++i) many += "/f" + std::to_string(i) + "/\n";
    Write(kHistoryFileName, many);
    loaded.Load(file);
    EXPECT_EQ(loaded.Entries().size(), kMaxHistoryEntries);
    EXPECT_EQ(loaded.Entries().front(), "/f44/");

    loaded.Load(folder / "missing.txt");
    EXPECT_TRUE(loaded.Empty());
    loaded.Update("/a/");
    loaded.Load(folder); // a folder cannot be read as the file
    EXPECT_TRUE(loaded.Empty());
}

TEST_F(FolderHistoryFile, SaveReplacesTheFileOrThrows) {
    const std::string file = Write(kHistoryFileName, "/old/\n");
    FolderHistory history;
    history.Update("/new/");
    EXPECT_THROW(history.Save(folder / "no" / "such" / kHistoryFileName), std::exception);
    history.Save(file);
    EXPECT_EQ(zvtest::ReadText(file), "/new/\n");
}

} // namespace
