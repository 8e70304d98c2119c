#pragma once
// Writing a file so that it is either wholly replaced or left as it was: the
// bytes go to a temporary file in the same folder, which is renamed over the
// target only once complete.

#include "platform/ByteSink.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

class EFileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whether the folder is synced after the rename, so that the new name itself
// survives a crash. Files that can simply be made again (cache files) skip
// it; their contents are always on disk before they get their name.
enum class FolderSync { Yes, No };

// Throws EFileWriteError naming the file when it cannot be written; the
// target is then untouched and no temporary file is left behind. The new
// file gets the permission bits `mode`, whatever the umask.
void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         FolderSync folderSync = FolderSync::Yes, unsigned mode = 0644);

// The same replacement written piece by piece, for files too large to build
// in memory first. The temporary file is made beside the target at once;
// Write() may be called any number of times and gathers the bytes into
// chunks of a few megabytes, so a file is written in few system calls
// without ever being held whole; Commit() puts the file on the disk and
// renames it over the target. Going without Commit() (an exception on the
// way) removes the temporary file and leaves the target as it was. Every
// call goes through FileWrites(). Failures throw EFileWriteError as
// WriteFileAtomically does, after the temporary file is removed.
class AtomicFileStream : public ByteSink {
public:
    explicit AtomicFileStream(const std::filesystem::path& target,
                              FolderSync folderSync = FolderSync::Yes, unsigned mode = 0644);
    ~AtomicFileStream() override;
    AtomicFileStream(const AtomicFileStream&) = delete;
    AtomicFileStream& operator=(const AtomicFileStream&) = delete;

    void Write(const void* data, std::size_t size) override;
    // Writes what is gathered, syncs, closes and renames; then syncs the
    // folder if asked (best effort: the file is complete and named by then).
    void Commit();

    // The size of the chunks handed to the file system.
    static constexpr std::size_t kChunkBytes = std::size_t{4} << 20;

private:
    void WriteOut(const void* data, std::size_t size);
    [[noreturn]] void Abandon(const char* what, int error);

    std::filesystem::path target_;
    std::filesystem::path folder_;
    std::string temp_;
    FolderSync folderSync_;
    int fd_ = -1;
    bool wrote_ = false;
    bool done_ = false; // committed or abandoned: nothing left to clean up
    std::vector<char> chunk_;
};

} // namespace zv
