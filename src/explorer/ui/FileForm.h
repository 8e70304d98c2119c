#pragma once
// TFileForm: the explorer window beside the viewer. It shows the folder of
// its ExplorerDocument in a virtual list with five view styles, a folder tree
// that reads folders only when opened, and a path box; the document decides
// what every command does, and the menus come from the explorer's action
// tables. Opening files is handed to the application through signals. Closing it by the user only
// hides it and brings the viewer back; "&Close" hides it too, and ends the
// program when no other window is open.

#include "catalog/DocumentFlags.h"
#include "catalog/ListChooser.h"
#include "catalog/WalkRecords.h"
#include "explorer/Drives.h"
#include "explorer/ExplorerActions.h"
#include "explorer/ExplorerDocument.h"
#include "explorer/ExplorerSettings.h"
#include "explorer/FileList.h"
#include "explorer/FolderTree.h"
#include "platform/Dialogs.h"
#include "platform/Progress.h"

#include <QMainWindow>
#include <QSize>
#include <QStringList>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAbstractItemDelegate;
class QAbstractItemView;
class QAction;
class QItemSelectionModel;
class QLabel;
class QListView;
class QMenu;
class QSplitter;
class QStackedWidget;
class QTimer;
class QToolBar;
class QTreeView;

namespace zv {

class ActionMenus;
class FileListModel;
class FolderTreeView;
class LookBox;
class ThumbDelegate;
class ThumbnailRunner;

// What the explorer takes from the application.
struct ExplorerServices {
    ExplorerSettings& settings;
    std::string appHome; // HistoryList.txt lives here; its drive is the folder to fall back on
    Dialogs& dialogs;
    // Width, height and bits of a picture for the "Type/Dimensions" column; may be empty.
    PictureSizeQuery pictureInfo;
    // The known drives; empty: the mounts of this machine (ReadKnownDrives).
    std::function<std::vector<KnownDrive>()> readDrives;
    // Where the thumbnail cache lives (CacheRoot); empty: no thumbnails are stored.
    std::filesystem::path cacheRoot;
    int screenBits = 24; // 8 or fewer: 8-bit thumbnails
};

class TFileForm : public QMainWindow, private ExplorerView {
    Q_OBJECT
public:
    explicit TFileForm(ExplorerServices services, QWidget* parent = nullptr);
    ~TFileForm() override;

    // Set once the program is ending: the window then really closes.
    bool applicationEnding = false;

    // Shows a folder (an empty path: the drives view) as if it were typed
    // into the path box; a folder that cannot be shown is reported and the
    // root of the program's drive is shown instead.
    void ShowFolder(const std::string& folder);
    // The folder shown, ending in "/"; empty in the drives view.
    std::string CurrentFolder() const { return document_->CurrentFolder(); }
    bool InDrivesView() const { return document_->InDrivesView(); }
    // Shows the bars, the tree and the click style as the settings say.
    void ApplySettings();
    ExplorerSettings& Settings() { return services_.settings; }

    // Commands, as the menus and buttons run them.
    void UpOneLevel();
    void GoBack();
    void GoForward();
    void GoToFolder();
    // "&History" and "Marks": the visited folders in the list chooser.
    void VisitedFoldersCommand();
    void RefreshList();
    void SetViewStyle(ExplorerViewStyle style);
    ExplorerViewStyle ViewStyle() const { return document_->ViewStyle(); }
    void SortList(SortKind kind);
    void SelectAllRows();
    void SelectAllFileRows();
    void SelectAllImageRows();
    void InvertRowSelection();
    void FindFilenameCommand();
    void QueryCommentsCommand();
    void CommentCommand();
    void OpenSelection();
    void SetFolderTree(bool on);
    void SetNetworkSupport(bool on);
    // The thumbnail commands.
    void ThumbButtonCommand();
    void RedoThumbsCommand();
    void CacheInfoCommand();
    void CacheKillCommand(bool all);
    // A new thumbnail size from the options: the box, the cell and a new listing.
    void ThumbnailSizeChanged();

    // What tests and the application look at.
    FileListModel* ListModel() const { return model_; }
    QAbstractItemView* ListView() const; // the view of the current style
    QListView* IconView() const { return iconView_; }
    QTreeView* DetailsView() const { return detailsView_; }
    ThumbnailRunner* Thumbnails() const { return thumbs_; }
    FolderTreeView* Tree() const { return treeView_; }
    FolderTree& TreeModel() { return document_->Tree(); }
    LookBox* PathBox() const { return lookBox_; }
    const FolderHistory& History() const { return document_->History(); }
    const std::vector<KnownDrive>& Drives() const { return document_->Drives(); }
    ExplorerDocument& Document() { return *document_; }
    // Status panels 1 to 3.
    QString StatusText(int panel) const;
    // The selected rows, in row order, and a new selection.
    RowSelection SelectedRows() const;
    void SelectRows(const RowSelection& rows);
    // The row a row-wise command works on (the focused row).
    int FocusedRow() const;

    // Asks for a line of text: caption, prompt and default; nothing when
    // cancelled. Tests answer in its place.
    std::function<std::optional<std::string>(const std::string& caption, const std::string& prompt,
                                             const std::string& initial)>
        askText;
    // Starts a file with the desktop's associated application; false when
    // none could open it. Tests record the call instead.
    std::function<bool(const std::string& path)> shellOpen;
    // Runs the list chooser (ChooseFromList in ListDlg.h); tests answer in its place.
    ChooseFromListFn chooseFromList;

