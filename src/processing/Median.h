#pragma once
// Shaped median filters of a true-colour picture (Despeckle, UnSpot and the
// median step of DeLace). Every byte of every pixel (blue, green and red
// alike) becomes the median of the same colour byte over the cells of a
// window around it, read from the picture as it was before the pass.
// Windows reaching past an edge read the nearest row, and the nearest
// pixel's own colour byte, so every pixel of every picture size is filtered.
//
// Shapes, by number (any number other than 2..9 is shape 1):
//   1  3x3 plus: the centre and its four edge neighbours (5 cells)
//   2  3x3, all 9 cells
//   3  5x5 plus: the centre row and column (9 cells)
//   4  5x5 diamond: cells within city-block distance 2 (13 cells)
//   5  7x7: the 3x3 block and the full centre row and column (17 cells)
//   6  5x5, all 25 cells
//   7  7x7 diamond: cells within city-block distance 3 (25 cells)
//   8  7x7 without three cells at each corner (37 cells)
//   9  7x7, all 49 cells
// The median of a window is the middle value of its cells in rising order
// (every shape has an odd count).
//
// The spot threshold t chooses which bytes take their median: t = 0 every
// byte; t > 0 only bytes above 4|t| that are above their median (bright
// specks, "salt"); t < 0 only bytes above 4|t| that are below it (dark
// specks, "pepper"). With 4|t| of 255 or more no byte qualifies.

#include "imaging/Bitmap.h"

namespace zv {

// Bits24 pictures only (others throw std::invalid_argument).
void Median(Bitmap& picture, int shape, int spotThreshold);

} // namespace zv
