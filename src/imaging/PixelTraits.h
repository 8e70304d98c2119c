#pragma once
// Small facts about a picture's colours that the scaler and the library's
// writers branch on once, outside their pixel loops.

#include "imaging/Bitmap.h"

#include <cstdint>

namespace zv {

// The grey a colour shows as: 0.299 red + 0.587 green + 0.114 blue, rounded.
inline std::uint8_t Luminance(const PaletteEntry& colour) {
    return static_cast<std::uint8_t>(
        (299 * colour.red + 587 * colour.green + 114 * colour.blue + 500) / 1000);
}

// A palette picture all of whose entries are greys.
inline bool HasGreyPalette(const Bitmap& picture) {
    if (PaletteSizeOf(picture.Format()) == 0) return false;
    for (const PaletteEntry& entry : picture.Colours())
        if (entry.red != entry.green || entry.green != entry.blue) return false;
    return true;
}

} // namespace zv
