#pragma once
// The one way a picture file becomes a Bitmap: the format table picks the
// reader, the reader decodes one page, and the result carries the picture
// with its depth, resolution, page count and facts. Nothing is shown and
// nothing global is touched, so any number of threads may decode at once;
// the policy around a decode (routes, status texts, undo) is the caller's.
//
// Beyond the format table's rows, TIFF pages the layer's reader refuses (LZW,
// tiles, 16 bits, JPEG inside) are read through libtiff, and black-and-white
// pages of multi-page formats are turned into grey when the options ask.

#include "formats/DecodedPicture.h"
#include "formats/FormatTable.h"

#include <filesystem>

namespace zv {

// Decodes page `page` (1-based) of a file. Throws the reader's error class
// (EGbmError, EPNGError, ETiffError, EJpegError, EInvalidGraphic, EDcxError,
// EPhotoCdError, EFlashPixError, EPictureSizeError ...): EInvalidGraphic "... has N page(s), not
// page P" for a page the file lacks and "Unknown file format: PATH" when no
// reader knows the file.
DecodedPicture DecodeFile(const std::filesystem::path& path, int page = 1,
                          const DecodeOptions& options = {});

// Size, recorded depth and page count without decoding the pixels where the
// format allows (TIFF and icon files are decoded whole). Throws as DecodeFile.
PictureHeader ProbeFile(const std::filesystem::path& path, const DecodeOptions& options = {});

} // namespace zv
