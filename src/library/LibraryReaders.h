#pragma once
// Reading files and memory blocks into the imaging library's pictures. The
// kind of a file is found from its first bytes; only targa files, which have
// no signature, are known by their extension.

#include "formats/ByteReader.h"
#include "formats/DibGraphic.h"
#include "library/ImageLibrary.h"

#include <string>

namespace zv {

enum class FileKind { Bmp, PackedDib, Pcx, Dcx, Tga, Png, Tiff, Jpeg, FlashPix, Unknown };

// extension is lower case with its dot (".tga"), or empty.
FileKind KindOf(ByteSpan data, const std::string& extension);

// The picture on page 0; later pages of DCX and TIFF files are read when
// selected. Throws ELibraryError.
LibraryImage ReadPictureFile(const std::string& path);

// A whole file's bytes; extension (lower case, with its dot) stands in for
// the file name where the content has no signature. name is used in texts.
LibraryImage ReadPictureData(Bytes data, const std::string& extension, const std::string& name);

// A file held in memory: type "TIF", "BMP" or "PCX" (any case; "TIFF" and
// "DIB" too). A "BMP" block without a file header is read as a packed
// picture. Throws ELibraryError.
LibraryImage ReadPictureMemory(ByteSpan data, const std::string& type);

} // namespace zv
