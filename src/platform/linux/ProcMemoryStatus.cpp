#include "platform/linux/ProcMemoryStatus.h"

#include "platform/linux/PosixFile.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace zv {

namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
    return a > kMax - b ? kMax : a + b;
}

std::uint64_t SaturatingSub(std::uint64_t a, std::uint64_t b) {
    return a > b ? a - b : 0;
}

// The start of the line "<key>:" in the text, or npos.
std::size_t FindKeyLine(const std::string& text, const std::string& key) {
    const std::string wanted = key + ":";
    for (std::size_t at = text.find(wanted); at != std::string::npos;
         at = text.find(wanted, at + 1)) {
        if (at == 0 || text[at - 1] == '\n') return at + wanted.size();
    }
    return std::string::npos;
}

// Digits at `at` after blanks; nothing when there are none or they overflow.
std::optional<std::uint64_t> ParseNumber(const std::string& text, std::size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at])))
        return std::nullopt;
    std::uint64_t value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        unsigned digit = static_cast<unsigned>(text[at] - '0');
        if (value > (kMax - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// Older kernels have no MemAvailable: free memory plus the caches it could drop.
std::uint64_t AvailablePhysical(const std::string& meminfo, std::uint64_t total) {
    auto value = [&](const char* key) {
        return ProcMemoryStatus::ValueInBytes(meminfo, key).value_or(0);
    };
    std::optional<std::uint64_t> available =
        ProcMemoryStatus::ValueInBytes(meminfo, "MemAvailable");
    std::uint64_t bytes =
        available
            ? *available
            : SaturatingAdd(value("MemFree"), SaturatingAdd(value("Buffers"), value("Cached")));
    return std::min(bytes, total);
}

int LoadPercent(std::uint64_t total, std::uint64_t available) {
    if (total == 0) return 0;
    unsigned __int128 used = total - available;
    return static_cast<int>(used * 100 / total);
}

} // namespace

ProcMemoryStatus::ProcMemoryStatus(std::filesystem::path meminfo,
                                   std::filesystem::path processStatus)
    : meminfo_(std::move(meminfo)), processStatus_(std::move(processStatus)) {}

std::optional<std::uint64_t> ProcMemoryStatus::ValueInBytes(const std::string& text,
                                                            const std::string& key) {
    std::size_t at = FindKeyLine(text, key);
    if (at == std::string::npos) return std::nullopt;
    std::optional<std::uint64_t> kiloBytes = ParseNumber(text, at);
    if (!kiloBytes || *kiloBytes > kMax / 1024) return std::nullopt;
    return *kiloBytes * 1024;
}

MemoryStatus ProcMemoryStatus::FromMemInfo(const std::string& meminfo,
                                           std::optional<std::uint64_t> processVmSize) {
    MemoryStatus status;
    status.totalPhysical = ValueInBytes(meminfo, "MemTotal").value_or(0);
    status.availablePhysical = AvailablePhysical(meminfo, status.totalPhysical);
    status.load = LoadPercent(status.totalPhysical, status.availablePhysical);
    std::uint64_t swapTotal = ValueInBytes(meminfo, "SwapTotal").value_or(0);
    std::uint64_t swapFree = std::min(ValueInBytes(meminfo, "SwapFree").value_or(0), swapTotal);
    status.totalPaged = SaturatingAdd(status.totalPhysical, swapTotal);
    status.availablePaged = SaturatingAdd(status.availablePhysical, swapFree);
    status.totalVirtual = kTotalVirtual;
    status.availableVirtual =
        processVmSize ? SaturatingSub(kTotalVirtual, *processVmSize) : status.availablePaged;
    return status;
}

MemoryStatus ProcMemoryStatus::Read() const {
    std::string meminfo;
    if (!ReadTextFile(meminfo_, meminfo)) return MemoryStatus{};
    std::string processStatus;
    std::optional<std::uint64_t> vmSize;
    if (ReadTextFile(processStatus_, processStatus)) vmSize = ValueInBytes(processStatus, "VmSize");
    return FromMemInfo(meminfo, vmSize);
}

std::uint64_t ProcMemoryStatus::LargestFreeBlock(std::uint64_t wanted) const {
    MemoryStatus status = Read();
    if (status.totalPhysical == 0) return wanted;
    return std::min(wanted, status.availablePaged);
}

} // namespace zv
