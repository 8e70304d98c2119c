// The UnZipper window: its menu and grid, adding an archive, looking into
// it, extracting it and closing, with every dialog scripted.

#include "album/ui/UnZipForm.h"
#include "platform/ScriptedDialogs.h"
#include "platform/Trash.h"

#include <QAction>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace zv;
namespace fs = std::filesystem;

namespace {

void Put(std::string& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes += static_cast<char>(value >> (8 * i));
}

// A zip archive of stored entries, with a fixed date (2009-01-15 15:30:58).
std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string archive;
    std::string directory;
    for (const auto& [name, data] : entries) {
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
        const auto offset = static_cast<std::uint32_t>(archive.size());
        std::string common;
        Put(common, 0, 2);      // flags
        Put(common, 0, 2);      // method: stored
        Put(common, 0x7BDD, 2); // time
        Put(common, 0x3A2F, 2); // date
        Put(common, crc, 4);
        Put(common, static_cast<std::uint32_t>(data.size()), 4);
        Put(common, static_cast<std::uint32_t>(data.size()), 4);
        Put(common, static_cast<std::uint32_t>(name.size()), 2);
        Put(common, 0, 2); // extra length
        Put(archive, 0x04034b50, 4);
        Put(archive, 20, 2);
        archive += common + name + data;
        Put(directory, 0x02014b50, 4);
        Put(directory, 20, 2);
        Put(directory, 20, 2);
        directory += common;
        Put(directory, 0, 2); // comment length
        Put(directory, 0, 2); // disk
        Put(directory, 0, 2); // internal attributes
        Put(directory, 0, 4); // external attributes
        Put(directory, offset, 4);
        directory += name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    Put(archive, 0x06054b50, 4);
    Put(archive, 0, 2);
    Put(archive, 0, 2);
    Put(archive, static_cast<std::uint32_t>(entries.size()), 2);
    Put(archive, static_cast<std::uint32_t>(entries.size()), 2);
    Put(archive, static_cast<std::uint32_t>(directory.size()), 4);
    Put(archive, directoryOffset, 4);
    Put(archive, 0, 2);
    return archive;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class RecordingTrash : public Trash {
public:
    std::string Delete(const std::string&) override { return "not used"; }
    std::string Recycle(const std::string& path) override {
        recycled.push_back(path);
        fs::remove(path);
        return {};
    }
    std::vector<std::string> recycled;
};

} // namespace

class UnZipFormTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder_;
    ScriptedDialogs dialogs_;
    RecordingTrash trash_;
    std::string openFolder_;
    int refreshed_ = 0;
    std::unique_ptr<TUnZipForm> form_;

    fs::path Folder() const { return folder_.path().toStdString(); }

    std::string WriteZip(const std::string& name, const std::string& bytes) {
        const fs::path path = Folder() / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    QAction* Command(const QString& caption) const {
        for (QAction* action : form_->findChildren<QAction*>())
            if (action->text() == caption) return action;
        return nullptr;
    }

private slots:
    void init() {
        dialogs_ = ScriptedDialogs();
        trash_.recycled.clear();
        openFolder_ = "/start/";
        refreshed_ = 0;
        UnZipFormServices services{dialogs_, trash_, openFolder_};
        services.appHome = Folder() / "home";
        services.refreshExplorer = [this] { ++refreshed_; };
        form_ = std::make_unique<TUnZipForm>(services);
        form_->shiftHeld = [] { return false; };
        form_->openLog = [](const fs::path&) { return true; };
    }
    void cleanup() {
        form_.reset();
        for (const auto& item : fs::directory_iterator(Folder())) fs::remove_all(item.path());
    }

    void captionMenuAndGrid() {
        QCOMPARE(form_->windowTitle(), QStringLiteral("Zelvan 7.04 UnZipper"));
        QStringList top;
        for (QAction* action : form_->menuBar()->actions()) top << action->text();
        QCOMPARE(top, (QStringList{"&Archives", "E&xtract all", "&Extract", "&Close", "&Help"}));
        QStringList archives;
        for (QAction* action : form_->menuBar()->actions()[0]->menu()->actions())
            archives << action->text();
        QCOMPARE(archives, (QStringList{"&Clear", "&Add", "&Cut", "&Delete"}));
        QStringList extract;
        for (QAction* action : form_->menuBar()->actions()[2]->menu()->actions())
            extract << action->text();
        QCOMPARE(extract, (QStringList{"&Selected Zips", "Single &File"}));
        QVERIFY(!Command("&Help")->isEnabled());
        QVERIFY(!Command("E&xtract all")->isEnabled());
        QCOMPARE(form_->ArchiveList()->selectionMode(), QAbstractItemView::ExtendedSelection);

        QTableWidget* grid = form_->Grid();
        QCOMPARE(grid->columnCount(), 5);
        const QStringList captions{" Name", " Date Stamp", " Size", " %", " PackSize"};
        const int widths[] = {160, 120, 80, 32, 80};
        for (int c = 0; c < 5; ++c) {
            QCOMPARE(grid->horizontalHeaderItem(c)->text(), captions[c]);
            QCOMPARE(grid->columnWidth(c), widths[c]);
        }
        QCOMPARE(form_->StatusText(), QStringLiteral("Ready."));
    }

    void addLookAndExtract() {
        const std::string zip =
            WriteZip("Holiday.zip", StoredZip({{"first.txt", "one"}, {"sub/second.txt", "two!"}}));
        dialogs_.openResults = {{zip}};
        Command("&Add")->trigger();
        QCOMPARE(dialogs_.fileRequests.at(0).title, std::string("Select source *.zip file(s)"));
        QCOMPARE(dialogs_.fileRequests.at(0).filter, std::string("ZIP (compressed archive)|*.zip"));
        QVERIFY(dialogs_.fileRequests.at(0).multiSelect);
        QListWidget* list = form_->ArchiveList();
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QString::fromStdString(zip));
        QVERIFY(Command("E&xtract all")->isEnabled());

        list->setCurrentRow(0);
        QTableWidget* grid = form_->Grid();
        QCOMPARE(grid->rowCount(), 2);
        QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("first.txt"));
        QCOMPARE(grid->item(1, 0)->text(), QStringLiteral("sub/second.txt"));
        QCOMPARE(grid->item(1, 2)->text(), QStringLiteral("4"));
        QCOMPARE(grid->item(1, 3)->text(), QStringLiteral("0"));
        QCOMPARE(grid->item(1, 4)->text(), QStringLiteral("4"));
        QCOMPARE(form_->StatusText(),
                 QStringLiteral("[ Archive: Holiday.zip ]   File selected: first.txt"));
        grid->setCurrentCell(1, 0);
        QCOMPARE(form_->StatusText(),
                 QStringLiteral("[ Archive: Holiday.zip ]   File selected: sub/second.txt"));

