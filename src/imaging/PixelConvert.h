#pragma once
// Converting a picture's pixels from any format into another, row by row
// through 24-bit blue, green, red rows.

#include "imaging/Bitmap.h"

#include <cstdint>

namespace zv {

// A copy of source in the target format. Bits24, Bits32 and Device are
// exact; Bits1, Bits4 and Bits8 are mapped onto palette (1 to 2^bits
// entries). Throws EBitmapError when the copy cannot be made.
Bitmap ConvertPixels(const Bitmap& source, PixelFormat target, const Palette& palette);

// Replaces bitmap by its conversion; on any failure the bitmap is left
// cleared and EBitmapError (or the original exception) is thrown.
void ReplaceWithConversion(Bitmap& bitmap, PixelFormat target, const Palette& palette);

// One row of any format as blue, green, red triples. bgr holds 3 x width
// bytes. Bits24 rows are copied.
void DecodeRow(const Bitmap& source, std::int32_t y, std::uint8_t* bgr);

// An n-bit channel value (n = 1..32) widened or narrowed to 8 bits; below 8
// bits its bits are repeated, so 5 bits give (v<<3)|(v>>2) and 6 bits give
// (v<<2)|(v>>4), and the largest value gives 255.
std::uint8_t WidenChannel(std::uint32_t value, int bits);

} // namespace zv
