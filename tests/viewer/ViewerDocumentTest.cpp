#include "viewer/ViewerDocument.h"

#include "formats/BmpGraphic.h"
#include "library/LibraryFiles.h"
#include "platform/ScriptedDialogs.h"

#include "FakeMemory.h"
#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

namespace {

using namespace zv;
namespace fs = std::filesystem;

using zvtest::FakeMemory;

// The viewer window as the document sees it: records what it was asked.
class FakeWindow : public DocumentWindow, public LoadHost {
public:
    void ShowEmptyPicture() override { ++emptyShown; }
    void ShowNewPicture() override { ++picturesShown; }
    void ShowTextFile(const std::string& path) override { textShown = path; }
    bool RenderMetafile(const std::string&, Bitmap& picture) override {
        if (!metafileDraws) return false;
        picture.Create(30, 20, PixelFormat::Bits24);
        return true;
    }
    bool EnterMediaMode(const std::string& path) override {
        mediaOpened = path;
        return playerPresent;
    }
    void ChangeMediaFile(const std::string& path) override { mediaOpened = path; }
    void LeaveMediaMode() override { ++mediaLeft; }
    void PlayMedia() override { ++mediaPlayed; }
    void ShowZipArchive(const std::string& path) override { zipShown = path; }
    void PlayScript(const std::string& path) override { scriptPlayed = path; }
    void ShowFolderInExplorer(const std::string& folder) override { folderShown = folder; }
    std::optional<NewPictureRequest> AskNewPictureSize() override {
        ++sizeAsked;
        return newSize;
    }
    bool ClipboardHasPicture() override { return clipboard.has_value(); }
    bool ReadClipboardPicture(Bitmap& picture) override {
        if (!clipboardReadable) return false;
        picture = *clipboard;
        return true;
    }
    void DocumentChanged() override { ++changes; }
    void SetStatusText(const std::string& text) override { status.push_back(text); }
    ViewArea ViewSize() const override { return {}; }

    int emptyShown = 0;
    int picturesShown = 0;
    int changes = 0;
    int mediaLeft = 0;
    int mediaPlayed = 0;
    int sizeAsked = 0;
    bool metafileDraws = true;
    bool playerPresent = true;
    bool clipboardReadable = true;
    std::optional<Bitmap> clipboard;
    std::optional<NewPictureRequest> newSize;
    std::string textShown, mediaOpened, zipShown, scriptPlayed, folderShown;
    std::vector<std::string> status;
};

class ViewerDocumentTest : public zvtest::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        names = std::make_unique<TempNames>(folder, 7);
        names->DrawPrefix(5u);
        loader = std::make_unique<PictureLoader>(
            LoadServices{imaging, library, photoCd, *names, dialogs, window, settings});
        const auto exists = [](const std::string& path) {
            std::error_code error;
            return fs::is_regular_file(path, error);
        };
        const auto isFolder = [](const std::string& path) {
            std::error_code error;
            return fs::is_directory(path, error);
        };
        document = std::make_unique<ViewerDocument>(DocumentServices{
            *loader,
            imaging,
            history,
            flags,
            dialogs,
            memory,
            window,
            exists,
            isFolder,
            {},
            [this](ChooserRequest& request) { return chooser ? chooser(request) : -1; }});
    }
    std::string Bmp(const std::string& name, int width = 8, int height = 6) {
        TBmpGraphic bmp;
        bmp.NewImage(width, height, ImageFormat::Color24);
        const fs::path path = folder / name;
        bmp.SaveToFile(path);
        return path.string();
    }
    std::string Touch(const std::string& name) { return Write(name, "x"); }
    // A modified picture whose discard question will be answered so.
    void Modified(Answer answer) {
        flags.modified = true;
        dialogs.answers.push_back(answer);
    }

    std::unique_ptr<TempNames> names;
    ImagingContext imaging;
    ImageLibrary library;
    PhotoCdLibrary photoCd;
    ScriptedDialogs dialogs;
    FakeWindow window;
    FakeMemory memory;
    LoadSettings settings;
    ViewerHistory history;
    DocumentFlags flags;
    std::unique_ptr<PictureLoader> loader;
    std::unique_ptr<ViewerDocument> document;
    ChooseFromListFn chooser; // answers the list chooser; unset: closed without "&Ok"
};

