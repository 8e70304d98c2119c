#pragma once
// Every page of every kind libtiff decodes. The format layer's TIFF reader
// takes the pages it knows; the rest (LZW, odd depths, tiles, JPEG inside,
// anything it refuses) come through libtiff here, 1-, 4- and 8-bit grey or
// palette pages as they are and everything else as 24-bit colour.

#include "formats/ByteReader.h"
#include "imaging/Bitmap.h"

#include <stdexcept>

namespace zv {

// One page and its resolution (0 when the file gives none).
struct TiffPage {
    Bitmap picture;
    int xDpi = 0;
    int yDpi = 0;
};

// A page libtiff cannot read. The text is the one the user sees:
// "Corrupt image data: REASON (libtiff's first error)."
class ETiffPageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

bool IsTiff(ByteSpan data);

// The number of pages; throws ETiffPageError when the file cannot be opened
// or holds none.
int CountTiffPages(ByteSpan data);

// Page `page` (0-based): the format layer's reader first, libtiff for what
// it refuses. Throws ETiffPageError when libtiff cannot read the page either
// or the page claims more pixels than its data, EPictureSizeError when it
// is larger than kMaxPictureBytes.
TiffPage ReadAnyTiffPage(ByteSpan data, int page);

// The libtiff route alone, without trying the format layer first.
TiffPage ReadTiffPageThroughLibtiff(ByteSpan data, int page);

} // namespace zv
