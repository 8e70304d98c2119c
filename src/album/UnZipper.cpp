#include "album/UnZipper.h"

#include "album/ZipExtract.h"
#include "album/ZipLog.h"
#include "platform/Dialogs.h"
#include "platform/Progress.h"
#include "platform/Trash.h"

#include <algorithm>
#include <cctype>

namespace zv {

namespace fs = std::filesystem;

namespace {

std::string FileNameOf(const std::string& path) {
    return fs::path(path).filename().string();
}

// The list is ordered by the path without regard to case, as it always has
// been; paths differing only in case follow each other in byte order.
bool ListedBefore(const std::string& a, const std::string& b) {
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    const bool less =
        std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                     [&](char x, char y) { return lower(x) < lower(y); });
    if (less) return true;
    const bool greater =
        std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                     [&](char x, char y) { return lower(x) < lower(y); });
    return !greater && a < b;
}

// A file that cannot even be looked at counts as present: opening it then
// reports why it cannot be read.
bool FileIsGone(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    return status.type() == fs::file_type::not_found;
}

bool IsFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

std::string FolderText(const fs::path& folder) {
    std::string text = folder.string();
    if (!text.empty() && text.back() != '/') text += '/';
    return text;
}

// The folder browser's answer names no folder to extract into: nothing, or
// only the root.
bool CancelsExtraction(const std::optional<std::string>& chosen) {
    return !chosen || chosen->empty() || chosen->find_first_not_of('/') == std::string::npos;
}

// The faults of the archive itself, as opposed to failures to open or write.
bool IsArchiveFault(ZipFault fault) {
    switch (fault) {
    case ZipFault::NotAnArchive:
    case ZipFault::BadDirectory:
    case ZipFault::Incomplete:
    case ZipFault::Corrupt: return true;
    default: return false;
    }
}

} // namespace

std::string ZipMissingText(const std::string& path) {
    return "Missing file!\n" + path + "\nItem removed from list.";
}

std::string ZipArchiveStatus(const std::string& archivePath, const std::string& entryName) {
    return "[ Archive: " + FileNameOf(archivePath) + " ]   File selected: " + entryName;
}

std::string ZipBatchStatus(int count) {
    return " " + std::to_string(count) + " archives selected for batch.";
}

std::string ZipDeleteQuestion(int count) {
    return "Recycle " + std::to_string(count) + " ZIP archive(s) ?";
}

std::string ZipRecycleQuestion(const std::string& name) {
    return "Recycle " + name + " ?";
}

UnZipper::UnZipper(UnZipperServices services) : services_(std::move(services)) {}

std::vector<std::string> UnZipper::Archives() const {
    std::vector<std::string> paths;
    paths.reserve(archives_.size());
    for (const Item& item : archives_) paths.push_back(item.path);
    return paths;
}

std::vector<int> UnZipper::SelectedIndices() const {
    std::vector<int> indices;
    for (int i = 0; i < Count(); ++i)
        if (archives_[Index(i)].selected) indices.push_back(i);
    return indices;
}

int UnZipper::SelectedCount() const {
    return static_cast<int>(std::count_if(archives_.begin(), archives_.end(),
                                          [](const Item& item) { return item.selected; }));
}

int UnZipper::IndexOf(const std::string& path) const {
    for (int i = 0; i < Count(); ++i)
        if (archives_[Index(i)].path == path) return i;
    return -1;
}

void UnZipper::SetSelection(const std::vector<int>& indices) {
    for (Item& item : archives_) item.selected = false;
    for (int index : indices)
        if (index >= 0 && index < Count()) archives_[Index(index)].selected = true;
}

void UnZipper::SelectAll() {
    for (Item& item : archives_) item.selected = true;
}

bool UnZipper::Add(const std::string& path) {
    if (path.empty() || IndexOf(path) >= 0) return false;
    const auto at = std::lower_bound(
        archives_.begin(), archives_.end(), path,
        [](const Item& item, const std::string& p) { return ListedBefore(item.path, p); });
    archives_.insert(at, Item{path, false});
    return true;
}

void UnZipper::Populate(const std::string& path) {
    Add(path);
}

void UnZipper::Remove(const std::vector<std::string>& paths) {
    std::erase_if(archives_, [&](const Item& item) {
        return std::find(paths.begin(), paths.end(), item.path) != paths.end();
    });
    if (std::find(paths.begin(), paths.end(), shownArchive_) != paths.end()) ClearGrid();
}

void UnZipper::ClearGrid() {
    shownArchive_.clear();
    rows_.clear();
    entryName_.clear();
}

void UnZipper::ShowArchive(int index) {
    if (index < 0 || index >= Count()) {
        ClearGrid();
        return;
    }
    shownArchive_ = archives_[Index(index)].path;
    rows_.clear();
    entryName_.clear();
    try {
        rows_ = ZipRowsOf(ZipArchive::Open(shownArchive_));
    } catch (const std::exception&) {
        rows_.assign(1, ZipGridRow{});
    }
    if (!rows_.empty()) entryName_ = rows_.front().Name;
}

