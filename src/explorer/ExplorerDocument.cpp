#include "explorer/ExplorerDocument.h"

#include "explorer/FolderPaths.h"
#include "formats/PictureLists.h"
#include "platform/FileDate.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <iostream>

namespace zv {

namespace {

bool IsZip(const std::string& path) {
    return OwnFileKindOf(path) == OwnFileKind::Archive;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The caption's name for a folder: its path without the final "/", except
// for the root.
std::string FolderDisplayName(const std::string& folder) {
    if (folder.size() > 1 && folder.back() == '/') return folder.substr(0, folder.size() - 1);
    return folder;
}

bool FolderExists(const std::string& folder) {
    return ShellFolderExists(folder);
}

} // namespace

ExplorerDocument::ExplorerDocument(ExplorerDocumentServices services, ExplorerView& view)
    : services_(std::move(services)), view_(view), tree_(folderSource_) {
    services_.settings.networkSupport = false;
    ReadDrives();
    if (!services_.appHome.empty()) history_.Load(HistoryFile());
    // The thumbnail view is not restored at start.
    switch (services_.settings.viewStyle) {
    case ExplorerViewStyle::SmallIcons: viewStyle_ = ExplorerViewStyle::SmallIcons; break;
    case ExplorerViewStyle::Details: viewStyle_ = ExplorerViewStyle::Details; break;
    case ExplorerViewStyle::LargeIcons: viewStyle_ = ExplorerViewStyle::LargeIcons; break;
    case ExplorerViewStyle::Thumbnails: viewStyle_ = ExplorerViewStyle::Thumbnails; break;
    default: viewStyle_ = ExplorerViewStyle::List; break;
    }
}

ExplorerDocument::~ExplorerDocument() {
    if (services_.appHome.empty()) return;
    try {
        std::error_code error;
        std::filesystem::create_directories(services_.appHome, error);
        history_.Save(HistoryFile());
    } catch (const std::exception& error) {
        std::cerr << "zelvan: " << error.what() << '\n';
    }
}

std::string ExplorerDocument::HistoryFile() const {
    return (std::filesystem::path(services_.appHome) / kHistoryFileName).string();
}

void ExplorerDocument::ReadDrives() {
    drives_ = services_.readDrives ? services_.readDrives() : ReadKnownDrives();
}

std::string ExplorerDocument::ProgramDrive() const {
    return ProgramDriveRoot(drives_, services_.appHome);
}

StatusTexts ExplorerDocument::Status() {
    return BuildStatusTexts(store_, order_, selection_, drivesView_, currentFolder_,
                            services_.pictureInfo);
}

std::string ExplorerDocument::Caption() const {
    return WindowCaption(drivesView_ ? std::string(kMyComputer)
                                     : FolderDisplayName(currentFolder_));
}

bool ExplorerDocument::UpEnabled() const {
    return !drivesView_ && ParentFolder(currentFolder_, drives_).has_value();
}

// --- Navigation ---

void ExplorerDocument::GoTo(const std::string& requested, FolderOrigin origin) {
    if (closing || listing_) return;
    comments_.Reset();
    if (!IsFolderAccessible(requested)) {
        CannotShow(requested);
        return;
    }
    if (requested.empty()) {
        EnterDrivesView();
        return;
    }
    const std::string path = WithTrailingSlash(requested);
    if (!ShellFolderExists(path)) {
        CannotShow(path);
        return;
    }
    if (drivesView_) LeaveDrivesView();
    if (origin != FolderOrigin::History) history_.Update(path);
    currentFolder_ = path;
    view_.FolderChanged();
    const bool listed = ListCurrentFolder();
    if (listed && treeShown_ && origin != FolderOrigin::Tree) {
        if (folderCount_ > 0) tree_.CloseDrives(false, currentFolder_);
        TreePathUpdate();
    }
}

// The warning for a path that cannot be shown, then the root of the
// program's drive instead.
void ExplorerDocument::CannotShow(const std::string& path) {
    services_.dialogs.Warning(CannotAccessPathText(path));
    if (fallingBack_) return; // the fallback itself cannot be shown
    fallingBack_ = true;
    GoTo(ProgramDrive());
    fallingBack_ = false;
}

void ExplorerDocument::EnterDrivesView() {
    drivesView_ = true;
    currentFolder_.clear();
    if (treeShown_) {
        tree_.CloseDrives(true, {});
        tree_.Select(nullptr); // so that any drive node can be chosen
        view_.TreeChanged();
    }
    ListDrives();
    view_.FolderChanged();
    view_.ShownStyleChanged();
}

void ExplorerDocument::LeaveDrivesView() {
    drivesView_ = false;
    view_.ShownStyleChanged();
}

// The drives view: one record per known drive, record number = drive index.
void ExplorerDocument::ListDrives() {
    view_.ListChanging(ListChange::Drives);
    ClearSelection();
    store_.Clear();
    order_.clear();
    const std::uint32_t now = PackDosDateTimeOf(std::time(nullptr));
    for (const KnownDrive& drive : drives_) {
        FileRecord record;
        record.Name = drive.displayName;
        record.DrivePath = drive.root;
        record.IconIndex = static_cast<std::int16_t>(drive.type);
        record.ThumbState = kThumbFolder;
        record.FileDate = now;
        order_.push_back(store_.Append(std::move(record)));
    }
    view_.ListChanged(ListChange::Drives);
}

bool ExplorerDocument::ListCurrentFolder() {
    view_.ListChanging(ListChange::Folder);
    ClearSelection();
    listing_ = true;
    ListingOptions options;
    options.sortByName = true; // the file system's own order means nothing to the user
    const ListingResult result = ListFolder(currentFolder_, store_, order_, icons_, options);
    lastSort_.reset();
    folderCount_ = result.folderCount;
    listing_ = false;
    EnsureComments();
    view_.ListChanged(ListChange::Folder);
    return result.ok;
}

void ExplorerDocument::EnsureComments() {
    if (drivesView_ || currentFolder_.empty()) return;
    if (comments_.loaded && comments_.folder == currentFolder_) return;
    comments_ = LoadComments(currentFolder_);
}

void ExplorerDocument::UpOneLevel() {
    if (drivesView_) return;
    if (const auto parent = ParentFolder(currentFolder_, drives_)) GoTo(*parent);
}

void ExplorerDocument::Step(const FolderHistoryStep& step) {
    if (step.kind == FolderHistoryStep::Kind::Show) GoTo(step.folder, FolderOrigin::History);
    if (step.kind == FolderHistoryStep::Kind::ShowProgramDrive)
        GoTo(ProgramDrive(), FolderOrigin::History);
}

void ExplorerDocument::GoBack() {
    Step(history_.Back(FolderExists));
}

void ExplorerDocument::GoForward() {
    Step(history_.Forward(FolderExists));
}

void ExplorerDocument::GoToFolder() {
    if (treeShown_) {
        tree_.CloseDrives(false, currentFolder_);
        view_.TreeChanged();
    }
    const std::optional<std::string> chosen =
        services_.dialogs.BrowseFolder(kGoToCaption, kGoToText, currentFolder_);
    if (!chosen) return;
    if (!IsFolderAccessible(*chosen) || !ShellFolderExists(*chosen)) {
        services_.dialogs.Warning(CannotAccessPathText(*chosen));
        return;
    }
    GoTo(*chosen);
}

void ExplorerDocument::Refresh() {
    if (drivesView_) {
        ReadDrives();
        view_.DrivesChanged();
        EnterDrivesView();
        return;
    }
    if (!ShellFolderExists(currentFolder_)) {
        CannotShow(currentFolder_);
        return;
    }
    ListCurrentFolder();
}

void ExplorerDocument::SetNetworkSupport(bool on) {
    if (on && !networkWarningIgnored_) {
        const Answer answer =
            services_.dialogs.Box(BoxKind::Warning, kNetworkWarning, Buttons::OkCancelIgnore);
        if (answer == Answer::Cancel) return;
        if (answer == Answer::Ignore) networkWarningIgnored_ = true;
    }
    services_.settings.networkSupport = on;
    // Network places are known drives here (mounted shares); the list is read
    // again so that the path box and the tree show the current mounts.
    ReadDrives();
    view_.DrivesChanged();
    if (treeShown_) TreeInit();
}

// --- The folder tree ---

void ExplorerDocument::SetTreeShown(bool shown) {
    treeShown_ = shown;
    services_.settings.folderTree = shown;
    if (!shown) tree_.CloseDrives(true, {});
}

void ExplorerDocument::TreeInit() {
    tree_.Init(drives_);
    TreePathUpdate();
}

void ExplorerDocument::TreePathUpdate() {
    if (!treeShown_) return;
    if (!currentFolder_.empty()) tree_.SelectPath(currentFolder_);
    view_.TreeChanged();
}

void ExplorerDocument::TreeChosen(const std::string& folder, bool drive) {
    if (closing || listing_ || folder.empty()) return;
    if (!ShellFolderExists(folder)) {
        if (drive) {
            services_.dialogs.Warning(std::string(kCannotAccessText));
            TreeInit();
            return;
        }
        services_.dialogs.Warning(std::string(kNetworkFolderText));
        const auto parent = PathParent(currentFolder_);
        GoTo(parent ? *parent : ProgramDrive());
        return;
    }
    GoTo(folder, FolderOrigin::Tree);
}

void ExplorerDocument::TreeArrange(const FolderNode& node, TreeSort sort) {
    tree_.ArrangeBy(node, sort);
    view_.TreeChanged();
}

void ExplorerDocument::TreeFirstChild(const FolderNode& node) {
    const FolderNode* first = tree_.FirstSibling(node);
    if (!first) return;
    const std::string path = tree_.NodePath(*first);
    if (ShellFolderExists(path)) GoTo(path);
}

void ExplorerDocument::TreeLocate(const FolderNode& node, bool shift) {
    const std::optional<std::string> entry =
        view_.AskText(kLocateCaption, LocatePrompt(shift), lastLocate_);
    if (!entry) return;
    lastLocate_ = *entry;
    const FolderNode* found = tree_.Locate(node, *entry, shift);
    if (!found) {
        services_.dialogs.Information(std::string(kNoMatchText) + *entry);
        return;
    }
    GoTo(tree_.NodePath(*found));
}

// --- The list ---

ExplorerViewStyle ExplorerDocument::ShownStyle() const {
    return drivesView_ ? ExplorerViewStyle::LargeIcons : viewStyle_;
}

bool ExplorerDocument::SetViewStyle(ExplorerViewStyle style) {
    if (style == ExplorerViewStyle::Thumbnails && drivesView_) return false;
    viewStyle_ = style;
    services_.settings.viewStyle = style;
    return true;
}

void ExplorerDocument::Sort(SortKind kind) {
    sortDirections_.Remember(kind);
    RunSort(kind);
}

void ExplorerDocument::HeaderClicked(int section) {
    if (section < 0 || section >= static_cast<int>(std::size(kDetailsColumns))) return;
    if (const auto kind = sortDirections_.HeaderClick(kDetailsColumns[section].column))
        RunSort(*kind);
}

void ExplorerDocument::RunSort(SortKind kind) {
    if (drivesView_ || listing_) return;
    view_.ListChanging(ListChange::Order);
    ClearSelection();
    SortViewOrder(store_, order_, kind);
    lastSort_ = kind;
    view_.ListChanged(ListChange::Order);
}

// --- The selection ---

int ExplorerDocument::FocusedRow() const {
    if (focusedRow_ >= 0 && focusedRow_ < RowCount()) return focusedRow_;
    return selection_.empty() ? -1 : selection_.front();
}

void ExplorerDocument::SetSelection(RowSelection rows, int focusedRow) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    selection_ = std::move(rows);
    focusedRow_ = focusedRow;
}

void ExplorerDocument::ClearSelection() {
    selection_.clear();
    focusedRow_ = -1;
}

// A command's selection; the focus goes to its first row.
void ExplorerDocument::Select(RowSelection rows) {
    const int focus = rows.empty() ? focusedRow_ : rows.front();
    SetSelection(std::move(rows), focus);
    view_.SelectionChanged();
}

void ExplorerDocument::SelectAll() {
    if (const auto rows = SelectAllRows(RowCount(), drivesView_)) Select(*rows);
}

void ExplorerDocument::SelectAllFiles() {
    if (!drivesView_) Select(zv::SelectAllFiles(store_, order_));
}

void ExplorerDocument::SelectAllImages() {
    if (!drivesView_) Select(zv::SelectAllImages(store_, order_));
}

void ExplorerDocument::InvertSelection() {
    Select(zv::InvertSelection(RowCount(), selection_));
}

void ExplorerDocument::FindFilename() {
    if (drivesView_ || RowCount() < 2) return;
    const std::optional<std::string> text =
        view_.AskText(std::string(kFindCaption), std::string(kFindPrompt), lastFind_);
    if (!text) return;
    lastFind_ = *text;
    const SearchResult result = zv::FindFilename(store_, order_, *text);
    if (!result.ran) return;
    Select(result.selected);
    if (!result.message.empty()) services_.dialogs.Information(result.message);
}

void ExplorerDocument::QueryComments() {
    if (drivesView_ || RowCount() < 2) return;
    EnsureComments();
    const std::optional<std::string> keyword =
        view_.AskText(std::string(kQueryCaption), std::string(kQueryPrompt), {});
    if (!keyword) return;
    const SearchResult result = zv::QueryComments(store_, order_, selection_, comments_, *keyword);
    if (!result.ran) return;
    Select(result.selected);
    if (!result.message.empty()) services_.dialogs.Information(result.message);
}

void ExplorerDocument::TypeAhead(char letter) {
    const std::optional<int> row = FindKeyItem(store_, order_, selection_, letter);
    if (!row) return;
    RowSelection rows = selection_;
    rows.push_back(*row);
    SetSelection(std::move(rows), *row);
    view_.SelectionChanged();
}

void ExplorerDocument::Comment() {
    if (drivesView_) return;
    const int row = FocusedRow();
    const FileRecord* record = RowRecord(row);
    if (!record) return;
    EnsureComments();
    const std::string key = CommentKey(*record);
    const std::optional<std::string> comment = view_.AskText(
        kCommentCaption, kCommentPromptPrefix + record->Name, comments_.CommentOf(key));
    if (!comment || !comments_.Set(key, *comment)) return;
    try {
        SaveComments(comments_);
    } catch (const ECommentWriteError&) {
        services_.dialogs.Warning(kCommentWriteFailed);
    }
    view_.RowChanged(row);
}

// --- Opening ---

void ExplorerDocument::OpenSelection() {
    if (selection_.empty() || listing_ || selection_.back() >= RowCount()) return;
    if (drivesView_) {
        const int record = order_[std::size_t(selection_.front())];
        if (record >= 0 && record < static_cast<int>(drives_.size()))
            GoTo(drives_[std::size_t(record)].root);
        return;
    }
    const FileRecord* first = RowRecord(selection_.front());
    if (!first) return;
    if (first->IsFolder()) {
        OpenFolderRow(RecordPath(currentFolder_, *first));
        return;
    }
    std::vector<std::string> paths;
    for (int row : selection_) {
        const FileRecord* record = RowRecord(row);
        if (!record || record->IsFolder()) continue;
        paths.push_back(RecordPath(currentFolder_, *record));
        if (!FileExists(paths.back())) {
            // The list is out of date: show what is there now.
            Refresh();
            return;
        }
    }
    CarryOut(PlanOpen(paths, services_.settings.useViewer));
}

void ExplorerDocument::OpenFolderRow(const std::string& path) {
    if (!ShellFolderExists(path)) {
        services_.dialogs.Warning(std::string(kNetworkFolderText));
        Refresh();
        return;
    }
    GoTo(path);
}

// Pictures and media go to the viewer in one list; archives to the zip
// browser (they are not pictures the viewer could step through); scripts and
// albums to their windows; anything else to the desktop, stopping at the
// first file no application takes.
void ExplorerDocument::CarryOut(const std::vector<OpenAction>& actions) {
    std::vector<std::string> viewer;
    std::vector<std::string> zips;
    bool shellFailed = false;
    for (const OpenAction& action : actions) {
        switch (action.kind) {
        case OpenActionKind::OpenInViewer:
        case OpenActionKind::AddToViewerList:
        case OpenActionKind::OpenZipBrowser:
            if (!IsZip(action.path))
                viewer.push_back(action.path);
            else if (std::find(zips.begin(), zips.end(), action.path) == zips.end())
                zips.push_back(action.path);
            break;
        case OpenActionKind::OpenBatchEditor: view_.OpenBatchScript(action.path); break;
        case OpenActionKind::OpenAlbum: view_.OpenAlbum(action.path); break;
        case OpenActionKind::ShellOpen:
            if (shellFailed) break;
            if (!view_.ShellOpen(action.path)) {
                services_.dialogs.Error(kNoAssociatedApplication);
                shellFailed = true;
            }
            break;
        }
    }
    if (!viewer.empty()) view_.OpenInViewer(viewer);
    for (const std::string& zip : zips) view_.OpenZip(zip);
}

} // namespace zv
