#pragma once
// TRgbToPaletteConverter: the nearest palette entry of a colour, with a
// 1,020-slot cache of the last colour seen in each slot.

#include "imaging/Bitmap.h"

#include <array>
#include <cstdint>

namespace zv {

class TRgbToPaletteConverter {
public:
    explicit TRgbToPaletteConverter(const Palette& palette);

    // The index of the entry nearest to the colour 0x00BBGGRR by squared
    // distance, the first of equals.
    int NearestIndex(std::uint32_t colour) const;

    std::uint64_t Hits() const { return hits_; }
    std::uint64_t Misses() const { return misses_; }

    static constexpr int kSlots = 1020;

private:
    struct Slot {
        std::uint32_t colour = 0;
        int index = -1;
    };
    int Search(std::uint32_t colour) const;

    Palette palette_;
    mutable std::array<Slot, kSlots> cache_{};
    mutable std::uint64_t hits_ = 0;
    mutable std::uint64_t misses_ = 0;
};

} // namespace zv
