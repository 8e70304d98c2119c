#pragma once
// Making thumbnails: one picture file into a thumbnail bitmap. Pictures are decoded by DecodeFile,
// JPEG files scaled down by libjpeg (the cheapest decode that still covers twice the box). Nothing
// here keeps state, so any thread may make thumbnails.

#include "catalog/ThumbCache.h"
#include "imaging/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace zv {

enum class ThumbOutcome { Made, TooLarge, Failed };

struct ThumbResult {
    ThumbOutcome outcome = ThumbOutcome::Failed;
    Bitmap thumbnail;  // the box-sized thumbnail when made
    int jpegScale = 0; // 1, 2, 4 or 8 for a JPEG that was decoded; 0 otherwise
    int fullWidth = 0; // the picture's size from its header, when read
    int fullHeight = 0;
    int bits = 0; // the picture's colour depth, when read
    // A picture its reader could not load (not a JPEG): shown by its icon.
    bool loadFailed = false;
    // The row state the outcome gives: kThumbMade, kThumbTooLarge or kThumbFailed.
    std::int16_t State() const;
};

// The libjpeg scale for a thumbnail: from 1/1 the scale halves, down to 1/8,
// while the scaled picture is still wider or taller than twice the box.
int ThumbJpegScale(std::int64_t width, std::int64_t height, ThumbBox box);

// The thumbnail of one picture file. A file whose extension contains ".JP"
// is decoded by libjpeg at ThumbJpegScale; one whose decoded size would
// exceed the pixel budget is too large. Other pictures the viewer opens
// (extensions in its accepted list, sound and video aside) are decoded at
// full size; a header beyond the budget is too large; the rest are not
// pictures (loadFailed). Anything unreadable fails; nothing throws. JPEG
// pictures stand upright by their EXIF orientation unless exifOrientation is off.
ThumbResult MakeThumbFor(const std::string& path, ThumbBox box, std::uint32_t thumbColour,
                         bool exifOrientation = true);

} // namespace zv
