// The explorer window over a small folder tree: what it lists, how it moves
// between folders, sorts, switches views, opens files and keeps comments,
// checked through its list, path box, status bar and signals.

#include "catalog/ListChooser.h"
#include "explorer/ExplorerSettings.h"
#include "explorer/FolderHistory.h"
#include "explorer/ui/FileForm.h"
#include "explorer/ui/FileListModel.h"
#include "explorer/ui/FolderTreeView.h"
#include "explorer/ui/LookBox.h"
#include "imaging/BitmapFile.h"
#include "platform/ScriptedDialogs.h"

#include "../ChooserScript.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <chrono>
#include <deque>
#include <fstream>
#include <set>

using namespace zv;
namespace fs = std::filesystem;

namespace {

void WritePicture(const fs::path& path, int width, int height) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    WriteBitmapFile(path, picture);
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Files written in the last two seconds are not listed yet.
void AgeBy(const fs::path& path, std::chrono::hours hours) {
    fs::last_write_time(path, fs::file_time_type::clock::now() - hours);
}

} // namespace

class ExplorerTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir pictures_;
    QTemporaryDir home_;
    std::string root_; // the pictures folder, ending in "/"
    ExplorerSettings settings_;
    ScriptedDialogs dialogs_;
    std::deque<std::optional<std::string>> answers_; // for the text questions
    std::vector<std::string> questions_;             // caption + "|" + prompt + "|" + default
    std::vector<std::string> shellOpened_;
    std::unique_ptr<TFileForm> form_;

    std::vector<KnownDrive> Drives() const {
        return {{"/", "File System", kDriveFixed}, {root_, "Pictures", kDriveFixed}};
    }

    TFileForm& Open(const std::string& folder) {
        form_ = std::make_unique<TFileForm>(
            ExplorerServices{settings_, home_.path().toStdString(), dialogs_,
                             [](const std::string&) {
                                 return std::optional<PictureSize>(PictureSize{4, 4, 24});
                             },
                             [this] { return Drives(); }});
        form_->askText = [this](const std::string& caption, const std::string& prompt,
                                const std::string& initial) {
            questions_.push_back(caption + "|" + prompt + "|" + initial);
            std::optional<std::string> answer;
            if (!answers_.empty()) {
                answer = answers_.front();
                answers_.pop_front();
            }
            return answer;
        };
        form_->shellOpen = [this](const std::string& path) {
            shellOpened_.push_back(path);
            return false;
        };
        form_->ShowFolder(folder);
        return *form_;
    }

    QStringList Names() const {
        QStringList names;
        FileListModel* model = form_->ListModel();
        for (int row = 0; row < model->rowCount(); ++row)
            names << model->data(model->index(row, 0)).toString();
        return names;
    }

    int Row(const QString& name) const { return Names().indexOf(name); }

    QAction* Command(const QString& caption) const {
        for (QAction* action : form_->findChildren<QAction*>())
            if (action->text() == caption) return action;
        return nullptr;
    }

    // Shows the window and waits until the view has laid out the row.
    QRect RowRect(int row) {
        form_->show();
        QAbstractItemView* view = form_->ListView();
        const QModelIndex index = form_->ListModel()->index(row, 0);
        if (!QTest::qWaitFor([&] { return !view->visualRect(index).isEmpty(); }, 3000))
            qWarning("the row was not laid out");
        view->scrollTo(index);
        return view->visualRect(index);
    }

