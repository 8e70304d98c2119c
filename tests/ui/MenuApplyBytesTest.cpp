// The viewer's menu commands and `zelvan-tool apply` with the same word give
// the same picture: for each menu item that runs a colour or geometry word
// without a dialog (or with the text mark's question answered by script),
// the viewer's picture after the command is compared, pixel for pixel and
// in its colour depth, with the tool's output on the same file.

#include "imaging/BitmapFile.h"
#include "viewer/ViewerSettings.h"
#include "viewer/ui/WebForm.h"

#include "ViewerSession.h"

#include <QAction>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

using namespace zv;
namespace fs = std::filesystem;

namespace {

// Larger than the view, so Auto > Resize shrinks it; gradients, hard edges
// and grain, so the reductions have many colours to choose among.
Bitmap TestPicture() {
    Bitmap picture;
    picture.Create(900, 700, PixelFormat::Bits24);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            std::uint8_t* p = picture.ScanLine(y) + 3 * x;
            const int grain = static_cast<int>(((x * 2654435761u) ^ (y * 40503u)) >> 28) - 8;
            const int edge = ((x / 150 + y / 120) % 2) * 60;
            const auto level = [&](int v) {
                return static_cast<std::uint8_t>(std::clamp(v + grain + edge, 0, 255));
            };
            p[0] = level(x * 190 / 900);
            p[1] = level(30 + y * 160 / 700);
            p[2] = level(220 - (x + y) * 200 / 1600);
        }
    return picture;
}

// "" when both pictures have the same size, depth and colours, else the
// first difference.
std::string Difference(Bitmap a, Bitmap b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return "sizes " + std::to_string(a.Width()) + " x " + std::to_string(a.Height()) + " and " +
               std::to_string(b.Width()) + " x " + std::to_string(b.Height());
    if (a.BitsPerPixel() != b.BitsPerPixel())
        return "depths " + std::to_string(a.BitsPerPixel()) + " and " +
               std::to_string(b.BitsPerPixel());
    a.SetPixelFormat(PixelFormat::Bits24);
    b.SetPixelFormat(PixelFormat::Bits24);
    for (int y = 0; y < a.Height(); ++y)
        for (int i = 0; i < 3 * a.Width(); ++i)
            if (a.ScanLine(y)[i] != b.ScanLine(y)[i])
                return "pixel (" + std::to_string(i / 3) + ", " + std::to_string(y) + ") byte " +
                       std::to_string(i % 3) + ": " + std::to_string(a.ScanLine(y)[i]) + " and " +
                       std::to_string(b.ScanLine(y)[i]);
    return "";
}

} // namespace

class MenuApplyBytesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<zvtest::ViewerSession> session_;
    fs::path picturePath_;
    fs::path tool_;

    QAction* Command(TWebForm& viewer, const QString& caption) {
        for (QAction* action : viewer.findChildren<QAction*>())
            if (action->text() == caption) return action;
        return nullptr;
    }

private slots:
    void initTestCase() {
        const QByteArray zelvan = qgetenv("ZV_ZELVAN");
        if (!zelvan.isEmpty())
            tool_ = fs::path(zelvan.toStdString()).parent_path() / "tools" / "zelvan-tool" /
                    "zelvan-tool";
    }
    void init() { session_ = std::make_unique<zvtest::ViewerSession>(); }
    void cleanup() { session_.reset(); }

    void menuAndToolGiveTheSamePicture_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("line"); // %1 and %2: the viewer's width and height after
        QTest::addColumn<QString>("text"); // the answer to the text mark's question
        QTest::newRow("negative") << "&Negative"
                                  << "NEGATIVE"
                                  << "";
        QTest::newRow("256 poster") << "2&56 colors (poster)"
                                    << "QUANTIZE256"
                                    << "";
        QTest::newRow("16 poster") << "1&6 colors (poster)"
                                   << "QUANTIZE16"
                                   << "";
        QTest::newRow("rotate 90") << "90 deg."
                                   << "ROTATE=90"
                                   << "";
        QTest::newRow("rotate 270") << "270 deg."
                                    << "ROTATE=270"
                                    << "";
        QTest::newRow("mirror vertical") << "Mirror Vertical"
                                         << "MIRROR_VERTICAL"
                                         << "";
        QTest::newRow("mirror horizontal") << "Mirror Horizontal"
                                           << "MIRROR_HORIZONTAL"
                                           << "";
        QTest::newRow("auto resize") << "&Resize"
                                     << "RESAMPLE=%1,%2"
                                     << "";
        QTest::newRow("text mark") << "Bottom Right"
                                   << "TEXTMARK_BOTTOMRIGHT=Zelvan 21"
                                   << "Zelvan 21";
    }

    void menuAndToolGiveTheSamePicture() {
        QFETCH(QString, caption);
        QFETCH(QString, line);
        QFETCH(QString, text);
        if (tool_.empty() || !fs::exists(tool_)) QSKIP("zelvan-tool not found beside the program");

        picturePath_ = session_->home.Path() / "picture.bmp";
        WriteBitmapFile(picturePath_, TestPicture());
        ViewerSettings settings = DefaultViewerSettings(24);
        settings.autoSize = false;
        TWebForm& viewer = session_->StartOn(picturePath_.string(), settings);
        QAction* action = Command(viewer, caption);
        QVERIFY2(action && action->isEnabled(), qPrintable(caption));
        if (!text.isEmpty()) session_->dialogs.textResults.push_back(text.toStdString());
        action->trigger();
        const Bitmap& fromMenu = session_->Program().Imaging().current;
        QVERIFY2(!Difference(fromMenu, TestPicture()).empty(), "the menu changed nothing");

        const fs::path out = session_->home.Path() / "out.bmp";
        QProcess run;
        run.start(QString::fromStdString(tool_.string()),
                  {QStringLiteral("apply"), QString::fromStdString(picturePath_.string()),
                   QString::fromStdString(out.string()),
                   line.contains(QStringLiteral("%1"))
                       ? line.arg(fromMenu.Width()).arg(fromMenu.Height())
                       : line});
        QVERIFY(run.waitForFinished(60000));
        QVERIFY2(run.exitCode() == 0, run.readAllStandardError().constData());
        const std::string difference = Difference(fromMenu, ReadBitmapFile(out));
        QVERIFY2(difference.empty(), difference.c_str());
    }
};

QTEST_MAIN(MenuApplyBytesTest)
#include "MenuApplyBytesTest.moc"
