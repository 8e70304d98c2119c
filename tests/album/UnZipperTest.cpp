// The archive browser's commands: the list, the status line, and extraction
// with its questions, log and recycling, every dialog scripted.

#include "album/UnZipper.h"

#include "album/ZipArchive.h"
#include "album/ZipLog.h"
#include "platform/Progress.h"
#include "platform/ScriptedDialogs.h"
#include "platform/Trash.h"

#include "TempFolderTest.h"
#include "ZipArchiveBuilder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace zv;
using namespace zvtest;
namespace fs = std::filesystem;

FixtureEntry Entry(const std::string& name, const std::string& data, std::uint16_t method = 8) {
    FixtureEntry entry;
    entry.name = name;
    entry.data = data;
    entry.method = method;
    return entry;
}

// Records the folder browser's texts and starting folders as well.
class BrowsingDialogs : public ScriptedDialogs {
public:
    std::optional<std::string> BrowseFolder(const std::string& caption, const std::string& text,
                                            const std::string& initialFolder) override {
        folderTexts.push_back(text);
        folderStarts.push_back(initialFolder);
        return ScriptedDialogs::BrowseFolder(caption, text, initialFolder);
    }
    std::vector<std::string> folderTexts;
    std::vector<std::string> folderStarts;
};

// A trash that takes the file away (so the archive is really gone) and can refuse.
class FakeTrash : public Trash {
public:
    std::string Delete(const std::string& path) override {
        deleted.push_back(path);
        return {};
    }
    std::string Recycle(const std::string& path) override {
        if (!refusal.empty()) return refusal;
        recycled.push_back(path);
        fs::remove(path);
        return {};
    }
    std::vector<std::string> deleted;
    std::vector<std::string> recycled;
    std::string refusal;
};

class UnZipperTest : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        home = folder / "home";
        destination = folder / "out";
        fs::create_directory(destination);
        UnZipperServices services{dialogs, trash};
        services.logFolder = home;
        services.openFolder = &openFolder;
        services.progress = &progress;
        services.openLog = [this](const fs::path& path) {
            opened.push_back(path);
            return viewerFound;
        };
        services.showExplorer = [this] { ++explorerShown; };
        services.refreshExplorer = [this] { ++explorerRefreshed; };
        services.beep = [this] { ++beeps; };
        unzipper = std::make_unique<UnZipper>(services);
    }

    std::string Zip(const std::string& name, const std::vector<FixtureEntry>& entries) {
        return Write(name, BuildZip(entries));
    }

    // The usual archive: a deflated text, a stored one in a folder, and an empty file.
    std::string Photos(const std::string& name = "photos.zip") {
        return Zip(name, {Entry("readme.txt", SampleText(4000)),
                          Entry("pics/list.txt", "a\nb\n", 0), Entry("empty.txt", "", 0)});
    }

    void Select(const std::vector<std::string>& paths) {
        std::vector<int> indices;
        for (const std::string& path : paths) indices.push_back(unzipper->IndexOf(path));
        unzipper->SetSelection(indices);
    }

    BrowsingDialogs dialogs;
    FakeTrash trash;
    Progress progress;
    std::string openFolder = "/start/";
    std::vector<fs::path> opened;
    bool viewerFound = true;
    int explorerShown = 0;
    int explorerRefreshed = 0;
    int beeps = 0;
    fs::path home;
    fs::path destination;
    std::unique_ptr<UnZipper> unzipper;
};

TEST_F(UnZipperTest, TheListKeepsEachPathOnceInOrderWithItsCase) {
    EXPECT_TRUE(unzipper->Add("/b/Photos.ZIP"));
    EXPECT_FALSE(unzipper->Add("/b/Photos.ZIP"));
    unzipper->Populate("/b/Photos.ZIP");
    unzipper->Populate("/a/zeta.zip");
    EXPECT_TRUE(unzipper->Add("/B/alpha.zip"));
    EXPECT_TRUE(unzipper->Add("/b/photos.zip")); // a different file here
    EXPECT_EQ(unzipper->Archives(), (std::vector<std::string>{"/a/zeta.zip", "/B/alpha.zip",
                                                              "/b/Photos.ZIP", "/b/photos.zip"}));
    EXPECT_FALSE(unzipper->Add(""));
}

