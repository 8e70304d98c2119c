#pragma once
// One thumbnail picture: a bitmap of exactly the thumbnail box, filled with
// the thumbnail colour, with the picture fitted into the box less a one-pixel
// margin on each side and centred. Also the fitting rule, the pixel budget a
// picture's header must keep to before it is decoded, and saving.

#include "catalog/ThumbCache.h"
#include "imaging/Bitmap.h"

#include <cstdint>
#include <filesystem>

namespace zv {

struct FittedSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const FittedSize&, const FittedSize&) = default;
};

// The size of a W x H picture fitted into a BW x BH box keeping its
// proportions: a landscape picture (H < W) takes the box width, any other the box
// height, the other side being scaled and rounded to the nearest pixel
// (halves up); a side still too large for the box is cut to it and the other
// scaled alike. Small pictures are enlarged to fill the box. Every side is at
// least 1, so a thin picture keeps a visible line; an empty or negative
// picture or box gives 0 x 0 (nothing to draw).
FittedSize FitThumbSize(std::int64_t W, std::int64_t H, int BW, int BH);

// The blue, green and red of a thumbnail colour value 0x00BBGGRR. A system
// colour (top bit set, such as 0x80000005, the window colour, which is the
// default) stands for the desktop's colour at the time; thumbnails are files
// that outlive a theme change, so every system colour is drawn as a fixed
// window colour, white.
PaletteEntry ThumbBackground(std::uint32_t thumbColour);

// A 24-bit thumbnail of the box size. The picture (any pixel format) is
// scaled into its fitted size in the inner box (box - 2 on each axis) with an
// area average on each axis it is reduced along and a linear blend on each
// axis it is enlarged along, and placed at left = (ThumbWidth - w) div 2,
// top = (ThumbHeight - h) div 2. An empty picture gives the blank thumbnail.
Bitmap MakeThumbnail(const Bitmap& picture, ThumbBox box, std::uint32_t thumbColour);

// The largest picture, in pixels, that is decoded at full size for a
// thumbnail: 128 Mpixel (384 MiB at 24 bits a pixel) takes the largest
// camera pictures (about 100 Mpixel) and big scans, while a header claiming
// something like 60000 x 60000 (3.6 Gpixel, over 10 GiB) gets the generic
// too-large thumbnail instead of an allocation that would exhaust memory.
inline constexpr std::int64_t kThumbPixelBudget = std::int64_t{128} << 20;
// Whether a picture of this header size may be decoded for a thumbnail:
// both sides positive and width x height within the budget.
bool WithinThumbBudget(std::int64_t width, std::int64_t height);

// Writes the thumbnail as a BMP file through a temporary file in the same
// folder that is renamed over the path once complete, so a crash never
// leaves a partly written thumbnail that would count as present. Throws
// EFileWriteError when it cannot be written.
void SaveThumbnail(const std::filesystem::path& path, const Bitmap& thumbnail);

// The thumbnail at the display's depth: unchanged for true colour; for a
// display of 8 bits or fewer, mapped onto the display palette, with
// Floyd-Steinberg error diffusion when dither is on.
Bitmap ThumbAtDisplayDepth(const Bitmap& thumbnail, int screenBits, bool dither);

} // namespace zv
