#pragma once
// The Colors menu's single-picture recolourings as toolbox entries: HLS
// tuning, Negative, Gray shades, RGB Max, Posterize and Red Eye, with the
// passes themselves for the album, the benchmarks and the tests.

#include "processing/Toolbox.h"

#include <span>

namespace zv {

std::span<const ToolboxOperation> ColourOperations();

// Shifts hue by dh (tenths of a degree, wrapping round the circle),
// lightness by dl and saturation by ds (both on 0..3600, clamped). A grey
// has no hue, so it stays grey: its saturation stays 0 whatever ds is.
void TuneHls(Bitmap& picture, int dh, int dl, int ds);
// The negative at the picture's own depth: every byte of true-colour
// pixels inverted, the palette inverted for palette pictures.
void InvertPicture(Bitmap& picture);
// Every pixel becomes the grey of its GrayLevel.
void GrayShades(Bitmap& picture);
// Every pixel becomes the grey of its largest byte.
void RgbMax(Bitmap& picture);
// Every byte keeps its top `bits` bits (2..6; any other value keeps 7).
void Posterize(Bitmap& picture, int bits);
// Inside the selection (clipped to the picture), where red exceeds both
// green and blue by more than 8, red becomes the larger of them. A
// selection more than 5 rows high loses its last two rows first.
void RepairRedEye(Bitmap& picture, PictureRect selection);

} // namespace zv
