// The viewer's "I&nfo" command: the facts of a picture in a box, or, for a
// JPEG file, in the JPEG text window below its comments.

#include "album/ui/CommentForm.h"
#include "app/ViewerSettings.h"
#include "app/ui/Application.h"
#include "formats/JpegWriter.h"
#include "imaging/BitmapFile.h"
#include "viewer/ui/WebForm.h"

#include "ViewerSession.h"

#include <QAction>
#include <QTest>

#include <filesystem>

using namespace zv;
namespace fs = std::filesystem;

class ViewerInfoTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<zvtest::ViewerSession> session_;

    Bitmap Picture() {
        Bitmap picture;
        picture.Create(40, 30, PixelFormat::Bits24);
        return picture;
    }

    TWebForm& StartOn(const fs::path& path) {
        ViewerSettings settings = DefaultViewerSettings(24);
        settings.autoSize = false;
        return session_->StartOn(path.string(), settings);
    }

    void Info(TWebForm& viewer) {
        for (QAction* action : viewer.findChildren<QAction*>())
            if (action->text() == QStringLiteral("I&nfo")) return action->trigger();
        QFAIL("no I&nfo command");
    }

private slots:
    void init() { session_ = std::make_unique<zvtest::ViewerSession>(); }
    void cleanup() { session_.reset(); }

    void aPicturesFactsShowInABox() {
        const fs::path path = session_->home.Path() / "picture.bmp";
        WriteBitmapFile(path, Picture());
        TWebForm& viewer = StartOn(path);
        Info(viewer);
        QVERIFY(!session_->dialogs.boxes.empty());
        const std::string& text = session_->dialogs.boxes.back().text;
        QVERIFY2(text.starts_with("40x30(24) dib\nName: picture.bmp\nPath: "), text.c_str());
        QVERIFY(text.find("\nSize: " + std::to_string(fs::file_size(path)) + " bytes\n") !=
                std::string::npos);
        QVERIFY(text.ends_with("\nUses: 3600 bytes\nVideo: 24 bpp") ||
                text.find("\nUses: 3600 bytes\n") != std::string::npos);
    }

    void aJpegShowsItsFactsInTheJpegTextWindow() {
        const fs::path path = session_->home.Path() / "photo.jpg";
        TJpegWriter().SaveToFile(path, Picture());
        TWebForm& viewer = StartOn(path);
        // A JPEG named at start opens at once.
        QCOMPARE(viewer.CurrentPath(), path.string());
        const std::size_t boxes = session_->dialogs.boxes.size();
        Info(viewer);
        QCOMPARE(session_->dialogs.boxes.size(), boxes);
        QVERIFY(viewer.commentWindow);
        TCommentForm* window = viewer.commentWindow();
        QVERIFY(window->isVisible());
        QVERIFY2(window->InfoLine().find("View: 40x30(24) dib\nDate: ") != std::string::npos,
                 window->InfoLine().c_str());
    }
};

QTEST_MAIN(ViewerInfoTest)
#include "ViewerInfoTest.moc"
