#pragma once
// The lightness-gated 5x5 filters: Clean, which smooths flat areas and keeps
// edges, and the unsharp mask, which strengthens edges. Both compare each
// pixel C with the 5x5 box mean M of its neighbourhood (per byte, the sum of
// 25 bytes div 25), by their HLS lightnesses L(C) and L(M) (0..3600), and
// work on whole pixels. Reads come from the picture as it was before the
// pass.
//
// The pass covers rows 2 .. height-4 and columns 2 .. width-3: the first two
// rows, the last three and two columns at each side keep their values, and a
// picture narrower than 5 pixels or lower than 6 rows is left unchanged.

#include "imaging/Bitmap.h"

namespace zv {

// Clean: where |L(C) - L(M)| < threshold, each byte moves toward the mean
// by strength/255: C + (M - C) x strength div 255. Other pixels keep their
// values. Bits24 pictures only (others throw std::invalid_argument).
void SharpGaussianBlur5x5(Bitmap& picture, int threshold, int strength);

// Unsharp mask: with d = L(C) - L(M), where |d| > threshold the lightness
// moves away from the mean's, to L(C) + strength x 2|d| div 255 when d > 0
// and L(C) - strength x 2|d| div 255 otherwise, kept within 0..3600; hue and
// saturation stay. Other pixels keep their values. Bits24 pictures only.
void UnSharpGaussianBlur5x5(Bitmap& picture, int threshold, int strength);

// Mask Edges' blend: where |L(C) - L(M)| < threshold, each byte becomes
// C x (255 - amount) div 255 + D x amount div 255, D the other picture's
// byte at the same place; other pixels keep their values. Both pictures
// Bits24 and of one size (else std::invalid_argument).
void BlendFlat5x5(Bitmap& picture, const Bitmap& other, int threshold, int amount);

} // namespace zv
