// The explorer's document without a window: moving between folders and the
// drives view, the history, sorting, the selection commands, opening by
// kind, comments, and the rules the menus are enabled and checked by.

#include "explorer/ExplorerDocument.h"
#include "TempFolderTest.h"
#include "explorer/ExplorerActions.h"
#include "explorer/FolderPaths.h"
#include "platform/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>

namespace {

using namespace zv;
namespace fs = std::filesystem;

// Records what the document asks of its window.
class RecordingView : public ExplorerView {
public:
    std::vector<std::string> events;
    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> viewer, zips, shell;
    bool shellTakes = false;

    void ListChanging(ListChange) override { events.push_back("changing"); }
    void ListChanged(ListChange) override { events.push_back("changed"); }
    void FolderChanged() override { events.push_back("folder"); }
    void ShownStyleChanged() override { events.push_back("style"); }
    void TreeChanged() override {}
    void DrivesChanged() override { events.push_back("drives"); }
    void SelectionChanged() override { events.push_back("selection"); }
    void RowChanged(int) override { events.push_back("row"); }
    std::optional<std::string> AskText(const std::string&, const std::string&,
                                       const std::string& initial) override {
        events.push_back("ask:" + initial);
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void OpenInViewer(const std::vector<std::string>& paths) override {
        viewer.insert(viewer.end(), paths.begin(), paths.end());
    }
    void OpenZip(const std::string& path) override { zips.push_back(path); }
    void OpenBatchScript(const std::string& path) override { viewer.push_back("bip:" + path); }
    void OpenAlbum(const std::string& path) override { viewer.push_back("avl:" + path); }
    bool ShellOpen(const std::string& path) override {
        shell.push_back(path);
        return shellTakes;
    }
};

class ExplorerDocumentTest : public zvtest::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        root = folder.string() + "/";
        fs::create_directories(root + "a/b");
        fs::create_directories(root + "home");
        for (const auto& [name, bytes] :
             std::vector<std::pair<std::string, std::string>>{{"Beach 01.bmp", "BM1"},
                                                              {"Rome 01.jpg", "JPEG-bigger"},
                                                              {"Paris 02.png", "PNG-big"},
                                                              {"archive.zip", "PK"},
                                                              {"notes.txt", "n"},
                                                              {"run.bip", "BIP"}}) {
            Write(name, bytes);
            // Files written in the last two seconds are not listed yet.
            fs::last_write_time(root + name,
                                fs::file_time_type::clock::now() - std::chrono::hours(1));
        }
        settings = DefaultExplorerSettings(1024, 768);
        document.emplace(ExplorerDocumentServices{settings,
                                                  root + "home",
                                                  dialogs,
                                                  {},
                                                  [this] {
                                                      return std::vector<KnownDrive>{
                                                          {"/", "File System", kDriveFixed},
                                                          {root, "Pictures", kDriveFixed}};
                                                  }},
                         view);
    }
    void TearDown() override {
        document.reset();
        TempFolderTest::TearDown();
    }

    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (int row = 0; row < document->RowCount(); ++row)
            names.push_back(document->RowRecord(row)->Name);
        return names;
    }
    int Row(const std::string& name) {
        const auto names = Names();
        return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
    }
    std::vector<std::string> SelectedNames() {
        std::vector<std::string> names;
        for (int row : document->Selection()) names.push_back(document->RowRecord(row)->Name);
        return names;
    }
    void Select(const std::vector<std::string>& names) {
        RowSelection rows;
        for (const auto& name : names) rows.push_back(Row(name));
        document->SetSelection(rows, rows.empty() ? -1 : rows.front());
    }

    std::string root;
    ExplorerSettings settings;
    ScriptedDialogs dialogs;
    RecordingView view;
    std::optional<ExplorerDocument> document;
};

