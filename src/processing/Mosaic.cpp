#include "processing/Mosaic.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace zv {

namespace {

void TilePass(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    Tile(picture, v.V1);
}

constexpr EffectDialogLayout kMosaicDialog{
    "Set Mosaic Tile to", 1, {EffectSlider{2, 16, 2, 1, 1, "&Filter", "2x2", "16x16"}}};

constexpr ToolboxOperation kMosaicOperations[] = {
    {.word = "MOSAIC",
     .effectCode = 250,
     .paramCount = 1,
     .ranges = {ParamRange{2, 16}},
     .status = "Tiling ...",
     .steps = kDialogSteps,
     .pixels = TilePass,
     .dialog = &kMosaicDialog},
};

} // namespace

std::span<const ToolboxOperation> MosaicOperations() {
    return kMosaicOperations;
}

void Tile(Bitmap& picture, int n) {
    if (picture.Format() != PixelFormat::Bits24)
        throw std::invalid_argument("mosaic tiles need a 24-bit picture");
    if (n < 1 || picture.Empty()) return;
    const std::int64_t rowBytes = 3 * static_cast<std::int64_t>(picture.Width());
    const std::int32_t last = picture.Height() - 1;
    for (std::int32_t y = 0; y < last; y += n) {
        // The source row is below the target row, which the pass has not yet
        // written, so it is read from the picture itself.
        const std::uint8_t* source = picture.ScanLine(y + 1);
        std::uint8_t* target = picture.ScanLine(y);
        for (std::int64_t c = 0; c < rowBytes - 7; c += 3 * std::int64_t{n}) {
            for (std::int64_t k = c; k < c + 3; ++k) {
                int sum = 0;
                for (int j = 0; j < n; ++j) {
                    std::int64_t at = k + 3 * j;
                    if (at >= rowBytes) at = std::max(k - 3 * j, k % 3);
                    sum += source[at];
                }
                const auto value = static_cast<std::uint8_t>(sum / n);
                for (std::int64_t at = k; at < k + 3 * std::int64_t{n} && at < rowBytes; at += 3)
                    target[at] = value;
            }
        }
        for (std::int32_t below = y + 1; below < y + n && below <= last; ++below)
            std::memcpy(picture.ScanLine(below), target, static_cast<std::size_t>(rowBytes));
    }
}

} // namespace zv
