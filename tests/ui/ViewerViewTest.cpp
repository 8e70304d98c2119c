// The viewer's view driven through its commands: zoom and its limits, fit,
// scrolling in whole enlarged pixels, the selection, full screen and the
// status bar's zoom panel.

#include "app/ui/Application.h"
#include "formats/JpegWriter.h"
#include "imaging/BitmapFile.h"
#include "platform/ScriptedDialogs.h"
#include "platform/linux/FileSettingsStore.h"
#include "viewer/ViewerSettings.h"
#include "viewer/ui/WebForm.h"

#include "ViewerSession.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QWheelEvent>

#include <fstream>

using namespace zv;
namespace fs = std::filesystem;

class ViewerViewTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<zvtest::ViewerSession> session_;

    std::string Picture(int width, int height) {
        Bitmap picture;
        picture.Create(width, height, PixelFormat::Bits24);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture.ScanLine(y)[3 * x] = static_cast<std::uint8_t>(x);
        const fs::path path = session_->home.Path() / "picture.bmp";
        WriteBitmapFile(path, picture);
        return path.string();
    }

    TWebForm& StartOn(int width, int height) {
        ViewerSettings settings = DefaultViewerSettings(24);
        settings.autoSize = false;
        settings.fitToWindow = false;
        settings.upsampledFit = false;
        TWebForm& viewer = session_->StartOn(Picture(width, height), settings);
        viewer.resize(640, 480);
        return viewer;
    }

    static QSize ControlSize(TWebForm& viewer) { return viewer.Display()->size(); }

