#pragma once
// A pass whose new colour is a function of the old colour alone (the HLS
// tone operations, Defog). Pictures repeat colours often, so results are
// kept in a direct-mapped cache keyed by the whole colour; every hit is the
// exact result an earlier pixel of the same colour computed. A picture that
// is not 24-bit is left alone.

#include "imaging/Bitmap.h"
#include "processing/Hls.h"
#include "processing/RowBands.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace zv {

template <class NewColour> void ColourPass(Bitmap& bitmap, NewColour newColour) {
    if (bitmap.Format() != PixelFormat::Bits24 || bitmap.Empty()) return;
    constexpr int kCacheBits = 16;
    constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
    const std::int32_t width = bitmap.Width();
    // Each band keeps its own cache.
    ParallelRows(bitmap, 0, bitmap.Height(), [&](std::int32_t first, std::int32_t last) {
        auto cache = std::make_unique<std::uint64_t[]>(std::size_t{1} << kCacheBits);
        std::fill_n(cache.get(), std::size_t{1} << kCacheBits, kEmpty);
        for (std::int32_t y = first; y < last; ++y) {
            std::uint8_t* p = bitmap.ScanLine(y);
            std::uint8_t* const end = p + 3 * static_cast<std::int64_t>(width);
            for (; p != end; p += 3) {
                const std::uint32_t colour = p[0] | (p[1] << 8) | (p[2] << 16);
                std::uint64_t& slot = cache[(colour * 0x9E3779B1u) >> (32 - kCacheBits)];
                std::uint32_t result;
                if (slot >> 32 == colour) {
                    result = static_cast<std::uint32_t>(slot);
                } else {
                    const Rgb c = newColour(p[2], p[1], p[0]);
                    result = static_cast<std::uint32_t>(c.B | (c.G << 8) | (c.R << 16));
                    slot = (std::uint64_t{colour} << 32) | result;
                }
                p[0] = static_cast<std::uint8_t>(result);
                p[1] = static_cast<std::uint8_t>(result >> 8);
                p[2] = static_cast<std::uint8_t>(result >> 16);
            }
        }
    });
}

} // namespace zv
