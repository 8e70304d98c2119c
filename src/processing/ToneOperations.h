#pragma once
// The toolbox's tone-curve operations: gamma, brightness, shift, contrast,
// enhance, suppress, parametric equaliser, limit, map zero, white balance,
// unwash, uncook, attenuate and the screen gamma.

#include "processing/Toolbox.h"

#include <cstdint>
#include <span>

namespace zv {

std::span<const ToolboxOperation> ToneOperations();

// The screen gamma: no word, no dialog, no undo copy, no modified mark.
const ToolboxOperation& ScreenGammaOperation();

// The lowest level whose count exceeds `threshold`, or 0 when none does.
int LowestLevelAbove(const std::int32_t* counts, std::int32_t threshold);

// The shadow and highlight levels the Enhance dialogs start from: low, the
// first level i from which four levels i..i+3 each count more than 48 (0
// when none); high, the last level n down to which n-3..n each count more
// than 48 (255 when none; 254 becomes 255). `lastLow` and `firstHigh` bound
// the search (255 and 0 for lightness, 250 and 4 for saturation).
struct EnhanceLevels {
    int low = 0;
    int high = 255;
};
EnhanceLevels FindEnhanceLevels(const std::int32_t* counts, int lastLow, int firstHigh);

} // namespace zv
