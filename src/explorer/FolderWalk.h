#pragma once
// The recursive listing of a folder tree into slide records: the start
// folder, then every folder below it in the folder tree's order, and in each
// folder the files of an extension set in name order. Albums and picture
// lists are filled from what it yields; it knows nothing of either.

#include "platform/Progress.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// One folder of the walk: its path ending in "/" and the device it is on
// (folders of one device share a volume).
struct WalkFolder {
    std::string path;
    std::uint64_t device = 0;
};

// One file of the walk. The name and extension are kept as on disk.
struct WalkFile {
    std::size_t folderIndex = 0; // into the folder list
    std::string name;            // without its extension
    std::string ext;             // with its dot (".PNG", ".jpg"); empty when none
    std::uint64_t size = 0;
    std::uint32_t dosDateTime = 0; // local last-write time, packed DOS date and time
    std::uint32_t timeMs = 0;      // the same time as milliseconds since midnight
};

// Receives the walk's records: the whole folder list first, then the files
// folder by folder, each folder closed by FolderDone (so a names file can be
// flushed between folders). May throw; the walk then ends and lets it through.
class WalkSink {
public:
    virtual ~WalkSink() = default;
    virtual void Folders(const std::vector<WalkFolder>& folders) = 0;
    virtual void File(const WalkFile& file) = 0;
    virtual void FolderDone(std::size_t /*folderIndex*/) {}
};

// Who walks, for the progress texts.
enum class WalkTexts {
    Dialog,           // the walk dialog: "Finding parent folders ...", ...
    ExplorerSlides,   // "Populating Slides: Listing <n> folders ..."
    ExplorerBookmarks // "Populating Bookmarks: Listing <n> folders ..."
};

struct WalkOptions {
    std::string_view extensions; // a dot-separated list such as MediaExtensions
    WalkTexts texts = WalkTexts::Dialog;
    // Folders at or below this path (ending in "/") are neither listed nor
    // read: the thumbnail cache. Empty: none.
    std::string skipRoot;
    // Milliseconds of a steady clock, for the files-per-minute text.
    std::function<std::int64_t()> nowMs;
};

struct WalkResult {
    bool stopped = false;           // Stop or Cancel ended it
    std::size_t folders = 0;        // in the folder list
    std::size_t files = 0;          // yielded
    std::size_t unreadable = 0;     // folders that could not be read
    std::size_t lineBreakNames = 0; // names holding CR or LF, left out
    std::uint64_t scanned = 0;      // directory entries looked at in the file pass
};

// Walks the tree below `start` (a folder; a missing trailing "/" is fine).
// Folders are those the folder tree shows: no names starting with ".", no
// links to folders, each real folder (device and inode) once. Files are
// regular files or links to them, not empty, whose upper-case extension is in
// the set; names starting with "." are files like any other. The progress
// line gets the texts of `options.texts`; Stopped() is tested after every
// folder and every 1,000 entries.
WalkResult WalkFolders(const std::string& start, const WalkOptions& options, WalkSink& sink,
                       Progress& progress);

// The text after each folder: "<n> slides added.  ", and once more than 1.2 s
// have passed, "  Files scanned: <f> ... Files/min: <rate>".
std::string WalkProgressText(std::size_t slides, std::uint64_t scanned, std::int64_t elapsedMs);

// The folders' volume strings, looked up once per device.
std::vector<std::string>
FolderVolumes(const std::vector<WalkFolder>& folders,
              const std::function<std::string(const std::string& folder)>& volumeOf);

} // namespace zv
