#pragma once
// The benchmarks' test picture: 6000 x 4000 (24 megapixels), like a
// photograph: smooth colour gradients, hard edges between large patches and
// a little grain, so neighbouring pixels are alike but rarely equal and the
// picture costs a coder about what a photograph does. Each row is made on
// its own, so a benchmark can stream rows into a coder without holding the
// whole picture.

#include "imaging/Bitmap.h"

#include <algorithm>
#include <cstdint>

namespace zvbench {

inline constexpr int kPhotoWidth = 6000;
inline constexpr int kPhotoHeight = 4000;
inline constexpr std::int64_t kPhotoPixels = std::int64_t{kPhotoWidth} * kPhotoHeight;

// Row y of the photograph in blue, green, red order, kPhotoWidth pixels.
inline void PhotoRow(int y, std::uint8_t* bgr) {
    for (int x = 0; x < kPhotoWidth; ++x) {
        const std::uint32_t hash = (static_cast<std::uint32_t>(x) * 2654435761u) ^
                                   (static_cast<std::uint32_t>(y) * 40503u);
        const int grain = static_cast<int>((hash * 2246822519u) >> 28) - 8; // -8..7
        const int edge = ((x / 500 + y / 400) % 2) * 40;
        const auto level = [grain, edge](int v) {
            return static_cast<std::uint8_t>(std::clamp(v + grain + edge, 0, 255));
        };
        bgr[3 * x] = level((x * 200 / kPhotoWidth + y * 64 / kPhotoHeight) % 200);
        bgr[3 * x + 1] = level(40 + (y * 150 / kPhotoHeight));
        bgr[3 * x + 2] = level(215 - ((x + y) * 200 / (kPhotoWidth + kPhotoHeight)));
    }
}

// The photograph as a true-colour Bitmap, made on first use.
inline const zv::Bitmap& Photo() {
    static const zv::Bitmap photo = [] {
        zv::Bitmap picture;
        picture.Create(kPhotoWidth, kPhotoHeight, zv::PixelFormat::Bits24);
        for (int y = 0; y < kPhotoHeight; ++y) PhotoRow(y, picture.ScanLine(y));
        return picture;
    }();
    return photo;
}

} // namespace zvbench
