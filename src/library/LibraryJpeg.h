#pragma once
// JPEG pictures for the imaging library through libjpeg: a plain full-size
// decode (colour into Bits24, grey into Bits8 on a grey ramp) and a baseline
// writer. libjpeg's failures come back as ELibraryError; it never prints
// and never ends the program.

#include "formats/ByteReader.h"
#include "formats/DibGraphic.h"
#include "library/LibraryPage.h"

namespace zv {

inline constexpr int kDefaultJpegQuality = 75;

bool IsJpeg(ByteSpan data);

// Throws ELibraryError for damaged data, or for a header claiming a picture
// its data could not fill (every 8 x 8 block costs at least a bit).
LibraryPage DecodeJpeg(ByteSpan data);

// Grey-palette pictures are written as grey JPEGs, all others as colour.
Bytes EncodeJpeg(const Bitmap& picture, int quality, int xDpi, int yDpi);

} // namespace zv
