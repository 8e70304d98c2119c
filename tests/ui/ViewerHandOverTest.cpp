// What the viewer hands to other windows: "I&nfo" (the facts of a picture
// in a box, or, for a JPEG file, in the JPEG text window below its
// comments) and a zip archive opened (to the zip browser).

#include "album/ui/CommentForm.h"
#include "album/ui/UnZipForm.h"
#include "viewer/ViewerSettings.h"
#include "app/ui/Application.h"
#include "formats/JpegWriter.h"
#include "imaging/BitmapFile.h"
#include "viewer/ui/WebForm.h"

#include "ViewerSession.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QTest>

#include <filesystem>
#include <fstream>

using namespace zv;
namespace fs = std::filesystem;

class ViewerHandOverTest : public QObject {
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
        QVERIFY(viewer.showJpegText);
        TCommentForm* window = &session_->Program().CommentWindow();
        QVERIFY(window->isVisible());
        QVERIFY2(window->InfoLine().find("View: 40x30(24) dib\nDate: ") != std::string::npos,
                 window->InfoLine().c_str());
    }

    void aZipArchiveOpenedGoesToTheZipBrowser() {
        const fs::path picture = session_->home.Path() / "picture.bmp";
        WriteBitmapFile(picture, Picture());
        const fs::path archive = session_->home.Path() / "Photos.ZIP";
        std::ofstream(archive, std::ios::binary)
            << std::string("PK\x05\x06", 4) << std::string(18, '\0');
        StartOn(picture);
        session_->Program().ViewerDoc().OpenDropped({archive.string()});
        TUnZipForm* browser = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<TUnZipForm*>(window)) browser = form;
        QVERIFY(browser && browser->isVisible());
        QCOMPARE(browser->ArchiveList()->count(), 1);
        QVERIFY(browser->ArchiveList()->item(0)->text().contains(QStringLiteral("Photos.ZIP")));
    }
};

QTEST_MAIN(ViewerHandOverTest)
#include "ViewerHandOverTest.moc"
