// A toolbox command with sliders, run on the viewer's picture: the effect
// dialog answers through the program's dialogs, the command applies and
// records what Apply returned, and Cancel leaves the picture as it was. The
// effect window previews as its sliders move, picks colours and applies; the
// parameter, grid and size windows answer through their models.

#include "imaging/BitmapFile.h"
#include "imaging/ImagingContext.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtEffectDialog.h"
#include "processing/EffectDialogModel.h"
#include "processing/JpegWizardModel.h"
#include "processing/QuietToolboxHost.h"
#include "viewer/ViewerSettings.h"
#include "viewer/ui/WebForm.h"

#include "ViewerSession.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <filesystem>
#include <functional>

using namespace zv;

namespace {
bool SamePixels(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), 3 * std::size_t(a.Width())) != 0)
            return false;
    return true;
}
} // namespace

class EffectDialogWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<zvtest::ViewerSession> session_;

    TWebForm& StartOn() {
        Bitmap picture;
        picture.Create(48, 20, PixelFormat::Bits24);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 3 * 48; ++x) picture.ScanLine(y)[x] = std::uint8_t(x * 5 + y * 9);
        const auto path = session_->home.Path() / "picture.bmp";
        WriteBitmapFile(path, picture);
        ViewerSettings settings = DefaultViewerSettings(24);
        settings.autoSize = false;
        return session_->StartOn(path.string(), settings);
    }
    Bitmap& Current() { return session_->Program().Imaging().current; }

    // The picture as the tool's batch line leaves it.
    static Bitmap AfterLine(const Bitmap& picture, const std::string& line) {
        ImagingContext imaging;
        imaging.current = picture;
        imaging.descriptor.ImageBits = 24;
        QuietHost<ToolboxHost> host(imaging);
        ToolboxContext tb;
        EffectValues kept;
        RunToolboxLine(line, TheToolbox(), kept, host, tb);
        return imaging.current;
    }

    // Works the controls of the next modal window with `drive` (closing it
    // with Cancel when `drive` leaves it open).
    static void Drive(std::function<void(QDialog&)> drive) {
        QTimer::singleShot(0, [drive] {
            auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!window) return;
            drive(*window);
            if (window->isVisible()) window->reject();
        });
    }
    static void RunWindow(EffectDialogModel& model, std::function<void(QDialog&)> drive) {
        Drive(std::move(drive));
        QtDialogs dialogs;
        dialogs.EffectDialog(model);
    }

