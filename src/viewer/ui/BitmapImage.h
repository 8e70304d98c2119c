#pragma once
// The Bitmap as a QImage for painting: rows are shared where Qt has the same
// layout, converted otherwise.

#include "imaging/Bitmap.h"

#include <QImage>

namespace zv {

// The image shares the Bitmap's rows when it can: it is valid only while the
// Bitmap is unchanged, so paint with it and let it go.
QImage ImageOfBitmap(const Bitmap& bitmap);

} // namespace zv
