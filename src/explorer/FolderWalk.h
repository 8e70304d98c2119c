#pragma once
// The recursive listing of a folder tree into slide records: the start
// folder, then every folder below it in the folder tree's order, and in each
// folder the files of an extension set in name order. Albums and picture
// lists are filled from what it yields; it knows nothing of either.

#include "catalog/WalkRecords.h"
#include "platform/Progress.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

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
    // False: the start folder alone ("No" to including sub-folders).
    bool subfolders = true;
    // Milliseconds of a steady clock, for the files-per-minute text.
    std::function<std::int64_t()> nowMs;
};

struct WalkResult {
    bool stopped = false;                       // Stop or Cancel ended it
    std::size_t folders = 0;                    // in the folder list
    std::size_t files = 0;                      // yielded
    std::size_t unreadable = 0;                 // folders that could not be read
    std::size_t lineBreakNames = 0;             // names holding CR or LF, left out
    std::uint64_t scanned = 0;                  // directory entries looked at in the file pass
    std::vector<std::string> unreadableFolders; // their paths, in walk order
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
