#pragma once
// Weighted 3x3 neighbourhood filters of a true-colour picture. Each byte of
// each pixel (blue, green and red alike) becomes the weighted sum of the
// same byte of its 3x3 neighbourhood, divided by the divisor (truncating
// toward zero), plus the bias, clamped to 0..255. All reads come from the
// picture as it was before the pass, so results never feed into later pixels.
//
// The pass covers rows 1 .. height-3 and columns 1 .. width-2: the first row,
// the last two rows and the first and last columns keep their values, and a
// picture narrower than 3 pixels or lower than 4 rows is left unchanged.

#include "imaging/Bitmap.h"

#include <array>
#include <cstdint>

namespace zv {

struct Kernel3x3 {
    // Top row first, left to right.
    std::array<std::int16_t, 9> weights{};
    // The sum of the weights for the standard kernels. A divisor of 0 leaves
    // the picture unchanged.
    int divisor = 1;
    // Added after the division, before clamping.
    int bias = 0;
    // A byte takes its new value only when it differs from the old one by
    // more than this; -1 replaces every byte.
    int threshold = -1;
};

// One pass of the kernel over a Bits24 picture (other formats throw
// std::invalid_argument).
void Spatial3x3(Bitmap& picture, const Kernel3x3& kernel);

// Mean removal of strength a (0..8): -1 all round, 17 - a in the centre,
// divisor 9 - a. a = 8 sharpens hardest; a = 0 is the texture measure's.
Kernel3x3 MeanRemovalKernel(int strength);
// Strengths outside 0..8 leave the picture unchanged.
void MeanRemoval(Bitmap& picture, int strength);

// The 3x3 mean: the sum of the nine bytes (without the one directly below
// the centre when leaveOneOut is set) div divisor, at most 255, stored only
// where it differs from the old byte by more than threshold. A divisor of 0
// or less leaves the picture unchanged.
void GaussianBlur3x3(Bitmap& picture, int threshold, bool leaveOneOut, int divisor);

} // namespace zv
