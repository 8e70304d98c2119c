// The explorer's thumbnail view over a small folder: the pass fills the
// cache while the window runs, rows paint their thumbnails, the status bar
// shows the progress, and the cache commands remove what they say.

#include "catalog/ThumbCache.h"
#include "catalog/ThumbCacheCommands.h"
#include "explorer/ExplorerSettings.h"
#include "explorer/ui/FileForm.h"
#include "explorer/ui/FileListModel.h"
#include "explorer/ui/ThumbnailRunner.h"
#include "formats/JpegWriter.h"
#include "imaging/Bitmap.h"
#include "platform/ScriptedDialogs.h"

#include <QAction>
#include <QListView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

using namespace zv;
namespace fs = std::filesystem;

namespace {

// A picture of one colour, so a painted thumbnail is recognisable.
void WriteJpeg(const fs::path& path, int width, int height, std::uint8_t red) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            row[x * 3] = 20;
            row[x * 3 + 1] = 40;
            row[x * 3 + 2] = red;
        }
    }
    TJpegWriter().SaveToFile(path, picture);
}

void Age(const fs::path& path) {
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
}

} // namespace

class ThumbnailViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir pictures_;
    QTemporaryDir home_;
    QTemporaryDir cache_;
    std::string root_;
    ExplorerSettings settings_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<TFileForm> form_;

    TFileForm& Open() {
        settings_.thumbSizeIndex = 3;
        settings_.thumbColour = 0x00FFFFFF;
        form_ = std::make_unique<TFileForm>(
            ExplorerServices{settings_,
                             home_.path().toStdString(),
                             dialogs_,
                             {},
                             [this] {
                                 return std::vector<KnownDrive>{{"/", "File System", kDriveFixed},
                                                                {root_, "Pictures", kDriveFixed}};
                             },
                             fs::path(cache_.path().toStdString()),
                             24});
        form_->resize(900, 600);
        form_->show();
        form_->ShowFolder(root_);
        return *form_;
    }

    int Row(const std::string& name) const {
        FileListModel* model = form_->ListModel();
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->Record(row)->FileName == name) return row;
        return -1;
    }

    bool WaitForPass() {
        return QTest::qWaitFor([&] { return !form_->Thumbnails()->Running(); }, 20000);
    }

    QAction* Command(const QString& caption) const {
        for (QAction* action : form_->findChildren<QAction*>())
            if (action->text() == caption) return action;
        return nullptr;
    }

    void KillAll(TFileForm& form) {
        form.ShowFolder(root_);
        dialogs_.answers.push_back(Answer::Ok);
        form.CacheKillCommand(true);
        QVERIFY(dialogs_.boxes.back().text ==
                std::string("Delete thumbnail cache of ALL VISITED FOLDERS?"));
        form.ShowFolder(root_);
    }