TEST_F(UnZipperTest, StatusLineAndSelection) {
    const std::string photos = Photos();
    const std::string other = Photos("other.zip");
    unzipper->Add(photos);
    unzipper->Add(other);
    EXPECT_EQ(unzipper->StatusText(), "Ready.");
    EXPECT_TRUE(unzipper->CanExtractAll());

    Select({photos});
    unzipper->ShowArchive(unzipper->IndexOf(photos));
    EXPECT_EQ(unzipper->StatusText(), "[ Archive: photos.zip ]   File selected: readme.txt");
    unzipper->SelectEntry(1);
    EXPECT_EQ(unzipper->StatusText(), "[ Archive: photos.zip ]   File selected: pics/list.txt");
    unzipper->SelectEntry(7); // no such row: the selection stays
    EXPECT_EQ(unzipper->EntryName(), "pics/list.txt");

    unzipper->SelectAll();
    EXPECT_EQ(unzipper->StatusText(), " 2 archives selected for batch.");
    unzipper->SetSelection({-1, 5});
    EXPECT_EQ(unzipper->SelectedCount(), 0);

    unzipper->mnuClearClick();
    EXPECT_EQ(unzipper->Count(), 0);
    EXPECT_TRUE(unzipper->Rows().empty());
    EXPECT_FALSE(unzipper->CanExtractAll());
}

TEST_F(UnZipperTest, TheGridListsEntriesAndOneEmptyRowForAnUnreadableFile) {
    const std::string photos = Photos();
    const std::string junk = Write("junk.zip", "not an archive at all");
    unzipper->Add(photos);
    unzipper->Add(junk);
    unzipper->ShowArchive(unzipper->IndexOf(photos));
    ASSERT_EQ(unzipper->Rows().size(), 3u);
    EXPECT_EQ(unzipper->Rows()[0].Size, "4000");
    EXPECT_FALSE(unzipper->Rows()[0].DateStamp.empty());
    const ZipGridRow& empty = unzipper->Rows()[2];
    EXPECT_EQ(empty.Name, "empty.txt");
    EXPECT_EQ(empty.DateStamp + empty.Size + empty.Percent + empty.PackSize, "");

    unzipper->ShowArchive(unzipper->IndexOf(junk));
    ASSERT_EQ(unzipper->Rows().size(), 1u);
    EXPECT_EQ(unzipper->Rows()[0].Name, "");
    EXPECT_EQ(unzipper->EntryName(), "");

    // Cutting the archive on show empties the grid.
    Select({junk});
    unzipper->mnuCutClick();
    EXPECT_EQ(unzipper->Archives(), std::vector<std::string>{photos});
    EXPECT_TRUE(unzipper->Rows().empty());
}

TEST_F(UnZipperTest, AddAsksForSeveralZipFiles) {
    const std::string photos = Photos();
    const std::string typed = (folder / "typed").string(); // ".zip" is understood
    dialogs.openResults.push_back({photos, typed, photos});
    unzipper->mnuAddClick();
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    const FileDialogRequest& request = dialogs.fileRequests[0];
    EXPECT_EQ(request.title, "Select source *.zip file(s)");
    EXPECT_EQ(request.filter, "ZIP (compressed archive)|*.zip");
    EXPECT_TRUE(request.multiSelect);
    EXPECT_EQ(request.initialFolder, "/start/");
    EXPECT_EQ(unzipper->Archives(), (std::vector<std::string>{photos, typed + ".zip"}));
    EXPECT_EQ(openFolder, folder.string() + "/");

    unzipper->mnuAddClick(); // cancelled
    EXPECT_EQ(unzipper->Count(), 2);
}

TEST_F(UnZipperTest, DeleteAsksAndRecyclesTheSelectedArchives) {
    const std::string a = Photos("a.zip");
    const std::string b = Photos("b.zip");
    const std::string c = Photos("c.zip");
    for (const std::string& path : {a, b, c}) unzipper->Add(path);
    unzipper->mnuDeleteClick(); // nothing selected: nothing asked
    EXPECT_TRUE(dialogs.boxes.empty());

    Select({a, c});
    dialogs.answers = {Answer::No};
    unzipper->mnuDeleteClick();
    EXPECT_EQ(dialogs.LastText(), "Recycle 2 ZIP archive(s) ?");
    EXPECT_TRUE(trash.recycled.empty());

    dialogs.answers = {Answer::Yes};
    unzipper->mnuDeleteClick();
    EXPECT_EQ(trash.recycled, (std::vector<std::string>{a, c}));
    EXPECT_EQ(unzipper->Archives(), std::vector<std::string>{b});

    // A refused recycle says why and keeps the archive listed.
    trash.refusal = "Cannot move b.zip to the trash";
    Select({b});
    dialogs.answers = {Answer::Yes};
    unzipper->mnuDeleteClick();
    EXPECT_EQ(dialogs.LastText(), "Cannot move b.zip to the trash");
    EXPECT_EQ(unzipper->Archives(), std::vector<std::string>{b});
}

