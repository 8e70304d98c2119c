#include "platform/linux/PosixFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace zv {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        Reset();
        fd_ = other.Take();
    }
    return *this;
}

int UniqueFd::Take() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool UniqueFd::Close() {
    if (fd_ < 0) return true;
    int result = ::close(Take());
    // Linux releases the descriptor even when close reports EINTR.
    return result == 0 || errno == EINTR;
}

UniqueFd OpenFile(const std::filesystem::path& path, int flags, unsigned mode) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags, static_cast<mode_t>(mode));
    } while (fd < 0 && errno == EINTR);
    return UniqueFd(fd);
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

long long ReadFull(int fd, void* data, std::size_t size) {
    auto* bytes = static_cast<unsigned char*>(data);
    std::size_t total = 0;
    while (total < size) {
        ssize_t got = ::read(fd, bytes + total, size - total);
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break;
        total += static_cast<std::size_t>(got);
    }
    return static_cast<long long>(total);
}

bool ReadAll(int fd, std::vector<std::uint8_t>& out) {
    out.clear();
    unsigned char chunk[65536];
    for (;;) {
        long long got = ReadFull(fd, chunk, sizeof chunk);
        if (got < 0) return false;
        out.insert(out.end(), chunk, chunk + got);
        if (static_cast<std::size_t>(got) < sizeof chunk) return true;
    }
}

bool ReadTextFile(const std::filesystem::path& path, std::string& out) {
    UniqueFd fd = OpenFile(path, O_RDONLY | O_CLOEXEC);
    std::vector<std::uint8_t> bytes;
    if (!fd.Valid() || !ReadAll(fd.Get(), bytes)) return false;
    out.assign(bytes.begin(), bytes.end());
    return true;
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

} // namespace zv