TEST_F(ExplorerDocumentTest, MovesBetweenFoldersAndKeepsTheHistory) {
    document->GoTo(root + "a/b"); // the "/" is added
    EXPECT_EQ(document->CurrentFolder(), root + "a/b/");
    document->UpOneLevel();
    document->UpOneLevel();
    EXPECT_EQ(document->CurrentFolder(), root);
    EXPECT_FALSE(document->UpEnabled()); // a drive root
    document->GoBack();
    EXPECT_EQ(document->CurrentFolder(), root + "a/");
    document->GoForward();
    EXPECT_EQ(document->CurrentFolder(), root);
    EXPECT_EQ(document->History().Entries(),
              (std::vector<std::string>{root + "a/b/", root + "a/", root}));
    EXPECT_EQ(document->Caption(), "Zelvan 7.04 .. " + root.substr(0, root.size() - 1));

    // A folder that cannot be shown: a warning, then the program's drive.
    document->GoTo(root + "missing");
    EXPECT_EQ(dialogs.LastText(), std::string(kCannotAccessText) + "\n\n" + root + "missing");
    EXPECT_EQ(document->CurrentFolder(), root);

    // Go to: a folder chosen that cannot be listed leaves the explorer where it is.
    document->GoTo(root + "a");
    dialogs.folderResults = {root + "gone", std::nullopt};
    document->GoToFolder();
    document->GoToFolder();
    EXPECT_EQ(document->CurrentFolder(), root + "a/");

    // The history is stored with the document and read by the next one.
    document.reset();
    ExplorerDocument again({settings, root + "home", dialogs, {}, {}}, view);
    EXPECT_EQ(again.History().Entries().back(), root + "a/");
}

TEST_F(ExplorerDocumentTest, TheDrivesViewListsDrivesAndOpensThem) {
    document->EnterDrivesView();
    EXPECT_TRUE(document->InDrivesView());
    EXPECT_EQ(Names(), (std::vector<std::string>{"File System", "Pictures"}));
    EXPECT_EQ(document->Status().panel1, "My Computer");
    EXPECT_FALSE(document->SetViewStyle(ExplorerViewStyle::Thumbnails));
    EXPECT_FALSE(ExplorerRuleHolds(*document, kExNotDrivesView, 0));
    EXPECT_EQ(document->ShownStyle(), ExplorerViewStyle::LargeIcons);
    EXPECT_FALSE(document->CommentEnabled());

    view.events.clear();
    document->SetSelection({1}, 1);
    document->OpenSelection();
    EXPECT_EQ(document->CurrentFolder(), root);
    // Leaving the drives view changes the style shown before the new list.
    EXPECT_EQ(view.events, (std::vector<std::string>{"style", "folder", "changing", "changed"}));
    EXPECT_TRUE(document->SetViewStyle(ExplorerViewStyle::Thumbnails));
    EXPECT_EQ(settings.viewStyle, ExplorerViewStyle::Thumbnails);
}

TEST_F(ExplorerDocumentTest, ListsSortsAndAnswersHeaderClicks) {
    document->GoTo(root);
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"a", "home", "archive.zip", "Beach 01.bmp", "notes.txt",
                                        "Paris 02.png", "Rome 01.jpg", "run.bip"}));
    const auto biggest = [this] { return Row("Rome 01.jpg") < Row("notes.txt"); };
    Select({"notes.txt"});
    document->Sort(SortKind::SizeDescending);
    EXPECT_TRUE(document->Selection().empty()); // a new order drops the selection
    EXPECT_TRUE(biggest());
    document->HeaderClicked(1); // Size, in the remembered direction, then flipped
    EXPECT_TRUE(biggest());
    document->HeaderClicked(1);
    EXPECT_FALSE(biggest());
    document->HeaderClicked(3); // Type/Dimensions does not sort
    document->HeaderClicked(99);
    EXPECT_FALSE(biggest());
}

TEST_F(ExplorerDocumentTest, SelectionCommands) {
    document->GoTo(root);
    struct Case {
        void (ExplorerDocument::*command)();
        std::vector<std::string> before, after;
    };
    const std::vector<Case> cases = {
        {&ExplorerDocument::SelectAllFiles,
         {"a"},
         {"archive.zip", "Beach 01.bmp", "notes.txt", "Paris 02.png", "Rome 01.jpg", "run.bip"}},
        {&ExplorerDocument::SelectAllImages, {}, {"Beach 01.bmp", "Paris 02.png", "Rome 01.jpg"}},
        {&ExplorerDocument::InvertSelection,
         {"a", "archive.zip", "Beach 01.bmp", "home", "notes.txt"},
         {"Paris 02.png", "Rome 01.jpg", "run.bip"}},
    };
    for (const Case& c : cases) {
        Select(c.before);
        (document.value().*c.command)();
        EXPECT_EQ(SelectedNames(), c.after);
        EXPECT_EQ(document->FocusedRow(), Row(c.after.front()));
    }
    document->SelectAll();
    EXPECT_EQ(document->Selection().size(), 8u);

    view.answers = {std::string("ROME"), std::string("zzz")};
    document->FindFilename();
    EXPECT_EQ(SelectedNames(), std::vector<std::string>{"Rome 01.jpg"});
    document->FindFilename(); // the last text is offered again
    EXPECT_EQ(view.events.back(), "selection");
    EXPECT_TRUE(document->Selection().empty());
    EXPECT_EQ(dialogs.LastText(), "No match found for\nzzz");

    document->TypeAhead('r'); // joins the selection and takes the focus
    document->TypeAhead('r');
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"Rome 01.jpg", "run.bip"}));
    EXPECT_EQ(document->FocusedRow(), Row("run.bip"));
}

