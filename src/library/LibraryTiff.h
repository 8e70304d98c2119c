#pragma once
// TIFF pages for the imaging library: the format layer's any-kind page
// reader (formats/TiffPages.h) with its failures turned into the library's
// error codes.

#include "formats/TiffPages.h"
#include "library/LibraryPage.h"

namespace zv {

// The number of pages; throws ELibraryError when the file cannot be opened.
int TiffPageCount(ByteSpan data);

// Page `page` (0-based); throws ELibraryError when it cannot be read or
// claims more pixels than its data or the library's limit can hold.
LibraryPage ReadTiffPage(ByteSpan data, int page);

// The libtiff route alone, without trying the format layer first.
LibraryPage ReadTiffPageWithLibtiff(ByteSpan data, int page);

} // namespace zv
