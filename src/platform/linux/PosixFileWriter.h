#pragma once
// The file writer that makes the real system calls; FileWrites() returns one
// unless a test has put another in its place.

#include "platform/FileWriter.h"

namespace zv {

class PosixFileWriter : public FileWriter {
public:
    using FileWriter::Open;
    using FileWriter::Remove;

    int CreateTemporary(std::string& pathTemplate, unsigned mode) override;
    int Open(int folder, const std::filesystem::path& path, int flags, unsigned mode) override;
    bool Write(int fd, const void* data, std::size_t size) override;
    bool Sync(int fd) override;
    bool Close(int fd) override;
    bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                RenameMode mode) override;
    bool Remove(int folder, const std::filesystem::path& path) override;
    bool SyncFolder(const std::filesystem::path& folder) override;
};

} // namespace zv
