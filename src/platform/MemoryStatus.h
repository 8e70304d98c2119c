#pragma once
// The machine's memory, as the Memory command reports it and the memory
// checks before large copies judge it.

#include <cstdint>

namespace zv {

struct MemoryStatus {
    int load = 0; // percent of physical memory in use, 0..100
    std::uint64_t totalPhysical = 0;
    std::uint64_t availablePhysical = 0;
    std::uint64_t totalPaged = 0;     // physical + swap
    std::uint64_t availablePaged = 0; // available physical + free swap
    std::uint64_t totalVirtual = 0;
    std::uint64_t availableVirtual = 0;
};

class MemoryStatusSource {
public:
    virtual ~MemoryStatusSource() = default;
    virtual MemoryStatus Read() const = 0;
    // The bytes a single allocation of `wanted` bytes could get now: at most
    // `wanted`, less when memory is short. Linux overcommits, so this is judged
    // from the status, never by allocating.
    virtual std::uint64_t LargestFreeBlock(std::uint64_t wanted) const = 0;
};

} // namespace zv
