#pragma once
// One page as a reader of the imaging library gives it: the picture and its
// resolution (0 when the file gives none).

#include "imaging/Bitmap.h"

namespace zv {

struct LibraryPage {
    Bitmap picture;
    int xDpi = 0;
    int yDpi = 0;
};

} // namespace zv
