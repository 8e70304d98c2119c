#include "platform/linux/FlockInstanceLock.h"

#include "platform/linux/PosixFile.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

namespace fs = std::filesystem;

namespace {

// The lock file is never followed through a symbolic link, and one owned by
// another user (planted in a shared /tmp) is not trusted.
UniqueFd OpenLockFile(const fs::path& file, int createFlag) {
    UniqueFd fd = OpenFile(file, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | createFlag, 0600);
    if (!fd.Valid()) return fd;
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
        return UniqueFd();
    return fd;
}

int LockNonBlocking(int fd, int operation) {
    int result;
    do {
        result = ::flock(fd, operation | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

FlockInstanceLock::FlockInstanceLock(fs::path lockFile) : lockFile_(std::move(lockFile)) {}

FlockInstanceLock::~FlockInstanceLock() {
    Release();
}

fs::path FlockInstanceLock::DefaultAvlLockPath(const EnvironmentReader& env) {
    std::optional<std::string> runtime = env("XDG_RUNTIME_DIR");
    if (runtime && fs::path(*runtime).is_absolute())
        return fs::path(*runtime) / "zelvan-avl-running.lock";
    return fs::path("/tmp") / ("zelvan-avl-running-" + std::to_string(::getuid()) + ".lock");
}

bool FlockInstanceLock::HeldElsewhere() const {
    if (HeldHere()) return false;
    UniqueFd fd = OpenLockFile(lockFile_, 0);
    if (!fd.Valid()) return false;
    // A shared lock is refused only while someone holds the exclusive one;
    // it is dropped again when the descriptor closes.
    return LockNonBlocking(fd.Get(), LOCK_SH) != 0 && errno == EWOULDBLOCK;
}

bool FlockInstanceLock::Acquire() {
    if (HeldHere()) return true;
    UniqueFd fd = OpenLockFile(lockFile_, O_CREAT);
    if (!fd.Valid() || LockNonBlocking(fd.Get(), LOCK_EX) != 0) return false;
    fd_ = fd.Take();
    return true;
}

void FlockInstanceLock::Release() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
}

} // namespace zv