TEST_F(ViewerDocumentTest, FiveFilesFromTheDialogJoinTheHistoryAndTheFirstOpens) {
    std::vector<std::string> files;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"})
        files.push_back(Bmp(name));
    dialogs.openResults.push_back(files);
    document->OpenFromDialog();

    ASSERT_TRUE(document->PictureReady());
    EXPECT_EQ(document->CurrentPath(), files[0]);
    EXPECT_EQ(history.Entries(), files);
    EXPECT_EQ(history.HistoryIndex(), 0);
    EXPECT_EQ(document->Caption(), "a.bmp - Zelvan 7.04");
    EXPECT_TRUE(document->ReloadEnabled());
    EXPECT_EQ(document->OpenFolder(), folder.string());
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_TRUE(dialogs.fileRequests[0].multiSelect);
    EXPECT_TRUE(dialogs.fileRequests[0].filter.starts_with("All validated formats|*.jp?;"));

    document->Step(HistoryStep::Next);
    EXPECT_EQ(document->CurrentPath(), files[1]);
    document->Step(HistoryStep::Last);
    EXPECT_EQ(document->CurrentPath(), files[4]);
    document->Step(HistoryStep::Next); // wraps
    EXPECT_EQ(document->CurrentPath(), files[0]);
    document->Step(HistoryStep::Previous); // wraps back
    EXPECT_EQ(document->CurrentPath(), files[4]);
    EXPECT_EQ(history.Count(), 5);
}

TEST_F(ViewerDocumentTest, TheDiscardQuestionComesAfterTheDialogAndNoKeepsEverything) {
    const std::string first = Bmp("first.bmp");
    document->OpenByName(first);
    flags.modified = true;
    dialogs.openResults.push_back({}); // cancelled: nothing is asked
    document->OpenFromDialog();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(flags.modified);

    dialogs.openResults.push_back({Bmp("second.bmp")});
    dialogs.answers.push_back(Answer::No);
    document->OpenFromDialog();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, kDiscardImageText);
    EXPECT_EQ(document->CurrentPath(), first);
    EXPECT_TRUE(flags.modified);

    // Stepping: the position stays until the question is answered Yes.
    history.UpdateHistory(Bmp("third.bmp"));
    history.SetIndex(0);
    document->HistoryClick();
    const int before = history.HistoryIndex();
    Modified(Answer::No);
    document->Step(HistoryStep::Next);
    EXPECT_EQ(history.HistoryIndex(), before);
    Modified(Answer::Yes);
    document->Step(HistoryStep::Next);
    EXPECT_NE(history.HistoryIndex(), before);
    EXPECT_FALSE(flags.modified);
}

TEST_F(ViewerDocumentTest, SteppingNeedsEntriesAndDropsFilesThatAreGone) {
    const std::string only = Bmp("only.bmp");
    document->OpenByName(only);
    document->Step(HistoryStep::Next);
    EXPECT_EQ(document->CurrentPath(), only);
    EXPECT_EQ(history.Count(), 1);

    const std::string gone = Bmp("gone.bmp");
    const std::string kept = Bmp("kept.bmp");
    document->OpenByName(gone);
    document->OpenByName(kept); // each opened file goes in front at position 0
    ASSERT_EQ(history.Entries(), (std::vector<std::string>{kept, gone, only}));
    fs::remove(gone);
    document->Step(HistoryStep::Next);
    EXPECT_EQ(history.Entries(), (std::vector<std::string>{kept, only}));
    EXPECT_EQ(document->CurrentPath(), kept);
    EXPECT_EQ(history.Current(), document->CurrentPath());
}