TEST_F(ExplorerDocumentTest, OpeningHandsFilesOnByKind) {
    document->GoTo(root);
    Select({"Paris 02.png", "Rome 01.jpg", "archive.zip", "notes.txt", "run.bip"});
    document->OpenSelection();
    EXPECT_EQ(view.viewer, (std::vector<std::string>{root + "Paris 02.png", root + "Rome 01.jpg"}));
    EXPECT_EQ(view.zips, std::vector<std::string>{root + "archive.zip"});
    // Among several files a script goes to the shell, but the first file no
    // application takes stops the shell: one message.
    EXPECT_EQ(view.shell, std::vector<std::string>{root + "notes.txt"});
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{kNoAssociatedApplication});

    view.shell.clear();
    Select({"run.bip"});
    document->OpenSelection();
    EXPECT_EQ(view.viewer.back(), "bip:" + root + "run.bip");

    // A folder row is shown; a file gone since the listing lists the folder again.
    Select({"a"});
    document->OpenSelection();
    EXPECT_EQ(document->CurrentFolder(), root + "a/");
    document->GoTo(root);
    Select({"notes.txt"});
    fs::remove(root + "notes.txt");
    document->OpenSelection();
    EXPECT_TRUE(view.shell.empty());
    EXPECT_EQ(Row("notes.txt"), document->RowCount());

    // A selection the list no longer has opens nothing.
    document->SetSelection({document->RowCount() + 3}, -1);
    document->OpenSelection();
    EXPECT_TRUE(view.shell.empty());
}

TEST_F(ExplorerDocumentTest, CommentsAreKeptWithTheFolder) {
    document->GoTo(root);
    EXPECT_FALSE(ExplorerRuleHolds(*document, kExCanComment, 0));
    Select({"Beach 01.bmp"});
    EXPECT_TRUE(ExplorerRuleHolds(*document, kExCanComment, 0));
    view.answers = {std::string("beach at noon")};
    document->Comment();
    EXPECT_EQ(view.events.back(), "row");

    document->GoTo(root + "a");
    document->GoTo(root);
    Select({"Rome 01.jpg"});
    view.answers = {std::string("BEACH")};
    document->QueryComments(); // adds to the selection
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"Beach 01.bmp", "Rome 01.jpg"}));
    Select({"Beach 01.bmp"});
    document->Comment(); // cancelled: the stored comment was offered
    EXPECT_EQ(view.events.back(), "ask:beach at noon");
}

TEST_F(ExplorerDocumentTest, NetworkSupportAsksUntilIgnored) {
    EXPECT_FALSE(settings.networkSupport); // every run starts without
    dialogs.answers = {Answer::Cancel, Answer::Ignore};
    document->SetNetworkSupport(true);
    EXPECT_FALSE(ExplorerRuleHolds(*document, kExNetworksOn, 0));
    document->SetNetworkSupport(true);
    document->SetNetworkSupport(false);
    document->SetNetworkSupport(true);
    EXPECT_TRUE(settings.networkSupport);
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}

TEST(ExplorerActions, TablesAreWellFormed) {
    for (MenuTable table :
         {ExplorerMenuBar(), ExplorerListMenu(), ExplorerTreeMenu(), ExplorerLayoutMenu()}) {
        EXPECT_TRUE(MenusBalanced(table));
        for (const MenuItem& item : table) {
            if (item.kind == MenuItemKind::Command || item.kind == MenuItemKind::Menu) {
                EXPECT_FALSE(item.caption.empty());
            }
            if (item.kind == MenuItemKind::Command && item.enabled != kRuleNever) {
                EXPECT_NE(item.command, 0) << item.caption;
            }
        }
    }
    EXPECT_FALSE(MenusBalanced(std::vector<MenuItem>{End(), Menu("&File")}));
}

} // namespace
