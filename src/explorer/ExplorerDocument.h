#pragma once
// The explorer's document: the folder it shows (or the drives view), the
// visited folders, the listed records in their view order, the view style,
// the selection and what opening it does. The window holds widgets and shows
// what this says; every decision of a command is taken here, so the whole
// explorer can be driven without a window.

#include "explorer/Comments.h"
#include "explorer/Drives.h"
#include "explorer/ExplorerSettings.h"
#include "explorer/FileList.h"
#include "explorer/FolderHistory.h"
#include "explorer/FolderTree.h"
#include "explorer/Listing.h"
#include "explorer/OpenDispatch.h"
#include "platform/Dialogs.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zv {

// Where a change of folder comes from: the history is not extended by its
// own steps, and the tree is not moved by a choice made in it.
enum class FolderOrigin { PathBox, Tree, History };

// What a rewrite of the records or of their order is.
enum class ListChange {
    Drives, // the drives view is listed
    Folder, // a folder is listed
    Order   // the same records are sorted anew
};

inline constexpr const char* kGoToCaption = "Open a folder";
inline constexpr const char* kGoToText = "Select a source folder to review.";
inline constexpr const char* kNetworkWarning =
    "Authorized access to networked resources is assumed; no password\n"
    "dialog will be invoked.  On small networks, use \"Map Network Drive\"\n"
    "function (see Windows Help) for stable and faster access.\n\n"
    "To check for valid network connections, open \"Network Neighborhood\",\n"
    "\"My Network Places\" or \"Computers Near Me\" folder.  If folder is empty,\n"
    "check your security (e.g., firewall) and network device settings.\n\n"
    "[Ignore] avoids this dialog (for experts).";

// What the document asks of the window that shows it.
class ExplorerView {
public:
    virtual ~ExplorerView() = default;

    // The records or their order are about to be rewritten: nothing may read
    // them until ListChanged.
    virtual void ListChanging(ListChange change) = 0;
    virtual void ListChanged(ListChange change) = 0;
    // The current folder changed (the path box, the Up command).
    virtual void FolderChanged() = 0;
    // The style shown changed: the drives view always shows large icons.
    virtual void ShownStyleChanged() = 0;
    // The folder tree's nodes or its chosen node changed.
    virtual void TreeChanged() = 0;
    // The known drives were read again.
    virtual void DrivesChanged() = 0;
    // A command chose a new selection; the window shows Selection() with the
    // focus on FocusedRow().
    virtual void SelectionChanged() = 0;
    // One row's record changed (a new comment).
    virtual void RowChanged(int row) = 0;

    // Asks for a line of text; nothing when cancelled.
    virtual std::optional<std::string>
    AskText(const std::string& caption, const std::string& prompt, const std::string& initial) = 0;
    // Opening files: the first viewer path opens and the others join its list.
    virtual void OpenInViewer(const std::vector<std::string>& paths) = 0;
    virtual void OpenZip(const std::string& path) = 0;
    virtual void OpenBatchScript(const std::string& path) = 0;
    virtual void OpenAlbum(const std::string& path) = 0;
    // The desktop's associated application; false when none took the file.
    virtual bool ShellOpen(const std::string& path) = 0;
};

struct ExplorerDocumentServices {
    ExplorerSettings& settings;
    std::string appHome; // HistoryList.txt lives here; its drive is the folder to fall back on
    Dialogs& dialogs;
    PictureSizeQuery pictureInfo;
    // The known drives; empty: the mounts of this machine (ReadKnownDrives).
    std::function<std::vector<KnownDrive>()> readDrives;
};

class ExplorerDocument {
public:
    // Reads the drives and the stored history; every run starts without
    // network support, whatever was stored. The view is told of nothing yet.
    ExplorerDocument(ExplorerDocumentServices services, ExplorerView& view);
    // Stores the history (errors go to standard error).
    ~ExplorerDocument();
    ExplorerDocument(const ExplorerDocument&) = delete;
    ExplorerDocument& operator=(const ExplorerDocument&) = delete;

