#pragma once
// Windows metafiles (.WMF, placeable or not, and .EMF) drawn into a true-colour
// picture for the viewer.

#include "imaging/Bitmap.h"

#include <cstdint>
#include <string>

namespace zv {

// Draws the metafile at `path` into `picture` as a 24-bit Bitmap at the
// metafile's own size, on the background colour backColour (0x00BBGGRR), drawn
// at (0, 0). The size is the placeable header's bounding box or the EMF frame
// at 96 pixels an inch (a WMF without a placeable header is the size of what
// it draws, one unit a pixel); a side below 1 becomes 1, and a picture wider
// or taller than 8192 pixels, or larger than 64 million pixels, is drawn
// proportionally smaller. Returns false when the file cannot be read or
// drawn, or is not a whole metafile; `picture` is then left as it was.
bool RenderMetafile(const std::string& path, std::uint32_t backColour, Bitmap& picture);

} // namespace zv
