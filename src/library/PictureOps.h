#pragma once
// The library's pixel operations on whole pictures: colour reduction onto a
// fitted, fixed, grey or given palette, and rotation by any angle. Each takes
// a picture and returns a new one, touching nothing else.

#include "imaging/Bitmap.h"

#include <cstdint>

namespace zv {

// At most `colours` colours (2..256) by the mode bits of ImageLibrary.h
// (kReduceThreshold ... kReduceOptimal). The result is Bits1 for 2 colours,
// Bits4 for up to 16, Bits8 otherwise, with its palette.
Bitmap ReduceColours(const Bitmap& picture, int colours, int mode);
// Onto the given palette (nearest colour), with error diffusion when asked.
Bitmap ReduceOntoPalette(const Bitmap& picture, const Palette& palette, bool diffuse);
// Rotated counter-clockwise by hundredths of a degree. Multiples of 9000 are
// exact pixel moves; other angles are sampled bilinearly into a 24-bit
// picture whose uncovered corners get the background (0x00BBGGRR).
Bitmap RotatePicture(const Bitmap& picture, int hundredths, std::uint32_t background);

} // namespace zv
