#pragma once
// Writing a library picture to a file of a given type, always atomically: a
// failed write leaves any existing file as it was.

#include "library/ImageLibrary.h"

#include <string>

namespace zv {

// type: "bmp" (or "dib"), "pcx", "tga", "png", "tif" (or "tiff"), "jpg" (or
// "jpeg"), in any case. The selected page is written; JPEG at quality 75,
// baseline. Throws ELibraryError.
void WritePicture(const std::string& path, const std::string& type, const LibraryImage& image);

} // namespace zv
