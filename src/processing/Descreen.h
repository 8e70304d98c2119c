#pragma once
// Descreening: weighted 5x5 means that blur away the dot pattern of a
// printed picture. Each byte (blue, green and red alike) becomes the
// weighted sum of the same byte over its 5x5 neighbourhood, divided by the
// sum of the weights; reads come from the picture as it was before the pass.
//
// Weights by row, top to bottom:
//   mode 0 (medium):  0 1 1 1 0 / 0 1 2 1 0 / 0 2 3 2 0 / 0 1 2 1 0 / 0 1 1 1 0   (21)
//   mode 1 (strong):  1 1 1 1 1 / 1 1 2 1 1 / 1 2 3 2 1 / 1 1 2 1 1 / 1 1 1 1 1   (31)
//   mode 2 (high res): 1 1 2 1 1 / 1 3 0 1 1 / 2 0 3 0 2 / 1 3 0 1 1 / 1 1 2 1 1  (31)
//
// The pass covers rows 2 .. height-4 and columns 2 .. width-3: the first two
// rows, the last three and two columns at each side keep their values, and a
// picture narrower than 5 pixels or lower than 6 rows is left unchanged.

#include "imaging/Bitmap.h"

namespace zv {

// Modes other than 0, 1 and 2 leave the picture unchanged; Bits24 pictures
// only (others throw std::invalid_argument).
void DeScreen5x5(Bitmap& picture, int mode);

} // namespace zv
