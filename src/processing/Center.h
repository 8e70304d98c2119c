#pragma once
// Map > Center: the colour channels shifted so that their histogram peaks
// meet at the highest of them, without pushing any channel's top level past
// white.
//
// A channel's top level is the highest level from 254 down whose count is
// above 4 and below the count of the level under it (0 when there is none).
// Its peak is the level, within a search window, whose count together with
// its two neighbours' is largest (the lowest such level on ties). Each
// channel is shifted up by the highest peak minus its own. The window starts
// at 16..240 and narrows by 8 at each end while some shift would take a top
// level past 255, until its low end reaches 96; a shift that still does is
// cut to reach 255 exactly.

#include "imaging/Bitmap.h"
#include "processing/Histogram.h"
#include "processing/ToneMaps.h"

#include <array>

namespace zv {

// The three shifts (red, green, blue) from a histogram of the picture.
std::array<int, 3> CenterShifts(const ImageHistogram& histogram);

// The shifts through SetShiftLUT and ColorFilter.
void CenterChannels(Bitmap& picture, ToolboxContext& tb);

} // namespace zv
