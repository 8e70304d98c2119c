#pragma once
// Black-and-white fax pages shown in shades of grey: the page is scaled down
// with the grey-averaging copy, by half ("4 shades"), by a third
// ("16 shades") or by a quarter ("64 shades").

#include "imaging/Bitmap.h"

#include <array>

namespace zv {

// Fax quality 0..3: "b/w", "4 shades", "16 shades", "64 shades".
struct FaxCopy {
    std::array<int, 4> source; // left, top, right, bottom
    int width = 0;
    int height = 0;
};

// The source rectangle (the page less its last row and column, rounded down
// to whole bytes) and the grey copy's size for a page of width x height.
FaxCopy FaxCopyFor(int width, int height, int quality);

// The 8-bit grey copy of a 1-bit page at the quality's scale; an empty
// Bitmap when the quality is 0, the page is not 1-bit or too small to
// scale. Throws EPictureSizeError when the copy would be too large to hold.
Bitmap FaxGreyPicture(const Bitmap& page, int quality);

} // namespace zv
