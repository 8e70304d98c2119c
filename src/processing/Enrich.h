#pragma once
// Enrich and DeLace: a filter run on an enlarged copy of the picture, which
// is then scaled back to its size by area averaging.
//  - Enrich: enlarged plainly (nearest pixel) to (2w + w div 2) x
//    (2h + h div 2), cleaned with SharpGaussianBlur5x5(239, 96).
//  - DeLace: enlarged plainly to (w + w div 2) x (h + h div 2), filtered with
//    the 5x5 diamond median (shape 4), which takes out the comb of
//    interlaced fields.

#include "imaging/Bitmap.h"

namespace zv {

// Each returns false, leaving the picture as it was, when the enlarged copy
// cannot be made (its size does not fit, or there is no memory for it).
// Bits24 pictures only (others throw std::invalid_argument).
bool Enrich(Bitmap& picture);
bool DeLace(Bitmap& picture);

} // namespace zv
