#pragma once
// A file writer that fails one chosen call the way a full or failing disk
// does, and a walk that fails a save at each of its calls in turn.

#include "platform/FileWriter.h"
#include "platform/linux/PosixFileWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace zvtest {

// Stands in for the process-wide writer while it lives. Call n (counting
// from 1, over every call of every kind) fails with `error` without reaching
// the disk; a failed Close still releases the descriptor, as close(2) does.
class FailingWrites : public zv::FileWriter {
public:
    using FileWriter::Open;
    using FileWriter::Remove;

    FailingWrites(int failAt, int error) : failAt_(failAt), error_(error), scope_(*this) {}

    bool Fired() const { return calls_ >= failAt_; }
    // The kind of call that failed, such as "Rename".
    std::string FailedCall() const { return failed_; }

    int CreateTemporary(std::string& pathTemplate, unsigned mode) override {
        return Fails("CreateTemporary") ? -1 : real_.CreateTemporary(pathTemplate, mode);
    }
    int Open(int folder, const std::filesystem::path& path, int flags, unsigned mode) override {
        return Fails("Open") ? -1 : real_.Open(folder, path, flags, mode);
    }
    bool Write(int fd, const void* data, std::size_t size) override {
        return !Fails("Write") && real_.Write(fd, data, size);
    }
    bool Sync(int fd) override { return !Fails("Sync") && real_.Sync(fd); }
    bool Close(int fd) override {
        if (!Fails("Close")) return real_.Close(fd);
        real_.Close(fd);
        errno = error_;
        return false;
    }
    bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                zv::RenameMode mode) override {
        return !Fails("Rename") && real_.Rename(from, to, mode);
    }
    bool Remove(int folder, const std::filesystem::path& path) override {
        return !Fails("Remove") && real_.Remove(folder, path);
    }
    bool SyncFolder(const std::filesystem::path& folder) override {
        return !Fails("SyncFolder") && real_.SyncFolder(folder);
    }

private:
    bool Fails(const char* call) {
        if (++calls_ != failAt_) return false;
        failed_ = call;
        errno = error_;
        return true;
    }

    const int failAt_;
    const int error_;
    std::atomic<int> calls_{0};
    std::string failed_;
    zv::PosixFileWriter real_;
    zv::ScopedFileWriter scope_;
};

inline std::string FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The names in a folder and in the folders below it, sorted.
inline std::vector<std::string> NamesBelow(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        names.push_back(std::filesystem::relative(entry.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

// Wraps a save that throws Error on failure into one that says whether it
// succeeded; any other exception fails the test.
template <class Error, class Save> std::function<bool()> Reporting(Save save) {
    return [save] {
        try {
            save();
            return true;
        } catch (const Error&) {
            return false;
        }
    };
}

// Runs `save` (which writes over `target`, and says whether it reported
// success) again and again, failing its n-th write call for n = 1, 2, ...
// with ENOSPC, EIO and EACCES in turn, until a run makes fewer than n calls
// or fails only its closing folder sync, which comes after the rename and
// lets the save succeed. Every other failed run must report the failure,
// keep the target's old bytes and leave the names in its folder as they
// were: no temporary file behind. Returns the number of calls a whole save
// makes.
inline int WalkWriteFailures(const std::filesystem::path& target,
                             const std::function<bool()>& save) {
    static constexpr int kErrors[] = {ENOSPC, EIO, EACCES};
    const std::filesystem::path folder = target.parent_path();
    const std::string before = FileBytes(target);
    const std::vector<std::string> names = NamesBelow(folder);
    for (int n = 1; n < 100; ++n) {
        SCOPED_TRACE("write call " + std::to_string(n));
        FailingWrites writes(n, kErrors[n % 3]);
        const bool saved = save();
        const std::string failed = writes.FailedCall();
        if (!writes.Fired() || failed == "SyncFolder") {
            EXPECT_TRUE(saved);
            EXPECT_NE(FileBytes(target), before);
            return writes.Fired() ? n : n - 1;
        }
        EXPECT_FALSE(saved) << failed << " failed, yet the save reported success";
        EXPECT_EQ(FileBytes(target), before) << "after a failed " << failed;
        EXPECT_EQ(NamesBelow(folder), names) << "after a failed " << failed;
    }
    ADD_FAILURE() << "the save never ran out of write calls";
    return 0;
}

} // namespace zvtest