private slots:
    void init() { session_ = std::make_unique<zvtest::ViewerSession>(); }
    void cleanup() { session_.reset(); }

    void applyRunsAndRecordsTheSlidersAndCancelLeavesThePicture() {
        TWebForm& viewer = StartOn();
        std::vector<std::string> lines;
        viewer.recorder.recording = [] { return true; };
        viewer.recorder.append = [&](const std::string& line) { lines.push_back(line); };
        const Bitmap original = Current();

        QVERIFY(viewer.RunToolboxCommand("GAMMA_SATURATION"));
        QVERIFY(SamePixels(Current(), original)); // no script: Cancel
        QVERIFY(lines.empty());
        QCOMPARE(session_->dialogs.dialogs.at(0).title, std::string("Saturation  Gamma (1/100)"));

        session_->dialogs.dialogScripts.push_back(
            {DialogStep::Test(), DialogStep::Slider(0, -999), DialogStep::Ok()});
        QVERIFY(viewer.RunToolboxCommand("HLS"));
        QCOMPARE(lines, std::vector<std::string>{"HLS=-999,0,0"});
        QVERIFY(SamePixels(Current(), AfterLine(original, "HLS=-999,0,0")));
        viewer.UndoCommand();
        QVERIFY(SamePixels(Current(), original));
    }

    void theWindowPreviewsPicksAndAppliesItsSliders() {
        Bitmap picture;
        picture.Create(40, 30, PixelFormat::Bits24);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                std::uint8_t* p = picture.ScanLine(y) + 3 * x;
                p[0] = 0, p[1] = 0, p[2] = std::uint8_t(x < 20 ? 255 : 90);
            }
        EffectDialogModel replace(*TheToolbox().FindCode(156), picture, {}, {127, 127, 127});
        RunWindow(replace, [](QDialog& window) {
            QCOMPARE(window.windowTitle(),
                     QStringLiteral("Replace RGB color selection as foreground"));
            auto* before = window.findChild<QScrollArea*>(QStringLiteral("before"));
            QTest::mouseClick(before->widget(), Qt::LeftButton, {}, QPoint(2, 2));
            QTest::qWait(20);
            QCOMPARE(window.findChild<QLabel*>(QStringLiteral("panel"))->text(),
                     QStringLiteral("H=0 L=1800 S=3600"));
            QCOMPARE(window.findChild<QSlider*>(QStringLiteral("slider1"))->value(), 255);
            window.findChild<QSlider*>(QStringLiteral("slider1"))->setValue(90);
            QTest::qWait(20);
            auto* apply = window.findChild<QPushButton*>(QStringLiteral("apply"));
            QTRY_VERIFY(apply->isEnabled()); // the moves previewed, on the worker
            apply->click();
        });
        QVERIFY(replace.Result());
        QCOMPARE(replace.Result()->V1, 90);
        QVERIFY(replace.Previews() >= 1);
        QCOMPARE(replace.After().Width(), 40); // the whole picture fits the box

        EffectDialogModel cancelled(*TheToolbox().FindCode(150), picture, {}, {0, 0, 0});
        RunWindow(cancelled, [](QDialog& window) {
            // A drag: each move supersedes the last; Esc while one renders.
            auto* slider = window.findChild<QSlider*>(QStringLiteral("slider1"));
            for (int v = 0; v >= -999; v -= 37) {
                slider->setValue(v);
                QCoreApplication::processEvents();
            }
            QTest::keyClick(&window, Qt::Key_Escape);
        });
        QVERIFY(cancelled.Closed());
        QVERIFY(!cancelled.Result());

        // The curve button opens the histogram window the application hands in.
        QStringList curves;
        SetEffectCurveWindow([&](EffectDialogSession& session, QWidget*) {
            curves << QString::fromStdString(session.CurveTitle());
        });
        EffectDialogModel eq(*TheToolbox().FindCode(140), picture, {}, {127, 63, 0});
        RunWindow(eq, [](QDialog& window) {
            window.findChild<QPushButton*>(QStringLiteral("curve"))->click();
            auto* bars = window.findChild<QCheckBox*>(QStringLiteral("scrollBars"));
            bars->setChecked(false);
            QCOMPARE(window.findChild<QScrollArea*>(QStringLiteral("before"))
                         ->horizontalScrollBarPolicy(),
                     Qt::ScrollBarAlwaysOff);
        });
        SetEffectCurveWindow({});
        QCOMPARE(curves, QStringList{QStringLiteral("Parametric EQ Curve")});
        QVERIFY(!eq.ScrollBarsShown());
    }

    void theJpegWizardTestsAndCloses() {
        Bitmap picture;
        picture.Create(64, 48, PixelFormat::Bits24);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 3 * 64; ++x) picture.ScanLine(y)[x] = std::uint8_t(x * 3 + y * 7);
        JpegWizardSettings settings;
        Drive([](QDialog& window) {
            QCOMPARE(window.windowTitle(), QStringLiteral("JPEG Compression Wizard"));
            auto* save = window.findChild<QPushButton*>(QStringLiteral("accept"));
            QVERIFY(!save->isEnabled());
            window.findChild<QSlider*>(QStringLiteral("quality"))->setValue(90);
            window.findChild<QPushButton*>(QStringLiteral("test"))->click();
            QVERIFY(window.findChild<QLabel*>(QStringLiteral("ratio"))
                        ->text()
                        .startsWith(QStringLiteral("Compression ratio: ")));
            QVERIFY(save->isEnabled());
        });
        QtDialogs dialogs;
        RunJpegWizard(dialogs, kJpegWizardCode, picture, settings, {});
        QCOMPARE(settings.quality, 90);
    }

    void theNumberWindowsAnswerThroughTheirModels() {
        QtDialogs dialogs;
        ParameterDialogRecord record{0, 359, 90, 10, 1, {0, 30, 60, 90, 180, 270}, true, false};
        ParameterDialogModel rotate("Rotate", "", "", record);
        Drive([](QDialog& window) {
            for (QPushButton* button : window.findChildren<QPushButton*>())
                if (button->text() == QStringLiteral("&c = 60")) button->click();
        });
        dialogs.ParameterDialog(rotate);
        QCOMPARE(rotate.Result(), std::optional<int>(60));

        GridDialogModel grid(3, 2, 1000, 500);
        Drive([](QDialog& window) {
            auto* cells = window.findChild<QWidget*>(QStringLiteral("grid"));
            QTest::mouseClick(cells, Qt::LeftButton, {}, QPoint(160, 100)); // bottom middle
            QCOMPARE(window.windowTitle(),
                     QStringLiteral("Grid Select 333x250  Left=333  Top=250"));
            window.accept();
        });
        dialogs.GridDialog(grid);
        QVERIFY(grid.Result());
        QCOMPARE(grid.Result()->right, 665);

        SizeDialogModel size({-1, -1, 400, 300, "Resize", 24, 16384, 16384});
        Drive([](QDialog& window) {
            auto* width = window.findChild<QLineEdit*>(QStringLiteral("box0"));
            width->selectAll();
            QTest::keyClicks(width, QStringLiteral("200"));
            QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("box1"))->text(),
                     QStringLiteral("150"));
            window.accept();
        });
        dialogs.SizeDialog(size);
        QVERIFY(size.Result());
        QCOMPARE(size.Result()->height, 150);

        SizeDialogModel cancelled({-1, -1, 400, 300, "Resize", 24, 16384, 16384});
        Drive([](QDialog&) {});
        dialogs.SizeDialog(cancelled);
        QVERIFY(!cancelled.Result());
    }
};

QTEST_MAIN(EffectDialogWindowTest)
#include "EffectDialogWindowTest.moc"
