// The explorer's slide commands and the walk dialog over a small tree: what
// they hand the application, which items the drives view disables, and the
// dialog's folder choice and walk.

#include "album/AlbumBuilder.h"
#include "explorer/ExplorerSettings.h"
#include "explorer/ui/FileForm.h"
#include "explorer/ui/WalkForm.h"
#include "platform/ScriptedDialogs.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace zv;
namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> Lines(const QString& file) {
    std::ifstream in(file.toStdString(), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

} // namespace

class SlideCommandsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir pictures_;
    QTemporaryDir home_;
    std::string root_;
    ExplorerSettings settings_;
    ScriptedDialogs dialogs_;
    DocumentFlags flags_;
    std::unique_ptr<TFileForm> form_;

    AlbumBuildPlaces Places() const {
        const fs::path home = home_.path().toStdString();
        return {home, home / "data", "_00000001002A"};
    }

    std::unique_ptr<WalkTarget> Target(bool pictureList) const {
        if (!pictureList) return std::make_unique<AlbumBuilder>(Places());
        const auto paths = InstantListPaths(Places().dataFolder, Places().workStem);
        return std::make_unique<PictureListWriter>(paths[0], paths[1]);
    }

    TFileForm& Open() {
        form_ = std::make_unique<TFileForm>(
            ExplorerServices{settings_, home_.path().toStdString(), dialogs_, {}, [this] {
                                 return std::vector<KnownDrive>{{"/", "File System", kDriveFixed}};
                             }});
        form_->makeSlideTarget = [this](bool pictureList) { return Target(pictureList); };
        form_->makeListingProgress = [] { return std::make_unique<Progress>(); };
        form_->documentFlags = &flags_;
        form_->ShowFolder(root_);
        return *form_;
    }

    QAction* Command(const QString& caption) const {
        for (QAction* action : form_->findChildren<QAction*>())
            if (action->text() == caption) return action;
        return nullptr;
    }

    void SelectNames(const QStringList& names) {
        RowSelection rows;
        for (int row = 0; row < form_->Document().RowCount(); ++row)
            if (names.contains(QString::fromStdString(form_->Document().RowRecord(row)->FileName)))
                rows.push_back(row);
        form_->SelectRows(rows);
    }

private slots:
    void initTestCase() {
        root_ = pictures_.path().toStdString() + "/";
        fs::create_directories(root_ + "sub");
        WriteText(root_ + "a.jpg", "abc");
        WriteText(root_ + "clip.mov", "12");
        WriteText(root_ + "notes.txt", "text");
        WriteText(root_ + "sub/b.PNG", "12345");
        // Files written in the last two seconds are not listed yet.
        for (const auto& item : fs::recursive_directory_iterator(root_))
            fs::last_write_time(item.path(),
                                fs::file_time_type::clock::now() - std::chrono::hours(1));
        settings_.toolBar = true;
    }

    void init() { dialogs_ = ScriptedDialogs(); }
    void cleanup() { form_.reset(); }

    void theSlidesItemsFollowTheDrivesView() {
        TFileForm& form = Open();
        form.show();
        QAction* slides = form.findChild<QAction*>(QStringLiteral("SlidesButton"));
        QVERIFY(slides && slides->isEnabled());
        QVERIFY(Command(QStringLiteral("Slide &album")));
        QVERIFY(Command(QStringLiteral("&Instant slideshow")));
        QVERIFY(!Command(QStringLiteral("&Recursive listing"))->isVisible());
        form.ShowFolder("");
        QTRY_VERIFY(!slides->isEnabled());
        QTRY_VERIFY(!Command(QStringLiteral("Slide &album"))->isEnabled());
    }

    void aSelectionBecomesTheAlbumsSlides() {
        TFileForm& form = Open();
        QSignalSpy files(&form, &TFileForm::slideFilesWanted);
        SelectNames({"a.jpg", "notes.txt", "clip.mov"});
        form.MakeSlideshow();
        QCOMPARE(files.count(), 1);
        // Only the selection's pictures and media (a .mov is a slide, not media).
        QCOMPARE(files.takeFirst().at(0).toStringList(),
                 QStringList{QString::fromStdString(root_ + "a.jpg")});
    }

    void theFolderTreeBecomesAnAlbumOrAPictureList() {
        TFileForm& form = Open();
        QSignalSpy album(&form, &TFileForm::albumListed);
        QSignalSpy list(&form, &TFileForm::instantListMade);
        const ExplorerViewStyle style = form.ViewStyle();

        dialogs_.answers = {Answer::Yes}; // include the sub-folders
        form.MakeSlideshow();
        QCOMPARE(dialogs_.boxes.size(), std::size_t{1});
        QCOMPARE(dialogs_.boxes[0].buttons, Buttons::YesNoCancel);
        QCOMPARE(album.count(), 1);
        const QString avc = album.takeFirst().at(0).toString();
        QVERIFY(avc.endsWith("Zelvan 7.04_00000001002A.avc"));
        QCOMPARE(Lines(QString::fromStdString(Places().dataFolder.string() + "/_00000001002A._n_")),
                 (std::vector<std::string>{"a", "clip", "b"}));
        QCOMPARE(form.ViewStyle(), style);
        QVERIFY(!flags_.criticalProcess);

        form.InstantSlideshow();
        QCOMPARE(list.count(), 1);
        QCOMPARE(Lines(list.takeFirst().at(0).toString()),
                 (std::vector<std::string>{root_ + "a.jpg", root_ + "sub/b.PNG"}));

        flags_.criticalProcess = true; // another long process runs
        form.InstantSlideshow();
        QCOMPARE(list.count(), 0);
        QCOMPARE(dialogs_.boxes.back().text,
                 std::string("A critical process is being executed.\nCancel the process to "
                             "proceed."));
        flags_.criticalProcess = false;
    }

    void theWalkDialogChoosesAFolderAndMakesTheAlbum() {
        TWalkForm form(
            WalkFormServices{dialogs_, flags_, root_, {}, [this] { return Target(false); }});
        QCOMPARE(form.windowTitle(), QStringLiteral("Get all available slides from ..."));
        QCOMPARE(form.LabelText(),
                 QStringLiteral("Click [Get Slides] to begin recursive slide listing."));
        QVERIFY(!form.StopButton()->isEnabled());

        dialogs_.folderResults = {root_ + "missing", root_ + "sub"};
        form.SelectFolder();
        QVERIFY(dialogs_.LastText().starts_with("Cannot access drive/folder."));
        QCOMPARE(form.Folder(), root_);
        form.SelectFolder();
        QCOMPARE(dialogs_.folderCaptions.back(), std::string("Open a folder"));
        QCOMPARE(form.Folder(), root_ + "sub/");

        form.GetSlides();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(QString::fromStdString(form.MadeFile()).endsWith(".avc"));
        QCOMPARE(form.LabelText(), QStringLiteral("1 slides added.  "));
    }
};

QTEST_MAIN(SlideCommandsTest)
#include "SlideCommandsTest.moc"
