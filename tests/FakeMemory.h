#pragma once
// Memory as the tests want it: plenty, or only so many bytes for one block.

#include "imaging/MemoryCheck.h"
#include "platform/MemoryStatus.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace zvtest {

class FakeMemory : public zv::MemoryStatusSource {
public:
    zv::MemoryStatus Read() const override { return status; }
    std::uint64_t LargestFreeBlock(std::uint64_t wanted) const override {
        asked.push_back(wanted);
        if (wanted == zv::kLargestBlockProbe && probeGrant) return *probeGrant;
        return std::min(wanted, free);
    }

    zv::MemoryStatus status;
    std::uint64_t free = std::numeric_limits<std::uint64_t>::max();
    std::optional<std::uint64_t> probeGrant;
    mutable std::vector<std::uint64_t> asked;
};

} // namespace zvtest