    // --- What the window shows ---
    const std::string& CurrentFolder() const { return currentFolder_; } // ends in "/"
    bool InDrivesView() const { return drivesView_; }
    bool Listing() const { return listing_; }
    // Set when the window closes: no folder is shown any more.
    bool closing = false;
    const std::vector<KnownDrive>& Drives() const { return drives_; }
    const FolderHistory& History() const { return history_; }
    // The visited-folders list sorted or pruned by the user takes its place.
    void ReplaceHistory(std::vector<std::string> entries, std::size_t position) {
        history_.Replace(std::move(entries), position);
    }
    FolderTree& Tree() { return tree_; }
    RecordStore& Store() { return store_; }
    ViewOrder& Order() { return order_; }
    const FolderComments& Comments() const { return comments_; }
    const IconCache& Icons() const { return icons_; }
    const PictureSizeQuery& PictureInfo() const { return services_.pictureInfo; }
    ExplorerSettings& Settings() { return services_.settings; }
    const ExplorerSettings& Settings() const { return services_.settings; }
    int RowCount() const { return static_cast<int>(order_.size()); }
    const FileRecord* RowRecord(int row) const { return zv::RowRecord(store_, order_, row); }
    std::string ProgramDrive() const;
    StatusTexts Status();
    std::string Caption() const;
    bool UpEnabled() const;

    // --- Navigation ---
    // Shows a folder as if it were typed into the path box (an empty path:
    // the drives view); a folder that cannot be shown is reported and the
    // root of the program's drive is shown instead.
    void GoTo(const std::string& path, FolderOrigin origin = FolderOrigin::PathBox);
    void EnterDrivesView();
    void UpOneLevel();
    void GoBack();
    void GoForward();
    // Asks for a folder; one that cannot be listed is reported and the
    // explorer stays where it is.
    void GoToFolder();
    // Lists the folder again (the drives view: reads the drives again).
    void Refresh();
    // Lists the current folder; false when it cannot be read.
    bool ListCurrentFolder();
    // Network support on asks first (Cancel keeps it off, Ignore stops asking).
    void SetNetworkSupport(bool on);

    // --- The folder tree ---
    void SetTreeShown(bool shown);
    bool TreeShown() const { return treeShown_; }
    // Reads the drives into the tree and shows the current folder in it.
    void TreeInit();
    void TreePathUpdate();
    // A node chosen in the tree (not in the drives view, where the window
    // waits a moment and then calls GoTo with FolderOrigin::Tree).
    void TreeChosen(const std::string& folder, bool drive);
    void TreeArrange(const FolderNode& node, TreeSort sort);
    void TreeFirstChild(const FolderNode& node);
    void TreeLocate(const FolderNode& node, bool shift);

    // --- The list ---
    // The style chosen; the drives view shows large icons whatever it is.
    ExplorerViewStyle ViewStyle() const { return viewStyle_; }
    ExplorerViewStyle ShownStyle() const;
    // False when refused: no thumbnails in the drives view.
    bool SetViewStyle(ExplorerViewStyle style);
    void Sort(SortKind kind);
    void HeaderClicked(int section);
    // The order the rows were last sorted in; nothing after a new listing.
    std::optional<SortKind> LastSort() const { return lastSort_; }

    // --- The selection, in row order, and the focused row (-1: none) ---
    const RowSelection& Selection() const { return selection_; }
    int FocusedRow() const;
    // The window's widgets changed the selection.
    void SetSelection(RowSelection rows, int focusedRow);
    void SelectAll();
    void SelectAllFiles();
    void SelectAllImages();
    void InvertSelection();
    void FindFilename();
    void QueryComments();
    // The first row below whose name starts with the letter joins the selection.
    void TypeAhead(char letter);
    void Comment();
    bool CommentEnabled() const { return !drivesView_ && FocusedRow() >= 0; }
    // Opens the selected rows: a drive or folder is shown, files are handed
    // on by kind (a file gone since the listing lists the folder again).
    void OpenSelection();

private:
    void CannotShow(const std::string& path);
    void ReadDrives();
    void ListDrives();
    void LeaveDrivesView();
    void EnsureComments();
    void OpenFolderRow(const std::string& path);
    void CarryOut(const std::vector<OpenAction>& actions);
    void Select(RowSelection rows);
    void ClearSelection();
    void RunSort(SortKind kind);
    void Step(const FolderHistoryStep& step);
    std::string HistoryFile() const;

    ExplorerDocumentServices services_;
    ExplorerView& view_;
    std::vector<KnownDrive> drives_;
    DiskFolderSource folderSource_;
    FolderTree tree_;
    FolderHistory history_;
    RecordStore store_;
    ViewOrder order_;
    IconCache icons_;
    FolderComments comments_;
    SortDirections sortDirections_;
    std::optional<SortKind> lastSort_;
    std::string currentFolder_;
    bool drivesView_ = false;
    int folderCount_ = 0;
    ExplorerViewStyle viewStyle_ = ExplorerViewStyle::LargeIcons;
    bool listing_ = false;
    bool fallingBack_ = false;
    bool treeShown_ = false;
    bool networkWarningIgnored_ = false;
    RowSelection selection_;
    int focusedRow_ = -1;
    std::string lastFind_;
    std::string lastLocate_;
};

} // namespace zv
