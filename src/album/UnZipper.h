#pragma once
// The archive browser's commands, without a window: the list of archives
// with its selection, the entry grid of the archive being looked at, the
// status line, and the commands that add, cut, recycle and extract archives.
// Every question and message goes through Dialogs; the window only forwards
// its menu items here and shows the result.
//
// Extraction never overwrites a file and never writes outside the chosen
// folder (album/ZipExtract.h); every entry that is not written as it should
// be leaves a line in "ZipErrs_Log.txt", and an archive with such an entry
// is never recycled.

#include "album/ZipListing.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zv {

class Dialogs;
class Progress;
class Trash;

// The texts of the browser.
inline constexpr char kUnZipperReady[] = "Ready.";
inline constexpr char kNoZipsSelected[] = "No ZIPs selected.";
inline constexpr char kZipBatchCaption[] = "Batch ZIP extraction";
inline constexpr char kZipBatchPrompt[] = "Select destination for  ZIP file(s) extraction.";
inline constexpr char kZipSingleCaption[] = "Extract single file";
inline constexpr char kUnzipping[] = "Unzipping ...";
inline constexpr char kZipAddTitle[] = "Select source *.zip file(s)";
inline constexpr char kZipAddFilter[] = "ZIP (compressed archive)|*.zip";
inline constexpr char kZipDefaultExtension[] = "zip";

// "Missing file!\n<path>\nItem removed from list."
std::string ZipMissingText(const std::string& path);
// "[ Archive: <file name> ]   File selected: <entry name>"
std::string ZipArchiveStatus(const std::string& archivePath, const std::string& entryName);
// " <n> archives selected for batch."
std::string ZipBatchStatus(int count);
// "Recycle <n> ZIP archive(s) ?"
std::string ZipDeleteQuestion(int count);
// "Recycle <name> ?"
std::string ZipRecycleQuestion(const std::string& name);

// What the browser takes from the program.
struct UnZipperServices {
    UnZipperServices(Dialogs& dialogs, Trash& trash) : dialogs(dialogs), trash(trash) {}

    Dialogs& dialogs;
    Trash& trash;
    // Where the log is saved: the program's home folder.
    std::filesystem::path logFolder;
    // The folder the "&Add" dialog starts in; updated to the folder of the
    // files chosen. May be null.
    std::string* openFolder = nullptr;
    // The long-work window, or null: its text, bars and stop flag, and how
    // to show and hide it around the extraction.
    Progress* progress = nullptr;
    std::function<void(bool shown)> showProgress;
    // Opens the saved log with the desktop's application for it; false when
    // none could be started.
    std::function<bool(const std::filesystem::path&)> openLog;
    // Brings the explorer to the front (after each archive) and has it
    // re-read its folder (at the end of an extraction).
    std::function<void()> showExplorer;
    std::function<void()> refreshExplorer;
    // The warning sound before the recycle question.
    std::function<void()> beep;
};

// How an extraction command ended: the window closes after a finished
// "E&xtract all".
enum class ZipCommandEnd { Cancelled, Finished };

class UnZipper {
public:
    explicit UnZipper(UnZipperServices services);

    // --- the archive list: full paths as given, sorted, each once ---
    int Count() const { return static_cast<int>(archives_.size()); }
    const std::string& Archive(int index) const { return archives_.at(Index(index)).path; }
    std::vector<std::string> Archives() const;
    bool IsSelected(int index) const { return archives_.at(Index(index)).selected; }
    std::vector<int> SelectedIndices() const;
    int SelectedCount() const;
    int IndexOf(const std::string& path) const; // -1 when absent
    // Replaces the selection; indices outside the list are ignored.
    void SetSelection(const std::vector<int>& indices);
    void SelectAll();

    // Adds a path unless it is already listed; true when it was added.
    bool Add(const std::string& path);
    // The viewer's hand-over: adds the archive and updates the status line.
    void Populate(const std::string& path);

    // --- the entry grid ---
    // Reads the archive at the index and fills the grid with its entries (one
    // empty row when it cannot be read); the first entry becomes the selected one.
    void ShowArchive(int index);
    const std::string& ShownArchive() const { return shownArchive_; }
    const std::vector<ZipGridRow>& Rows() const { return rows_; }
    // The entry of a grid row becomes the selected entry.
    void SelectEntry(int row);
    const std::string& EntryName() const { return entryName_; }

    // "Ready.", the selected archive and entry, or the number selected.
    std::string StatusText() const;
    // "E&xtract all" is offered while the list is not empty.
    bool CanExtractAll() const { return !archives_.empty(); }
    // True while an extraction runs (the window's events still run then).
    bool Busy() const { return busy_; }

    // --- the menu commands ---
    void mnuAddClick();
    void mnuCutClick();
    void mnuClearClick();
    void mnuDeleteClick();
    // `shift`: Shift was held as the command started.
    ZipCommandEnd mnuExtractAllClick(bool shift);
    ZipCommandEnd mnuSelectedZipsClick(bool shift);
    ZipCommandEnd mnuSingleFileClick();

private:
    struct Item {
        std::string path;
        bool selected = false;
    };
    enum class Mode { All, Selected, SingleFile };
    struct ArchiveRun {
        std::string path;
        bool clean = false; // every entry written and checked
    };
    struct BatchOutcome {
        long long total = 0; // files written
        bool stopped = false;
        std::string stopReason; // what stopped the batch, for when nothing was logged
        std::vector<std::string> log;
        std::vector<ArchiveRun> runs;
    };

    static std::size_t Index(int index) { return static_cast<std::size_t>(index); }
    void Remove(const std::vector<std::string>& paths);
    void ClearGrid();
    void DropMissing();
    bool ChooseDestination(Mode mode, bool shift, std::filesystem::path& destination);
    ZipCommandEnd Extract(Mode mode, bool shift);
    BatchOutcome UnZipAll(Mode mode, const std::vector<std::string>& paths,
                          const std::filesystem::path& destination);
    void Report(Mode mode, bool shift, const BatchOutcome& outcome);
    void RecycleClean(Mode mode, const std::vector<ArchiveRun>& runs);

    UnZipperServices services_;
    std::vector<Item> archives_;
    std::string shownArchive_;
    std::vector<ZipGridRow> rows_;
    std::string entryName_;
    bool busy_ = false;
};

} // namespace zv
