#include "platform/linux/AtomicFile.h"

#include "platform/FileWriter.h"
#include "platform/linux/PosixFile.h"

#include <cerrno>

namespace zv {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& target, const char* what, int error) {
    throw EFileWriteError("Cannot write " + target.string() + ": " + what + " (" +
                          ErrorText(error) + ")");
}

} // namespace

void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         FolderSync folderSync, unsigned mode) {
    FileWriter& writer = FileWrites();
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    UniqueFd fd(writer.CreateTemporary(temp, mode));
    if (!fd.Valid()) Fail(target, "no temporary file", errno);
    if (!writer.Write(fd.Get(), bytes.data(), bytes.size()) || !writer.Sync(fd.Get()) ||
        !writer.Close(fd.Take())) {
        const int error = errno;
        fd.Reset();
        writer.Remove(temp);
        Fail(target, "write failed", error);
    }
    if (!writer.Rename(temp, target, RenameMode::Replace)) {
        const int error = errno;
        writer.Remove(temp);
        Fail(target, "rename failed", error);
    }
    // Best effort: the new file is complete and named by now, and a save
    // that reported failure here would leave the user doubting a good file.
    if (folderSync == FolderSync::Yes) writer.SyncFolder(folder);
}

} // namespace zv