TEST_F(ViewerDocumentTest, PagesWrapAndSayWhereTheyAre) {
    test::TiffPage page{16, 4, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_NONE, {}, {}, {}, {}};
    page.rows.assign(4, test::FileBytes{0x0F, 0xF0});
    const fs::path path = folder / "three.tif";
    test::WriteBytes(path, test::TiffFile({page, page, page}));
    settings.faxQuality = 0;

    document->OpenByName(path.string());
    ASSERT_TRUE(document->PictureReady());
    ASSERT_TRUE(document->PageCommandsVisible());
    EXPECT_EQ(window.status.back(), "Page 1 of 3");
    document->ChangePage(kPagePrevious);
    EXPECT_EQ(window.status.back(), "Page 3 of 3");
    document->ChangePage(kPageNext);
    EXPECT_EQ(window.status.back(), "Page 1 of 3");
    document->ChangePage(kPageLast);
    EXPECT_EQ(window.status.back(), "Page 3 of 3");
    document->ChangePage(kPageFirst);
    EXPECT_EQ(window.status.back(), "Page 1 of 3");

    document->SetAspectMode(AspectMode::Tv); // refused for several pages
    EXPECT_EQ(dialogs.LastText(), kMultipageAspectText);
    EXPECT_EQ(document->aspectMode, AspectMode::Monitor);

    document->OpenByName(Bmp("single.bmp"));
    EXPECT_FALSE(document->PageCommandsVisible());
    const std::size_t shown = window.status.size();
    document->ChangePage(kPageNext);
    EXPECT_EQ(window.status.size(), shown);
}

TEST_F(ViewerDocumentTest, TextsMetafilesAndMediaOpenTheirOwnWay) {
    const std::string text = Touch("notes.txt");
    document->OpenByName(text);
    EXPECT_EQ(window.textShown, text);
    EXPECT_EQ(document->Caption(), "notes.txt - Zelvan 7.04");

    document->OpenByName(Touch("drawing.wmf"));
    EXPECT_TRUE(document->PictureReady());
    EXPECT_EQ(document->CurrentPath(), kUntitled);
    EXPECT_FALSE(document->ReloadEnabled());
    EXPECT_EQ(imaging.descriptor.ImageWidth, 30);
    EXPECT_EQ(imaging.descriptor.ImageBits, 24);
    window.metafileDraws = false;
    document->OpenByName(Touch("broken.emf"));
    EXPECT_EQ(dialogs.LastText(), "Invalid Metafile.");
    EXPECT_FALSE(document->PictureReady());

    const std::string song = Touch("song.wav");
    document->OpenByName(song);
    EXPECT_TRUE(document->MediaMode());
    EXPECT_EQ(window.mediaOpened, song);
    EXPECT_EQ(window.mediaPlayed, 1);
    EXPECT_EQ(history.Current(), song);
    EXPECT_EQ(document->Caption(), "song.wav - Zelvan 7.04");
    document->MediaFailed();
    EXPECT_FALSE(document->MediaMode());
    EXPECT_EQ(document->CurrentPath(), kUntitled);

    window.playerPresent = false;
    document->OpenByName(Touch("clip.avi"));
    EXPECT_FALSE(document->MediaMode());
    EXPECT_FALSE(document->PictureReady());

    // A picture after media leaves media mode.
    window.playerPresent = true;
    document->OpenByName(song);
    const int left = window.mediaLeft;
    document->OpenByName(Bmp("after.bmp"));
    EXPECT_FALSE(document->MediaMode());
    EXPECT_EQ(window.mediaLeft, left + 1);
}

TEST_F(ViewerDocumentTest, DropsArchivesAndScriptsGoWhereTheyBelong) {
    const std::string a = Bmp("a.bmp"), b = Bmp("b.bmp"), c = Bmp("c.bmp");
    document->OpenDropped({a, b, c});
    EXPECT_EQ(document->CurrentPath(), a);
    EXPECT_EQ(history.Entries(), (std::vector<std::string>{a, b, c}));

    document->DragOpen(folder.string() + "/photos.zip");
    EXPECT_EQ(window.zipShown, folder.string() + "/photos.zip");
    EXPECT_EQ(document->CurrentPath(), a);
    // A dropped archive goes to the zip browser too; the picture stays.
    document->OpenDropped({folder.string() + "/More.ZIP"});
    EXPECT_EQ(window.zipShown, folder.string() + "/More.ZIP");
    EXPECT_EQ(document->CurrentPath(), a);
    // So does one chosen in the open dialog.
    dialogs.openResults.push_back({folder.string() + "/Chosen.zip"});
    document->OpenFromDialog();
    EXPECT_EQ(window.zipShown, folder.string() + "/Chosen.zip");
    EXPECT_EQ(document->CurrentPath(), a);
    EXPECT_TRUE(document->PictureReady());
    document->OpenDropped({folder.string() + "/show.avl"});
    EXPECT_EQ(window.scriptPlayed, folder.string() + "/show.avl");

    document->slideshowRunning = true;
    document->OpenDropped({b});
    EXPECT_EQ(document->CurrentPath(), a);
    document->slideshowRunning = false;
    Modified(Answer::No);
    document->OpenDropped({b});
    EXPECT_EQ(document->CurrentPath(), a);
}

