#pragma once
// Memory status from the kernel's /proc/meminfo. Linux overcommits, so what
// an allocation could get is judged from MemAvailable and free swap rather
// than by trying to allocate.

#include "platform/MemoryStatus.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace zv {

class ProcMemoryStatus : public MemoryStatusSource {
public:
    // The user address space of an x86-64 process.
    static constexpr std::uint64_t kTotalVirtual = std::uint64_t{1} << 47;

    explicit ProcMemoryStatus(std::filesystem::path meminfo = "/proc/meminfo",
                              std::filesystem::path processStatus = "/proc/self/status");

    // All zero when the memory file cannot be read.
    MemoryStatus Read() const override;
    // When the status is unknown (nothing could be read) nothing is refused.
    std::uint64_t LargestFreeBlock(std::uint64_t wanted) const override;

    // The status described by meminfo text, with this process's address
    // space use (VmSize, in bytes) when known.
    static MemoryStatus FromMemInfo(const std::string& meminfo,
                                    std::optional<std::uint64_t> processVmSize);
    // A "Key:   123 kB" line of meminfo or status text, in bytes.
    static std::optional<std::uint64_t> ValueInBytes(const std::string& text,
                                                     const std::string& key);

private:
    std::filesystem::path meminfo_;
    std::filesystem::path processStatus_;
};

} // namespace zv
