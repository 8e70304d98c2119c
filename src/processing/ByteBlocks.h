#pragma once
// Loops over the bytes of a row shaped so the compiler turns them into
// vector instructions: fixed blocks of 32 steps, then the few steps left one
// by one. The step reads and writes through pointers the caller declares
// __restrict (rows that do not overlap) and captures by value.

#include <cstdint>

namespace zv {

// Once inlined, the compiler no longer sees the pointers as __restrict and
// would test them for overlap at run time, which it refuses for fixed
// blocks; ivdep tells it the steps are independent.
#if defined(__GNUC__) && !defined(__clang__)
#define ZV_INDEPENDENT_STEPS _Pragma("GCC ivdep")
#else
#define ZV_INDEPENDENT_STEPS
#endif

template <class Step> inline void InBlocks(std::int64_t count, Step step) {
    constexpr int kBlock = 32;
    std::int64_t i = 0;
    for (; i + kBlock <= count; i += kBlock) {
        ZV_INDEPENDENT_STEPS
        for (int k = 0; k < kBlock; ++k) step(i + k);
    }
    for (; i < count; ++i) step(i);
}

// out[i] = rule(out[i], other[i]) for every byte: the rule sees the two
// bytes as plain integers and returns the new byte.
template <class Rule>
inline void ForEachBytePair(std::uint8_t* __restrict out, const std::uint8_t* __restrict other,
                            std::int64_t bytes, Rule rule) {
    InBlocks(bytes,
             [=](std::int64_t i) { out[i] = static_cast<std::uint8_t>(rule(out[i], other[i])); });
}

} // namespace zv
