#pragma once
// The thumbnails of the explorer's rows: which cache file a row shows, and
// making a whole folder's thumbnails into its folder cache.

#include "catalog/ThumbCache.h"
#include "explorer/FileList.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace zv {

// The thumbnail file a row of the list shows, in the folder `folder` (ending
// in "/"): a folder row the generic folder thumbnail; a file whose extension
// is in ImageExtensions or IconExtensions its own file in the folder cache;
// any other file the shared thumbnail of its extension.
std::filesystem::path RowThumbPath(const CachePaths& paths, std::string_view volume,
                                   const std::string& folder, const FileRecord& record);

struct ThumbFolderResult {
    bool listed = false; // false when the folder cannot be read
    int made = 0;
    int present = 0; // thumbnails already in the cache, not made again
    int tooLarge = 0;
    int failed = 0;
    std::filesystem::path folderCacheFolder;
};

// Called after each picture row with the rows done and the picture rows in all.
using ThumbFolderProgress = std::function<void(int done, int total)>;

// Lists the folder, prepares its cache folders under cacheRoot and makes and
// saves the thumbnail of every picture file (extension in ImageExtensions)
// whose thumbnail is not present. Throws std::filesystem::filesystem_error
// when the cache folders cannot be made.
ThumbFolderResult ThumbnailFolder(const std::filesystem::path& folder,
                                  const std::filesystem::path& cacheRoot, ThumbBox box,
                                  std::uint32_t thumbColour,
                                  const ThumbFolderProgress& progress = {});

} // namespace zv