TEST_F(UnZipperTest, MissingArchivesAreDroppedWhenExtractionStarts) {
    const std::string kept = Photos("kept.zip");
    const std::string gone = Photos("gone.zip");
    unzipper->Add(kept);
    unzipper->Add(gone);
    fs::remove(gone);
    Select({gone});
    EXPECT_EQ(unzipper->mnuSelectedZipsClick(false), ZipCommandEnd::Cancelled);
    EXPECT_EQ(dialogs.Texts(),
              (std::vector<std::string>{"Missing file!\n" + gone + "\nItem removed from list.",
                                        "No ZIPs selected."}));
    EXPECT_EQ(dialogs.boxes[0].kind, BoxKind::Warning);
    EXPECT_EQ(unzipper->Archives(), std::vector<std::string>{kept});
    EXPECT_TRUE(dialogs.folderCaptions.empty());
    EXPECT_EQ(explorerRefreshed, 0);
}

TEST_F(UnZipperTest, TheFolderBrowserCanCancel) {
    const std::string photos = Photos();
    const std::string other = Photos("other.zip");
    unzipper->Add(photos);
    unzipper->Add(other);
    Select({photos});
    dialogs.folderResults = {std::nullopt, std::string("/"), std::string()};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(unzipper->mnuSelectedZipsClick(false), ZipCommandEnd::Cancelled);
    EXPECT_EQ(dialogs.folderCaptions, std::vector<std::string>(3, "Extract photos.zip"));
    EXPECT_EQ(dialogs.folderTexts[0], "Select destination for  ZIP file(s) extraction.");
    EXPECT_EQ(dialogs.folderStarts[0], folder.string() + "/");

    EXPECT_EQ(unzipper->mnuExtractAllClick(false), ZipCommandEnd::Cancelled);
    EXPECT_EQ(dialogs.folderCaptions.back(), "Batch ZIP extraction");
    EXPECT_EQ(unzipper->SelectedCount(), 2); // "E&xtract all" selected every archive
    EXPECT_TRUE(FilesIn(destination).empty());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(UnZipperTest, ExtractingOverEveryFileWritesNothingAndOffersTheLog) {
    const std::string photos = Photos();
    unzipper->Add(photos);
    Select({photos});
    dialogs.folderResults = {destination.string()};
    dialogs.answers = {Answer::No}; // keep the archive
    ASSERT_EQ(unzipper->mnuSelectedZipsClick(false), ZipCommandEnd::Finished);
    ASSERT_EQ(dialogs.LastText(), "Recycle photos.zip ?");
    EXPECT_EQ(ReadText(destination / "readme.txt"), SampleText(4000));
    std::ofstream(destination / "pics/list.txt", std::ios::binary) << "edited";
    dialogs.boxes.clear();

    dialogs.folderResults = {destination.string()};
    dialogs.answers = {Answer::Yes};
    viewerFound = false;
    EXPECT_EQ(unzipper->mnuSelectedZipsClick(false), ZipCommandEnd::Finished);
    EXPECT_EQ(ReadText(destination / "pics/list.txt"), "edited");
    EXPECT_EQ(FilesIn(destination),
              (std::vector<std::string>{"empty.txt", "pics", "pics/list.txt", "readme.txt"}));
    const std::string log = "readme.txt in " + photos + " exists; skipped.\n" +
                            "pics/list.txt in " + photos + " exists; skipped.\n" + "empty.txt in " +
                            photos + " exists; skipped.\n";
    EXPECT_EQ(ReadText(home / "ZipErrs_Log.txt"), log);
    EXPECT_EQ(dialogs.Texts(),
              (std::vector<std::string>{"0 file(s) unzipped.\nThere were exceptions.  View log?",
                                        "Text viewer not found."}));
    EXPECT_EQ(opened, std::vector<fs::path>{home / "ZipErrs_Log.txt"});
    EXPECT_EQ(beeps, 1); // only before the first run's recycle question
    EXPECT_TRUE(trash.recycled.empty());
    EXPECT_EQ(unzipper->Archives(), std::vector<std::string>{photos});
    EXPECT_EQ(explorerShown, 2);
    EXPECT_EQ(explorerRefreshed, 2);
}

TEST_F(UnZipperTest, ACleanExtractionAsksToRecycleAndRecycles) {
    const std::string photos = Photos();
    const std::string other = Zip("other.zip", {Entry("other.txt", "other")});
    const std::string left = Photos("left.zip");
    for (const std::string& path : {photos, other, left}) unzipper->Add(path);
    Select({photos, other});
    dialogs.folderResults = {destination.string()};
    dialogs.answers = {Answer::Yes};
    EXPECT_EQ(unzipper->mnuSelectedZipsClick(false), ZipCommandEnd::Finished);
    EXPECT_EQ(dialogs.folderCaptions, std::vector<std::string>{"Batch ZIP extraction"});
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Recycle 2 selected ZIP files ?"});
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(FilesIn(destination), (std::vector<std::string>{"empty.txt", "other.txt", "pics",
                                                              "pics/list.txt", "readme.txt"}));
    EXPECT_EQ(trash.recycled, (std::vector<std::string>{other, photos}));
    EXPECT_EQ(unzipper->Archives(), std::vector<std::string>{left});
    EXPECT_FALSE(fs::exists(home / "ZipErrs_Log.txt"));
    EXPECT_EQ(progress.Text(), "Unzipping ...");
    EXPECT_EQ(progress.Percent(0), 100);
    EXPECT_EQ(progress.Position(1), 2);
    EXPECT_FALSE(unzipper->Busy());
}

TEST_F(UnZipperTest, ShiftExtractsBesideTheArchiveAndRecyclesWithoutAsking) {
    fs::create_directory(folder / "in");
    const std::string photos =
        Write("in/photos.zip", BuildZip({Entry("one.txt", "1"), Entry("two.txt", "2", 0)}));
    unzipper->Add(photos);
    EXPECT_EQ(unzipper->mnuExtractAllClick(true), ZipCommandEnd::Finished);
    EXPECT_TRUE(dialogs.folderCaptions.empty());
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(beeps, 0);
    EXPECT_EQ(ReadText(folder / "in/two.txt"), "2");
    EXPECT_EQ(trash.recycled, std::vector<std::string>{photos});
    EXPECT_EQ(unzipper->Count(), 0);
}

TEST_F(UnZipperTest, AnArchiveWithAnEntryNotWrittenIsNeverRecycled) {
    FixtureEntry unknown = Entry("picture.bz2", "xyz");
    unknown.method = 12;
    unknown.packed = "BZh9";
    const std::string odd = Zip("odd.zip", {Entry("fine.txt", "fine"), unknown});
    const std::string escaping =
        Zip("escaping.zip", {Entry("../outside.txt", "x"), Entry("inside.txt", "y")});
    unzipper->Add(odd);
    unzipper->Add(escaping);
    // Shift would recycle without asking, were anything left unwritten.
    EXPECT_EQ(unzipper->mnuExtractAllClick(true), ZipCommandEnd::Finished);
    EXPECT_TRUE(trash.recycled.empty());
    EXPECT_FALSE(fs::exists(folder.parent_path() / "outside.txt"));
    EXPECT_EQ(ReadText(folder / "fine.txt"), "fine");
    EXPECT_EQ(ReadText(folder / "inside.txt"), "y");
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text, "Unknown Compression Method");
    EXPECT_EQ(dialogs.boxes[0].kind, BoxKind::Error);
    EXPECT_EQ(dialogs.boxes[1].text, "2 file(s) unzipped.\nThere were exceptions.  View log?");
    const std::string log = ReadText(home / "ZipErrs_Log.txt");
    EXPECT_NE(log.find("../outside.txt in " + escaping), std::string::npos);
    EXPECT_NE(log.find("picture.bz2 in " + odd), std::string::npos);
    EXPECT_EQ(unzipper->Count(), 2);
}

