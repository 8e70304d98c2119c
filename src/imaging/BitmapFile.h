#pragma once
// Plain BMP files of a Bitmap: the 14-byte file header followed by the
// packed picture. Enough for the sample pictures and for opening them until
// the format layer's readers take over.

#include "imaging/Bitmap.h"

#include <filesystem>

namespace zv {

// Throws EPackedDibError on a file that is not a readable BMP.
Bitmap ReadBitmapFile(const std::filesystem::path& path);
// Writes atomically; throws EFileWriteError when it cannot.
void WriteBitmapFile(const std::filesystem::path& path, const Bitmap& bitmap);

} // namespace zv
