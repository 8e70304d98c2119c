#include "platform/RenameNoReplace.h"

#include "platform/FileWriter.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

namespace {

// An entry under the name, or a name that cannot be looked at, counts as taken.
bool NameTaken(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) return true;
    return errno != ENOENT;
}

} // namespace

bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                     bool isFolder) {
    FileWriter& writer = FileWrites();
    if (writer.Rename(from, to, RenameMode::NoReplace)) return true;
    if (errno != EINVAL) return false;
    // The file system may not know RENAME_NOREPLACE: a hard link cannot
    // replace anything either; a folder is renamed only when the name is free.
    if (isFolder) {
        if (!NameTaken(to)) return writer.Rename(from, to, RenameMode::Replace);
        errno = EEXIST;
        return false;
    }
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    if (writer.Remove(from)) return true;
    const int error = errno;
    writer.Remove(to);
    errno = error;
    return false;
}

} // namespace zv
