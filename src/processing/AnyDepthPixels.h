#pragma once
// Writing colours into a picture at its own depth, for the operations that
// keep a palette picture a palette picture (borders, text marks): a palette
// picture takes the nearest entry of its palette, a 15- or 16-bit one the
// colour's top bits.

#include "imaging/Bitmap.h"
#include "processing/Toolbox.h"

#include <cstdint>

namespace zv {

// A window-system colour value (red in the low byte) as a palette entry.
PaletteEntry ColourOfRef(std::uint32_t colourRef);

class PixelWriter {
public:
    // Finds the stored form of colours for this picture's format and palette.
    explicit PixelWriter(Bitmap& picture);
    // Pixel x of row y takes the colour.
    void Put(std::int32_t x, std::int32_t y, PaletteEntry colour);
    // The part of `rect` inside the picture takes the colour.
    void Fill(PictureRect rect, PaletteEntry colour);

private:
    std::uint32_t Stored(PaletteEntry colour) const;
    void Store(std::uint8_t* row, std::int32_t x, std::uint32_t stored) const;

    Bitmap& picture_;
};

} // namespace zv
