#pragma once
// 16- and 32-bit little-endian values inside stored records and file headers.

#include <cstdint>

namespace zv {

inline void PutLittle32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint16_t GetLittle16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

inline std::uint32_t GetLittle32(const std::uint8_t* at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= std::uint32_t{at[i]} << (8 * i);
    return value;
}

} // namespace zv
