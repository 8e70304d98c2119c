#include "catalog/ThumbCacheCommands.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <system_error>

namespace zv {

namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The folder's own name: "/home/ann/Pictures/" gives "Pictures", the root "/".
std::string FolderName(const std::string& folder) {
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos || trimmed.size() == 1) return trimmed;
    return trimmed.substr(slash + 1);
}

bool Inside(const std::filesystem::path& folder, const std::filesystem::path& path) {
    const std::filesystem::path base = folder.lexically_normal();
    const std::filesystem::path relative = path.lexically_normal().lexically_relative(base);
    return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

std::uint64_t RemoveCounting(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t removed = std::filesystem::remove_all(path, error);
    return removed == static_cast<std::uintmax_t>(-1) ? 0 : removed;
}

} // namespace

std::string ThumbsProgressText(int percent) {
    return std::string(kThumbsProgressPrefix) + std::to_string(percent) + "%";
}

std::string KillCacheQuestion(const std::string& currentFolder, bool all) {
    return "Delete thumbnail cache of " +
           Upper(all ? std::string("all visited folders?") : FolderName(currentFolder) + "?");
}

CacheFolderInfo MeasureCacheFolder(const std::filesystem::path& folder) {
    CacheFolderInfo info;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code sizeError;
        if (!it->is_regular_file(sizeError)) continue;
        const std::uintmax_t size = it->file_size(sizeError);
        ++info.files;
        if (!sizeError) info.bytes += size;
    }
    return info;
}

std::string CacheInfoText(const std::filesystem::path& folder, const CacheFolderInfo& info) {
    return "Thumbnail cache of this folder:\n" + folder.string() + "\n\n" +
           std::to_string(info.files) + " file(s), " + std::to_string((info.bytes + 1023) / 1024) +
           " KB";
}

std::uint64_t KillFolderCache(const CachePaths& paths) {
    if (paths.folderCacheFolder.empty() || !Inside(paths.variantFolder, paths.folderCacheFolder))
        return 0;
    const std::uint64_t removed = RemoveCounting(paths.folderCacheFolder);
    return removed > 0 ? removed - 1 : 0; // the folder itself is not a thumbnail
}

std::uint64_t KillAllCaches(const CachePaths& paths) {
    if (paths.variantFolder.empty()) return 0;
    std::uint64_t files = 0;
    std::error_code error;
    std::vector<std::filesystem::path> entries;
    for (std::filesystem::directory_iterator it(paths.variantFolder, error), end;
         !error && it != end; it.increment(error))
        entries.push_back(it->path());
    for (const std::filesystem::path& entry : entries) {
        std::error_code kindError;
        const bool folder =
            std::filesystem::is_directory(std::filesystem::symlink_status(entry, kindError));
        const std::uint64_t removed = RemoveCounting(entry);
        files += folder && removed > 0 ? removed - 1 : removed;
    }
    return files;
}

int DeleteThumbFiles(const CachePaths& paths, const std::vector<std::filesystem::path>& files) {
    std::set<std::filesystem::path> once(files.begin(), files.end());
    int deleted = 0;
    for (const std::filesystem::path& file : once) {
        if (file.empty() || !Inside(paths.variantFolder, file)) continue;
        std::error_code error;
        if (std::filesystem::remove(file, error)) ++deleted;
    }
    return deleted;
}

} // namespace zv
