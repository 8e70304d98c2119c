#pragma once
// Listing a folder into the explorer's records: every visible regular file
// and folder, each a FileRecord, in the folder's own order (or by name).

#include "catalog/IconCache.h"
#include "explorer/FileList.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace zv {

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
