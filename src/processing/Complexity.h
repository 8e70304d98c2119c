#pragma once
// The texture measure that slide albums store per slide and the analysis
// reports: how much a picture's JPEG grows, before and after sharpening,
// relative to its uncompressed size.

#include "imaging/Bitmap.h"

#include <cstdint>

namespace zv {

// The quality every caller passes.
inline constexpr int kComplexityQuality = 66;

// The size in bytes of the picture as a JPEG made in memory at the linear
// quality scale `quality` (its low 7 bits), every component sampled 1 x 1,
// optimised coding, no smoothing. An empty picture gives 0.
std::int64_t JpegByteSize(const Bitmap& picture, int quality);

// A1 = JpegByteSize(picture, quality); the picture is sharpened in place
// with MeanRemoval(0); A2 = JpegByteSize again. The result is
// Trunc(A1 / divisor x 10^9) + Trunc(A2 / divisor x 10^9). The divisor is
// the picture's uncompressed size (ImageByteSize for the viewer's picture,
// width x height x 3 for an album slide); a divisor of 0 or less (a picture
// under 4096 bytes) gives 0 and leaves the picture as it was. The picture
// must be Bits24; callers that need it unchanged pass a copy. A picture too
// large for a JPEG throws EJpegWriteError.
std::int64_t ComplexityIndex(Bitmap& picture, int quality, std::int64_t divisor);

} // namespace zv
