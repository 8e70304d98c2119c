#include "formats/RgbToPaletteConverter.h"

#include <limits>

namespace zv {

TRgbToPaletteConverter::TRgbToPaletteConverter(const Palette& palette) : palette_(palette) {}

int TRgbToPaletteConverter::NearestIndex(std::uint32_t colour) const {
    Slot& slot = cache_[colour % kSlots];
    if (slot.index != -1 && slot.colour == colour) {
        ++hits_;
        return slot.index;
    }
    ++misses_;
    slot = {colour, Search(colour)};
    return slot.index;
}

int TRgbToPaletteConverter::Search(std::uint32_t colour) const {
    const int red = colour & 0xFF;
    const int green = (colour >> 8) & 0xFF;
    const int blue = (colour >> 16) & 0xFF;
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        const PaletteEntry& entry = palette_[i];
        const int dr = entry.red - red, dg = entry.green - green, db = entry.blue - blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
            if (distance == 0) break;
        }
    }
    return best;
}

} // namespace zv