TEST_F(UnZipperTest, AnArchiveThatCannotBeReadIsReported) {
    const std::string junk = Write("junk.zip", "not an archive at all");
    unzipper->Add(junk);
    dialogs.folderResults = {destination.string()};
    EXPECT_EQ(unzipper->mnuExtractAllClick(false), ZipCommandEnd::Finished);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{junk + "\nis incomplete or corrupted."});
    EXPECT_TRUE(trash.recycled.empty());

    // An archive cut short: the error box, and the log line that keeps it.
    std::string bytes = BuildZip({Entry("a.txt", "alpha"), Entry("b.txt", SampleText(5000))});
    Put16(bytes, bytes.find(std::string("PK\x03\x04", 4), 4) + 26, 0xFFFF);
    const std::string cut = Write("cut.zip", bytes);
    unzipper->mnuClearClick();
    unzipper->Add(cut);
    dialogs.boxes.clear();
    EXPECT_EQ(unzipper->mnuExtractAllClick(true), ZipCommandEnd::Finished);
    EXPECT_EQ(dialogs.Texts(),
              (std::vector<std::string>{cut + "\nis incomplete or corrupted.",
                                        "1 file(s) unzipped.\nThere were exceptions.  View log?"}));
    EXPECT_TRUE(trash.recycled.empty());
}

