#pragma once
// The thumbnail cache commands: what "Redo thumbs", "Info", "Kill" and
// "Kill all" say and do to the cache files.

#include "catalog/ThumbCache.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

inline constexpr std::string_view kRedoNeedsSelection =
    "Please make a selection to redo thumbnails.";
inline constexpr std::string_view kThumbsStopped = "Click Thumb button to update thumbnails.";
inline constexpr std::string_view kThumbsProgressPrefix = "Thumbs:";
inline constexpr std::string_view kThumbsPausedWidthText = "Thumbs paused";

// "Thumbs:" n "%".
std::string ThumbsProgressText(int percent);

// "Delete thumbnail cache of " and, upper-cased, the current folder's name
// and "?" (Kill) or "all visited folders?" (Kill all).
std::string KillCacheQuestion(const std::string& currentFolder, bool all);

struct CacheFolderInfo {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};
// The files below a cache folder and their total size.
CacheFolderInfo MeasureCacheFolder(const std::filesystem::path& folder);
// The information box of "Info": the folder, its file count and size.
std::string CacheInfoText(const std::filesystem::path& folder, const CacheFolderInfo& info);

// Kill: the current folder's cache. Kill all: every entry of the variant
// folder (every folder cache, the shared and the generic thumbnails of these
// settings). Nothing outside the variant folder is touched. Returns the
// number of files removed.
std::uint64_t KillFolderCache(const CachePaths& paths);
std::uint64_t KillAllCaches(const CachePaths& paths);

// Redo: deletes these thumbnail files (a row's own, or the shared file of
// its extension or kind), each at most once and only inside the variant
// folder. Returns how many were deleted.
int DeleteThumbFiles(const CachePaths& paths, const std::vector<std::filesystem::path>& files);

} // namespace zv
