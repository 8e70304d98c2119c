// A new user's first hour with the viewer: the window sized to a picture
// without scroll bars, the first start's hint, the tool bar's icons, tips and
// captions, the information window, the file dialogs and boxes over the
// window that asked, the save dialog's start, a folder named at start, and
// screenshots of what a new user sees.

#include "app/ui/Application.h"
#include "explorer/ui/FileForm.h"
#include "explorer/ui/ThumbnailRunner.h"
#include "formats/JpegWriter.h"
#include "imaging/BitmapFile.h"
#include "platform/qt/QtDialogs.h"
#include "viewer/PictureSave.h"
#include "viewer/ui/InfoWindow.h"
#include "viewer/ui/SaveDialog.h"
#include "viewer/ui/WebForm.h"

#include "../ExifBlocks.h"
#include "ViewerSession.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <cstring>
#include <filesystem>
#include <fstream>

using namespace zv;
namespace fs = std::filesystem;

namespace {

// A picture of colour bands, so a screenshot or a thumbnail shows something.
Bitmap Bands(int width, int height, int seed = 0) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = picture.ScanLine(y) + 3 * x;
            pixel[0] = std::uint8_t(x * 255 / width + seed * 40);
            pixel[1] = std::uint8_t(y * 255 / height);
            pixel[2] = std::uint8_t(((x / 16 + y / 16) % 2) * 200 + seed * 20);
        }
    return picture;
}

QToolBar* ToolBar(TWebForm& viewer) {
    return viewer.findChild<QToolBar*>(QStringLiteral("toolBar"));
}

QAction* Button(TWebForm& viewer, const QString& text) {
    for (QAction* action : ToolBar(viewer)->actions())
        if (action->text() == text) return action;
    return nullptr;
}

// The buttons pushed into the tool bar's overflow, with the widths, when there are any.
QString ButtonsHidden(TWebForm& viewer) {
    QToolBar* bar = ToolBar(viewer);
    QString hidden;
    for (QAction* action : bar->actions()) {
        QWidget* button = bar->widgetForAction(action);
        if (action->isVisible() && button && !button->isVisible()) hidden += action->text() + " ";
    }
    if (hidden.isEmpty()) return {};
    return hidden + QStringLiteral("hidden; bar %1 of %2 wide")
                        .arg(bar->sizeHint().width())
                        .arg(viewer.width());
}

// Runs `look` on the next modal dialog once it shows, then closes it.
void WhenModalShows(std::function<void(QWidget&)> look) {
    QTimer::singleShot(0, [look] {
        QWidget* dialog = nullptr;
        QTest::qWaitFor([&] { return (dialog = QApplication::activeModalWidget()) != nullptr; },
                        3000);
        if (!dialog) return;
        QTest::qWait(50);
        look(*dialog);
        if (auto* shown = qobject_cast<QDialog*>(dialog)) shown->reject();
    });
}

// Where the screenshots go: $ZV_SCREENSHOTS, else beside the test program in the build folder.
fs::path ScreenshotFolder() {
    if (const char* folder = std::getenv("ZV_SCREENSHOTS")) return folder;
    return fs::path(QCoreApplication::applicationDirPath().toStdString()) / "screenshots";
}

// Saves the window's picture; true when it holds more than one colour.
bool Screenshot(QWidget& window, const char* name) {
    const QImage image = window.grab().toImage();
    fs::create_directories(ScreenshotFolder());
    const QString path = QString::fromStdString((ScreenshotFolder() / name).string());
    if (image.isNull() || !image.save(path, "PNG")) return false;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            if (image.pixel(x, y) != first) return true;
    return false;
}

} // namespace

class ViewerFirstHourTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<zvtest::ViewerSession> session_;

    fs::path Home() const { return session_->home.Path(); }

    fs::path WriteBmp(const char* name, int width, int height, int seed = 0) {
        const fs::path path = Home() / name;
        fs::create_directories(path.parent_path());
        WriteBitmapFile(path, Bands(width, height, seed));
        // Files younger than two seconds are still being written for the explorer.
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
        return path;
    }

    // A JPEG with a camera's EXIF entries and a comment.
    fs::path WriteCameraJpeg() {
        TJpegWriter writer;
        writer.keptMarkers.push_back(
            {0xE1,
             zvtest::ExifBlock().Build(
                 {{0x010F, 2, {}, "Camera Maker"}, {0x0128, 3, {2}, {}}, {0x011A, 5, {300, 1}, {}}},
                 {{0x829A, 5, {1, 250}, {}},
                  {0x829D, 5, {8, 1}, {}},
                  {0x8822, 3, {3}, {}},
                  {0x9209, 3, {0x19}, {}},
                  {0xA001, 3, {1}, {}}})});
        writer.keptMarkers.push_back({0xFE, {'S', 'u', 'm', 'm', 'e', 'r'}});
        const fs::path path = Home() / "camera.jpg";
        writer.SaveToFile(path, Bands(320, 240));
        return path;
    }

    TWebForm& StartOn(const fs::path& picture, bool autoSize = false) {
        ViewerSettings settings = DefaultViewerSettings(24);
        settings.autoSize = autoSize;
        settings.fitToWindow = false;
        return session_->StartOn(picture.string(), settings);
    }

