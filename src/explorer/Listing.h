#pragma once
// Listing a folder into the explorer's records: every visible regular file
// and folder, each a FileRecord, in the folder's own order (or by name).

#include "explorer/FileList.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace zv {

// Small icon numbers for the window to map to icons, one per upper-case
// extension, given out in the order the extensions are first met. It lives
// as long as the window, across listings.
class IconCache {
public:
    static constexpr std::int16_t kNoExtension = 0; // a file without an extension
    static constexpr std::int16_t kFolder = 1;
    // A file in IconExtensions: the window asks for this file's own icon.
    static constexpr std::int16_t kOwnIcon = -1;

    // The icon number of a file with this upper-case extension (".JPG").
    std::int16_t IconFor(const std::string& upperExtension);
    // The extension an icon number stands for; empty for the fixed numbers.
    const std::string& ExtensionOf(std::int16_t iconIndex) const;

private:
    std::unordered_map<std::string, std::int16_t> numbers_;
    std::vector<std::string> extensions_{std::string(), std::string()}; // 0 and 1
};

struct ListingOptions {
    // The time the listing runs at: a file written less than two seconds
    // before it is still being written and is left out until a later listing.
    std::chrono::system_clock::time_point now = std::chrono::system_clock::now();
    // Put the rows in name order ("&Name +") instead of the folder's own.
    bool sortByName = false;
};

struct ListingResult {
    bool ok = false;     // false when the folder cannot be read; the list is then empty
    int folderCount = 0; // folders listed
};

// Lists the folder (a path; a missing trailing "/" is fine) into the store
// and the order, which are emptied first. Listed: folders and regular files,
// a symbolic link as what it points to. Left out: names starting with "."
// (hidden), broken links and links to anything else, sockets, fifos and
// devices, empty files, files written in the two seconds before `now`, and
// entries that cannot be read. A file dated after `now` is listed. Records
// get Name and FileName = the name on disk, Size = its low 32 bits, FileDate
// and TimeOfDayMs from the local last-write time; folders SortPrefix " ",
// ThumbState 0, Size 0; files ThumbState 1 and an icon from the cache.
ListingResult ListFolder(const std::string& folder, RecordStore& store, ViewOrder& order,
                         IconCache& icons, const ListingOptions& options = {});

} // namespace zv
