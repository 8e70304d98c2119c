#pragma once
// The "AVL running" mark as an flock(2) lock on a lock file. The kernel drops
// the lock when the holding process ends, however it ends, so a crashed
// instance never leaves a stale mark; the file itself stays and is harmless.

#include "platform/AppFolders.h"
#include "platform/InstanceLock.h"

#include <filesystem>

namespace zv {

class FlockInstanceLock : public InstanceLock {
public:
    explicit FlockInstanceLock(std::filesystem::path lockFile);
    ~FlockInstanceLock() override;
    FlockInstanceLock(const FlockInstanceLock&) = delete;
    FlockInstanceLock& operator=(const FlockInstanceLock&) = delete;

    // $XDG_RUNTIME_DIR/zelvan-avl-running.lock; without a runtime folder,
    // /tmp/zelvan-avl-running-<uid>.lock, the same for every instance of this user.
    static std::filesystem::path DefaultAvlLockPath(const EnvironmentReader& env);

    bool HeldElsewhere() const override;
    // Also false when the lock file cannot be opened or is not this user's.
    bool Acquire() override;
    void Release() override;
    bool HeldHere() const override { return fd_ >= 0; }

    const std::filesystem::path& LockFile() const { return lockFile_; }

private:
    std::filesystem::path lockFile_;
    int fd_ = -1;
};

} // namespace zv