private slots:
    void initTestCase() {
        root_ = pictures_.path().toStdString() + "/";
        WritePicture(root_ + "Beach 01.bmp", 4, 4);
        WritePicture(root_ + "Rome 01.bmp", 40, 30);
        WritePicture(root_ + "Paris 02.bmp", 20, 20);
        AgeBy(root_ + "Beach 01.bmp", std::chrono::hours(3));
        AgeBy(root_ + "Rome 01.bmp", std::chrono::hours(2));
        AgeBy(root_ + "Paris 02.bmp", std::chrono::hours(1));
        WriteText(root_ + "archive.zip", "PK not really");
        WriteText(root_ + "notes.txt", "notes");
        WriteText(root_ + "empty.txt", "");
        WritePicture(root_ + ".hidden.bmp", 4, 4);
        for (const char* name : {"archive.zip", "notes.txt", "empty.txt", ".hidden.bmp"})
            AgeBy(root_ + name, std::chrono::hours(4));
    }

    void init() {
        root_ = pictures_.path().toStdString() + "/";
        for (const char* name : {"a", "a/b", "c", "FILELIST.ZVX"}) fs::remove_all(root_ + name);
        fs::remove(root_ + "FILETEXT.ZVX");
        fs::remove(home_.path().toStdString() + "/HistoryList.txt");
        settings_ = DefaultExplorerSettings(1024, 768);
        settings_.folderTree = false;
        settings_.clickStyle = 0;
        dialogs_ = ScriptedDialogs();
        answers_.clear();
        questions_.clear();
        shellOpened_.clear();
    }

    void cleanup() { form_.reset(); }

    void listsVisibleFilesWithStatusAndCaption() {
        fs::create_directories(root_ + "a/b");
        TFileForm& form = Open(root_);
        QCOMPARE(form.CurrentFolder(), root_);
        QCOMPARE(Names(), (QStringList{"a", "archive.zip", "Beach 01.bmp", "notes.txt",
                                       "Paris 02.bmp", "Rome 01.bmp"}));
        QCOMPARE(form.StatusText(1), QStringLiteral("6 object(s)"));
        QCOMPARE(form.windowTitle().toStdString(),
                 "Zelvan 7.04 .. " + root_.substr(0, root_.size() - 1));
        QCOMPARE(form.PathBox()->lineEdit()->text().toStdString(), root_);

        form.SelectRows({Row("Rome 01.bmp")});
        QCOMPARE(form.StatusText(1), QStringLiteral("item selected"));
        QCOMPARE(form.StatusText(2), QStringLiteral(".BMP 4x4(24)"));
        QVERIFY(form.StatusText(3).startsWith(QStringLiteral("3 KB, ")));
        form.SelectRows({Row("a"), Row("notes.txt")});
        QCOMPARE(form.StatusText(1), QStringLiteral("2 object(s) selected"));

        form.ShowFolder({});
        QVERIFY(form.InDrivesView());
        QCOMPARE(Names(), (QStringList{"File System", "Pictures"}));
        QCOMPARE(form.StatusText(1), QStringLiteral("My Computer"));
        QVERIFY(!Command(QStringLiteral("Up one &level"))->isEnabled());
        form.SelectRows({1});
        form.OpenSelection();
        QCOMPARE(form.CurrentFolder(), root_);
    }

    void upBackForwardAndTheStoredHistory() {
        fs::create_directories(root_ + "a/b");
        TFileForm& form = Open(root_ + "a/b"); // the "/" is added
        QCOMPARE(form.CurrentFolder(), root_ + "a/b/");
        form.UpOneLevel();
        QCOMPARE(form.CurrentFolder(), root_ + "a/");
        form.UpOneLevel();
        QCOMPARE(form.CurrentFolder(), root_);
        // The pictures folder is a drive here: nothing above it.
        QVERIFY(!Command(QStringLiteral("Up one &level"))->isEnabled());
        form.ShowFolder(root_); // the same folder twice is one entry
        form.GoBack();
        QCOMPARE(form.CurrentFolder(), root_ + "a/");
        form.GoBack();
        QCOMPARE(form.CurrentFolder(), root_ + "a/b/");
        form.GoBack(); // from the first entry to the last
        QCOMPARE(form.CurrentFolder(), root_);
        form.GoForward(); // and from the last to the first
        QCOMPARE(form.CurrentFolder(), root_ + "a/b/");
        const std::vector<std::string> visited = {root_ + "a/b/", root_ + "a/", root_};
        QCOMPARE(form.History().Entries(), visited);

        // The path box: a typed path, and the items of the current path's folders.
        LookBox* box = form.PathBox();
        box->lineEdit()->setText(QString::fromStdString(root_ + "a"));
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        QCOMPARE(form.CurrentFolder(), root_ + "a/");
        const int drive =
            box->findText(QStringLiteral("Pictures (%1)").arg(QString::fromStdString(root_)));
        QCOMPARE(box->ItemPath(drive + 1), root_ + "a/"); // the folder, indented under its drive
        QCOMPARE(box->ItemPath(0), std::string());        // "My Computer"
        emit box->activated(drive);
        QCOMPARE(form.CurrentFolder(), root_);
        QCOMPARE(box->lineEdit()->text().toStdString(), root_);

        form_.reset(); // saves the history
        TFileForm& again = Open(root_ + "a/");
        const std::vector<std::string> reloaded = {root_ + "a/b/", root_ + "a/", root_,
                                                   root_ + "a/",   root_,        root_ + "a/"};
        QCOMPARE(again.History().Entries(), reloaded);
    }

    void theVisitedFoldersReplaceTheHistory() {
        fs::create_directories(root_ + "a");
        TFileForm& form = Open(root_);
        form.ShowFolder(root_ + "a/");
        std::vector<std::string> shown;
        int pick = 0; // the row "&Ok" gives back; -1: every row deleted first
        form.chooseFromList = [&](ChooserRequest& request) {
            shown = request.list;
            return zvtest::PickOrDeleteAll(request, pick);
        };
        QVERIFY(Command(QStringLiteral("&History"))->isEnabled());
        Command(QStringLiteral("&History"))->trigger();
        QCOMPARE(shown, (std::vector<std::string>{root_, root_ + "a/"}));
        QCOMPARE(form.CurrentFolder(), root_); // row 0, not added again
        QCOMPARE(form.History().Entries().size(), std::size_t(2));
        QCOMPARE(form.History().Position(), std::size_t(0));

        pick = -1;
        Command(QStringLiteral("Marks"))->trigger();
        QVERIFY(form.History().Empty());
        QCOMPARE(form.CurrentFolder(), root_);
    }

    void aFolderThatCannotBeShownFallsBackToTheProgramDrive() {
        TFileForm& form = Open(root_ + "missing");
        QCOMPARE(dialogs_.Texts().front(), "Cannot access drive/folder.\nCheck device or "
                                           "security settings.\n\n" +
                                               root_ + "missing");
        QCOMPARE(form.CurrentFolder(), std::string("/")); // the drive of the program's folder

        dialogs_.folderResults.push_back(root_ + "missing");
        form.GoToFolder();
        QCOMPARE(dialogs_.folderCaptions.back(), std::string("Open a folder"));
        QCOMPARE(form.CurrentFolder(), std::string("/")); // stays where it was
    }

    void sortsAndHeaderClicks() {
        TFileForm& form = Open(root_);
        const auto pictureOrder = [this] {
            QStringList order;
            for (const QString& name : Names())
                if (name.endsWith(QStringLiteral(".bmp"))) order << name;
            return order;
        };
        form.SortList(SortKind::NameDescending);
        QCOMPARE(pictureOrder(), (QStringList{"Rome 01.bmp", "Paris 02.bmp", "Beach 01.bmp"}));
        form.SortList(SortKind::SizeAscending);
        QCOMPARE(pictureOrder(), (QStringList{"Beach 01.bmp", "Paris 02.bmp", "Rome 01.bmp"}));
        form.SortList(SortKind::DateDescending);
        QCOMPARE(pictureOrder(), (QStringList{"Paris 02.bmp", "Rome 01.bmp", "Beach 01.bmp"}));
        form.SortList(SortKind::Family);
        const QStringList family = pictureOrder();
        QCOMPARE(family.last(), QStringLiteral("Paris 02.bmp")); // " 01" before " 02"

        // Header clicks alternate, starting from the direction of the last size sort.
        form.SortList(SortKind::SizeDescending);
        form.SetViewStyle(ExplorerViewStyle::Details);
        emit form.DetailsView()->header()->sectionClicked(1);
        QCOMPARE(pictureOrder(), (QStringList{"Rome 01.bmp", "Paris 02.bmp", "Beach 01.bmp"}));
        emit form.DetailsView()->header()->sectionClicked(1);
        QCOMPARE(pictureOrder(), (QStringList{"Beach 01.bmp", "Paris 02.bmp", "Rome 01.bmp"}));
        emit form.DetailsView()->header()->sectionClicked(1);
        QCOMPARE(pictureOrder(), (QStringList{"Rome 01.bmp", "Paris 02.bmp", "Beach 01.bmp"}));
        emit form.DetailsView()->header()->sectionClicked(3); // Type/Dimensions does not sort
        QCOMPARE(pictureOrder(), (QStringList{"Rome 01.bmp", "Paris 02.bmp", "Beach 01.bmp"}));

        // A real click on "Date Modified" sorts, a second reverses; the header marks the order.
        QHeaderView* header = form.DetailsView()->header();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const auto clickDate = [&] {
            QTest::mouseClick(
                header->viewport(), Qt::LeftButton, {},
                QPoint(header->sectionViewportPosition(2) + 20, header->height() / 2));
        };
        QVERIFY(header->isSortIndicatorShown());
        QCOMPARE(header->sortIndicatorSection(), 1);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        const QStringList newestFirst{"Paris 02.bmp", "Rome 01.bmp", "Beach 01.bmp"};
        for (int click = 0; click < 2; ++click) {
            const QStringList before = pictureOrder();
            clickDate();
            const QStringList order = pictureOrder();
            QVERIFY(order == newestFirst ||
                    order == QStringList(newestFirst.rbegin(), newestFirst.rend()));
            if (click == 1) QVERIFY(order != before);
            QCOMPARE(header->sortIndicatorSection(), 2);
            QCOMPARE(header->sortIndicatorOrder(),
                     order == newestFirst ? Qt::DescendingOrder : Qt::AscendingOrder);
        }
        form.RefreshList(); // a new listing is in the folder's own order
        QVERIFY(!header->isSortIndicatorShown());
    }

    void enterInThePathBoxGoesThere() {
        fs::create_directories(root_ + "a/b");
        TFileForm& form = Open(root_);
        LookBox* box = form.PathBox();
        box->lineEdit()->clear();
        QTest::keyClicks(box, QString::fromStdString(root_ + "a/b"));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(form.CurrentFolder(), root_ + "a/b/");
    }

    // "Close" hides the explorer while another window is open, else ends the program.
    void fileCloseClosesTheExplorerOnly() {
        TFileForm& form = Open(root_);
        form.show();
        QSignalSpy ending(&form, &TFileForm::closeProgramWanted);
        QWidget viewer;
        viewer.show();
        Command(QStringLiteral("&Close"))->trigger();
        QVERIFY(form.isHidden());
        QCOMPARE(ending.count(), 0);
        viewer.hide();
        form.show();
        Command(QStringLiteral("&Close"))->trigger();
        QCOMPARE(ending.count(), 1);
    }

    void theFiveViewsShowTheSameRowsAndSelection() {
        // The thumbnail view is kept at start and after Back.
        settings_.viewStyle = ExplorerViewStyle::Thumbnails;
        fs::create_directories(root_ + "a");
        TFileForm& form = Open(root_);
        form.ShowFolder(root_ + "a");
        form.GoBack();
        QCOMPARE(form.CurrentFolder(), root_);
        QCOMPARE(form.Document().ShownStyle(), ExplorerViewStyle::Thumbnails);
        QCOMPARE(form.ListView(), static_cast<QAbstractItemView*>(form.IconView()));
        form.SetViewStyle(ExplorerViewStyle::LargeIcons);
        const QStringList names = Names();
        form.SelectRows({Row("Paris 02.bmp")});
        for (ExplorerViewStyle style : {ExplorerViewStyle::Details, ExplorerViewStyle::Thumbnails,
                                        ExplorerViewStyle::SmallIcons, ExplorerViewStyle::List,
                                        ExplorerViewStyle::LargeIcons}) {
            form.SetViewStyle(style);
            QCOMPARE(settings_.viewStyle, style);
            QAbstractItemView* view = form.ListView();
            QCOMPARE(view == form.DetailsView(), style == ExplorerViewStyle::Details);
            QCOMPARE(view->model()->rowCount(), names.size());
            QCOMPARE(Names(), names);
            QCOMPARE(form.SelectedRows(), RowSelection{Row("Paris 02.bmp")});
        }
        QListView* icons = form.IconView();
        form.SetViewStyle(ExplorerViewStyle::List);
        QCOMPARE(icons->viewMode(), QListView::ListMode);
        QCOMPARE(icons->flow(), QListView::TopToBottom);
        form.SetViewStyle(ExplorerViewStyle::LargeIcons);
        QCOMPARE(icons->viewMode(), QListView::IconMode);

        settings_.viewStyle = ExplorerViewStyle::Details;
        TFileForm& details = Open(root_);
        QCOMPARE(details.ListView(), details.DetailsView());
    }

    void openingDispatchesByKind() {
        TFileForm& form = Open(root_);
        QSignalSpy viewer(&form, &TFileForm::openInViewer);
        QSignalSpy zip(&form, &TFileForm::zipWanted);

        const QRect beach = RowRect(Row("Beach 01.bmp"));
        QTest::mouseClick(form.ListView()->viewport(), Qt::LeftButton, {}, beach.center());
        QCOMPARE(viewer.count(), 0); // a click only selects
        QTest::mouseDClick(form.ListView()->viewport(), Qt::LeftButton, {}, beach.center());
        QCOMPARE(viewer.count(), 1);
        QCOMPARE(viewer.takeFirst().at(0).toStringList(),
                 QStringList{QString::fromStdString(root_ + "Beach 01.bmp")});

        form.SelectRows({Row("archive.zip")});
        form.OpenSelection();
        QCOMPARE(zip.count(), 1);
        QCOMPARE(zip.takeFirst().at(0).toString().toStdString(), root_ + "archive.zip");
        QCOMPARE(viewer.count(), 0);

        form.SelectRows({Row("Paris 02.bmp"), Row("Rome 01.bmp")});
        form.OpenSelection();
        QCOMPARE(viewer.takeFirst().at(0).toStringList(),
                 (QStringList{QString::fromStdString(root_ + "Paris 02.bmp"),
                              QString::fromStdString(root_ + "Rome 01.bmp")}));

        form.SelectRows({Row("notes.txt")});
        form.OpenSelection();
        QCOMPARE(shellOpened_, std::vector<std::string>{root_ + "notes.txt"});
        QCOMPARE(dialogs_.LastText(), std::string("Associated application not found."));

        // A file gone since the listing: the list is read again instead.
        fs::rename(root_ + "notes.txt", root_ + "notes.keep");
        form.OpenSelection();
        QCOMPARE(shellOpened_.size(), std::size_t(1));
        QVERIFY(!Names().contains(QStringLiteral("notes.txt")));
        fs::rename(root_ + "notes.keep", root_ + "notes.txt");

        fs::create_directories(root_ + "a");
        form.RefreshList();
        form.SelectRows({Row("a")});
        QTest::keyClick(form.ListView(), Qt::Key_Return);
        QCOMPARE(form.CurrentFolder(), root_ + "a/");
    }

    void singleClickOpensOnce() {
        settings_.clickStyle = 1;
        settings_.viewStyle = ExplorerViewStyle::List; // in the thumbnail view a click only selects
        TFileForm& form = Open(root_);
        QSignalSpy viewer(&form, &TFileForm::openInViewer);
        const QRect rome = RowRect(Row("Rome 01.bmp"));
        QTest::mouseClick(form.ListView()->viewport(), Qt::LeftButton, {}, rome.center());
        QCOMPARE(viewer.count(), 1);
        // The rest of a double click: the second press arrives as a double click.
        QTest::mouseDClick(form.ListView()->viewport(), Qt::LeftButton, {}, rome.center());
        QTest::mouseRelease(form.ListView()->viewport(), Qt::LeftButton, {}, rome.center());
        QCOMPARE(viewer.count(), 1);
    }

    void commentsSurviveLeavingTheFolder() {
        fs::create_directories(root_ + "a");
        TFileForm& form = Open(root_);
        form.SelectRows({Row("Beach 01.bmp")});
        answers_ = {std::string("beach at noon")};
        form.CommentCommand();
        QCOMPARE(questions_.back(), std::string("Add or Edit Comment|Filename: Beach 01.bmp|"));
        form.SelectRows({Row("Rome 01.bmp")});
        answers_ = {std::string("colosseum")};
        form.CommentCommand();

        form.ShowFolder(root_ + "a/");
        form.ShowFolder(root_);
        const auto comment = [&](const char* name) {
            FileListModel* model = form.ListModel();
            return model->data(model->index(Row(QString::fromUtf8(name)), 4)).toString();
        };
        QCOMPARE(comment("Beach 01.bmp"), QStringLiteral("beach at noon"));
        QCOMPARE(comment("Rome 01.bmp"), QStringLiteral("colosseum"));
        QCOMPARE(comment("Paris 02.bmp"), QString());

        form.SelectRows({Row("Rome 01.bmp")});
        answers_ = {std::string("Beach")};
        form.QueryCommentsCommand(); // adds to the selection
        QCOMPARE(form.SelectedRows(), (RowSelection{Row("Beach 01.bmp"), Row("Rome 01.bmp")}));
        form.SelectRows({Row("Rome 01.bmp")});
        answers_ = {std::nullopt};
        form.CommentCommand(); // the current comment is offered; cancelled
        QCOMPARE(questions_.back(),
                 std::string("Add or Edit Comment|Filename: Rome 01.bmp|colosseum"));
        QCOMPARE(comment("Rome 01.bmp"), QStringLiteral("colosseum"));
    }

    void findAndTypeAhead() {
        TFileForm& form = Open(root_);
        answers_ = {std::string("ROME"), std::string("zzz")};
        form.FindFilenameCommand();
        QCOMPARE(form.SelectedRows(), RowSelection{Row("Rome 01.bmp")});
        QCOMPARE(questions_.back(), std::string("Enter partial DisplayName to find.|e.g., "
                                                "\"fav\" to find \"myfavpic\"|"));
        form.FindFilenameCommand();
        QCOMPARE(questions_.back().substr(questions_.back().rfind('|')), std::string("|ROME"));
        QCOMPARE(dialogs_.LastText(), std::string("No match found for\nzzz"));
        QVERIFY(form.SelectedRows().empty());

        form.SelectRows({});
        QTest::keyClick(form.ListView(), Qt::Key_P);
        QCOMPARE(form.SelectedRows(), RowSelection{Row("Paris 02.bmp")});
        QTest::keyClick(form.ListView(), Qt::Key_B);
        QCOMPARE(form.SelectedRows(), (RowSelection{Row("Beach 01.bmp"), Row("Paris 02.bmp")}));
    }

    void folderTreeFollowsAndLeads() {
        fs::create_directories(root_ + "a/b");
        fs::create_directories(root_ + "c");
        TFileForm& form = Open(root_ + "a/b/");
        form.SetFolderTree(true);
        QVERIFY(settings_.folderTree);
        FolderTreeView* tree = form.Tree();
        QVERIFY(tree->isVisibleTo(&form));
        QCOMPARE(form.TreeModel().NodePath(*tree->CurrentNode()), root_ + "a/b/");
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("b"));

        // Selecting "a" in the tree shows it (once the click has been handled).
        tree->setCurrentItem(tree->currentItem()->parent());
        QTRY_COMPARE(form.CurrentFolder(), root_ + "a/");
        QCOMPARE(form.History().Entries().back(), root_ + "a/");

        form.ShowFolder(root_ + "c");
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("c"));
        answers_ = {std::string("A"), std::string("x")};
        Command(QStringLiteral("&Locate"))->trigger(); // among the siblings of "c"
        QCOMPARE(form.CurrentFolder(), root_ + "a/");
        QCOMPARE(questions_.back(),
                 "Enter partial Folder Display Name to find.|" + LocatePrompt(false) + "|");
        Command(QStringLiteral("&Locate"))->trigger();
        QCOMPARE(questions_.back().substr(questions_.back().rfind('|')), std::string("|A"));
        QCOMPARE(dialogs_.LastText(), std::string("No match found for\nx"));
        form.ShowFolder(root_ + "c");
        Command(QStringLiteral("&First child"))->trigger();
        QCOMPARE(form.CurrentFolder(), root_ + "a/");
        form.SetFolderTree(false);
        QVERIFY(!tree->isVisibleTo(&form));
        QCOMPARE(tree->topLevelItemCount(), 0);
    }

    void layoutCommandsAndNetworks() {
        TFileForm& form = Open(root_);
        QSignalSpy tile(&form, &TFileForm::tileWanted);
        QSignalSpy album(&form, &TFileForm::slideAlbumWanted);
        Command(QStringLiteral("Overlapped &right"))->trigger();
        QCOMPARE(tile.takeFirst(), (QVariantList{2, false, false}));
        Command(QStringLiteral("&Slide Album"))->trigger();
        QCOMPARE(album.count(), 1);
        Command(QStringLiteral("&Tool bar"))->trigger();
        QVERIFY(!settings_.toolBar);
        QVERIFY(!Command(QStringLiteral("&Button text"))->isEnabled());

        dialogs_.answers = {Answer::Cancel};
        Command(QStringLiteral("&Networks"))->trigger();
        QVERIFY(!settings_.networkSupport);
        QVERIFY(!Command(QStringLiteral("&Networks"))->isChecked());
        QVERIFY(dialogs_.LastText().starts_with("Authorized access to networked resources"));
        dialogs_.answers = {Answer::Ignore};
        Command(QStringLiteral("&Networks"))->trigger();
        QVERIFY(settings_.networkSupport);
        Command(QStringLiteral("&Networks"))->trigger(); // off
        const std::size_t shown = dialogs_.boxes.size();
        Command(QStringLiteral("&Networks"))->trigger(); // on, no question after Ignore
        QCOMPARE(dialogs_.boxes.size(), shown);
        QVERIFY(settings_.networkSupport);

        form_.reset();
        Open(root_);
        QVERIFY(!settings_.networkSupport); // every run starts without
    }

    // A big folder costs one record per file: the view asks only for the
    // rows it shows.
    void aLargeListAsksOnlyForVisibleRows() {
        RecordStore store;
        ViewOrder order;
        FolderComments comments;
        IconCache icons;
        const std::string folder = root_;
        for (int i = 0; i < 100000; ++i) {
            FileRecord record;
            record.Name = "picture " + std::to_string(i) + ".jpg";
            record.IconIndex = icons.IconFor(".JPG");
            order.push_back(store.Append(std::move(record)));
        }
        struct CountingModel : FileListModel {
            using FileListModel::FileListModel;
            mutable std::set<int> rows;
            QVariant data(const QModelIndex& index, int role) const override {
                rows.insert(index.row());
                return FileListModel::data(index, role);
            }
        } model(FileListModel::Source{store, order, comments, icons, folder, {}});
        for (bool details : {false, true}) {
            model.rows.clear();
            std::unique_ptr<QAbstractItemView> view;
            if (details) {
                view = std::make_unique<QTreeView>();
                static_cast<QTreeView*>(view.get())->setUniformRowHeights(true);
            } else {
                auto list = std::make_unique<QListView>();
                list->setViewMode(QListView::IconMode);
                list->setUniformItemSizes(true);
                list->setGridSize(QSize(96, 64));
                view = std::move(list);
            }
            view->setModel(&model);
            view->resize(640, 480);
            view->show();
            QVERIFY(QTest::qWaitForWindowExposed(view.get()));
            QTest::qWait(50);
            QVERIFY2(model.rows.size() < 1000, std::to_string(model.rows.size()).c_str());
        }
    }
};

QTEST_MAIN(ExplorerTest)
#include "ExplorerTest.moc"