private slots:
    void init() { session_ = std::make_unique<zvtest::ViewerSession>(); }
    void cleanup() { session_.reset(); }

    void zoomStepsStayWithinTheirLimits() {
        TWebForm& viewer = StartOn(100, 80);
        QCOMPARE(viewer.ZoomText(), QStringLiteral("100%"));
        viewer.ZoomStep(1);
        QCOMPARE(viewer.ZoomPercent(), 125);
        QCOMPARE(ControlSize(viewer), QSize(125, 100));
        viewer.SetZoom(800);
        viewer.ZoomStep(1);
        QCOMPARE(viewer.ZoomPercent(), 800);
        viewer.SetZoom(25);
        viewer.ZoomStep(-1);
        QCOMPARE(viewer.ZoomPercent(), 25);
        QCOMPARE(ControlSize(viewer), QSize(25, 20));
        QCOMPARE(viewer.ZoomText(), QStringLiteral("25%"));

        session_->dialogs.dialogScripts.push_back({DialogStep::Type(0, "137"), DialogStep::Ok()});
        viewer.ZoomToAsked();
        QCOMPARE(viewer.ZoomPercent(), 125);
    }

    void fitKeepsSmallPicturesUnlessUpsampled() {
        TWebForm& viewer = StartOn(100, 80);
        viewer.SetFit(true);
        QCOMPARE(viewer.ZoomText(), QStringLiteral("Fit"));
        QCOMPARE(ControlSize(viewer), QSize(100, 80));
        session_->Program().Settings().settings.upsampledFit = true;
        viewer.SetFit(true);
        const QSize area = viewer.ScrollArea()->maximumViewportSize();
        const QSize fitted = ControlSize(viewer);
        QVERIFY(fitted.width() == area.width() || fitted.height() == area.height());
        QVERIFY(std::abs(fitted.width() * 4 - fitted.height() * 5) <= 5);
        viewer.SetFit(false);
        QCOMPARE(viewer.ZoomText(), QStringLiteral("100%"));
    }

    void aBigJpegStartsFittedAndCtrlWheelZoomsAroundThePointer() {
        Bitmap big;
        big.Create(6000, 4000, PixelFormat::Bits24);
        const Bytes file = TJpegWriter().Compress(big);
        const fs::path path = session_->home.Path() / "big.jpg";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
        TWebForm& viewer = session_->StartFirstTime(path.string());
        QCOMPARE(viewer.ZoomText(), QStringLiteral("Fit"));
        QWidget* area = viewer.ScrollArea()->viewport();
        const QSize shown = ControlSize(viewer);
        QVERIFY(shown.width() <= area->width() && shown.height() <= area->height());
        QVERIFY(shown.width() == area->width() || shown.height() == area->height());

        // The picture point under the pointer, as fractions of the picture.
        const QPoint pointer(area->width() / 3, area->height() / 3);
        const auto under = [&] {
            const QPointF at = viewer.Display()->mapFrom(area, QPointF(pointer));
            return QPointF(at.x() / ControlSize(viewer).width(),
                           at.y() / ControlSize(viewer).height());
        };
        const auto wheelUp = [&] {
            QWheelEvent wheel(pointer, area->mapToGlobal(pointer), {}, {0, 120}, Qt::NoButton,
                              Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(area, &wheel);
        };
        // The first step reads the picture again whole (fit had it decoded
        // at an eighth) and shows it at the first zoom above the fitted scale.
        wheelUp();
        QCOMPARE(viewer.ZoomText(), QStringLiteral("25%"));
        QCOMPARE(ControlSize(viewer), QSize(1500, 1000));
        // Once the picture overflows the area both ways, the point under the
        // pointer stays put (before, a side that fits is centred instead).
        wheelUp();
        const QPointF before = under();
        wheelUp();
        const QPointF after = under();
        QVERIFY2(std::abs(after.x() - before.x()) < 0.01 && std::abs(after.y() - before.y()) < 0.01,
                 qPrintable(QStringLiteral("%1,%2 -> %3,%4")
                                .arg(before.x())
                                .arg(before.y())
                                .arg(after.x())
                                .arg(after.y())));
    }

    void enlargedViewsScrollInWholePixels() {
        TWebForm& viewer = StartOn(400, 300);
        viewer.SetZoom(300);
        QCOMPARE(ControlSize(viewer), QSize(1200, 900));
        QScrollBar* across = viewer.ScrollArea()->horizontalScrollBar();
        across->setValue(100);
        QCOMPARE(across->value(), 99);
        const QSize viewport = viewer.ScrollArea()->viewport()->size();
        QCOMPARE(viewport.width() % 3, 0);
        QCOMPARE(viewport.height() % 3, 0);
    }

    void selectionsAreHalfOpenInPictureCoordinates() {
        TWebForm& viewer = StartOn(100, 80);
        viewer.SetZoom(200);
        viewer.SetMouseTool(MouseTool::Select);
        emit viewer.Display()->rubberBandReleased({10, 10, 13, 13}, false); // 3 x 3: ignored
        QVERIFY(viewer.Selection().Empty());
        emit viewer.Display()->rubberBandReleased({10, 20, 50, 60}, false);
        QCOMPARE(viewer.Selection(), (ViewRect{5, 10, 25, 30}));
        viewer.SetMouseTool(MouseTool::Hand);
        QVERIFY(viewer.Selection().Empty());

        viewer.SelectAll();
        QCOMPARE(viewer.Selection(), (ViewRect{0, 0, 100, 80}));
        session_->dialogs.dialogScripts.push_back(
            {DialogStep::Counts(2, 2), DialogStep::Cell(1, 0), DialogStep::Ok()});
        viewer.GridSelection();
        QCOMPARE(viewer.Selection(), (ViewRect{50, 0, 100, 40}));
    }

    void fullScreenHidesTheBarsAndEscapeLeavesIt() {
        TWebForm& viewer = StartOn(100, 80);
        viewer.SetFullScreen(true);
        QVERIFY(viewer.FullScreenOn());
        QVERIFY(!viewer.menuBar()->isVisible());
        QVERIFY(!viewer.statusBar()->isVisible());
        for (QToolBar* bar : viewer.findChildren<QToolBar*>()) QVERIFY(!bar->isVisible());
        QTest::keyClick(&viewer, Qt::Key_Escape);
        QVERIFY(!viewer.FullScreenOn());
        QVERIFY(viewer.statusBar()->isVisible());
        QVERIFY(viewer.menuBar()->isVisible());
    }

    void aChangedPictureIsLaidOutAgainAndCountsAsModified() {
        TWebForm& viewer = StartOn(100, 80);
        viewer.SetZoom(300);
        viewer.SetBusy(QStringLiteral("Flipping..."));
        QCOMPARE(viewer.StatusText(), QStringLiteral("Busy..."));
        QCOMPARE(viewer.PictureLineText(), QStringLiteral("Flipping..."));
        Bitmap& picture = session_->Program().Imaging().current;
        picture.Create(50, 40, PixelFormat::Bits24);
        viewer.RefreshAfterChange();
        QCOMPARE(viewer.ZoomPercent(), 100);
        QCOMPARE(ControlSize(viewer), QSize(50, 40));
        QVERIFY(session_->Program().Document().modified);
        QCOMPARE(viewer.StatusText(), QStringLiteral("Ready."));
        QCOMPARE(viewer.PictureLineText(), QStringLiteral("50x40(24) dib"));
    }

    void undoPutsThePictureBackOnce() {
        TWebForm& viewer = StartOn(100, 80);
        Bitmap& picture = session_->Program().Imaging().current;
        const std::uint8_t before = picture.ScanLine(0)[3 * 50];
        QVERIFY(viewer.TakeUndoCopy());
        picture.Create(50, 40, PixelFormat::Bits24);
        viewer.RefreshAfterChange();
        QTest::keyClick(&viewer, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(ControlSize(viewer), QSize(100, 80));
        QCOMPARE(picture.ScanLine(0)[3 * 50], before);
        QVERIFY(session_->Program().Document().modified);
        QCOMPARE(viewer.StatusText(), QStringLiteral("Ready."));
    }

    void theViewGammaBrightensEveryPictureOpened() {
        TWebForm& viewer = StartOn(100, 80);
        const std::uint8_t before = session_->Program().Imaging().current.ScanLine(0)[3 * 50];
        session_->dialogs.answers.push_back(Answer::Ok);
        session_->dialogs.dialogScripts.push_back({DialogStep::Slider(0, 200), DialogStep::Ok()});
        viewer.ViewGammaCommand();
        QCOMPARE(session_->Program().ViewerDoc().viewGamma, 200);
        QVERIFY(session_->Program().Imaging().current.ScanLine(0)[3 * 50] > before);
    }
};

QTEST_MAIN(ViewerViewTest)
#include "ViewerViewTest.moc"