private slots:
    void initTestCase() {
        root_ = pictures_.path().toStdString() + "/";
        for (int i = 0; i < 12; ++i)
            WriteJpeg(root_ + "photo" + std::to_string(10 + i) + ".jpg", 400 + i * 10, 300,
                      static_cast<std::uint8_t>(200));
        std::ofstream(root_ + "song.mp3") << "ID3";
        std::ofstream(root_ + "tune.mp3") << "ID3 too";
        fs::create_directories(root_ + "folder");
        for (const auto& entry : fs::directory_iterator(root_)) Age(entry.path());
    }

    void init() { dialogs_.boxes.clear(); }

    void thePassFillsTheCacheAndRowsPaintTheirThumbnails() {
        TFileForm& form = Open();
        QStringList progress;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            const QString text = form.StatusText(1);
            if (text.startsWith("Thumbs:") && !progress.contains(text)) progress << text;
        });
        watch.start(1);
        form.SetViewStyle(ExplorerViewStyle::Thumbnails);
        QVERIFY(form.Thumbnails()->Running());
        QVERIFY(WaitForPass());
        watch.stop();
        QVERIFY(!progress.isEmpty());
        for (int i = 0; i < 12; ++i) {
            const int row = Row("photo" + std::to_string(10 + i) + ".jpg");
            QVERIFY(ThumbPresent(form.Thumbnails()->RowThumbFile(row)));
            QCOMPARE(form.ListModel()->Record(row)->ThumbState, kThumbMade);
        }
        // Two MP3 files share one thumbnail file named after their extension.
        const fs::path song = form.Thumbnails()->RowThumbFile(Row("song.mp3"));
        QCOMPARE(song, form.Thumbnails()->RowThumbFile(Row("tune.mp3")));
        QCOMPARE(QString::fromStdString(song.filename().string()), QStringLiteral("MP3"));
        QVERIFY(ThumbPresent(song));
        // The generic thumbnails are made on entering the view.
        for (int number = 1; number <= 4; ++number)
            QVERIFY(ThumbPresent(form.Thumbnails()->Folder().paths.variantFolder /
                                 GenericThumbName(number)));

        // A row paints its thumbnail: the picture's red shows in the middle of its box.
        const int row = Row("photo12.jpg");
        QListView* view = form.IconView();
        view->scrollTo(form.ListModel()->index(row, 0));
        const QRect cell = view->visualRect(form.ListModel()->index(row, 0));
        const QImage shot = view->viewport()->grab().toImage();
        const QColor middle = shot.pixelColor(cell.center().x(), cell.top() + 2 + 45);
        QVERIFY2(middle.red() > 150 && middle.green() < 100, qPrintable(middle.name()));

        // A second visit finds every thumbnail by name at once.
        const auto before = fs::last_write_time(form.Thumbnails()->RowThumbFile(row));
        form.RefreshList();
        QVERIFY(WaitForPass());
        QCOMPARE(fs::last_write_time(form.Thumbnails()->RowThumbFile(row)), before);
    }

    // A selected thumbnail stays recognisable, the cells fill the width and a
    // double-click opens the picture.
    void selectingFittingAndOpening() {
        TFileForm& form = Open();
        form.SetViewStyle(ExplorerViewStyle::Thumbnails);
        QVERIFY(WaitForPass());
        QListView* view = form.IconView();
        const int row = Row("photo12.jpg");
        const QModelIndex index = form.ListModel()->index(row, 0);
        form.SelectRows({row});
        view->scrollTo(index);
        const QRect cell = view->visualRect(index);
        const QImage shot = view->viewport()->grab().toImage();
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) { // one of the four lies under the veil's dots
                const QColor seen = shot.pixelColor(cell.center().x() + dx, cell.top() + 47 + dy);
                QVERIFY2(seen.red() > 150 && seen.green() < 200, qPrintable(seen.name()));
            }

        const int room = view->viewport()->width();
        const int pitch = view->gridSize().width();
        QVERIFY2(room - room / pitch * pitch <= room / pitch + 20,
                 qPrintable(QStringLiteral("%1 / %2").arg(room).arg(pitch)));

        QSignalSpy opened(&form, &TFileForm::openInViewer);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(opened.count(), 0); // in the thumbnail view a click only selects
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(opened.count(), 1);
        QVERIFY(opened.front().front().toStringList().front().endsWith("photo12.jpg"));
    }

    void endSelectsTheLastOfManyRows() {
        QTemporaryDir many;
        const std::string folder = many.path().toStdString() + "/";
        for (int i = 0; i < 200; ++i) {
            const std::string path = folder + "tune" + std::to_string(1000 + i) + ".mp3";
            std::ofstream(path) << "ID3";
            Age(path); // a file written this instant is left out of the listing
        }
        TFileForm& form = Open();
        form.SetViewStyle(ExplorerViewStyle::Thumbnails);
        form.ShowFolder(folder);

        form.SelectRows({0});
        form.IconView()->setFocus();
        QTest::keyClick(form.IconView(), Qt::Key_End);
        QCOMPARE(form.SelectedRows(), RowSelection{199});
        QTest::keyClick(form.IconView(), Qt::Key_Home);
        QTest::keyClick(form.IconView(), Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(form.SelectedRows().size(), std::size_t{200});
        form_.reset();
    }

    void redoDeletesTheSelectedThumbnailsAndTheyComeBack() {
        TFileForm& form = Open();
        form.SetViewStyle(ExplorerViewStyle::Thumbnails);
        QVERIFY(WaitForPass());
        QAction* redo = Command(QStringLiteral("Redo thum&bs"));
        QVERIFY(redo && redo->isVisible());
        form.SelectRows({});
        redo->trigger();
        QCOMPARE(dialogs_.boxes.size(), std::size_t{1});
        QCOMPARE(dialogs_.boxes.front().text, std::string(kRedoNeedsSelection));

        const int row = Row("photo15.jpg");
        const fs::path thumb = form.Thumbnails()->RowThumbFile(row);
        const auto made = fs::last_write_time(thumb);
        form.SelectRows({row});
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        redo->trigger();
        QVERIFY(!ThumbPresent(thumb));
        QVERIFY(QTest::qWaitFor([&] { return ThumbPresent(thumb); }, 20000));
        QVERIFY(fs::last_write_time(thumb) != made);
        form.SetViewStyle(ExplorerViewStyle::Details);
        QVERIFY(!redo->isVisible());
    }

    void stoppingAPassAsksForTheThumbButton() {
        TFileForm& form = Open();
        KillAll(form);
        form.SetViewStyle(ExplorerViewStyle::Thumbnails);
        QVERIFY(form.Thumbnails()->Running());
        form.SortList(SortKind::NameDescending); // stops, then starts again
        QVERIFY(form.Thumbnails()->Running());
        form.SetViewStyle(ExplorerViewStyle::Details);
        QCOMPARE(form.StatusText(1), QString::fromLatin1(kThumbsStopped.data()));
        QVERIFY(!form.Thumbnails()->Running());
        QAction* thumb = form.findChild<QAction*>(QStringLiteral("ThumbButton"));
        thumb->trigger();
        QCOMPARE(form.ViewStyle(), ExplorerViewStyle::Thumbnails);
        QVERIFY(WaitForPass());
    }

    void killRemovesTheFolderCacheAndKillAllTheVariantFolder() {
        TFileForm& form = Open();
        form.SetViewStyle(ExplorerViewStyle::Thumbnails);
        QVERIFY(WaitForPass());
        const CachePaths paths = form.Thumbnails()->Folder().paths;
        dialogs_.answers.push_back(Answer::Cancel);
        form.CacheKillCommand(false);
        QVERIFY(fs::exists(paths.folderCacheFolder));
        QCOMPARE(dialogs_.boxes.back().text,
                 "Delete thumbnail cache of " +
                     QString::fromStdString(fs::path(root_).parent_path().filename().string())
                         .toUpper()
                         .toStdString() +
                     "?");
        dialogs_.answers.push_back(Answer::Ok);
        form.CacheKillCommand(false);
        QCOMPARE(MeasureCacheFolder(paths.folderCacheFolder).files, std::uint64_t{0});
        QVERIFY(ThumbPresent(paths.variantFolder / GenericThumbName(1)));
        KillAll(form);
        QVERIFY(!ThumbPresent(paths.variantFolder / GenericThumbName(1)));
    }

    void cleanup() { form_.reset(); }
};

QTEST_MAIN(ThumbnailViewTest)
#include "ThumbnailViewTest.moc"
