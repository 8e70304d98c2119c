#include "platform/linux/PosixFileWriter.h"

#include "platform/linux/PosixFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

namespace {

PosixFileWriter& RealWriter() {
    static PosixFileWriter writer;
    return writer;
}

// The one mutable process-wide value the seam needs (see FileWriter.h); null
// means the real writer.
std::atomic<FileWriter*> g_writer{nullptr};

} // namespace

int PosixFileWriter::CreateTemporary(std::string& pathTemplate, unsigned mode) {
    UniqueFd fd(::mkostemp(pathTemplate.data(), O_CLOEXEC));
    if (!fd.Valid()) return -1;
    if (::fchmod(fd.Get(), static_cast<mode_t>(mode)) != 0) {
        const int error = errno;
        ::unlink(pathTemplate.c_str());
        errno = error;
        return -1;
    }
    return fd.Take();
}

int PosixFileWriter::Open(int folder, const std::filesystem::path& path, int flags, unsigned mode) {
    int fd;
    do {
        fd = ::openat(folder, path.c_str(), flags, static_cast<mode_t>(mode));
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool PosixFileWriter::Write(int fd, const void* data, std::size_t size) {
    return WriteAll(fd, data, size);
}

bool PosixFileWriter::Sync(int fd) {
    return ::fsync(fd) == 0;
}

bool PosixFileWriter::Close(int fd) {
    // Linux releases the descriptor even when close reports EINTR.
    return ::close(fd) == 0 || errno == EINTR;
}

bool PosixFileWriter::Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                             RenameMode mode) {
    if (mode == RenameMode::Replace) return ::rename(from.c_str(), to.c_str()) == 0;
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

bool PosixFileWriter::Remove(int folder, const std::filesystem::path& path) {
    return ::unlinkat(folder, path.c_str(), 0) == 0;
}

bool PosixFileWriter::SyncFolder(const std::filesystem::path& folder) {
    UniqueFd fd = OpenFile(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd.Valid() && ::fsync(fd.Get()) == 0;
}

FileWriter& FileWrites() {
    FileWriter* writer = g_writer.load(std::memory_order_acquire);
    return writer ? *writer : RealWriter();
}

ScopedFileWriter::ScopedFileWriter(FileWriter& writer)
    : previous_(g_writer.exchange(&writer, std::memory_order_acq_rel)) {}

ScopedFileWriter::~ScopedFileWriter() {
    g_writer.store(previous_, std::memory_order_release);
}

} // namespace zv