    // The slide commands: "Slide &album" (MakeSlideshow), "&Instant
    // slideshow" and the hidden "&Recursive listing" (the tree into the
    // album without asking).
    void MakeSlideshow();
    void InstantSlideshow();
    void RecursiveListing();
    // What they take from the application. makeSlideTarget makes what a
    // listing fills: the album builder (false) or the instant slideshow's
    // picture list (true); without it the listings do nothing.
    std::function<std::unique_ptr<WalkTarget>(bool pictureList)> makeSlideTarget;
    // Shows the album window and asks "Discard slideshow/album?" when it
    // holds slides; false stops the listing. Not set: go on.
    std::function<bool()> prepareAlbum;
    // The program's flags (the one long process); the window's own when not set.
    DocumentFlags* documentFlags = nullptr;
    // The progress window of a listing; a plain progress dialog when not set.
    std::function<std::unique_ptr<Progress>()> makeListingProgress;
    // The thumbnail cache folder a listing leaves out.
    const std::filesystem::path& CacheRoot() const { return services_.cacheRoot; }

signals:
    void viewerWanted();
    void closeProgramWanted();
    void memoryWanted();
    // The first path opens in the viewer; the others join its list of files.
    void openInViewer(const QStringList& paths);
    void zipWanted(const QString& path);
    void unzipperWanted();
    void batchScriptWanted(const QString& path);
    void albumWanted(const QString& path);
    // layout: a TileLayout; wholeScreen with Shift held, keepWidth with Ctrl held.
    void tileWanted(int layout, bool wholeScreen, bool keepWidth);
    void slideAlbumWanted();
    // The album replaces its slides with these files, in this order.
    void slideFilesWanted(const QStringList& paths);
    // A listing made this album (an AVC): the album window loads it.
    void albumListed(const QString& albumFile);
    // A listing made this picture list: the viewer loads it as its history,
    // opens the first picture and plays the slideshow.
    void instantListMade(const QString& listFile);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QMenu* createPopupMenu() override;

private:
    // ExplorerView
    void ListChanging(ListChange change) override;
    void ListChanged(ListChange change) override;
    void FolderChanged() override;
    void ShownStyleChanged() override;
    void TreeChanged() override;
    void DrivesChanged() override;
    void SelectionChanged() override;
    void RowChanged(int row) override;
    std::optional<std::string> AskText(const std::string& caption, const std::string& prompt,
                                       const std::string& initial) override;
    void OpenInViewer(const std::vector<std::string>& paths) override;
    void OpenZip(const std::string& path) override;
    void OpenBatchScript(const std::string& path) override;
    void OpenAlbum(const std::string& path) override;
    bool ShellOpen(const std::string& path) override;

    // Building the window.
    void BuildCentre();
    void BuildListViews();
    void BuildStatusBar();
    void BuildMenus();
    void BuildToolBar();
    void RunCommand(int command, int argument, bool checked);

    // The tree.
    bool TreeShown() const;
    void TreeChange(const std::string& folder, bool drive);

    // The list.
    void ShowViewWidget(ExplorerViewStyle style);
    void FitThumbColumns();
    void UpdateSortMark();
    void CloseCommand();
    bool MoveToEnd(bool extend);
    void ApplySelection(const RowSelection& rows, bool keepOthers = false);
    void SyncSelection();
    void ListClicked();
    void HoverTimeout();

    // The slide listings (FileFormSlides.cpp).
    void RunSlideListing(bool pictureList, bool subfolders);
    DocumentFlags& Flags() { return documentFlags ? *documentFlags : ownFlags_; }

    // Thumbnails.
    void BuildThumbnails();
    void ShowThumbnailView();
    void StopThumbnailing();
    void ThumbProgress(int percent);

    // Status and menu states.
    void StatusMessageSolo(const std::string& text);
    void SetPanel(int panel, const std::string& text);
    void UpdateStatus();
    void UpdateCaption();
    void UpdateMenuStates();
    void ScheduleStatus();

    ExplorerServices services_;
    std::unique_ptr<ExplorerDocument> document_;
    bool closing_ = false;
    qint64 lastClickOpen_ = 0; // when a single click last opened a row (ms)

    // Widgets.
    QSplitter* splitter_ = nullptr;
    FolderTreeView* treeView_ = nullptr;
    QStackedWidget* listStack_ = nullptr;
    QListView* iconView_ = nullptr;
    QTreeView* detailsView_ = nullptr;
    FileListModel* model_ = nullptr;
    QItemSelectionModel* selection_ = nullptr;
    LookBox* lookBox_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QToolBar* pathRow_ = nullptr;
    std::array<QLabel*, 3> panels_{};
    QTimer* statusTimer_ = nullptr;
    QTimer* hoverTimer_ = nullptr;
    int hoverRow_ = -1;
    ThumbnailRunner* thumbs_ = nullptr;
    ThumbDelegate* thumbDelegate_ = nullptr;
    QSize thumbGrid_; // the narrowest cell of the thumbnail view
    QAbstractItemDelegate* cellDelegate_ = nullptr;

    // Menus and tool bar buttons.
    ActionMenus* menus_ = nullptr;
    QMenu* listMenu_ = nullptr;
    QMenu* treeMenu_ = nullptr;
    QMenu* layoutMenu_ = nullptr;
    QAction* upButton_ = nullptr;
    QAction* openButton_ = nullptr;
    QAction* treeButton_ = nullptr;
    QAction* slidesButton_ = nullptr;
    DocumentFlags ownFlags_;
};

} // namespace zv
