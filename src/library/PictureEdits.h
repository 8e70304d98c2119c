#pragma once
// The library's in-place changes to a picture: mirroring and gamma.

#include "imaging/Bitmap.h"

#include <array>
#include <cstdint>

namespace zv {

// topBottom swaps row y with row Height-1-y; leftRight swaps column x with
// Width-1-x. Every pixel format, 1-bit and 4-bit included.
void MirrorPicture(Bitmap& picture, bool topBottom, bool leftRight);

// Level i becomes round(255 x (i / 255) ^ (10 / gammaTimes10)): 10 leaves
// every level as it is, larger values brighten. gammaTimes10 must be positive.
std::array<std::uint8_t, 256> GammaTable(int gammaTimes10);
// The same for any positive gamma: level i becomes round(255 x (i / 255) ^ (1 / gamma)).
std::array<std::uint8_t, 256> GammaTableOf(double gamma);

// Maps every colour level through the table: palette pictures change their
// palette; 15- and 16-bit pictures become 24-bit first; the others change
// every colour byte.
void ApplyLevels(Bitmap& picture, const std::array<std::uint8_t, 256>& table);
// ApplyLevels with GammaTable(gammaTimes10).
void ApplyGamma(Bitmap& picture, int gammaTimes10);

} // namespace zv