TEST_F(UnZipperTest, ABatchStoppedAfterSomeFilesSaysSo) {
    const std::string first = Zip("first.zip", {Entry("first.txt", "1")});
    const std::string second = Zip("second.zip", {Entry("second.txt", "2")});
    dialogs.folderResults = {destination.string()};
    // Cancel on the progress window after the first archive.
    UnZipperServices services{dialogs, trash};
    services.logFolder = home;
    services.progress = &progress;
    services.showExplorer = [this] { progress.RequestStop(); };
    UnZipper stopping(services);
    stopping.Add(first);
    stopping.Add(second);
    EXPECT_EQ(stopping.mnuExtractAllClick(false), ZipCommandEnd::Finished);
    EXPECT_EQ(FilesIn(destination), std::vector<std::string>{"first.txt"});
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{
                                   "There were extraction errors.\nSome files were recovered."});
    EXPECT_TRUE(trash.recycled.empty());
}

TEST_F(UnZipperTest, SingleFileExtractsTheSelectedEntryFromEachArchive) {
    const std::string photos = Photos();
    const std::string other =
        Zip("other.zip", {Entry("pics/list.txt", "other list"), Entry("x.txt", "x")});
    unzipper->Add(photos);
    unzipper->Add(other);
    Select({photos});
    unzipper->ShowArchive(unzipper->IndexOf(photos));
    unzipper->SelectEntry(1);
    dialogs.folderResults = {destination.string()};
    EXPECT_EQ(unzipper->mnuSingleFileClick(), ZipCommandEnd::Finished);
    EXPECT_EQ(dialogs.folderCaptions, std::vector<std::string>{"Extract single file"});
    EXPECT_EQ(dialogs.folderTexts,
              std::vector<std::string>{"Select destination for pics/list.txt"});
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"1 file(s) unzipped."});
    EXPECT_EQ(FilesIn(destination), (std::vector<std::string>{"pics", "pics/list.txt"}));
    EXPECT_TRUE(trash.recycled.empty());

    // The same entry from both archives, in list order: the second finds it there already.
    fs::remove_all(destination / "pics");
    dialogs.boxes.clear();
    unzipper->SelectAll();
    dialogs.folderResults = {destination.string()};
    EXPECT_EQ(unzipper->mnuSingleFileClick(), ZipCommandEnd::Finished);
    EXPECT_EQ(ReadText(destination / "pics/list.txt"), "other list");
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{"1 file(s) unzipped.\nThere were exceptions.  View log?"});
    EXPECT_EQ(ReadText(home / "ZipErrs_Log.txt"),
              "pics/list.txt in " + photos + " exists; skipped.\n");

    // An entry picked in the grid with no archive selected in the list: the
    // archive shown in the grid is the one meant.
    fs::remove_all(destination / "pics");
    dialogs.boxes.clear();
    Select({});
    unzipper->ShowArchive(unzipper->IndexOf(other));
    unzipper->SelectEntry(1);
    dialogs.folderResults = {destination.string()};
    EXPECT_EQ(unzipper->mnuSingleFileClick(), ZipCommandEnd::Finished);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"1 file(s) unzipped."});
    EXPECT_EQ(FilesIn(destination), (std::vector<std::string>{"x.txt"}));
}

} // namespace
