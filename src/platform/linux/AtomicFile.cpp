#include "platform/linux/AtomicFile.h"

#include "platform/linux/PosixFile.h"

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& target, const char* what, int error) {
    throw EFileWriteError("Cannot write " + target.string() + ": " + what + " (" +
                          ErrorText(error) + ")");
}

} // namespace

void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         FolderSync folderSync) {
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.Valid()) Fail(target, "no temporary file", errno);
    ::fchmod(fd.Get(), 0644);
    if (!WriteAll(fd.Get(), bytes.data(), bytes.size()) || ::fsync(fd.Get()) != 0 || !fd.Close()) {
        const int error = errno;
        ::unlink(temp.c_str());
        Fail(target, "write failed", error);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        Fail(target, "rename failed", error);
    }
    if (folderSync == FolderSync::Yes) SyncFolder(folder);
}

} // namespace zv
