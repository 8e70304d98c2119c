#pragma once
// The Bitmap as a QImage for painting: rows are shared where Qt has the same
// layout, converted otherwise; pictures with alpha are shown laid over a
// checkerboard. And the way back, for pictures Qt hands over.

#include "imaging/Bitmap.h"

#include <QImage>

namespace zv {

// The image shares the Bitmap's rows when it can: it is valid only while the
// Bitmap is unchanged, so paint with it and let it go. A picture with alpha
// comes as an opaque copy over 8-pixel squares of white and light grey (204),
// anchored at the picture's top left; the Bitmap's bytes stay as they are.
// The last such copy is kept for the next paint while the picture's bytes
// stay the same.
QImage ImageOfBitmap(const Bitmap& bitmap);

// A copy of any QImage as a 24-bit Bitmap; false for a null image.
bool BitmapOfImage(const QImage& image, Bitmap& bitmap);

} // namespace zv
