#pragma once
// Reading and writing single pixels of tiny test pictures.

#include "imaging/Bitmap.h"

#include <array>
#include <cstdint>

namespace zv::test {

using Bgr = std::array<std::uint8_t, 3>;

inline Bgr Pixel24(const Bitmap& bitmap, int x, int y) {
    const std::uint8_t* p = bitmap.ScanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

inline void SetPixel24(Bitmap& bitmap, int x, int y, Bgr colour) {
    std::uint8_t* p = bitmap.ScanLine(y) + 3 * x;
    p[0] = colour[0];
    p[1] = colour[1];
    p[2] = colour[2];
}

// Sets a palette index in a Bits1, Bits4 or Bits8 row whose pixel is still 0.
inline void SetIndex(Bitmap& bitmap, int x, int y, int index) {
    std::uint8_t* row = bitmap.ScanLine(y);
    switch (bitmap.Format()) {
    case PixelFormat::Bits1: row[x / 8] |= static_cast<std::uint8_t>(index << (7 - x % 8)); break;
    case PixelFormat::Bits4:
        row[x / 2] |= static_cast<std::uint8_t>(index << (x % 2 ? 0 : 4));
        break;
    default: row[x] = static_cast<std::uint8_t>(index); break;
    }
}

inline PaletteEntry Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return {blue, green, red, 0};
}

} // namespace zv::test