private slots:
    void init() { session_ = std::make_unique<zvtest::ViewerSession>(); }
    void cleanup() { session_.reset(); }

    // A cut-off JPEG shows the rows before the cut, and the path box, the
    // caption and the status all name it; Auto Clean on it is undone byte
    // for byte.
    void aCutOffJpegIsNamedAlikeEverywhereAndAutoCleanIsUndone() {
        TWebForm& viewer = StartOn(WriteBmp("first.bmp", 40, 30));
        TJpegWriter writer;
        const Bytes whole = writer.Compress(Bands(320, 240));
        const fs::path cut = Home() / "cut.jpg";
        std::ofstream(cut, std::ios::binary)
            .write(reinterpret_cast<const char*>(whole.data()),
                   static_cast<std::streamsize>(whole.size() / 2));
        session_->Program().ViewerDoc().OpenByName(cut.string());
        QCOMPARE(viewer.CurrentPath(), cut.string());
        QCOMPARE(viewer.findChild<QComboBox*>(QStringLiteral("History"))->lineEdit()->text(),
                 QString::fromStdString(cut.string()));
        QVERIFY2(viewer.windowTitle().contains(QStringLiteral("cut.jpg")),
                 qPrintable(viewer.windowTitle()));
        QCOMPARE(viewer.StatusText(), QString::fromLatin1(kDamagedJpegText));

        const Bitmap before = session_->Program().Imaging().current;
        QAction* clean = nullptr;
        for (QAction* action : viewer.findChildren<QAction*>())
            if (action->text() == QStringLiteral("&Clean")) clean = action;
        QVERIFY(clean && clean->isEnabled());
        clean->trigger();
        const Bitmap& after = session_->Program().Imaging().current;
        QVERIFY(after.Width() != before.Width() || after.Format() != before.Format() ||
                std::memcmp(after.ScanLine(120), before.ScanLine(120), 3 * 320) != 0);
        viewer.UndoCommand();
        const Bitmap& undone = session_->Program().Imaging().current;
        QCOMPARE(undone.Width(), before.Width());
        for (int y = 0; y < before.Height(); ++y)
            QVERIFY(std::memcmp(undone.ScanLine(y), before.ScanLine(y), 3 * 320) == 0);
    }

    void autoSizeFitsTheWindowToThePictureWithoutScrollBars() {
        const QSize sizes[] = {{400, 300}, {200, 120}, {600, 380}};
        for (const QSize size : sizes) {
            session_ = std::make_unique<zvtest::ViewerSession>();
            TWebForm& viewer = StartOn(WriteBmp("picture.bmp", size.width(), size.height()), true);
            QTest::qWait(50);
            const QScrollArea* area = viewer.ScrollArea();
            QVERIFY2(!area->horizontalScrollBar()->isVisible() &&
                         !area->verticalScrollBar()->isVisible(),
                     qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())));
            QVERIFY(area->viewport()->width() >= size.width());
            QVERIFY(area->viewport()->height() >= size.height());
        }
    }

    void aFirstStartShowsTheHintUntilAPictureOpens() {
        TWebForm& viewer = session_->StartFirstTime();
        QTest::qWait(50);
        auto* stack = viewer.findChild<QStackedWidget*>();
        auto* hint = viewer.findChild<QLabel*>(QStringLiteral("startHint"));
        QVERIFY(stack && hint);
        QCOMPARE(stack->currentWidget(), hint);
        QCOMPARE(hint->text(),
                 QStringLiteral("Open a picture (Ctrl+O), or double-click one in the explorer"));
        session_->Program().ViewerDoc().OpenByName(WriteBmp("picture.bmp", 40, 30).string());
        QCOMPARE(stack->currentWidget(), static_cast<QWidget*>(viewer.ScrollArea()));
    }

    void theToolBarHasThemeIconsTipsAndCaptionsThatFit() {
        TWebForm& viewer = session_->StartFirstTime();
        QTest::qWait(50);
        QVERIFY(viewer.testAttribute(Qt::WA_AlwaysShowToolTips));
        QCOMPARE(ToolBar(viewer)->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        const std::pair<const char*, const char*> tips[] = {
            {"Open", "Open"},          {"Save", "Save as"},       {"Zoom +", "Zoom in"},
            {"Fit", "Fit to window"},  {"Screen", "Full screen"}, {"Select", "Select tool"},
            {"Bookmarks", "Bookmarks"}};
        for (const auto& [text, tip] : tips) {
            QAction* button = Button(viewer, QString::fromLatin1(text));
            QVERIFY2(button, text);
            QCOMPARE(button->toolTip(), QString::fromUtf8(tip));
            QVERIFY(!button->icon().isNull());
        }
        // The theme's icons (the Adwaita theme, installed with the program, when no desktop names
        // one).
        QCOMPARE(Button(viewer, QStringLiteral("Zoom +"))->icon().name(),
                 QStringLiteral("zoom-in"));
        QCOMPARE(Button(viewer, QStringLiteral("Open"))->icon().name(),
                 QStringLiteral("document-open"));
        // The captions fit the default width from the start, and after full screen.
        viewer.resize(800, 600);
        QTest::qWait(50);
        QVERIFY2(ButtonsHidden(viewer).isEmpty(), qPrintable(ButtonsHidden(viewer)));
        viewer.SetFullScreen(true);
        viewer.SetFullScreen(false);
        viewer.resize(800, 600);
        QTest::qWait(50);
        QCOMPARE(ToolBar(viewer)->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QVERIFY2(ButtonsHidden(viewer).isEmpty(), qPrintable(ButtonsHidden(viewer)));
    }

    void theInfoWindowShowsEachFactOnceInWordsCentredOnTheViewer() {
        TWebForm& viewer = StartOn(WriteCameraJpeg());
        viewer.InfoCommand();
        InfoWindow* info = viewer.InfoShown();
        QVERIFY(info && info->isVisible());
        const QString text = info->Text();
        for (const char* line :
             {"Size: 320 x 240 pixels, 24 bits", "Name: camera.jpg", "Camera maker: Camera Maker",
              "Resolution unit: Inch", "Exposure time: 1/250 s", "Aperture: f/8",
              "Exposure program: Aperture priority", "Flash: Fired, auto", "Colour space: sRGB",
              "Comment\nSummer"})
            QVERIFY2(text.contains(QString::fromLatin1(line)), qPrintable(text));
        QCOMPARE(text.count(QStringLiteral("Date: ")), 1);
        QCOMPARE(text.count(QStringLiteral(" bytes")), 2); // the file's and the memory's
        const QRect screen = viewer.screen()->availableGeometry();
        QVERIFY(screen.contains(info->frameGeometry()));
        QVERIFY(
            (info->frameGeometry().center() - viewer.frameGeometry().center()).manhattanLength() <=
                4 ||
            info->frameGeometry().top() == screen.top());
        QVERIFY(info->width() < screen.width() && info->height() <= screen.height());
        QVERIFY(Screenshot(*info, "info-window.png"));
    }

    void dialogsOpenOverTheWindowThatAskedAtAUsefulSize() {
        TWebForm& viewer = StartOn(WriteBmp("picture.bmp", 40, 30));
        viewer.setGeometry(50, 50, 700, 500); // room for a dialog of 800 x 500 around its centre
        QtDialogs dialogs([&viewer]() -> QWidget* { return &viewer; });
        // Qt allows for a frame it cannot see on X servers without a window manager
        // (10 pixels across, 40 down).
        QString seen;
        const auto centredOnViewer = [&viewer, &seen](QWidget& dialog) {
            const QRect at = dialog.frameGeometry(), owner = viewer.frameGeometry();
            seen = QStringLiteral("%1,%2 %3x%4 over %5,%6 %7x%8")
                       .arg(at.x())
                       .arg(at.y())
                       .arg(at.width())
                       .arg(at.height())
                       .arg(owner.x())
                       .arg(owner.y())
                       .arg(owner.width())
                       .arg(owner.height());
            return (at.center() - owner.center()).manhattanLength() <= 64;
        };
        bool centred = false;
        WhenModalShows([&](QWidget& box) { centred = centredOnViewer(box); });
        dialogs.Warning("Something to say.");
        QVERIFY2(centred, qPrintable(seen));

        QSize opened;
        WhenModalShows([&](QWidget& dialog) {
            opened = dialog.size();
            centred = centredOnViewer(dialog);
            dialog.resize(900, 560); // the user makes it larger
        });
        FileDialogRequest request;
        request.title = "Open";
        request.initialFolder = Home().string();
        dialogs.OpenFiles(request);
        QVERIFY(opened.width() >= 800 && opened.height() >= 500);
        QVERIFY2(centred, qPrintable(seen));
        WhenModalShows([&](QWidget& dialog) { opened = dialog.size(); });
        dialogs.SaveFile(request);
        QCOMPARE(opened, QSize(900, 560));
    }

    void theSaveDialogStartsOnTheSourcesTypeAndTheStoredQuality() {
        JpegWizardRecord stored;
        stored.values[2] = 70;
        FileSettingsStore(session_->home.ConfigFolder())
            .WriteBinary(kJpegWizardRecordName, stored.Serialize());
        StartOn(WriteBmp("picture.bmp", 40, 30));
        std::vector<SaveDialogRequest> asked;
        SaveCommandHooks hooks;
        hooks.showDialog = [&asked](const SaveDialogRequest& request) {
            asked.push_back(request);
            return SaveDialogAnswer{};
        };
        session_->Program().UseSaveHooks(hooks);
        session_->Program().SaveAs();
        QCOMPARE(asked.size(), std::size_t(1));
        QCOMPARE(asked[0].type, int(kSaveBmp));
        QCOMPARE(asked[0].quality, 70);

        const std::pair<const char*, int> types[] = {
            {"a.png", kSavePng}, {"a.JPG", kSaveJpegColour}, {"a.pcx", kSavePcx},
            {"a.tga", kSaveTga}, {"a.tiff", kSaveTiff},      {"a.gif", 0},
            {"noextension", 0}};
        for (const auto& [name, type] : types) QCOMPARE(SaveTypeOfSource(name, 24), type);
        QCOMPARE(SaveTypeOfSource("grey.jpg", 8), int(kSaveJpegGrey));
    }

    void aFolderNamedAtStartOpensItsFirstPictureBesideTheExplorer() {
        WriteBmp("samples/b.bmp", 50, 40, 1);
        const fs::path first = WriteBmp("samples/a.bmp", 60, 40, 2);
        TWebForm& viewer = session_->Start({(Home() / "samples").string()});
        QTest::qWaitFor([&] { return viewer.CurrentPath() == first.string(); }, 3000);
        QCOMPARE(viewer.CurrentPath(), first.string());
        QVERIFY(viewer.isVisible());
        QVERIFY(session_->Program().Explorer().isVisible());
    }

    // What a new user sees: the viewer with its hint beside the explorer's
    // thumbnails of a folder, kept as pictures in the build folder.
    void screenshotsOfTheFirstStart() {
        for (int i = 0; i < 6; ++i)
            WriteBmp(("photo-" + std::to_string(i) + ".bmp").c_str(), 160, 120, i);
        TWebForm& viewer = session_->StartFirstTime();
        TFileForm& explorer = session_->Program().Explorer();
        QVERIFY(QTest::qWaitFor([&] { return explorer.isVisible(); }, 3000));
        QTest::qWaitFor([&] { return explorer.Thumbnails() && !explorer.Thumbnails()->Running(); },
                        20000);
        QTest::qWait(300);
        QVERIFY(Screenshot(viewer, "first-start-viewer.png"));
        QVERIFY(Screenshot(explorer, "first-start-explorer.png"));
        QCOMPARE(explorer.ViewStyle(), ExplorerViewStyle::Thumbnails);
        QVERIFY(Screenshot(*explorer.centralWidget(), "thumbnails.png"));
    }
};

QTEST_MAIN(ViewerFirstHourTest)
#include "ViewerFirstHourTest.moc"
