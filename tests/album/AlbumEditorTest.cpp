// Every command of the album window, run on a five-slide album through
// scripted dialogs.

#include "album/AlbumEditor.h"
#include "album/AlbumControls.h"

#include "TempFolderTest.h"
#include "imaging/BitmapFile.h"
#include "platform/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <functional>

namespace zv {
namespace {

namespace fs = std::filesystem;
using Step = DialogStep;

// Deleting and recycling remove the file, except for names holding "keep".
class FakeTrash : public Trash {
public:
    std::string Delete(const std::string& path) override { return Remove(path); }
    std::string Recycle(const std::string& path) override { return Remove(path); }

private:
    static std::string Remove(const std::string& path) {
        if (path.find("keep") != std::string::npos) return "refused";
        std::error_code error;
        return fs::remove(path, error) ? std::string() : "missing";
    }
};

// Slides A.bmp (a 3 x 2 picture), B.jpg, C.mp3,
// D-keep.txt and E.jpg in pics/, in that order.
class AlbumEditorTest : public zvtest::TempFolderTest {
public:
    using TempFolderTest::folder;
    using TempFolderTest::Write;

    void SetUp() override {
        TempFolderTest::SetUp();
        dialogs = ScriptedDialogs();
        viewer.clear();
        history.clear();
        fs::create_directories(folder / "pics");
        Bitmap picture;
        picture.Create(3, 2, PixelFormat::Bits24);
        WriteBitmapFile(folder / "pics" / "A.bmp", picture);
        for (const char* name : {"B.jpg", "C.mp3", "D-keep.txt", "E.jpg"})
            Write(std::string("pics/") + name, std::string(100, 'x'));
        AlbumHost host{.dialogs = dialogs, .trash = trash};
        host.files.dataFolder = folder / "data";
        host.files.screenWidth = 800;
        host.files.screenHeight = 600;
        host.appHome = folder;
        host.thumbRoot = folder / "thumbs";
        host.flags = &flags;
        host.openInViewer = [this](const std::string& path) { viewer.push_back(path); };
        host.appendHistory = [this](const std::string& path) { history.push_back(path); };
        host.openWithApplication = [](const std::string&) { return false; };
        host.playScript = [this](const fs::path& script) { played = script; };
        host.getSlidesFrom = [this] { return walked; };
        editor.emplace(host);
        editor->MutableAlbum().SetVolumeOf([](const std::string&) { return std::string(); });
        editor->AddDropped(
            {Pic("A.bmp"), Pic("B.jpg"), Pic("C.mp3"), Pic("D-keep.txt"), Pic("E.jpg")});
    }

    std::string Pic(const std::string& name) const { return (folder / "pics" / name).string(); }
    const SlideAlbum& Album() const { return editor->Album(); }
    const SlideRecord& Slide(int i) const { return Album().Slide(i); }

    // The first letter of each slide's name.
    std::string Letters() const {
        std::string letters;
        for (int i = 0; i < Album().Count(); ++i) letters += Album().NameOf(i).substr(0, 1);
        return letters;
    }
    std::string Selection() const {
        std::string selected;
        for (int i : editor->SelectedPositions()) selected += std::to_string(i);
        return selected;
    }

