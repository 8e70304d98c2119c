// The viewer window driven as a user drives it: keys, menus, the path box
// and drops, checked through its caption, status bar and history.

#include "app/ui/Application.h"
#include "imaging/BitmapFile.h"
#include "platform/ScriptedDialogs.h"
#include "platform/linux/FileSettingsStore.h"
#include "viewer/ViewerSettings.h"
#include "viewer/ui/MediaPanel.h"
#include "viewer/ui/WebForm.h"

#include "ViewerSession.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QUrl>

#include <tiffio.h>

#include <chrono>
#include <fstream>

using namespace zv;
namespace fs = std::filesystem;

class ViewerWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<zvtest::ViewerSession> session_;

    fs::path Home() const { return session_->home.Path(); }
    Application& Program() { return session_->Program(); }

    std::string Picture(const std::string& name, int width = 40, int height = 30) {
        Bitmap picture;
        picture.Create(width, height, PixelFormat::Bits24);
        const fs::path path = Home() / "pictures" / name;
        fs::create_directories(path.parent_path());
        WriteBitmapFile(path, picture);
        return path.string();
    }

    // Three 1-bit fax pages, which open through the library and page.
    std::string ThreePageTiff() {
        const fs::path path = Home() / "pictures" / "three pages.tif";
        fs::create_directories(path.parent_path());
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        const std::uint8_t row[2] = {0x0F, 0xF0};
        for (int page = 0; page < 3; ++page) {
            TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 16);
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 4);
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 4);
            for (int y = 0; y < 4; ++y)
                TIFFWriteScanline(tif, const_cast<std::uint8_t*>(row), y, 0);
            TIFFWriteDirectory(tif);
        }
        TIFFClose(tif);
        return path.string();
    }

    // The program started on a picture, as from the command line.
    TWebForm& StartOn(const std::string& picture) {
        ViewerSettings settings = DefaultViewerSettings(24);
        settings.faxQuality = 0;
        settings.autoSize = false;
        return session_->StartOn(picture, settings);
    }

    static void Key(TWebForm& viewer, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&viewer, static_cast<Qt::Key>(key), modifiers);
    }

    static QLineEdit* PathBox(TWebForm& viewer) {
        return viewer.findChild<QComboBox*>(QStringLiteral("History"))->lineEdit();
    }

