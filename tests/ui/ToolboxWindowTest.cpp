// Toolbox commands run from the viewer's menus: the undo copy, the modified
// mark and the recorded batch line around the pass, the same pixels as the
// tool's batch lines, and the histogram window.

#include "album/ui/ShowForm.h"
#include "app/ui/Application.h"
#include "explorer/ui/FileForm.h"
#include "imaging/BitmapFile.h"
#include "platform/ScriptedDialogs.h"
#include "processing/ui/HistogramDialog.h"
#include "viewer/BatchConvert.h"
#include "viewer/ViewerSettings.h"
#include "viewer/ui/BatchForm.h"
#include "viewer/ui/WebForm.h"

#include "../ChooserScript.h"
#include "ViewerSession.h"

#include <QAction>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

using namespace zv;
namespace fs = std::filesystem;

class ToolboxWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<zvtest::ViewerSession> session_;
    fs::path picturePath_;

    TWebForm& StartOn() {
        Bitmap picture;
        picture.Create(64, 16, PixelFormat::Bits24);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 64; ++x) {
                std::uint8_t* pixel = picture.ScanLine(y) + 3 * x;
                pixel[0] = static_cast<std::uint8_t>(x * 4);
                pixel[1] = static_cast<std::uint8_t>(y * 16);
                pixel[2] = 200;
            }
        picturePath_ = session_->home.Path() / "picture.bmp";
        WriteBitmapFile(picturePath_, picture);
        ViewerSettings settings = DefaultViewerSettings(24);
        settings.autoSize = false;
        return session_->StartOn(picturePath_.string(), settings);
    }

    QAction* Command(TWebForm& viewer, const QString& caption) {
        for (QAction* action : viewer.findChildren<QAction*>())
            if (action->text() == caption) return action;
        return nullptr;
    }

    Bitmap& Current() { return session_->Program().Imaging().current; }

