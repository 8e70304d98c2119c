#include "explorer/FolderTree.h"
#include "platform/FileDate.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using namespace zv;

// Folders as a map from path to subfolder names; a folder absent from the map cannot be read.
class FakeSource : public FolderSource {
public:
    std::map<std::string, std::vector<std::string>> folders;
    std::map<std::string, std::time_t> times;
    mutable int reads = 0;

    std::optional<std::vector<SubfolderInfo>>
    ListSubfolders(const std::string& folder) const override {
        ++reads;
        const auto it = folders.find(folder);
        if (it == folders.end()) return std::nullopt;
        std::vector<SubfolderInfo> result;
        for (const std::string& name : it->second) {
            const std::string path = folder + name + "/";
            const auto sub = folders.find(path);
            const bool hasSub = sub != folders.end() &&
                                std::any_of(sub->second.begin(), sub->second.end(),
                                            [](const std::string& n) { return n[0] != '.'; });
            result.push_back({name, times.contains(path) ? times.at(path) : 0, hasSub});
        }
        return result;
    }
};

std::vector<std::string> Texts(const FolderNode& node) {
    std::vector<std::string> texts;
    for (const auto& child : node.Children()) texts.push_back(child->Text());
    return texts;
}

class FolderTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        source.folders = {
            {"/", {"home", "srv", "media"}},
            {"/home/ann/", {"b", "Photos", "a b", "10", ".config", "B", "_x"}},
            {"/home/ann/Photos/", {"2004"}},
            {"/home/ann/Photos/2004/", {}},
            {"/home/ann/.config/", {"zelvan"}},
            {"/home/ann/.config/zelvan/", {}},
        };
        tree.Init({{"/", "File System", kDriveFixed},
                   {"/home/ann/", "Home", kDriveFixed},
                   {"/media/cdrom/", "cdrom", kDriveOptical}});
    }
    FakeSource source;
    FolderTree tree{source};
};

TEST_F(FolderTreeTest, DrivesStartUnreadAndReadOnExpand) {
    ASSERT_EQ(tree.Roots().size(), 3u);
    FolderNode& home = *tree.Roots()[1];
    EXPECT_EQ(home.Text(), "Home");
    EXPECT_EQ(home.Data(), 1u);
    EXPECT_TRUE(home.IsUnread());
    EXPECT_EQ(home.Children()[0]->Text(), ".");

    EXPECT_EQ(tree.Expand(home), FolderTree::ExpandResult::Expanded);
    EXPECT_EQ(Texts(home), (std::vector<std::string>{"_x", "10", "a b", "b", "B", "Photos"}));
    const FolderNode& photos = *home.Children().back();
    EXPECT_TRUE(photos.IsUnread());
    EXPECT_TRUE(home.Children()[0]->Children().empty()); // no subfolders, no placeholder
    EXPECT_EQ(tree.NodePath(photos), "/home/ann/Photos/");
    EXPECT_EQ(tree.NodePath(*photos.Children()[0]), "");

    // An unreadable drive keeps its placeholder and refuses.
    FolderNode& cdrom = *tree.Roots()[2];
    EXPECT_EQ(tree.Expand(cdrom), FolderTree::ExpandResult::Refused);
    EXPECT_TRUE(cdrom.IsUnread());
}

TEST_F(FolderTreeTest, SelectPathExpandsComponentsAndReachesDotFolders) {
    FolderNode* node = tree.SelectPath("/home/ann/Photos/2004/");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(tree.NodePath(*node), "/home/ann/Photos/2004/");
    EXPECT_EQ(tree.Selected(), node);
    EXPECT_TRUE(node->Parent()->IsExpanded());

    // Exact case first, then a case-insensitive match.
    EXPECT_EQ(tree.NodePath(*tree.SelectPath("/home/ann/B/")), "/home/ann/B/");
    EXPECT_EQ(tree.NodePath(*tree.SelectPath("/home/ann/photos")), "/home/ann/Photos/");

    // A hidden folder is added when a path goes through it.
    node = tree.SelectPath("/home/ann/.config/zelvan/");
    EXPECT_EQ(tree.NodePath(*node), "/home/ann/.config/zelvan/");
    EXPECT_EQ(Texts(*tree.Roots()[1])[0], ".config");

    // A folder made after the read is found by reading again; a missing one
    // and a ".." component stop at the deepest node reached.
    source.folders["/home/ann/"].push_back("New");
    EXPECT_EQ(tree.NodePath(*tree.SelectPath("/home/ann/New/")), "/home/ann/New/");
    EXPECT_EQ(tree.NodePath(*tree.SelectPath("/home/ann/Gone/x/")), "/home/ann/");
    EXPECT_EQ(tree.NodePath(*tree.SelectPath("/home/ann/Photos/../b/")), "/home/ann/Photos/");
    EXPECT_EQ(tree.NodePath(*tree.SelectPath("/home/ann")), "/home/ann/");
    EXPECT_EQ(tree.SelectPath("relative/"), nullptr);
}