void UnZipper::SelectEntry(int row) {
    if (row >= 0 && static_cast<std::size_t>(row) < rows_.size())
        entryName_ = rows_[static_cast<std::size_t>(row)].Name;
}

std::string UnZipper::StatusText() const {
    const std::vector<int> selected = SelectedIndices();
    if (selected.empty()) return kUnZipperReady;
    if (selected.size() == 1) return ZipArchiveStatus(Archive(selected.front()), entryName_);
    return ZipBatchStatus(static_cast<int>(selected.size()));
}

void UnZipper::mnuAddClick() {
    FileDialogRequest request;
    request.title = kZipAddTitle;
    request.filter = kZipAddFilter;
    request.multiSelect = true;
    if (services_.openFolder) request.initialFolder = *services_.openFolder;
    const std::vector<std::string> chosen = services_.dialogs.OpenFiles(request);
    for (std::string path : chosen) {
        // A name typed without an extension means a ".zip" file.
        if (fs::path(path).extension().empty() && FileIsGone(path))
            path += std::string(".") + kZipDefaultExtension;
        Add(path);
    }
    if (!chosen.empty() && services_.openFolder) {
        const fs::path folder = fs::path(chosen.front()).parent_path();
        if (!folder.empty()) *services_.openFolder = FolderText(folder);
    }
}

void UnZipper::mnuCutClick() {
    std::vector<std::string> cut;
    for (int index : SelectedIndices()) cut.push_back(Archive(index));
    Remove(cut);
}

void UnZipper::mnuClearClick() {
    archives_.clear();
    ClearGrid();
}

void UnZipper::mnuDeleteClick() {
    if (busy_) return;
    std::vector<std::string> chosen;
    for (int index : SelectedIndices()) chosen.push_back(Archive(index));
    if (chosen.empty()) return;
    if (services_.dialogs.Box(BoxKind::Confirmation,
                              ZipDeleteQuestion(static_cast<int>(chosen.size())),
                              Buttons::YesNo) != Answer::Yes)
        return;
    std::vector<std::string> recycled;
    for (const std::string& path : chosen) {
        const std::string failure = services_.trash.Recycle(path);
        if (failure.empty())
            recycled.push_back(path);
        else
            services_.dialogs.Error(failure);
    }
    Remove(recycled);
}

ZipCommandEnd UnZipper::mnuExtractAllClick(bool shift) {
    return Extract(Mode::All, shift);
}

ZipCommandEnd UnZipper::mnuSelectedZipsClick(bool shift) {
    return Extract(Mode::Selected, shift);
}

ZipCommandEnd UnZipper::mnuSingleFileClick() {
    // The entry picked in the grid belongs to the archive shown there: with
    // no archive selected in the list, that one is meant.
    if (SelectedCount() == 0 && !shownArchive_.empty()) SetSelection({IndexOf(shownArchive_)});
    return Extract(Mode::SingleFile, false);
}

void UnZipper::DropMissing() {
    std::vector<std::string> missing;
    for (const Item& item : archives_)
        if (FileIsGone(item.path)) missing.push_back(item.path);
    for (const std::string& path : missing) services_.dialogs.Warning(ZipMissingText(path));
    Remove(missing);
}

bool UnZipper::ChooseDestination(Mode mode, bool shift, fs::path& destination) {
    const std::vector<int> selected = SelectedIndices();
    const std::string& first = Archive(selected.front());
    const fs::path folder = fs::path(first).parent_path();
    if (shift && mode != Mode::SingleFile && !folder.empty() && IsFolder(folder)) {
        destination = folder;
        return true;
    }
    std::string caption;
    std::string text;
    if (mode == Mode::SingleFile) {
        caption = kZipSingleCaption;
        text = "Select destination for " + entryName_;
    } else {
        caption =
            selected.size() == 1 ? "Extract " + FileNameOf(first) : std::string(kZipBatchCaption);
        text = kZipBatchPrompt;
    }
    const std::optional<std::string> chosen =
        services_.dialogs.BrowseFolder(caption, text, FolderText(folder));
    if (CancelsExtraction(chosen)) return false;
    destination = *chosen;
    return true;
}

ZipCommandEnd UnZipper::Extract(Mode mode, bool shift) {
    if (busy_) return ZipCommandEnd::Cancelled;
    if (mode == Mode::All) SelectAll();
    DropMissing();
    std::vector<std::string> paths;
    for (int index : SelectedIndices()) paths.push_back(Archive(index));
    if (paths.empty()) {
        services_.dialogs.Information(kNoZipsSelected);
        return ZipCommandEnd::Cancelled;
    }
    fs::path destination;
    if (!ChooseDestination(mode, shift, destination)) return ZipCommandEnd::Cancelled;

    busy_ = true;
    struct NotBusy {
        bool& busy;
        ~NotBusy() { busy = false; }
    } notBusy{busy_};
    const BatchOutcome outcome = UnZipAll(mode, paths, destination);
    Report(mode, shift, outcome);
    if (services_.refreshExplorer) services_.refreshExplorer();
    return ZipCommandEnd::Finished;
}

