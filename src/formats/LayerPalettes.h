#pragma once
// The default palettes of the image-format layer's six formats.

#include "imaging/Bitmap.h"

namespace zv {

const Palette& BlackWhitePalette(); // black, white
const Palette& Grey16Palette();     // entry i = i x 17
const Palette& Grey256Palette();    // entry i = i
const Palette& Colour16Palette();   // the 16 text-mode colours
// 16 colours, 16 greys, three rings of 72 hues at falling brightness, 8 blacks.
const Palette& Colour256Palette();

// 2^bits greys from black to white, or white to black when inverted.
Palette GreyRamp(int bits, bool inverted);

} // namespace zv
