// What the viewer hands to other windows: "I&nfo" (the facts of a picture
// in the information window) and a zip archive opened (to the zip browser).

#include "album/ui/UnZipForm.h"
#include "app/ui/Application.h"
#include "imaging/BitmapFile.h"
#include "viewer/ViewerSettings.h"
#include "viewer/ui/InfoWindow.h"
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

    void aPicturesFactsShowInTheInformationWindow() {
        const fs::path path = session_->home.Path() / "picture.bmp";
        WriteBitmapFile(path, Picture());
        TWebForm& viewer = StartOn(path);
        const std::size_t boxes = session_->dialogs.boxes.size();
        Info(viewer);
        QCOMPARE(session_->dialogs.boxes.size(), boxes);
        InfoWindow* window = viewer.InfoShown();
        QVERIFY(window && window->isVisible());
        const QString text = window->Text();
        QVERIFY2(text.startsWith(QStringLiteral("Picture\nSize: 40 x 30 pixels, 24 bits\n")),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("\nName: picture.bmp\n")));
        QVERIFY(text.contains(QStringLiteral("\nCRC: ")));
        QVERIFY(!text.contains(QStringLiteral("EXIF")));
        // A second Info fills the same window again.
        Info(viewer);
        QCOMPARE(viewer.InfoShown(), window);
        QCOMPARE(window->Text(), text);
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
