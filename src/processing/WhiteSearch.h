#pragma once
// The white reference of a picture, the colour the white corrections take
// as the picture's white. The search walks the rows from the bottom row to
// the top, each row from right to left, and keeps a pixel when both its hue
// and its saturation are strictly lower than those of the pixel kept so far
// (the first record is hue 3599, saturation 3599, lightness 0). The order
// decides among equally good pixels: the first grey met wins over every
// later one.

#include "imaging/Bitmap.h"
#include "processing/Hls.h"
#include "processing/ToneMaps.h"

namespace zv {

struct WhiteReference {
    Hls hls{3599, 0, 3599}; // the pixel kept, as found
    Rgb colour;             // that pixel back in red, green, blue, each at most 255
    // Red and green as V1 and V2, and the packed colour R + 256 G + 65536 B
    // as V3, the values the search leaves behind.
    EffectValues Values() const {
        return {colour.R, colour.G, colour.R + 256 * colour.G + 65536 * colour.B};
    }
};

// A picture that is empty or not 24-bit gives the first record.
WhiteReference WhiteMax(const Bitmap& picture);

} // namespace zv
