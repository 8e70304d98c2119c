#pragma once
// Exact division of small sums by a fixed divisor through a multiply and a
// shift, for the filters' vector loops: for every sum 0..largest,
// (sum x multiplier) >> shift equals sum div divisor. The multiplier fits
// 16 bits and the shift is at least 16, so a vector loop takes the high half
// of a 16-bit product and shifts it by shift - 16. Found, and checked for
// every sum, when the program is compiled.

#include <cstdint>

namespace zv {

struct ExactDivision {
    std::uint32_t multiplier = 0;
    int shift = 0;
};

constexpr bool DividesExactly(ExactDivision d, std::uint32_t divisor, std::uint32_t largest) {
    for (std::uint32_t sum = 0; sum <= largest; ++sum)
        if ((static_cast<std::uint64_t>(sum) * d.multiplier) >> d.shift != sum / divisor)
            return false;
    return true;
}

// The smallest shift that works, or {0, 0} when none does.
constexpr ExactDivision FindExactDivision(std::uint32_t divisor, std::uint32_t largest) {
    for (int shift = 16; shift < 32; ++shift) {
        const std::uint64_t multiplier = ((std::uint64_t{1} << shift) + divisor - 1) / divisor;
        if (multiplier > 0xFFFF) break;
        const ExactDivision d{static_cast<std::uint32_t>(multiplier), shift};
        if (DividesExactly(d, divisor, largest)) return d;
    }
    return {};
}

} // namespace zv
