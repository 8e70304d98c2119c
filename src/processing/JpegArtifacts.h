#pragma once
// JPEG artifacts: the picture through a JPEG encoder and back, in memory.

#include "imaging/Bitmap.h"

namespace zv {

// Encodes the picture at the linear quality scale n (limited to 1..255: 1
// the finest tables, 100 the standard ones, 255 the coarsest), every
// component sampled 1 x 1, optimised entropy tables, no smoothing, the
// floating-point transform; and decodes it back in place. Bands of rows run
// on every core: with full-size colour planes and no smoothing every 8 x 8
// block is coded on its own, so bands starting on block rows give one
// encode's bytes. The picture is changed only when every band succeeded;
// otherwise EJpegWriteError, EJpegError or std::bad_alloc. 24-bit only.
void AddArtifact(Bitmap& picture, int quality);

} // namespace zv
