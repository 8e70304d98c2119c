#pragma once
// Plain BMP files of a Bitmap: the 14-byte file header followed by the
// packed picture. Enough for the sample pictures and for opening them until
// the format layer's readers take over.

#include "imaging/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace zv {

// Throws EPackedDibError on a file that is not a readable BMP.
Bitmap ReadBitmapFile(const std::filesystem::path& path);
// Writes atomically; throws EFileWriteError when it cannot.
void WriteBitmapFile(const std::filesystem::path& path, const Bitmap& bitmap);

// The same file held in memory.
std::vector<std::uint8_t> BitmapFileBytes(const Bitmap& bitmap);
Bitmap ParseBitmapFileBytes(const std::uint8_t* bytes, std::size_t size);

} // namespace zv
