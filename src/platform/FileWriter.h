#pragma once
// The one road by which the program's writes reach the disk. Every writer of
// a file (the atomic replacements behind each save, zip extraction, the
// trash) makes its system calls through a FileWriter, so a test can stand in
// for the file system and fail any single call the way a full or failing
// disk does.
//
// The writer in use is process-wide: FileWrites() returns it, a plain POSIX
// writer unless a ScopedFileWriter has put another in its place. Handing a
// writer down every save path (the format classes, the settings store, the
// viewer's and the album's saves, the thumbnail threads) would change dozens
// of signatures for the tests' sake alone, and no caller ever wants a writer
// of its own; this one reference, swapped only by tests, reaches them all.

#include <fcntl.h>

#include <cstddef>
#include <filesystem>
#include <string>

namespace zv {

enum class RenameMode {
    Replace,  // rename(2): the new name replaces whatever had it
    NoReplace // fails with EEXIST when the name is taken; EINVAL where the
              // file system cannot promise that
};

// Descriptors are plain POSIX ones. Every call reports failure with errno set,
// as the system call it stands for would.
class FileWriter {
public:
    virtual ~FileWriter() = default;

    // Makes a new, empty file named after `pathTemplate`, whose last six
    // characters "XXXXXX" are replaced in place, with the permission bits
    // `mode` (the umask does not apply); the descriptor, or -1.
    virtual int CreateTemporary(std::string& pathTemplate, unsigned mode) = 0;
    // openat(2) of `path` below the folder descriptor `folder`; the
    // descriptor, or -1.
    virtual int Open(int folder, const std::filesystem::path& path, int flags, unsigned mode) = 0;
    // Writes every byte, going on after short writes and signals.
    virtual bool Write(int fd, const void* data, std::size_t size) = 0;
    // Puts the file's contents on the disk.
    virtual bool Sync(int fd) = 0;
    // Releases the descriptor, even when it reports a failure.
    virtual bool Close(int fd) = 0;
    virtual bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                        RenameMode mode) = 0;
    // unlinkat(2) of a file below the folder descriptor `folder`.
    virtual bool Remove(int folder, const std::filesystem::path& path) = 0;
    // Puts a folder's entries on the disk, after a file was made or renamed in it.
    virtual bool SyncFolder(const std::filesystem::path& folder) = 0;

    int Open(const std::filesystem::path& path, int flags, unsigned mode) {
        return Open(AT_FDCWD, path, flags, mode);
    }
    bool Remove(const std::filesystem::path& path) { return Remove(AT_FDCWD, path); }
};

// The writer every write goes through.
FileWriter& FileWrites();

// Puts `writer` in place of the process-wide writer for its lifetime, then
// restores the one before. For tests: the swap must not race with writes on
// other threads.
class ScopedFileWriter {
public:
    explicit ScopedFileWriter(FileWriter& writer);
    ~ScopedFileWriter();
    ScopedFileWriter(const ScopedFileWriter&) = delete;
    ScopedFileWriter& operator=(const ScopedFileWriter&) = delete;

private:
    FileWriter* previous_;
};

} // namespace zv
