// The slide album window: its menus, the list following the album through
// commands and the view's selection, and idle-time thumbnails.

#include "album/ui/ShowForm.h"
#include "catalog/ThumbStates.h"
#include "imaging/BitmapFile.h"
#include "platform/ScriptedDialogs.h"

#include <QAction>
#include <QHeaderView>
#include <QListView>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <filesystem>
#include <fstream>

using namespace zv;
namespace fs = std::filesystem;

namespace {

class NoTrash : public Trash {
public:
    std::string Delete(const std::string&) override { return "no"; }
    std::string Recycle(const std::string&) override { return "no"; }
};

QStringList MenuCaptions(QMenuBar* bar) {
    QStringList captions;
    for (QAction* action : bar->actions()) captions << action->text();
    return captions;
}

QAction* FindAction(QWidget* window, const QString& caption) {
    for (QAction* action : window->findChildren<QAction*>())
        if (action->text() == caption) return action;
    return nullptr;
}

} // namespace

class ShowFormTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir temp_;
    ScriptedDialogs dialogs_;
    NoTrash trash_;

    fs::path Folder() const { return temp_.path().toStdString(); }

    // Three pictures a.bmp, b.bmp, c.bmp and a window that adds them.
    std::unique_ptr<TShowForm> FormWithThree() {
        Bitmap picture;
        picture.Create(40, 30, PixelFormat::Bits24);
        std::vector<std::string> files;
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
            WriteBitmapFile(Folder() / name, picture);
            files.push_back((Folder() / name).string());
        }
        ShowFormServices services{AlbumHost{.dialogs = dialogs_, .trash = trash_}, {}, {}};
        services.host.files.dataFolder = Folder() / "data";
        services.host.appHome = Folder();
        services.cacheRoot = Folder() / "cache";
        auto form = std::make_unique<TShowForm>(std::move(services));
        form->Editor().MutableAlbum().SetVolumeOf([](const std::string&) { return std::string(); });
        dialogs_.openResults.push_back(files);
        form->RunCommand(kAlInsert);
        return form;
    }

private slots:
    void MenusCommandsAndSelection() {
        auto form = FormWithThree();
        QCOMPARE(MenuCaptions(form->menuBar()),
                 (QStringList{"&File", "&Edit", "&Properties", "&Index", "&Source", "&View",
                              "T&humbs"}));
        QTreeView* details = form->DetailsView();
        QCOMPARE(details->model()->rowCount(), 3);
        QCOMPARE(details->model()->index(1, 0).data().toString(), QString("b.bmp"));
        QCOMPARE(details->model()->index(1, 12).data().toString(), QString("????x????"));
        QVERIFY(form->windowTitle().startsWith("Zelvan 7.04 Slide Album  ["));
        QVERIFY(!FindAction(form.get(), "E&ffect")->isEnabled());

        // The view's selection is what the commands work on, and comes back.
        details->selectionModel()->select(details->model()->index(0, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(FindAction(form.get(), "Cu&t slide(s)")->isEnabled());
        form->RunCommand(kAlInvertSelection);
        QCOMPARE(details->selectionModel()->selectedRows().size(), 2);
        form->RunCommand(kAlCut);
        QCOMPARE(details->model()->rowCount(), 1);
        QCOMPARE(details->model()->index(0, 0).data().toString(), QString("a.bmp"));
        QVERIFY(form->Editor().Unsaved());

        // Clicking the wait column's header asks, then changes every slide.
        dialogs_.answers.push_back(Answer::Yes);
        dialogs_.dialogScripts.push_back({DialogStep::Type(0, "9"), DialogStep::Ok()});
        emit details->header()->sectionClicked(3);
        QCOMPARE(details->model()->index(0, 3).data().toString(), QString("9"));
        QCOMPARE(QString::fromStdString(dialogs_.boxes.back().text),
                 QString("Change WAIT property for ALL slides?"));
    }

    void ThumbnailsAreMadeInIdleSteps() {
        auto form = FormWithThree();
        std::ofstream(Folder() / "song.mp3") << "not decoded: drawn by its icon";
        form->Editor().AddDropped({(Folder() / "song.mp3").string()});
        form->RunCommand(kAlThumbnails);
        QVERIFY(form->ThumbnailView()->isVisibleTo(form.get()));
        while (form->ThumbStep()) {
        }
        const SlideAlbum& album = form->Editor().Album();
        for (int i = 0; i < album.Count(); ++i) {
            QCOMPARE(album.Slide(i).thumbState, kThumbMade);
            QCOMPARE(album.Slide(i).width, i < 3 ? 40 : 0);
            QVERIFY(ThumbPresent(form->Editor().ThumbPath(i)));
        }
        QVERIFY(!form->ThumbnailView()->model()->index(0, 0).data(Qt::DecorationRole).isNull());
        form->RunCommand(kAlSelectAll);
        form->RunCommand(kAlRedoThumbs);
        QCOMPARE(album.Slide(0).thumbState, kThumbPending);
        QVERIFY(!ThumbPresent(form->Editor().ThumbPath(0)));
        // Checking makes what is missing at once and finds nothing invalid.
        const std::size_t boxes = dialogs_.boxes.size();
        form->RunCommand(kAlCheckThumbs);
        QVERIFY(ThumbPresent(form->Editor().ThumbPath(0)));
        QCOMPARE(dialogs_.boxes.size(), boxes);
    }
    void DraggingRelocatesAndEscCancels() {
        auto form = FormWithThree();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTreeView* details = form->DetailsView();
        QWidget* viewport = details->viewport();
        const auto centre = [&](int row) {
            return details->visualRect(details->model()->index(row, 0)).center();
        };
        const auto names = [&] {
            QStringList rows;
            for (int row = 0; row < 3; ++row)
                rows << details->model()->index(row, 0).data().toString();
            return rows.join(",");
        };
        details->selectionModel()->select(details->model()->index(0, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);

        QTest::mousePress(viewport, Qt::LeftButton, {}, centre(0));
        QTest::mouseMove(viewport, centre(2));
        QVERIFY(form->StatusText() == "Dragging 1 object(s)");
        QTest::keyClick(details, Qt::Key_Escape);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre(2));
        QCOMPARE(names(), QString("a.bmp,b.bmp,c.bmp"));

        details->selectionModel()->select(details->model()->index(0, 0),
                                          QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
        QTest::mousePress(viewport, Qt::LeftButton, {}, centre(0));
        QTest::mouseMove(viewport, centre(2));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre(2));
        QCOMPARE(names(), QString("b.bmp,a.bmp,c.bmp"));
        QVERIFY(details->selectionModel()->isRowSelected(1));
    }
};

QTEST_MAIN(ShowFormTest)
#include "ShowFormTest.moc"