TEST_F(ViewerDocumentTest, NewPictureAsksFirstAndRefusesWhatCannotFit) {
    Modified(Answer::No);
    document->NewPicture();
    EXPECT_EQ(window.sizeAsked, 0);

    flags.modified = false;
    window.newSize = NewPictureRequest{15, 100, 0x0000FF};
    document->NewPicture();
    EXPECT_FALSE(document->PictureReady());

    memory.free = 1000;
    window.newSize = NewPictureRequest{2000, 2000, 0x0000FF};
    document->NewPicture();
    EXPECT_EQ(dialogs.LastText(), "Not enough memory for a new picture of 2000 x 2000.");
    EXPECT_FALSE(document->PictureReady());

    memory.free = std::uint64_t(1) << 32;
    window.newSize = NewPictureRequest{40, 16, 0x0000FF};
    document->NewPicture();
    ASSERT_TRUE(document->PictureReady()) << ::testing::PrintToString(dialogs.Texts());
    EXPECT_TRUE(flags.modified);
    EXPECT_EQ(document->CurrentPath(), kUntitled);
    EXPECT_EQ(document->Caption(), "Untitled - Zelvan 7.04");
    EXPECT_FALSE(document->ReloadEnabled());
    ASSERT_EQ(imaging.current.Width(), 40);
    const std::uint8_t* pixel = imaging.current.ScanLine(15) + 3 * 39;
    EXPECT_EQ(pixel[2], 0xFF); // red, in B, G, R order
    EXPECT_EQ(pixel[0], 0);
}

TEST_F(ViewerDocumentTest, AspectAndGammaChangesAskFirstThenOpenTheFileAgain) {
    const std::string picture = Bmp("view.bmp");
    document->OpenByName(picture);
    dialogs.answers.push_back(Answer::Cancel);
    EXPECT_FALSE(document->SetAspectMode(AspectMode::Wide));
    EXPECT_TRUE(dialogs.LastText().starts_with("All images will be resized to 16:9 widescreen"));
    EXPECT_EQ(document->aspectMode, AspectMode::Monitor);

    Modified(Answer::No);
    document->SetViewGamma(150);
    EXPECT_EQ(document->viewGamma, 100);
    EXPECT_TRUE(flags.modified);

    Modified(Answer::Yes);
    const int opened = window.picturesShown;
    document->SetViewGamma(150);
    EXPECT_EQ(document->viewGamma, 150);
    EXPECT_FALSE(flags.modified);
    EXPECT_EQ(window.picturesShown, opened + 1); // opened again

    document->SetAspectMode(AspectMode::BestFit); // no question for the 1:1 modes
    EXPECT_EQ(document->aspectMode, AspectMode::BestFit);
    EXPECT_TRUE(document->PictureReady());
}

TEST_F(ViewerDocumentTest, PasteChangesNothingWithoutAPicture) {
    const std::string shown = Bmp("shown.bmp");
    document->OpenByName(shown);
    flags.modified = true;
    document->PastePicture();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(document->CurrentPath(), shown);

    Bitmap copied;
    copied.Create(5, 4, PixelFormat::Bits24);
    window.clipboard = copied;
    window.clipboardReadable = false;
    dialogs.answers.push_back(Answer::Yes);
    document->PastePicture();
    EXPECT_EQ(dialogs.LastText(), kPasteFailedText);

    window.clipboardReadable = true;
    document->PastePicture();
    EXPECT_EQ(document->CurrentPath(), kUntitled);
    EXPECT_EQ(imaging.descriptor.ImageWidth, 5);
}

TEST_F(ViewerDocumentTest, ThePathBoxOpensFilesShowsFoldersAndWarnsOtherwise) {
    const std::string picture = Bmp("Mixed Case.BMP");
    document->PathBoxEnter(picture);
    EXPECT_EQ(document->CurrentPath(), picture); // the case is kept
    document->PathBoxEnter(folder.string());
    EXPECT_EQ(window.folderShown, folder.string() + "/");
    document->PathBoxEnter(folder.string() + "/nothing.bmp");
    EXPECT_EQ(dialogs.LastText(), kFileNotFoundText);
    EXPECT_EQ(document->CurrentPath(), picture);
}