TEST_F(FolderTreeTest, CloseDrivesAndResetKeepSelectionValid) {
    tree.SelectPath("/home/ann/Photos/2004/");
    tree.SelectPath("/srv/");
    tree.CloseDrives(false, "/home/ann/Photos/");
    EXPECT_TRUE(tree.Roots()[0]->IsUnread());
    EXPECT_FALSE(tree.Roots()[1]->IsUnread());

    tree.SelectPath("/home/ann/Photos/2004/");
    tree.CloseDrives(true, "/home/ann/Photos/");
    EXPECT_TRUE(tree.Roots()[1]->IsUnread());
    EXPECT_EQ(tree.Selected(), tree.Roots()[1].get());
}

TEST_F(FolderTreeTest, ArrangeFirstSiblingAndLocate) {
    source.folders["/"] = {"Ann Smith", "bob jones", "Carl Adams", "Dora"};
    source.times = {{"/Ann Smith/", 1'100'000'000},
                    {"/bob jones/", 1'000'000'000},
                    {"/Carl Adams/", 1'200'000'000},
                    {"/Dora/", 1'050'000'000}};
    FolderNode& root = *tree.Roots()[0];
    tree.Expand(root);
    const FolderNode& any = *root.Children()[2];
    using Names = std::vector<std::string>;

    tree.ArrangeBy(any, TreeSort::NameDescending);
    EXPECT_EQ(Texts(root), (Names{"Dora", "Carl Adams", "bob jones", "Ann Smith"}));
    tree.ArrangeBy(any, TreeSort::DateAscending);
    EXPECT_EQ(Texts(root), (Names{"bob jones", "Dora", "Ann Smith", "Carl Adams"}));
    EXPECT_EQ(root.Children()[0]->Data(), PackDosDateTimeOf(1'000'000'000));
    tree.ArrangeBy(any, TreeSort::DateDescending);
    EXPECT_EQ(Texts(root), (Names{"Carl Adams", "Ann Smith", "Dora", "bob jones"}));
    tree.ArrangeBy(any, TreeSort::Family);
    EXPECT_EQ(Texts(root), (Names{"Carl Adams", "Dora", "bob jones", "Ann Smith"}));
    tree.ArrangeBy(any, TreeSort::NameAscending);
    EXPECT_EQ(Texts(root), (Names{"Ann Smith", "bob jones", "Carl Adams", "Dora"}));
    EXPECT_EQ(tree.FirstSibling(any)->Text(), "Ann Smith");
    EXPECT_EQ(tree.FirstSibling(root)->Text(), "File System");
    EXPECT_EQ(tree.IndexOf(any), 2);

    EXPECT_EQ(tree.Locate(any, "jon", false)->Text(), "bob jones");
    EXPECT_EQ(tree.Locate(any, "jon", true), nullptr); // cut to "BOB " first
    EXPECT_EQ(tree.Locate(any, "bob", true)->Text(), "bob jones");
    EXPECT_EQ(tree.Locate(any, "dora", true)->Text(), "Dora");
    EXPECT_EQ(tree.Locate(any, "zed", false), nullptr);
    EXPECT_EQ(tree.Locate(any, "", false), nullptr);
    EXPECT_EQ(LocatePrompt(true), "e.g., \"MyWeb\" to find \"MyWebDownloads\"");
}

TEST(FolderNameOrder, PunctuationDigitsLettersLowerCaseFirst) {
    std::vector<std::string> names = {"b", "B", "a", "A1", "A", "1", " x", "é", "Ab", "aB"};
    std::sort(names.begin(), names.end(), FolderNameLess);
    EXPECT_EQ(names,
              (std::vector<std::string>{" x", "1", "a", "A", "A1", "aB", "Ab", "b", "B", "é"}));
}

using DiskTree = zvtest::TempFolderTest;

TEST_F(DiskTree, ReadsRealFoldersAndLinks) {
    std::filesystem::create_directories(folder / "Pictures" / "2004");
    std::filesystem::create_directories(folder / "Empty" / ".hidden");
    std::filesystem::create_directory_symlink(folder / "Pictures", folder / "Link");
    Write("file.jpg", "x");
    DiskFolderSource disk;
    auto listing = disk.ListSubfolders(folder.string() + "/");
    ASSERT_TRUE(listing);
    std::sort(listing->begin(), listing->end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    ASSERT_EQ(listing->size(), 3u);
    EXPECT_EQ((*listing)[0].name, "Empty");
    EXPECT_FALSE((*listing)[0].hasSubfolders); // only a hidden one
    EXPECT_EQ((*listing)[1].name, "Link");
    EXPECT_TRUE((*listing)[1].hasSubfolders);
    EXPECT_TRUE((*listing)[2].hasSubfolders);
    EXPECT_GT((*listing)[2].lastWrite, 0);
    EXPECT_FALSE(disk.ListSubfolders(folder.string() + "/missing/"));
}

} // namespace
