#pragma once
// The fixed palettes pictures are mapped onto (halftone, 16 standard colours,
// black and white) and the nearest-colour search that maps them.

#include "imaging/Bitmap.h"

#include <cstdint>
#include <vector>

namespace zv {

// 256 entries: 0..9 the first ten fixed system colours; 10..225 the 6x6x6
// colour cube of the levels 0, 0x33, 0x66, 0x99, 0xCC, 0xFF, at index
// 10 + 36 x red step + 6 x green step + blue step; 226..245 the twenty greys
// round(255 x k / 25) for k = 1..24 that are not cube levels (k not a
// multiple of 5), in rising order; 246..255 the last ten fixed system colours.
const Palette& HalftonePalette();
// Black, maroon, green, olive, navy, purple, teal, silver, grey, red, lime,
// yellow, blue, fuchsia, aqua, white.
const Palette& StandardPalette16();
// Black, white.
const Palette& MonochromePalette();
// The palette a new picture of the format gets; empty for direct colour.
const Palette& StandardPaletteOf(PixelFormat format);

// The index of the entry closest to colour (squared distance in red, green
// and blue); the first of equals, so a colour in the palette gets its first
// index. 0 for an empty palette.
int NearestIndex(const Palette& palette, PaletteEntry colour);

// NearestIndex with a direct-mapped cache keyed by the colour, so pictures
// with many pixels of few colours map at table speed. A miss searches only
// the entries that can be nearest anywhere in the colour's 32x32x32 cell
// (found once per cell), which gives the same answer as the full search.
// Not thread-safe.
class PaletteMapper {
public:
    explicit PaletteMapper(const Palette& palette);

    std::uint8_t Map(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
        const std::uint32_t key = (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue;
        Slot& slot = cache_[(key * 0x9E3779B1u) >> (32 - kCacheBits)];
        if (slot.tagged != (key | kFilled)) {
            slot.tagged = key | kFilled;
            slot.index = Nearest({blue, green, red, 0});
        }
        return slot.index;
    }

private:
    static constexpr int kCacheBits = 16;
    static constexpr std::uint32_t kFilled = 1u << 24;
    static constexpr int kCellShift = 5; // cells of 32 levels a channel, 8 x 8 x 8 of them
    struct Slot {
        std::uint32_t tagged = 0; // the colour with kFilled set, 0 while empty
        std::uint8_t index = 0;
    };
    struct Cell {
        bool known = false;
        std::vector<std::uint8_t> candidates; // in index order
    };

    std::uint8_t Nearest(PaletteEntry colour);
    const Cell& CellOf(PaletteEntry colour);

    Palette palette_;
    std::vector<Slot> cache_;
    std::vector<Cell> cells_;
};

// Makes the picture indexedFormat (Bits1, Bits4 or Bits8) on the given
// palette (1 to 2^bits entries; padded with black to the format's size).
// Each pixel gets the nearest entry; a colour in the palette gets its first
// index, so an indexed picture taken to 24 bits comes back index for index
// when its palette has no repeated colours. On failure the picture is left
// cleared and EBitmapError is thrown.
void MapOntoPalette(Bitmap& bitmap, const Palette& palette, PixelFormat indexedFormat);

} // namespace zv