private slots:
    void init() { session_ = std::make_unique<zvtest::ViewerSession>(); }
    void cleanup() { session_.reset(); }

    void theStartPictureOpensWithItsCaptionAndStatus() {
        const std::string picture = Picture("a sample.bmp");
        TWebForm& viewer = StartOn(picture);
        QCOMPARE(viewer.CurrentPath(), picture);
        QCOMPARE(viewer.windowTitle(), QStringLiteral("a sample.bmp - Zelvan 7.04"));
        QCOMPARE(viewer.StatusText(), QStringLiteral("Ready."));
        QCOMPARE(viewer.PictureLineText(), QStringLiteral("40x30(24) dib"));
        QCOMPARE(PathBox(viewer)->text(), QString::fromStdString(picture));
        QVERIFY(session_->dialogs.boxes.empty());
    }

    void fiveFilesFromTheDialogAreSteppedWithTheKeys() {
        TWebForm& viewer = StartOn(Picture("start.bmp"));
        std::vector<std::string> files;
        for (const char* name : {"1.bmp", "2.bmp", "3.bmp", "4.bmp", "5.bmp"})
            files.push_back(Picture(name, 20, 10));
        session_->dialogs.openResults.push_back(files);
        Key(viewer, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(viewer.windowTitle(), QStringLiteral("1.bmp - Zelvan 7.04"));
        QCOMPARE(Program().History().Count(), 6);

        Key(viewer, Qt::Key_PageDown);
        QCOMPARE(viewer.windowTitle(), QStringLiteral("2.bmp - Zelvan 7.04"));
        Key(viewer, Qt::Key_PageUp);
        QCOMPARE(viewer.windowTitle(), QStringLiteral("1.bmp - Zelvan 7.04"));
        Key(viewer, Qt::Key_End);
        QCOMPARE(Program().History().Current(), Program().History().Entries().back());
        Key(viewer, Qt::Key_PageDown); // wraps to the first
        QCOMPARE(Program().History().HistoryIndex(), 0);

        fs::remove(files[1]);
        Program().ViewerDoc().Step(HistoryStep::First);
        const std::string shown = viewer.CurrentPath();
        Key(viewer, Qt::Key_PageDown); // onto the deleted file: it leaves the history
        QCOMPARE(Program().History().Count(), 5);
        QCOMPARE(viewer.CurrentPath(), shown);
    }

    void nextInFolderWalksTheFolderInTheExplorersOrder() {
        // The listing leaves out files written in the last two seconds.
        const auto written = fs::file_time_type::clock::now() - std::chrono::hours(1);
        std::vector<std::string> folder;
        for (const char* name : {"d.bmp", "a.bmp", "E.bmp", "c.bmp", "b.bmp", "notes.txt"}) {
            folder.push_back(Picture(std::string("folder/") + name, 12, 8));
            fs::last_write_time(folder.back(), written);
        }
        TWebForm& viewer = StartOn(folder[1]);
        QStringList visited;
        for (int step = 0; step < 4; ++step) {
            Key(viewer, Qt::Key_PageDown, Qt::ShiftModifier);
            visited << viewer.windowTitle().section(QLatin1Char(' '), 0, 0);
        }
        QCOMPARE(visited, QStringList({"b.bmp", "c.bmp", "d.bmp", "E.bmp"}));
        Key(viewer, Qt::Key_PageDown, Qt::ShiftModifier); // the end: it stays
        QCOMPARE(viewer.StatusText(), QString::fromLatin1(kLastInFolderText));
        QMouseEvent back(QEvent::MouseButtonPress, QPointF(5, 5), viewer.mapToGlobal(QPointF(5, 5)),
                         Qt::BackButton, Qt::BackButton, Qt::NoModifier);
        QApplication::sendEvent(viewer.Display(), &back);
        QCOMPARE(viewer.CurrentPath(), folder[0]);
    }

    void pagesOfAFaxAreCountedInTheStatusBar() {
        TWebForm& viewer = StartOn(ThreePageTiff());
        QCOMPARE(viewer.StatusText(), QStringLiteral("Page 1 of 3"));
        Key(viewer, Qt::Key_PageUp, Qt::AltModifier);
        QCOMPARE(viewer.StatusText(), QStringLiteral("Page 3 of 3"));
        Key(viewer, Qt::Key_Home, Qt::AltModifier);
        QCOMPARE(viewer.StatusText(), QStringLiteral("Page 1 of 3"));
    }

    void thePathBoxOpensWhatIsTypedAndPutsBackWhatIsNot() {
        const std::string first = Picture("first.bmp");
        const std::string second = Picture("second.bmp", 8, 8);
        TWebForm& viewer = StartOn(first);
        QLineEdit* box = PathBox(viewer);
        box->setFocus();
        box->setText(QString::fromStdString(second));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(viewer.CurrentPath(), second);

        box->setText(QStringLiteral("/no/such/picture.bmp"));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(session_->dialogs.LastText(), std::string("File not found."));
        QCOMPARE(box->text(), QString::fromStdString(second));

        box->setText(QStringLiteral("typing"));
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(box->text(), QString::fromStdString(second));
        // Home moves within the box instead of to the first entry.
        box->setCursorPosition(3);
        QTest::keyClick(box, Qt::Key_Home);
        QCOMPARE(box->cursorPosition(), 0);
        QCOMPARE(viewer.CurrentPath(), second);
    }

    void droppedFilesJoinTheHistoryAndTheFirstOpens() {
        TWebForm& viewer = StartOn(Picture("start.bmp"));
        const std::string a = Picture("dropped a.bmp"), b = Picture("dropped b.bmp");
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(a)),
                      QUrl::fromLocalFile(QString::fromStdString(b))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&viewer, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&viewer, &drop);
        QCOMPARE(viewer.CurrentPath(), a);
        QCOMPARE(Program().History().Count(), 3);
    }

    void saveAsWritesTheTypeChosenAndRenamesTheDocument() {
        TWebForm& viewer = StartOn(Picture("edited.bmp"));
        Program().Document().modified = true;
        const std::string asked = (Home() / "saved.png").string();
        Program().UseSaveHooks({[&](const SaveDialogRequest& request) {
                                    SaveDialogAnswer answer;
                                    answer.result = SaveDialogResult::Save;
                                    answer.path = asked;
                                    answer.type = 5; // JPEG colour: the name takes ".jpg"
                                    answer.quality = request.quality;
                                    return answer;
                                },
                                {}});
        Key(viewer, Qt::Key_S, Qt::ControlModifier);
        const std::string saved = (Home() / "saved.jpg").string();
        QVERIFY(fs::exists(saved));
        QCOMPARE(viewer.CurrentPath(), saved);
        QVERIFY(!Program().Document().modified);
        QCOMPARE(viewer.windowTitle(), QStringLiteral("saved.jpg - Zelvan 7.04"));
        QCOMPARE(Program().History().Current(), saved);
    }

    void aTextFileIsShownAsText() {
        TWebForm& viewer = StartOn(Picture("start.bmp"));
        const fs::path notes = Home() / "notes.txt";
        std::ofstream(notes) << "first line\r\nsecond line\r\n";
        Program().ViewerDoc().OpenByName(notes.string());
        auto* text = viewer.findChild<QPlainTextEdit*>(QStringLiteral("textView"));
        QVERIFY(text && text->isVisible());
        QVERIFY(text->toPlainText().startsWith(QStringLiteral("first line\nsecond line")));
        QCOMPARE(viewer.windowTitle(), QStringLiteral("notes.txt - Zelvan 7.04"));
    }

    void soundPlaysInMediaModeAndABrokenClipIsReported() {
        TWebForm& viewer = StartOn(Picture("start.bmp"));
        const std::string tone = fs::absolute("tests/data/media/tone.wav").string();
        QVERIFY(fs::exists(tone));
        Program().ViewerDoc().OpenByName(tone);
        QVERIFY(Program().ViewerDoc().MediaMode());
        QVERIFY(viewer.Media() != nullptr);
        QVERIFY(!viewer.statusBar()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(viewer.Media()->IsOpen(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(viewer.Media()->IsPlaying(), 5000); // Auto Play + Loop
        QCOMPARE(viewer.windowTitle(), QStringLiteral("tone.wav - Zelvan 7.04"));
        QCOMPARE(Program().History().Current(), tone);

        const std::string clip = fs::absolute("tests/data/media/clip.avi").string();
        Program().ViewerDoc().OpenByName(clip);
        QTRY_VERIFY_WITH_TIMEOUT(viewer.Media()->IsOpen(), 10000);
        QCOMPARE(viewer.Media()->VideoSize(), QSize(64, 48));
        QCOMPARE(Program().History().Current(), clip);
        QVERIFY(Program().Settings().settings.playerTrackHeight > 0);

        const std::string broken = fs::absolute("tests/data/media/broken.avi").string();
        Program().ViewerDoc().OpenByName(broken);
        QTRY_VERIFY_WITH_TIMEOUT(!Program().ViewerDoc().MediaMode(), 12000);
        QCOMPARE(session_->dialogs.LastText(), std::string(kMediaUnsupportedText));
        QVERIFY(viewer.statusBar()->isVisible());
    }
};

QTEST_MAIN(ViewerWindowTest)
#include "ViewerWindowTest.moc"