TEST_F(ViewerDocumentTest, RemovingEntriesOpensTheNeighbourOrEmpties) {
    const std::string a = Bmp("a.bmp"), b = Bmp("b.bmp");
    document->OpenByName(a);
    document->OpenByName(b); // a, b; b current
    document->RemoveCurrentEntry();
    EXPECT_EQ(document->CurrentPath(), a);
    document->RemoveCurrentEntry();
    EXPECT_TRUE(history.Empty());
    EXPECT_EQ(document->CurrentPath(), kUntitled);
    EXPECT_FALSE(document->PictureReady());
}

TEST_F(ViewerDocumentTest, UnmarkAsksUntilTheUserSaysIgnore) {
    const std::string a = Bmp("a.bmp"), b = Bmp("b.bmp");
    document->OpenByName(a);
    document->OpenByName(b);
    dialogs.answers.push_back(Answer::Cancel);
    document->Unmark();
    EXPECT_EQ(history.Count(), 2);
    EXPECT_EQ(dialogs.LastText(),
              "Remove bookmark for b.bmp ?\n[Ignore] avoids this dialog (for experts).");
    dialogs.answers.push_back(Answer::Ignore);
    document->Unmark();
    EXPECT_EQ(history.Entries(), std::vector<std::string>{a});
    document->Unmark();
    EXPECT_TRUE(history.Empty());
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}

TEST_F(ViewerDocumentTest, ALongPictureListLoadsAndStepsAtOnce) {
    const std::string a = Bmp("a.bmp"), b = Bmp("b.bmp");
    const fs::path list = folder / "long.zvp";
    {
        std::ofstream out(list, std::ios::binary);
        for (int i = 0; i < 100000; ++i) out << a << "\r\n" << b << "\r\n";
    }
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(document->LoadPictureList(list.string()));
    EXPECT_EQ(history.Count(), 200000);
    EXPECT_EQ(document->CurrentPath(), a);
    document->Step(HistoryStep::Last);
    EXPECT_EQ(history.HistoryIndex(), 199999);
    for (int i = 0; i < 50; ++i) document->Step(HistoryStep::Next);
    EXPECT_EQ(history.HistoryIndex(), 49);
    EXPECT_EQ(document->CurrentPath(), b);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

    EXPECT_FALSE(document->LoadPictureList((folder / "missing.zvp").string()));
    EXPECT_EQ(dialogs.LastText(), kLoadBookmarksFailedText);
    EXPECT_EQ(history.Count(), 200000);
    EXPECT_FALSE(document->SavePictureList((folder / "no-such-folder" / "x.zvp").string()));
    EXPECT_EQ(dialogs.LastText(), kSaveBookmarksFailedText);
}

} // namespace

TEST_F(ViewerDocumentTest, BookmarksViewKeepsThePrunedListAndSortDropsWhatIsGone) {
    const std::string a = Bmp("a.bmp"), b = Bmp("B.bmp"), c = Bmp("c.bmp");
    for (const std::string& path : {c, b, a}) document->OpenByName(path);
    const std::vector<std::string> before = history.Entries();
    document->ViewBookmarks(b); // closed without "&Ok": nothing changes
    EXPECT_EQ(history.Entries(), before);

    ChooserRequest seen;
    chooser = [&](ChooserRequest& request) {
        seen = request;
        request.list = {a, c}; // the user deleted B.bmp and chose c.bmp
        return 1;
    };
    document->ViewBookmarks(b);
    EXPECT_EQ(seen.mode, 410);
    EXPECT_EQ(seen.helpTopic, 300);
    EXPECT_EQ(seen.caption, "Bookmarked Files");
    EXPECT_EQ(seen.preselect, b);
    EXPECT_EQ(seen.list, before);
    EXPECT_EQ(history.Entries(), (std::vector<std::string>{a, c}));
    EXPECT_EQ(history.HistoryIndex(), 1);
    EXPECT_EQ(document->CurrentPath(), c);

    // Sort: without regard to case, the gone file dropped, the first opened.
    history.Replace({c, fs::path(folder / "gone.bmp").string(), b, a}, 0);
    document->SortBookmarks();
    EXPECT_EQ(history.Entries(), (std::vector<std::string>{a, b, c}));
    EXPECT_EQ(document->CurrentPath(), a);
}