        // One entry into a folder of its own.
        const fs::path out = Folder() / "out";
        fs::create_directory(out);
        dialogs_.folderResults = {out.string()};
        Command("Single &File")->trigger();
        QCOMPARE(dialogs_.folderCaptions.back(), std::string("Extract single file"));
        QCOMPARE(dialogs_.LastText(), std::string("1 file(s) unzipped."));
        QCOMPARE(ReadFile(out / "sub/second.txt"), std::string("two!"));
        QVERIFY(!fs::exists(out / "first.txt"));

        // Then everything, keeping the archive.
        dialogs_.folderResults = {out.string()};
        dialogs_.answers = {Answer::No, Answer::No};
        form_->show();
        Command("&Selected Zips")->trigger();
        QCOMPARE(dialogs_.folderCaptions.back(), std::string("Extract Holiday.zip"));
        QCOMPARE(dialogs_.LastText(),
                 std::string("1 file(s) unzipped.\nThere were exceptions.  View log?"));
        QCOMPARE(ReadFile(out / "first.txt"), std::string("one"));
        QVERIFY(fs::exists(Folder() / "home/ZipErrs_Log.txt"));
        QVERIFY(form_->isVisible());
        QCOMPARE(list->count(), 1);
        QCOMPARE(refreshed_, 2);
    }

    void extractAllRecyclesAndCloses() {
        const std::string zip = WriteZip("a.zip", StoredZip({{"a.txt", "alpha"}}));
        form_->Populate(zip);
        form_->Populate(zip);
        QCOMPARE(form_->ArchiveList()->count(), 1);
        QCOMPARE(form_->StatusText(), QStringLiteral("Ready."));
        form_->show();
        const fs::path out = Folder() / "out";
        fs::create_directory(out);
        dialogs_.folderResults = {out.string()};
        dialogs_.answers = {Answer::Yes};
        Command("E&xtract all")->trigger();
        QCOMPARE(dialogs_.folderCaptions.back(), std::string("Extract a.zip"));
        QCOMPARE(dialogs_.LastText(), std::string("Recycle a.zip ?"));
        QCOMPARE(trash_.recycled, std::vector<std::string>{zip});
        QCOMPARE(ReadFile(out / "a.txt"), std::string("alpha"));
        QCOMPARE(form_->ArchiveList()->count(), 0);
        QVERIFY(!Command("E&xtract all")->isEnabled());
        QVERIFY(!form_->isVisible());
    }

    void closingHidesAndEmptiesTheList() {
        form_->Populate(WriteZip("b.zip", StoredZip({{"b.txt", "b"}})));
        form_->show();
        form_->ArchiveList()->setCurrentRow(0);
        QCOMPARE(form_->Grid()->rowCount(), 1);
        Command("&Close")->trigger();
        QVERIFY(!form_->isVisible());
        QCOMPARE(form_->ArchiveList()->count(), 0);
        QCOMPARE(form_->Grid()->rowCount(), 0);
        QCOMPARE(form_->StatusText(), QStringLiteral("Ready."));
    }
};

QTEST_MAIN(UnZipFormTest)
#include "UnZipFormTest.moc"
