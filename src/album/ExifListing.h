#pragma once
// The EXIF listing of the JPEG text window: the entries of the first
// directory of an EXIF block and of its Exif sub-directory, one line
// "<name> = <value>" each, in either byte order.

#include "album/JpegMarkers.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zv {

inline constexpr std::uint16_t kExifOffsetTag = 34665;

// Whether APP1 segment data holds an EXIF block: it starts with "Exif".
bool IsExifData(ByteSpan app1Data);

// The lines of an EXIF APP1 segment's data ("Exif", two zero bytes, then the
// TIFF header, to which every offset is relative). Throws EJpegMarkers when
// a directory, a value or a sub-directory lies outside the segment.
std::vector<std::string> ListExif(ByteSpan app1Data);

// The name shown for a tag of the first directory or of the Exif
// sub-directory; a tag without a name is shown as 4 upper-case hex digits.
std::string ExifTagName(std::uint16_t tag, bool exifSubDirectory);

} // namespace zv
