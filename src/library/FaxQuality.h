#pragma once
// Fax pages in grey for the imaging library: the grey-averaging ImgCopy of a
// 1-bit page, at the sizes of formats/FaxGrey.h.

#include "formats/FaxGrey.h"
#include "library/ImageLibrary.h"

namespace zv {

// A grey copy of a 1-bit page at the quality's scale; 0 when the quality is
// 0, the page is not 1-bit, or the copy fails (the library keeps the error).
ImgHandle FaxGreyCopy(ImageLibrary& library, ImgHandle page, int quality);

} // namespace zv
