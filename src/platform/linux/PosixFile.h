#pragma once
// Small helpers over POSIX file descriptors shared by the Linux platform
// services: an owning descriptor and whole-buffer reads and writes that retry
// after signals. Writers go through FileWrites() (platform/FileWriter.h), built on these.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zv {

// Owns one open descriptor and closes it on destruction.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Take()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Take();
    void Reset();
    // Closes now and reports whether the close succeeded (errno tells why not).
    bool Close();

private:
    int fd_ = -1;
};

// open(2) that retries after a signal; an invalid descriptor on failure.
UniqueFd OpenFile(const std::filesystem::path& path, int flags, unsigned mode = 0);

// Writes every byte; false with errno set on failure.
bool WriteAll(int fd, const void* data, std::size_t size);

// Reads up to `size` bytes, stopping only at the end of the file; the count
// read, or -1 with errno set.
long long ReadFull(int fd, void* data, std::size_t size);

// Reads the whole of an open file; false with errno set on failure.
bool ReadAll(int fd, std::vector<std::uint8_t>& out);

// Reads a whole file into text; false when it cannot be read.
bool ReadTextFile(const std::filesystem::path& path, std::string& out);

// "strerror" for an errno value.
std::string ErrorText(int error);

} // namespace zv
