#pragma once
// TIFF pages for the imaging library: every page of every kind libtiff
// decodes. The format layer's reader takes the pages it knows; the rest
// (LZW, odd depths, anything it refuses) come through libtiff here, 1-, 4-
// and 8-bit grey or palette pages as they are and everything else as 24-bit
// colour.

#include "formats/ByteReader.h"
#include "library/LibraryPage.h"

namespace zv {

bool IsTiff(ByteSpan data);

// The number of pages; throws ELibraryError when the file cannot be opened.
int TiffPageCount(ByteSpan data);

// Page `page` (0-based); throws ELibraryError when it cannot be read or
// claims more pixels than its data or the library's limit can hold.
LibraryPage ReadTiffPage(ByteSpan data, int page);

// The libtiff route alone, without trying the format layer first.
LibraryPage ReadTiffPageWithLibtiff(ByteSpan data, int page);

} // namespace zv
