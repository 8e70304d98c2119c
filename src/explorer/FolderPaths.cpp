#include "explorer/FolderPaths.h"

#include <sys/stat.h>
#include <unistd.h>

namespace zv {

std::string CannotAccessPathText(std::string_view path) {
    std::string text(kCannotAccessText);
    text += "\n\n";
    text += path;
    return text;
}

std::string WithTrailingSlash(std::string_view path) {
    std::string result(path);
    if (!result.empty() && result.back() != '/') result += '/';
    return result;
}

bool HasDotComponent(std::string_view path) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part == "." || part == "..") return true;
        start = end + 1;
    }
    return false;
}

std::optional<std::string> PathParent(std::string_view folder) {
    const std::string path = WithTrailingSlash(folder);
    if (path.size() < 2 || path.front() != '/' || HasDotComponent(path)) return std::nullopt;
    std::size_t end = path.size() - 1;             // the final "/"
    while (end > 0 && path[end - 1] == '/') --end; // "//" counts as one
    if (end == 0) return std::nullopt;             // only slashes: the root
    const std::size_t slash = path.rfind('/', end - 1);
    return path.substr(0, slash + 1);
}

bool IsDriveRoot(std::string_view path, const std::vector<KnownDrive>& drives) {
    const std::string folder = WithTrailingSlash(path);
    for (const KnownDrive& drive : drives) {
        if (drive.root == folder) return true;
    }
    return false;
}

std::optional<std::string> ParentFolder(std::string_view folder,
                                        const std::vector<KnownDrive>& drives) {
    if (IsDriveRoot(folder, drives)) return std::nullopt;
    return PathParent(folder);
}

std::string ProgramDriveRoot(const std::vector<KnownDrive>& drives,
                             std::string_view programFolder) {
    const int index = GetDriveIndex(drives, WithTrailingSlash(programFolder));
    return index < 0 ? std::string("/") : drives[std::size_t(index)].root;
}

bool ShellFolderExists(std::string_view path) {
    if (path.empty()) return true;
    if (path.front() != '/' || HasDotComponent(path)) return false;
    struct stat info {};
    return stat(std::string(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFolderAccessible(std::string_view path) {
    if (path.empty()) return true;
    const std::string folder(path);
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           access(folder.c_str(), R_OK | X_OK) == 0;
}

} // namespace zv
