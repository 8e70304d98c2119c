#pragma once
// The eight orientations TIFF and EXIF record (1 upright, 2 mirrored, 3 turned
// half round, 4 upside down mirrored, 5 to 8 with rows and columns swapped),
// the transform that stands a stored picture upright, and the EXIF
// orientation tag of a JPEG file: read, and reset to 1 in the segments a save
// keeps.

#include "formats/ByteReader.h"
#include "formats/JpegCodec.h"
#include "imaging/Bitmap.h"

#include <vector>

namespace zv {

inline constexpr int kUpright = 1;

// Orientations 5 to 8 swap width and height.
bool SwapsSides(int orientation);

// The stored picture turned upright: any pixel format, the palette kept.
// Orientation 1 and values outside 1..8 leave it as it is.
void OrientUpright(Bitmap& picture, int orientation);

// The orientation tag of the first EXIF segment (APP1 "Exif") of a JPEG
// file's bytes; 1 when there is none or it cannot be read.
int JpegExifOrientation(ByteSpan jpeg);
// The same from segments already collected.
int ExifOrientationOf(const std::vector<JpegMarker>& markers);

// Sets every EXIF orientation tag among the segments to 1, for a picture
// saved upright; the segments keep their sizes. True when one changed.
bool ResetExifOrientation(std::vector<JpegMarker>& markers);

} // namespace zv