UnZipper::BatchOutcome UnZipper::UnZipAll(Mode mode, const std::vector<std::string>& paths,
                                          const fs::path& destination) {
    Progress* progress = services_.progress;
    if (services_.showProgress) services_.showProgress(true);
    struct HideProgress {
        const std::function<void(bool)>& show;
        ~HideProgress() {
            if (show) show(false);
        }
    } hideProgress{services_.showProgress};
    const auto archiveCount = static_cast<std::int64_t>(paths.size());
    if (progress) {
        progress->ResetStop();
        progress->SetText(kUnzipping);
        progress->SetBar(0, 0, 100);
        progress->SetBar(1, 0, archiveCount);
    }
    TVCLUnZip unzip;
    unzip.RecreateDirs = true;
    unzip.RetainAttributes = true;
    if (progress)
        unzip.OnTotalPercentDone = [progress](int percent) { progress->SetBar(0, percent, 100); };

    BatchOutcome outcome;
    for (std::size_t i = 0; i < paths.size() && !outcome.stopped; ++i) {
        // Cancel on the progress window ends the batch between archives.
        if (progress && progress->Stopped()) {
            outcome.stopped = true;
            break;
        }
        const std::string& path = paths[i];
        try {
            unzip.Open(path);
            const ZipExtractResult result =
                mode == Mode::SingleFile
                    ? unzip.UnZip(destination, std::vector<std::string>{entryName_})
                    : unzip.UnZip(destination);
            unzip.Close();
            outcome.total += result.FilesWritten;
            outcome.log.insert(outcome.log.end(), result.Log.begin(), result.Log.end());
            outcome.runs.push_back({path, result.Clean()});
            if (result.UnknownMethod) services_.dialogs.Error(kUnknownCompressionMethod);
            if (result.Incomplete) {
                // An archive cut short is treated as bad: the batch ends here.
                outcome.stopped = true;
                if (paths.size() == 1) services_.dialogs.Error(ZipIncompleteText(path));
            }
        } catch (const EZipError& error) {
            unzip.Close();
            outcome.stopped = true;
            outcome.stopReason =
                IsArchiveFault(error.Fault()) ? ZipIncompleteText(path) : std::string(error.what());
        } catch (const std::exception& error) {
            unzip.Close();
            outcome.stopped = true;
            outcome.stopReason = error.what();
        }
        if (progress) progress->SetBar(1, static_cast<std::int64_t>(i + 1), archiveCount);
        if (services_.showExplorer) services_.showExplorer();
    }
    return outcome;
}

void UnZipper::Report(Mode mode, bool shift, const BatchOutcome& outcome) {
    Dialogs& dialogs = services_.dialogs;
    const long long total = outcome.total;
    const std::vector<std::string>& log = outcome.log;
    if (!log.empty()) {
        fs::path logPath;
        try {
            fs::create_directories(services_.logFolder);
            logPath = SaveZipLog(services_.logFolder, log);
        } catch (const std::exception& error) {
            dialogs.Error(error.what());
            return;
        }
        if (dialogs.AskYesNo(ZipViewLogQuestion(total)) &&
            !(services_.openLog && services_.openLog(logPath)))
            dialogs.Error(kZipTextViewerNotFound);
        return;
    }
    if (outcome.stopped) {
        // Nothing was logged, so say at least what happened; an archive that
        // could not be read at all must not pass in silence.
        if (total > 0)
            dialogs.Warning(kZipSomeFilesRecovered);
        else if (!outcome.stopReason.empty())
            dialogs.Error(outcome.stopReason);
        return;
    }
    if (mode == Mode::SingleFile) {
        dialogs.Information(ZipUnzippedText(total));
        return;
    }
    if (!shift) {
        const std::string name = Count() == 1
                                     ? FileNameOf(Archive(0))
                                     : std::to_string(outcome.runs.size()) + " selected ZIP files";
        if (services_.beep) services_.beep();
        if (!dialogs.AskYesNo(ZipRecycleQuestion(name))) return;
    }
    RecycleClean(mode, outcome.runs);
}

void UnZipper::RecycleClean(Mode mode, const std::vector<ArchiveRun>& runs) {
    std::vector<std::string> gone;
    for (const ArchiveRun& run : runs) {
        // Only an archive whose every entry was written may go.
        if (!run.clean) continue;
        if (FileIsGone(run.path)) {
            gone.push_back(run.path);
            continue;
        }
        const std::string failure = services_.trash.Recycle(run.path);
        if (failure.empty())
            gone.push_back(run.path);
        else
            services_.dialogs.Error(failure);
    }
    if (mode == Mode::All)
        mnuClearClick();
    else
        Remove(gone);
}

} // namespace zv
