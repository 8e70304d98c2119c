#pragma once
// Borders: bands of one colour along the picture's edges, at its own depth.

#include "imaging/Bitmap.h"

#include <cstdint>

namespace zv {

// `width` columns at the left and right and `height` rows at the top and
// bottom take the colour (a window-system colour value, red low); a border
// wider than half the picture fills it.
void MergeBorder(Bitmap& picture, std::uint32_t colour, std::int32_t width, std::int32_t height);
// Only the bands at the top (`top` rows) and bottom (`bottom` rows).
void MergeBorder_TopBot(Bitmap& picture, std::uint32_t colour, std::int32_t top,
                        std::int32_t bottom);

} // namespace zv
