#pragma once
// Mosaic tiles: the picture in squares of n x n pixels, each square the
// mean colour of its n pixels in the row just below its first row.

#include "processing/Toolbox.h"

#include <span>

namespace zv {

std::span<const ToolboxOperation> MosaicOperations();

// Tile rows start at rows 0, n, 2n, ... before the last row, tiles at
// columns 0, n, 2n, ... before the last two; the last row and columns past
// the last tile keep their pixels (rows below a tile's first row take that
// row whole). A tile reaching past the right edge takes the pixels mirrored
// back from its first column, and never reads before the row's first pixel.
// 24-bit pictures only; n at least 1.
void Tile(Bitmap& picture, int n);

} // namespace zv
