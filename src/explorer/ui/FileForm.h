#pragma once
// TFileForm: the explorer window beside the viewer. It shows one folder, the
// CurrentFolder, in a virtual list with five view styles, a folder tree that
// reads folders only when opened, and a path box; it keeps the visited
// folders for Back and Forward. Opening files is handed to the application
// through signals. Closing it by the user only hides it and brings the
// viewer back; "&Close" ends the program.

#include "explorer/Comments.h"
#include "explorer/Drives.h"
#include "explorer/ExplorerSettings.h"
#include "explorer/FileList.h"
#include "explorer/FolderTree.h"
#include "explorer/Listing.h"
#include "explorer/OpenDispatch.h"
#include "platform/Dialogs.h"

#include <QMainWindow>
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
class QActionGroup;
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

class FileListModel;
class FolderHistory;
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

// The "&Tile" layouts, as tileWanted reports them.
enum class TileLayout {
    ViewerLeftExplorerRight = 0,
    ExplorerLeftViewerRight = 1,
    OverlappedRight = 2,
    OverlappedLeft = 3
};

class TFileForm : public QMainWindow {
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
    std::string CurrentFolder() const { return currentFolder_; }
    bool InDrivesView() const { return drivesView_; }
    // Shows the bars, the tree and the click style as the settings say.
    void ApplySettings();
    ExplorerSettings& Settings() { return services_.settings; }

    // Commands, as the menus and buttons run them.
    void UpOneLevel();
    void GoBack();
    void GoForward();
    void GoToFolder();
    void RefreshList();
    void SetViewStyle(ExplorerViewStyle style);
    ExplorerViewStyle ViewStyle() const { return viewStyle_; }
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
    FolderTree& TreeModel() { return tree_; }
    LookBox* PathBox() const { return lookBox_; }
    const FolderHistory& History() const { return *history_; }
    const std::vector<KnownDrive>& Drives() const { return drives_; }
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

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QMenu* createPopupMenu() override;

private:
    // Where a change of folder comes from.
    enum class Origin { PathBox, Tree, History };

    // Building the window.
    void BuildCentre();
    void BuildListViews();
    void BuildStatusBar();
    void BuildActions();
    void BuildMenus();
    void BuildListMenu();
    void BuildTreeMenu();
    void BuildToolBar();
    QAction* NewAction(const char* caption, const QKeySequence& keys = {});
    QAction* NewToggle(const char* caption, bool ExplorerSettings::*setting);
    QAction* NewDisabled(const char* caption);

    // Folders.
    void LookBoxChange(const std::string& path, Origin origin);
    void CannotShow(const std::string& path);
    std::string ProgramDrive() const;
    void EnterDrivesView();
    void LeaveDrivesView();
    void UpdateDrives();
    bool UpdateFiles();
    void UpdateUpCommand();
    void ReadDrives();
    std::string HistoryFile() const;

    // The tree.
    bool TreeShown() const;
    void TreeInit();
    void TreePathUpdate();
    void TreeChange(const std::string& folder, bool drive);
    void TreeArrange(TreeSort sort);
    void TreeFirstChild();
    void TreeLocate();

    // The list.
    void ShowViewWidget(ExplorerViewStyle style);
    void RunSort(SortKind kind);
    void HeaderClicked(int section);
    void ApplySelection(const RowSelection& rows, bool keepOthers = false);
    void TypeAhead(char letter);
    void EnsureComments();
    void CarryOut(const std::vector<OpenAction>& actions);
    void OpenFolderRow(const std::string& path);
    void ListClicked();
    void HoverTimeout();

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

    std::vector<KnownDrive> drives_;
    DiskFolderSource folderSource_;
    FolderTree tree_;
    std::unique_ptr<FolderHistory> history_;
    RecordStore store_;
    ViewOrder order_;
    IconCache icons_;
    FolderComments comments_;
    SortDirections sortDirections_;
    std::string currentFolder_;
    bool drivesView_ = false;
    int folderCount_ = 0;
    ExplorerViewStyle viewStyle_ = ExplorerViewStyle::LargeIcons;
    bool listing_ = false;
    bool closing_ = false;
    bool fallingBack_ = false;
    bool networkWarningIgnored_ = false;
    std::string lastFind_;
    std::string lastLocate_;
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
    QAbstractItemDelegate* cellDelegate_ = nullptr;

    // Menus and commands.
    QMenu* viewsMenu_ = nullptr;
    QMenu* sortMenu_ = nullptr;
    QMenu* listMenu_ = nullptr;
    QMenu* treeMenu_ = nullptr;
    QMenu* layoutMenu_ = nullptr;
    QActionGroup* viewGroup_ = nullptr;
    std::array<QAction*, 5> viewActions_{}; // by ExplorerViewStyle
    QAction* upAction_ = nullptr;
    QAction* upButton_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* openButton_ = nullptr;
    QAction* folderTreeAction_ = nullptr;
    QAction* treeButton_ = nullptr;
    QAction* toolBarAction_ = nullptr;
    QAction* statusBarAction_ = nullptr;
    QAction* buttonTextAction_ = nullptr;
    QAction* networksAction_ = nullptr;
    QAction* commentAction_ = nullptr;
    QAction* redoThumbsAction_ = nullptr;
};

} // namespace zv
