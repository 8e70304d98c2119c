#pragma once
// Image > Compute and the batch's buffer commands: Duplicate, Swap, the
// backup copies and CLEARBUFFERS over the working bitmaps, and the
// arithmetic of the picture with its duplicate (the five byte combinations,
// Average and Interlace), as toolbox entries and passes.

#include "processing/Toolbox.h"

#include <span>

namespace zv {

std::span<const ToolboxOperation> ArithmeticOperations();

enum class ByteCombination { Multiply, Minimum, Maximum, Difference, Subtract };
// Every byte P of the picture with the duplicate's byte D at the same place:
// D x P div 255, min, max, 127 + P - D within 0..255, P - D or 0.
void CombineBytes(Bitmap& picture, const Bitmap& duplicate, ByteCombination how);
// Every byte: P x (100 - percent) div 100 + D x percent div 100, within
// 0..255 (percent runs past 100 in batch lines). Every row, or only the
// rows of one field: the odd field blends rows 0, 2, 4, ..., the even
// field rows 1, 3, 5, ....
void AverageRows(Bitmap& picture, const Bitmap& duplicate, int percent, bool everyRow,
                 bool oddField);

} // namespace zv