private slots:
    void init() { session_ = std::make_unique<zvtest::ViewerSession>(); }
    void cleanup() { session_.reset(); }

    void aMenuCommandTakesTheUndoCopyMarksAndRecords() {
        TWebForm& viewer = StartOn();
        std::vector<std::string> lines;
        bool recording = false;
        viewer.recorder.recording = [&] { return recording; };
        viewer.recorder.append = [&](const std::string& line) { lines.push_back(line); };
        QVERIFY(!session_->Program().Document().modified);

        QAction* unwash = Command(viewer, QStringLiteral("Un&Wash"));
        QVERIFY(unwash);
        unwash->trigger();
        // Every byte v becomes v x v div 255: 200 gives 156, 4 x 10 = 40 gives 6.
        QCOMPARE(int(Current().ScanLine(0)[3 * 10 + 2]), 156);
        QCOMPARE(int(Current().ScanLine(0)[3 * 10]), 6);
        QVERIFY(session_->Program().Document().modified);
        QVERIFY(lines.empty()); // not recording

        recording = true;
        Command(viewer, QStringLiteral("&Attenuate"))->trigger();
        QCOMPARE(lines, std::vector<std::string>{"ATTENUATE"});

        // The undo copy was taken before the last command.
        Command(viewer, QStringLiteral("&Undo"))->trigger();
        QCOMPARE(int(Current().ScanLine(0)[3 * 10 + 2]), 156);
    }

    void filtersWithoutADialogRunFromTheMenuAndTheKeys() {
        TWebForm& viewer = StartOn();
        std::vector<std::string> lines;
        viewer.recorder.recording = [] { return true; };
        viewer.recorder.append = [&](const std::string& line) { lines.push_back(line); };
        Command(viewer, QStringLiteral("&Strong"))->trigger();
        QCOMPARE(lines, std::vector<std::string>{"DESCREEN_STRONG"});
        QVERIFY(Command(viewer, QStringLiteral("&Undo"))->isEnabled());
        Command(viewer, QStringLiteral("Auto &White"))->trigger();
        QCOMPARE(lines.back(), std::string("AUTO_WHITE"));
        lines.pop_back();
        // S sharpens at once and records nothing.
        const Bitmap before = Current();
        QTest::keyClick(&viewer, Qt::Key_S);
        QCOMPARE(lines.size(), std::size_t{1});
        QCOMPARE(Current().Width(), before.Width());
    }

    void theBatchEditorRecordsAndPerformRunsTheScriptAgain() {
        TWebForm& viewer = StartOn();
        Application& program = session_->Program();
        Command(viewer, QStringLiteral("&Editor"))->trigger();
        QVERIFY(program.BatchWindow().isVisible());
        QVERIFY(program.BatchScript().Recording());
        const Bitmap original = Current();
        Command(viewer, QStringLiteral("&Attenuate"))->trigger();
        Command(viewer, QStringLiteral("Un&Wash"))->trigger();
        QCOMPARE(program.BatchScript().Lines(), (std::vector<std::string>{"ATTENUATE", "UNWASH"}));
        const Bitmap edited = Current();

        // Closing only hides the editor: the script and the recording stay.
        program.BatchWindow().close();
        QVERIFY(!program.BatchWindow().isVisible());
        QVERIFY(program.BatchScript().Recording());

        Command(viewer, QStringLiteral("&Undo"))->trigger();
        Command(viewer, QStringLiteral("&Undo"))->trigger();
        Current() = original;
        // Fit to window is on: Perform warns first; Ignore goes on.
        session_->dialogs.answers.push_back(Answer::Ignore);
        Command(viewer, QStringLiteral("&Perform"))->trigger();
        QVERIFY(session_->dialogs.LastText().starts_with(
            "You have an automatic resizing feature enabled;"));
        QCOMPARE(std::memcmp(Current().ScanLine(0), edited.ScanLine(0), 64 * 3), 0);
        QCOMPARE(std::memcmp(Current().ScanLine(15), edited.ScanLine(15), 64 * 3), 0);
        // Perform recorded nothing more, and its undo copy gives the picture back.
        QCOMPARE(program.BatchScript().Lines().size(), std::size_t{2});
        Command(viewer, QStringLiteral("&Undo"))->trigger();
        QCOMPARE(std::memcmp(Current().ScanLine(0), original.ScanLine(0), 64 * 3), 0);
    }

    void rotateMirrorAndAutoResizeFromTheMenus() {
        TWebForm& viewer = StartOn();
        std::vector<std::string> lines;
        viewer.recorder.recording = [] { return true; };
        viewer.recorder.append = [&](const std::string& line) { lines.push_back(line); };
        const Bitmap original = Current();
        Command(viewer, QStringLiteral("90 deg."))->trigger();
        QCOMPARE(Current().Width(), 16);
        QCOMPARE(Current().Height(), 64);
        // Clockwise: the old bottom-left pixel is now the top-left one.
        QCOMPARE(std::memcmp(Current().ScanLine(0), original.ScanLine(15), 3), 0);
        QCOMPARE(lines, std::vector<std::string>{"ROTATE=90"});
        QVERIFY(session_->Program().Document().modified);

        Command(viewer, QStringLiteral("Mirror Vertical"))->trigger();
        QCOMPARE(lines.size(), std::size_t{1}); // mirroring records nothing

        // Z: the largest size that fits the view, the modified mark kept.
        Command(viewer, QStringLiteral("&Resize"))->trigger();
        const ViewArea area = viewer.ViewSize();
        QVERIFY(Current().Height() == area.height || Current().Width() == area.width);
        QVERIFY(session_->Program().Document().modified);
    }

    // Each item asks its numbers in its own dialog, then runs and records
    // what was asked; Cancel does nothing.
    void itemsWithTheirOwnDialogsAskThenRun() {
        TWebForm& viewer = StartOn();
        std::vector<std::string> lines;
        viewer.recorder.recording = [] { return true; };
        viewer.recorder.append = [&](const std::string& line) { lines.push_back(line); };
        using Step = DialogStep;
        struct Row {
            const char* caption;
            DialogScript script;
            const char* title;
            const char* recorded; // empty: nothing
        };
        const Row rows[] = {
            // 64 x 16 with the aspect kept: the height follows the width.
            {"Interpolate (fast)",
             {Step::Type(0, "128"), Step::Ok()},
             "Image Resize",
             "RESIZE=128,32"},
            {"Normal", {Step::Cancel()}, "Rotate image (deg.)", ""},
            {"Normal", {Step::Slider(0, 30), Step::Ok()}, "Rotate image (deg.)", "ROTATE=30"},
            {"Fine", {Step::Slider(0, 4550), Step::Ok()}, "Rotate image (deg.)", "ROTATE=46"},
            {"&Artifacts", {Step::Slider(0, 60), Step::Ok()}, "Add JPEG artifacts", "ARTIFACT=60"},
            {"&Border",
             {Step::Type(0, "2"), Step::Type(1, "3"), Step::Ok()},
             "Set Border",
             "BORDER=12632256,2,3"},
            {"Mosaic (tile)",
             {Step::Slider(0, 3), Step::Test(), Step::Ok()},
             "Set Mosaic Tile to",
             "MOSAIC=3"},
            {"&256 colors (dither)", {Step::Ok()}, "Color reduction method", ""},
        };
        for (const Row& row : rows) {
            const std::size_t recordedBefore = lines.size();
            session_->dialogs.dialogScripts.push_back(row.script);
            QAction* item = Command(viewer, QString::fromUtf8(row.caption));
            QVERIFY2(item && item->isEnabled(), row.caption);
            item->trigger();
            QCOMPARE(QString::fromStdString(session_->dialogs.dialogs.back().title),
                     QString::fromUtf8(row.title));
            const std::string recorded = lines.size() > recordedBefore ? lines.back() : "";
            QCOMPARE(QString::fromStdString(recorded), QString::fromUtf8(row.recorded));
        }
        QCOMPARE(Current().BitsPerPixel(), 8); // the dithered reduction ran
        QVERIFY(!Command(viewer, QStringLiteral("&256 colors (dither)"))->isEnabled());
    }

    void theBookmarksBecomeTheAlbumsSlides() {
        TWebForm& viewer = StartOn();
        Application& program = session_->Program();
        const fs::path second = session_->home.Path() / "second.bmp";
        fs::copy_file(picturePath_, second);
        program.ViewerDoc().OpenByName(second.string());
        Command(viewer, QStringLiteral("Albu&m"))->trigger();
        QVERIFY(program.AlbumWindow() && program.AlbumWindow()->isVisible());
        const AlbumEditor& album = program.AlbumWindow()->Editor();
        QCOMPARE(album.Count(), 2);
        QCOMPARE(QString::fromStdString(album.FileName()), QStringLiteral("Untitled"));
    }

    // The explorer's slide listings: the instant slideshow becomes the
    // viewer's bookmarks, the tree an Untitled album in the album window.
    void theExplorersListingsReachTheViewerAndTheAlbum() {
        StartOn();
        Application& program = session_->Program();
        const fs::path tree = session_->home.Path() / "tree";
        fs::create_directories(tree / "sub");
        fs::copy_file(picturePath_, tree / "a.bmp");
        fs::copy_file(picturePath_, tree / "sub" / "b.bmp");
        TFileForm& explorer = program.Explorer();
        explorer.ShowFolder(tree.string());

        explorer.InstantSlideshow();
        QCOMPARE(program.History().Count(), 2);
        QCOMPARE(QString::fromStdString(program.ViewerDoc().CurrentPath()),
                 QString::fromStdString((tree / "a.bmp").string()));

        session_->dialogs.answers.push_back(Answer::Yes); // the sub-folders too
        explorer.MakeSlideshow();
        QVERIFY(program.AlbumWindow() && program.AlbumWindow()->isVisible());
        QCOMPARE(program.AlbumWindow()->Editor().Count(), 2);
        QCOMPARE(QString::fromStdString(program.AlbumWindow()->Editor().FileName()),
                 QStringLiteral("Untitled"));
    }

    void theJpegWizardSavesACompressedCopyAndKeepsItsSettings() {
        TWebForm& viewer = StartOn();
        Application& program = session_->Program();
        const Bitmap original = Current();
        const fs::path saved = session_->home.Path() / "small.jpg";
        session_->dialogs.saveResults.push_back(saved.string());
        session_->dialogs.dialogScripts.push_back(
            {DialogStep::Slider(1, 80), DialogStep::Test(), DialogStep::Ok()});
        Command(viewer, QStringLiteral("&Compress"))->trigger();
        QCOMPARE(QString::fromStdString(session_->dialogs.dialogs.back().title),
                 QStringLiteral("JPEG Compression Wizard"));
        QVERIFY(fs::file_size(saved) > 0);
        QCOMPARE(std::memcmp(Current().ScanLine(5), original.ScanLine(5), 64 * 3), 0);
        QVERIFY(!program.Document().modified);
        QCOMPARE(program.JpegSettings().values[2], 80);
    }

    void aTextMarkAsksDrawsInItsCornerAndRecords() {
        TWebForm& viewer = StartOn();
        std::vector<std::string> lines;
        viewer.recorder.recording = [] { return true; };
        viewer.recorder.append = [&](const std::string& line) { lines.push_back(line); };
        const Bitmap original = Current();
        session_->dialogs.textResults.push_back(std::nullopt); // Cancel: nothing happens
        Command(viewer, QStringLiteral("Bottom Right"))->trigger();
        QVERIFY(lines.empty());
        session_->dialogs.textResults.push_back(std::string("Hi"));
        Command(viewer, QStringLiteral("Top Left"))->trigger();
        QCOMPARE(lines, std::vector<std::string>{"TEXTMARK_TOPLEFT=Hi"});
        // The mark sits in the top rows; the bottom row is untouched.
        QVERIFY(std::memcmp(Current().ScanLine(2), original.ScanLine(2), 64 * 3) != 0 ||
                std::memcmp(Current().ScanLine(6), original.ScanLine(6), 64 * 3) != 0);
        QCOMPARE(std::memcmp(Current().ScanLine(15), original.ScanLine(15), 64 * 3), 0);
    }

    void onA256ColourDisplayYesDithersTo256Colours() {
        TWebForm& viewer = StartOn();
        session_->Program().Imaging().descriptor.ScreenBits = 8;
        session_->dialogs.answers.push_back(Answer::Yes); // the 256-colour warning
        session_->dialogs.answers.push_back(Answer::Yes); // "Convert to 256 colors?"
        Command(viewer, QStringLiteral("Un&Wash"))->trigger();
        QCOMPARE(session_->dialogs.LastText(), std::string(kOffer256Text));
        QCOMPARE(Current().BitsPerPixel(), 8);
        QCOMPARE(int(session_->Program().Imaging().descriptor.ImageBits), 8);
    }

    void onA256ColourDisplayGrayShadesReducesOntoGreys() {
        TWebForm& viewer = StartOn();
        std::vector<std::string> lines;
        viewer.recorder.recording = [] { return true; };
        viewer.recorder.append = [&](const std::string& line) { lines.push_back(line); };
        session_->Program().Imaging().descriptor.ScreenBits = 8;
        session_->dialogs.answers.push_back(Answer::Yes); // the 256-colour warning
        Command(viewer, QStringLiteral("Gra&y shades"))->trigger();
        QCOMPARE(Current().BitsPerPixel(), 8);
        for (const auto& colour : Current().Colours())
            QVERIFY(colour.red == colour.green && colour.green == colour.blue);
        QCOMPARE(lines, std::vector<std::string>{"GRAYSCALE"});
    }

    void toPngConvertsTheBookmarksAndLogsWhatItSkipped() {
        TWebForm& viewer = StartOn();
        Application& program = session_->Program();
        const fs::path second = session_->home.Path() / "second.bmp";
        const fs::path gone = session_->home.Path() / "gone.bmp";
        const fs::path text = session_->home.Path() / "text.bmp";
        fs::copy_file(picturePath_, second);
        fs::copy_file(picturePath_, gone);
        fs::copy_file(picturePath_, text);
        for (const fs::path& path : {second, gone, text})
            program.ViewerDoc().OpenByName(path.string());
        QCOMPARE(program.History().Count(), 4);
        fs::remove(gone);
        std::ofstream(text) << "not a picture";
        ChooserRequest shown;
        program.chooseFromList = [&](ChooserRequest& request) {
            shown = request;
            return zvtest::AcceptAsOpened(request);
        };
        const fs::path target = session_->home.Path() / "out";
        fs::create_directory(target);
        session_->dialogs.folderResults.push_back(target.string());
        Command(viewer, QStringLiteral("to PN&G"))->trigger();
        QCOMPARE(shown.caption, std::string("Batch Source Files to be Converted"));
        QCOMPARE(shown.mode, 5);
        QCOMPARE(shown.list.size(), std::size_t{4});
        QCOMPARE(session_->dialogs.folderCaptions.back(),
                 std::string("Select Target Folder for .png files"));
        QVERIFY(fs::exists(target / "picture.png"));
        QVERIFY(fs::exists(target / "second.png"));
        QVERIFY(!fs::exists(target / "gone.png")); // the chooser offered only what exists
        QCOMPARE(session_->dialogs.LastText(), zv::SkippedFilesText(1)); // text.bmp
        QVERIFY(viewer.isEnabled());
        QVERIFY(!viewer.BatchRunning());
    }

    void aScriptChosenInTheExplorerOpensInTheEditor() {
        StartOn();
        Application& program = session_->Program();
        const fs::path script = session_->home.Path() / "night.bip";
        std::ofstream(script) << "NEGATIVE\r\nGAMMA=150,150,150\r\n";
        session_->dialogs.openResults.push_back({script.string()});
        emit program.Explorer().batchScriptWanted(QString::fromStdString(script.string()));
        QVERIFY(program.BatchWindow().isVisible());
        QCOMPARE(session_->dialogs.fileRequests.back().fileName, std::string("night.bip"));
        QCOMPARE(program.BatchScript().Lines(),
                 (std::vector<std::string>{"NEGATIVE", "GAMMA=150,150,150"}));
        QCOMPARE(program.BatchWindow().windowTitle(), QStringLiteral("Batch Editor - night.bip"));
    }

    void escapeStopsALoopingScript() {
        TWebForm& viewer = StartOn();
        Application& program = session_->Program();
        Command(viewer, QStringLiteral("&Editor"))->trigger();
        program.BatchWindow().TextBox()->setPlainText(QStringLiteral("ATTENUATE\nLOOP\n"));
        session_->dialogs.answers.push_back(Answer::Ignore);
        QTimer::singleShot(100, &viewer, [&viewer] { QTest::keyClick(&viewer, Qt::Key_Escape); });
        Command(viewer, QStringLiteral("&Perform"))->trigger();
        QVERIFY(!viewer.BatchRunning());
    }

    void theToolsBatchLineGivesTheSamePixels() {
        const QByteArray zelvan = qgetenv("ZV_ZELVAN");
        const fs::path tool =
            fs::path(zelvan.toStdString()).parent_path() / "tools" / "zelvan-tool" / "zelvan-tool";
        if (zelvan.isEmpty() || !fs::exists(tool))
            QSKIP("zelvan-tool not found beside the program");
        TWebForm& viewer = StartOn();
        const fs::path out = session_->home.Path() / "uncooked.bmp";
        QProcess run;
        run.start(QString::fromStdString(tool.string()),
                  {QStringLiteral("apply"), QString::fromStdString(picturePath_.string()),
                   QString::fromStdString(out.string()), QStringLiteral("UNCOOK")});
        QVERIFY(run.waitForFinished(20000));
        if (run.exitCode() == 2 && !fs::exists(out)) QSKIP("zelvan-tool apply is not available");
        QCOMPARE(run.exitCode(), 0);
        Command(viewer, QStringLiteral("Un&Cook"))->trigger();
        const Bitmap fromTool = ReadBitmapFile(out);
        QCOMPARE(fromTool.Width(), Current().Width());
        for (int y = 0; y < Current().Height(); ++y)
            QVERIFY(std::memcmp(fromTool.ScanLine(y), Current().ScanLine(y), 64 * 3) == 0);
    }

    void theHistogramWindowShowsThePicturesCounts() {
        TWebForm& viewer = StartOn();
        QTest::keyClick(&viewer, Qt::Key_H, Qt::ControlModifier);
        THistogramDlg* window = viewer.HistogramWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Histogram [picture.bmp]"));
        QCOMPARE(window->Channel(), HistogramChannel::Gray);
        window->SetLevel(200);
        // Red is 200 in all 64 x 16 pixels.
        QVERIFY2(window->LevelText().contains(QStringLiteral("Red: 1024")),
                 qPrintable(window->LevelText()));
        window->ZoomStep();
        QCOMPARE(window->Zoom(), 2);
    }

    void analyzeReportsThePictureAndSavesTheReport() {
        TWebForm& viewer = StartOn();
        std::vector<std::string> opened;
        viewer.openTextFile = [&](const std::string& path) {
            opened.push_back(path);
            return true;
        };
        viewer.reportFolder = session_->home.Path();
        session_->dialogs.answers.push_back(Answer::Yes);
        Command(viewer, QStringLiteral("Anal&yze"))->trigger();
        QVERIFY(!session_->dialogs.boxes.empty());
        const std::string& text = session_->dialogs.boxes.back().text;
        QVERIFY2(text.starts_with("Filename: picture.bmp\n"), text.c_str());
        QVERIFY(text.find("Red values:  Mean = 200.00  sd. = 0.00  gamut = 0") !=
                std::string::npos);
        QVERIFY(text.ends_with("\n\nSave to text file?"));
        const fs::path report = session_->home.Path() / "ImageReport.txt";
        QCOMPARE(opened, std::vector<std::string>{report.string()});
        QVERIFY(fs::file_size(report) > 100);
        // The analysis leaves the picture as it was.
        QVERIFY(!session_->Program().Document().modified);
    }
};

QTEST_MAIN(ToolboxWindowTest)
#include "ToolboxWindowTest.moc"