    ScriptedDialogs dialogs;
    FakeTrash trash;
    DocumentFlags flags;
    std::optional<AlbumEditor> editor;
    std::vector<std::string> viewer, history;
    fs::path played;
    std::optional<std::string> walked; // what the folder walk's dialog made
};

struct CommandCase {
    const char* name;
    int command;
    const char* selected; // positions, before the command
    std::function<void(AlbumEditorTest&, ScriptedDialogs&)> script;
    std::function<void(AlbumEditorTest&, ScriptedDialogs&)> check;
    bool shift = false;
};

TEST_F(AlbumEditorTest, EveryCommandOnFiveSlides) {
    using T = AlbumEditorTest;
    using D = ScriptedDialogs;
    const auto none = [](T&, D&) {};
    const auto type = [](std::string text) {
        return [text](T&, D& d) { d.dialogScripts.push_back({Step::Type(0, text), Step::Ok()}); };
    };
    const auto yes = [](T&, D& d) { d.answers.push_back(Answer::Yes); };
    const CommandCase cases[] = {
        {"add appends the dialog's files reversed", kAlAdd, "",
         [](T& t, D& d) { d.openResults.push_back({t.Pic("B.jpg"), t.Pic("E.jpg")}); },
         [](T& t, D& d) {
             EXPECT_EQ(t.Letters(), "ABCDEEB");
             EXPECT_EQ(d.fileRequests.back().title, "Add slide(s)");
         }},
        {"insert puts them in order before the selection", kAlInsert, "2",
         [](T& t, D& d) { d.openResults.push_back({t.Pic("B.jpg"), t.Pic("E.jpg")}); },
         [](T& t, D& d) {
             EXPECT_EQ(t.Letters(), "ABBECDE");
             EXPECT_EQ(d.fileRequests.back().title, "Insert slide(s)");
         }},
        {"a CD track goes before the current slide", kAlInsertCdTrack, "1", type("7"),
         [](T& t, D& d) {
             EXPECT_EQ(t.Album().NameOf(1), "CD Track 7");
             EXPECT_EQ(t.Slide(1).effect, 7);
             EXPECT_EQ(d.dialogs.back().title, "Insert CD Track");
         }},
        {"cut", kAlCut, "02", none, [](T& t, D&) { EXPECT_EQ(t.Letters(), "BDE"); }},
        {"cut without a selection", kAlCut, "", none,
         [](T& t, D& d) {
             EXPECT_EQ(d.LastText(), "No slide(s) selected.");
             EXPECT_EQ(t.Letters(), "ABCDE");
         }},
        {"relocate", kAlRelocate, "13", type("4"),
         [](T& t, D& d) {
             EXPECT_EQ(t.Letters(), "ACBDE");
             EXPECT_EQ(t.Selection(), "23");
             EXPECT_EQ(d.dialogs.back().title, "Relocate selection(s) to Index#");
         }},
        {"select index", kAlSelectIndex, "0", type("3"),
         [](T& t, D&) { EXPECT_EQ(t.Selection(), "2"); }},
        {"select all", kAlSelectAll, "1", none,
         [](T& t, D&) { EXPECT_EQ(t.Selection(), "01234"); }},
        {"invert", kAlInvertSelection, "1", none,
         [](T& t, D&) { EXPECT_EQ(t.Selection(), "0234"); }},
        {"file name finds a piece of a name", kAlFindName, "",
         [](T&, D& d) { d.textResults.push_back("kee"); },
         [](T& t, D& d) {
             EXPECT_EQ(t.Selection(), "3");
             EXPECT_EQ(d.textTitles.back(), "Enter partial FILENAME to find slide.");
         }},
        {"next name past the last hit asks to start again", kAlFindNext, "",
         [](T& t, D& d) {
             d.textResults.push_back("e");
             t.editor->Run(kAlFindName);
             d.answers.push_back(Answer::Yes);
         },
         [](T& t, D& d) {
             EXPECT_EQ(t.Selection(), "3"); // "D-keep", again after the question
             EXPECT_EQ(d.LastText(), "No (more) slides found with \"e\".\nNote: Search is "
                                     "case-sensitive?\n\nStart new search from first record?");
         }},
        {"comments query selects the hits", kAlFindComments, "0",
         [](T& t, D& d) {
             t.editor->MutableAlbum().SetComment(1, "by the sea");
             t.editor->MutableAlbum().SetComment(3, "Sea");
             d.textResults.push_back("sea");
             d.answers.push_back(Answer::Yes);
         },
         [](T& t, D& d) {
             EXPECT_EQ(t.Selection(), "1");
             EXPECT_EQ(t.editor->Current(), 1);
             EXPECT_EQ(d.LastText(), "1 slide(s) found with keyword: \"sea\"\nItem(s) found are "
                                     "currently selected.\nJump to first item?");
         }},
        {"backcolor skips a sound slide", kAlBackColor, "02",
         [](T&, D& d) { d.colourResults.push_back(0x123456); },
         [](T& t, D&) {
             EXPECT_EQ(t.Slide(0).backColor, 0x123456);
             EXPECT_EQ(t.Slide(2).backColor, -1);
         }},
        {"backcolor cancelled clears", kAlBackColor, "1",
         [](T& t, D& d) {
             t.editor->MutableAlbum().Slide(1).backColor = 0xFF;
             d.answers.push_back(Answer::Yes);
         },
         [](T& t, D& d) {
             EXPECT_EQ(t.Slide(1).backColor, -2);
             EXPECT_EQ(d.LastText(), "Clear background of selected item(s)?");
         }},
        {"wait applies to a sound slide", kAlWait, "2", type("30"),
         [](T& t, D& d) {
             EXPECT_EQ(t.Slide(2).wait, 30);
             EXPECT_EQ(d.dialogs.back().captions.size(), 6u);
         }},
        {"zoom on one sound slide does nothing", kAlZoom, "2", none,
         [](T& t, D& d) {
             EXPECT_TRUE(d.dialogs.empty());
             EXPECT_EQ(t.Slide(2).zoom, -1);
         }},
        {"zoom keeps not-applicable", kAlZoom, "02", type("200"),
         [](T& t, D&) {
             EXPECT_EQ(t.Slide(0).zoom, 200);
             EXPECT_EQ(t.Slide(2).zoom, -1);
         }},
        {"gamma preset", kAlGamma, "1",
         [](T&, D& d) { d.dialogScripts.push_back({Step::Preset(2)}); },
         [](T& t, D&) { EXPECT_EQ(t.Slide(1).gamma, 120); }},
        {"rotate", kAlRotate, "4", type("90"), [](T& t, D&) { EXPECT_EQ(t.Slide(4).rotate, 90); }},
        {"position", kAlPosition, "1",
         [](T&, D& d) {
             d.dialogScripts.push_back({Step::Type(0, "10"), Step::Type(1, "20"), Step::Ok()});
         },
         [](T& t, D& d) {
             EXPECT_EQ(t.Slide(1).posX, 10);
             EXPECT_EQ(t.Slide(1).posY, 20);
             EXPECT_EQ(d.dialogs.back().title, "Slide Window Position");
         }},
        {"panel left unset goes automatic", kAlPanel, "1",
         [](T& t, D& d) {
             t.editor->MutableAlbum().Slide(1).panelW = 300;
             d.answers.push_back(Answer::Yes);
         },
         [](T& t, D& d) {
             EXPECT_EQ(t.Slide(1).panelW, -2);
             EXPECT_EQ(d.LastText(), "Reset Slide Window Size to AUTO?");
         }},
        {"comment gives each slide its own entry", kAlComment, "01",
         [](T&, D& d) { d.textResults.push_back(std::string(300, 'c')); },
         [](T& t, D&) {
             EXPECT_EQ(t.Album().CommentOf(0), std::string(255, 'c'));
             EXPECT_NE(t.Slide(0).commentIndex, t.Slide(1).commentIndex);
         }},
        {"user idx with sequence", kAlUserIdxSequence, "", yes,
         [](T& t, D&) { EXPECT_EQ(t.Slide(4).userIdx, 4); }},
        {"swap user and extra", kAlSwapUserExtra, "",
         [](T& t, D& d) {
             t.editor->MutableAlbum().Slide(0).userIdx = 5;
             d.answers.push_back(Answer::Yes);
         },
         [](T& t, D&) {
             EXPECT_EQ(t.Slide(0).extraIdx, 5);
             EXPECT_EQ(t.Slide(0).userIdx, 0);
         }},
        {"copy user to extra", kAlCopyUserToExtra, "",
         [](T& t, D& d) {
             t.editor->MutableAlbum().Slide(1).userIdx = 9;
             d.answers.push_back(Answer::Yes);
         },
         [](T& t, D&) { EXPECT_EQ(t.Slide(1).extraIdx, 9); }},
        {"copy extra to user", kAlCopyExtraToUser, "",
         [](T& t, D& d) {
             t.editor->MutableAlbum().Slide(1).extraIdx = 8;
             d.answers.push_back(Answer::Yes);
         },
         [](T& t, D&) { EXPECT_EQ(t.Slide(1).userIdx, 8); }},
        {"clear user idx", kAlClearUserIdx, "",
         [](T& t, D& d) {
             t.editor->MutableAlbum().Slide(1).userIdx = 8;
             d.answers.push_back(Answer::Yes);
         },
         [](T& t, D&) { EXPECT_EQ(t.Slide(1).userIdx, 0); }},
        {"complexity without thumbnails rates 0", kAlUserIdxComplexity, "",
         [](T& t, D& d) {
             t.editor->MutableAlbum().Slide(1).userIdx = 8;
             d.answers.push_back(Answer::Yes);
         },
         [](T& t, D&) { EXPECT_EQ(t.Slide(1).userIdx, 0); }},
        {"comments with file names", kAlCommentsFilename, "", yes,
         [](T& t, D& d) {
             EXPECT_EQ(t.Album().CommentOf(1), "B");
             EXPECT_EQ(d.LastText(), "Populate ALL comments with Filename?");
         }},
        {"comments with path names keep their case", kAlCommentsPathname, "", yes,
         [](T& t, D&) { EXPECT_EQ(t.Album().CommentOf(1), t.Pic("B.jpg")); }},
        {"clear comments", kAlClearComments, "",
         [](T& t, D& d) {
             t.editor->MutableAlbum().SetComment(2, "x");
             d.answers.push_back(Answer::Yes);
         },
         [](T& t, D&) {
             EXPECT_EQ(t.Album().Comments(), std::vector<std::string>{" "});
             EXPECT_EQ(t.Album().CommentOf(2), "");
         }},
        {"crc indices", kAlCrcIndices, "", yes,
         [](T& t, D& d) {
             EXPECT_NE(t.Slide(4).crc, -1);
             EXPECT_EQ(d.LastText(), "Calculate live CRC and populate CRC fields?\nOld CRC data "
                                     "will be retained.");
         }},
        {"image dimensions", kAlImageDimensions, "", yes,
         [](T& t, D&) {
             EXPECT_EQ(t.Slide(0).width, 3);
             EXPECT_EQ(t.Slide(0).height, 2);
         }},
        {"album info", kAlAlbumInfo, "", none,
         [](T& t, D& d) {
             const auto total = 400 + fs::file_size(t.Pic("A.bmp"));
             EXPECT_EQ(d.LastText(), "# of slides: 5\nTotal bytes: " + std::to_string(total));
         }},
        {"open: the viewer, its history, the application", kAlOpenSource, "134", none,
         [](T& t, D& d) {
             EXPECT_EQ(t.viewer, std::vector<std::string>{t.Pic("B.jpg")});
             EXPECT_EQ(t.history, std::vector<std::string>{t.Pic("E.jpg")});
             EXPECT_EQ(d.LastText(), "Associated application not found.");
         }},
        {"delete cuts only the slides whose file went", kAlDeleteSource, "13", yes,
         [](T& t, D& d) {
             EXPECT_EQ(t.Letters(), "ACDE");
             EXPECT_FALSE(fs::exists(t.Pic("B.jpg")));
             EXPECT_EQ(d.boxes.front().text.rfind("Recycle 2 selected source file(s)?", 0), 0u);
             EXPECT_NE(d.LastText().find(t.Pic("D-keep.txt")), std::string::npos);
         }},
        {"move re-folders the slide", kAlMoveTo, "0",
         [](T& t, D& d) {
             fs::create_directories(t.folder / "moved");
             d.folderResults.push_back((t.folder / "moved").string());
         },
         [](T& t, D& d) {
             EXPECT_EQ(t.Album().SlidePath(0), (t.folder / "moved" / "A.bmp").string());
             EXPECT_TRUE(fs::exists(t.folder / "moved" / "A.bmp"));
             EXPECT_FALSE(fs::exists(t.Pic("A.bmp")));
             EXPECT_EQ(d.folderCaptions.back(), "Move selected source file(s)");
         }},
        {"copy keeps the slide", kAlCopyTo, "0",
         [](T& t, D& d) {
             fs::create_directories(t.folder / "copied");
             d.folderResults.push_back((t.folder / "copied").string());
         },
         [](T& t, D&) {
             EXPECT_EQ(t.Album().SlidePath(0), t.Pic("A.bmp"));
             EXPECT_TRUE(fs::exists(t.folder / "copied" / "A.bmp"));
         }},
        {"validate cuts missing files", kAlValidate, "",
         [](T& t, D& d) {
             fs::remove(t.Pic("C.mp3"));
             d.answers.push_back(Answer::Yes);
         },
         [](T& t, D&) {
             EXPECT_EQ(t.Letters(), "ABDE");
             EXPECT_TRUE(t.editor->AlbumMenuMode());
         }},
        {"new asks while unsaved", kAlNew, "",
         [](T&, D& d) { d.answers.push_back(Answer::Ok); },
         [](T& t, D& d) {
             EXPECT_EQ(d.LastText(), "Discard slideshow/album?");
             EXPECT_EQ(t.Album().Count(), 0);
             EXPECT_FALSE(t.flags.albumModified);
         }},
        {"save as takes the chosen type's extension", kAlSaveAs, "",
         [](T& t, D& d) { d.saveResults.push_back((t.folder / "x.avl").string()); },
         [](T& t, D& d) {
             EXPECT_EQ(t.editor->FileName(), (t.folder / "x.avc").string());
             EXPECT_TRUE(fs::exists(t.folder / "x.avc"));
             EXPECT_FALSE(t.editor->Unsaved());
             EXPECT_EQ(d.fileRequests.back().title, "Save Slides As");
         }},
        {"save as over an existing file: No asks again, Cancel stops", kAlSaveAs, "",
         [](T& t, D& d) {
             t.Write("x.avc", "old");
             d.saveResults.push_back((t.folder / "x.avc").string());
             d.saveResults.push_back((t.folder / "x.avc").string());
             d.answers.push_back(Answer::No);
             d.answers.push_back(Answer::Cancel);
         },
         [](T& t, D& d) {
             EXPECT_EQ(d.fileRequests.size(), 2u);
             EXPECT_EQ(zvtest::ReadText(t.folder / "x.avc"), "old");
             EXPECT_TRUE(t.editor->Unsaved());
         }},
        {"open reads an album back", kAlOpen, "",
         [](T& t, D& d) {
             SaveAlbum(t.folder / "y.avl", t.Album(), AlbumFileOptions{t.folder / "data"});
             d.answers.push_back(Answer::Ok);
             d.openResults.push_back({(t.folder / "y.avl").string()});
         },
         [](T& t, D&) {
             EXPECT_EQ(t.Letters(), "ABCDE");
             EXPECT_EQ(t.editor->FileName(), (t.folder / "y.avl").string());
         }},
        {"get slides loads the walked album, a work file, as Untitled", kAlGetSlides, "",
         [](T& t, D& d) {
             fs::create_directories(t.folder / "data");
             SaveAlbum(t.folder / "data" / "w.avc", t.Album(), AlbumFileOptions{t.folder / "data"});
             t.walked = (t.folder / "data" / "w.avc").string();
             d.answers.push_back(Answer::Ok); // give up the unsaved slides
         },
         [](T& t, D& d) {
             EXPECT_EQ(d.LastText(), "Discard slideshow/album?");
             EXPECT_EQ(t.Letters(), "ABCDE");
             EXPECT_EQ(t.editor->FileName(), "Untitled");
         }},
        {"run writes the test script from the chosen slide", kAlRun, "", type("2"),
         [](T& t, D& d) {
             EXPECT_EQ(d.dialogs.back().title, "Test slideshow from Slide #");
             EXPECT_NE(zvtest::ReadText(t.played).find("RUN=2\r\n"), std::string::npos);
         }},
        {"redo thumbs needs a selection", kAlRedoThumbs, "", none,
         [](T&, D& d) { EXPECT_EQ(d.LastText(), "Please select slide(s) to redo thumbnails."); }},
        {"album menu mode", kAlAlbumMenu, "", none,
         [](T& t, D&) { EXPECT_TRUE(t.editor->Rule(kAlAlbumMenuOn, 0)); }},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        for (const char* p = c.selected; *p; ++p) editor->Select(*p - '0', true);
        c.script(*this, dialogs);
        editor->Run(c.command, 0, c.shift);
        c.check(*this, dialogs);
    }
}

TEST_F(AlbumEditorTest, RunNeedsTwoSlidesAndAsksPastLimitOnce) {
    dialogs.answers.push_back(Answer::Ok);
    editor->Run(kAlNew);
    editor->MutableAlbum().AddSlide({"/p/", "one", ".jpg"}, {}, 0, 0);
    editor->SlidesChanged();
    dialogs = ScriptedDialogs();
    editor->Run(kAlRun);
    EXPECT_TRUE(dialogs.dialogs.empty());

    for (int i = 0; i < 32000; ++i) editor->MutableAlbum().AddSlide({"/p/", "n", ".jpg"}, {}, i, 0);
    editor->SlidesChanged();
    dialogs.answers.push_back(Answer::Ignore);
    editor->Run(kAlRun); // the start slide is not chosen
    editor->Run(kAlRun);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text.rfind("You have 32001 slides.", 0), 0u);
    EXPECT_EQ(dialogs.dialogs.size(), 2u);
}

TEST(AlbumControls, RoundTripAndOtherSizesGiveDefaults) {
    AlbumViewState view;
    view.statusBar = false;
    view.buttonText = false;
    const Bytes bytes = SerializeAlbumControls({10, 20, 810, 620}, view);
    ASSERT_EQ(bytes.size(), kAlbumControlsSize);
    const AlbumControls read = ParseAlbumControls(bytes);
    EXPECT_EQ(read.bounds, (WindowBounds{10, 20, 810, 620}));
    EXPECT_TRUE(read.toolBar && read.propertiesBox);
    EXPECT_FALSE(read.statusBar || read.buttonText);
    for (std::size_t size : {0, 19, 21}) {
        const AlbumControls defaults = ParseAlbumControls(Bytes(size, 0));
        EXPECT_FALSE(defaults.bounds);
        EXPECT_TRUE(defaults.toolBar && defaults.statusBar && defaults.propertiesBox);
    }
}

} // namespace
} // namespace zv
