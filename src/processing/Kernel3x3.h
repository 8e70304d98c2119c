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

// High pass, medium: 0 -1 0 / -1 (9-a) -1 / 0 -1 0, divisor 5 - a, for
// strengths a of 1..4 (others leave the picture unchanged).
Kernel3x3 HighPassMediumKernel(int strength);
void HighPassMedium(Bitmap& picture, int strength);

// High pass, light: 1 -2 1 / -2 (9-a) -2 / 1 -2 1, divisor 5 - a, for
// strengths a of 1..4 (others leave the picture unchanged).
Kernel3x3 HighPassLightKernel(int strength);
void HighPassLight(Bitmap& picture, int strength);

// Soften of type 1..10: 1 2 1 / 2 c 2 / 1 2 1 with the centre c = 32, 16, 8,
// 6, 5, 4, 3 for types 1..7, then three flatter kernels for 8..10; the
// divisor is the weights' sum. Other types leave the picture unchanged.
Kernel3x3 SoftenKernel(int type);
void Soften(Bitmap& picture, int type);

// DeFocus of amount a (0..254): 1 d 1 / d b d / 1 d 1 with d = a div 25
// limited to 1..12 and b the least value from d x d on with
// 100 b div 4d >= a, so larger amounts give a sharper centre and a = 0 the
// flat 3x3 mean. The divisor is the weights' sum. Amounts outside 0..254
// leave the picture unchanged.
Kernel3x3 DeFocusKernel(int amount);
void DeFocus(Bitmap& picture, int amount);

// The 3x3 mean: the sum of the nine bytes (without the one directly below
// the centre when leaveOneOut is set) div divisor, at most 255, stored only
// where it differs from the old byte by more than threshold. A divisor of 0
// or less leaves the picture unchanged.
void GaussianBlur3x3(Bitmap& picture, int threshold, bool leaveOneOut, int divisor);

} // namespace zv
