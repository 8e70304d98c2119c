#include "platform/linux/AtomicFile.h"

#include "platform/FileWriter.h"
#include "platform/linux/PosixFile.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace zv {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& target, const char* what, int error) {
    throw EFileWriteError("Cannot write " + target.string() + ": " + what + " (" +
                          ErrorText(error) + ")");
}

} // namespace

AtomicFileStream::AtomicFileStream(const std::filesystem::path& target, FolderSync folderSync,
                                   unsigned mode)
    : target_(target),
      folder_(target.has_parent_path() ? target.parent_path() : std::filesystem::path(".")),
      temp_((folder_ / ("." + target.filename().string() + ".XXXXXX")).string()),
      folderSync_(folderSync) {
    fd_ = FileWrites().CreateTemporary(temp_, mode);
    if (fd_ < 0) {
        done_ = true;
        Fail(target_, "no temporary file", errno);
    }
}

AtomicFileStream::~AtomicFileStream() {
    if (done_) return;
    UniqueFd(fd_).Reset();
    FileWrites().Remove(temp_);
}

void AtomicFileStream::Abandon(const char* what, int error) {
    if (fd_ >= 0) UniqueFd(fd_).Reset();
    fd_ = -1;
    done_ = true;
    FileWrites().Remove(temp_);
    Fail(target_, what, error);
}

void AtomicFileStream::WriteOut(const void* data, std::size_t size) {
    wrote_ = true;
    if (!FileWrites().Write(fd_, data, size)) Abandon("write failed", errno);
}

void AtomicFileStream::Write(const void* data, std::size_t size) {
    if (done_) throw std::logic_error("AtomicFileStream written after it was finished");
    const char* bytes = static_cast<const char*>(data);
    // Large pieces go to the file as they are once nothing is gathered.
    if (chunk_.empty() && size >= kChunkBytes) return WriteOut(bytes, size);
    // A file written in one piece keeps a buffer of its size; one written in
    // many gets a whole chunk at once rather than growing it step by step.
    if (!chunk_.empty() && chunk_.size() + size > chunk_.capacity()) chunk_.reserve(kChunkBytes);
    while (size > 0) {
        const std::size_t take = std::min(size, kChunkBytes - chunk_.size());
        chunk_.insert(chunk_.end(), bytes, bytes + take);
        bytes += take;
        size -= take;
        if (chunk_.size() == kChunkBytes) {
            WriteOut(chunk_.data(), chunk_.size());
            chunk_.clear();
        }
    }
}

void AtomicFileStream::Commit() {
    if (done_) throw std::logic_error("AtomicFileStream committed after it was finished");
    FileWriter& writer = FileWrites();
    // An empty file still makes its one write, as every replacement does.
    if (!chunk_.empty() || !wrote_) WriteOut(chunk_.data(), chunk_.size());
    chunk_ = {};
    if (!writer.Sync(fd_)) Abandon("write failed", errno);
    const int fd = fd_;
    fd_ = -1;
    if (!writer.Close(fd)) Abandon("write failed", errno);
    if (!writer.Rename(temp_, target_, RenameMode::Replace)) Abandon("rename failed", errno);
    done_ = true;
    // Best effort: the new file is complete and named by now, and a save
    // that reported failure here would leave the user doubting a good file.
    if (folderSync_ == FolderSync::Yes) writer.SyncFolder(folder_);
}

void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         FolderSync folderSync, unsigned mode) {
    AtomicFileStream file(target, folderSync, mode);
    file.Write(bytes.data(), bytes.size());
    file.Commit();
}

} // namespace zv
