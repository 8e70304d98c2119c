#pragma once
// Scaled copies of a picture (the imaging library's ImgCopy, the fax grey
// copies of a decode, the toolbox's enlargements): nearest pixel, black- or
// white-keeping copies of 1-bit pictures, and area averaging (smooth copies
// and the grey averaging that turns fax pages into greys).

#include "imaging/Bitmap.h"

#include <cstdint>

namespace zv {

// Copy modes, as ImgCopy takes them.
inline constexpr int kCopyPlain = 0; // nearest pixel
inline constexpr int kCopyPreserveBlack =
    1; // 1-bit: a target pixel is black when any source pixel is
inline constexpr int kCopyPreserveWhite = 2; // 1-bit: white when any source pixel is
inline constexpr int kCopySmooth = 4;       // area average (true colour result for colour pictures)
inline constexpr int kCopyGreyAverage = 32; // 1-bit source: 8-bit grey of the covered area

// The part of the source that is scaled; right and bottom exclusive.
struct SourceRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
};

// A width x height copy of rect (inside the source, not empty) by a copy
// mode. The source is Bits1, Bits4, Bits8 or Bits24.
//  - kCopyPlain: each target pixel takes the source pixel at its centre;
//    same format and palette.
//  - kCopyPreserveBlack / kCopyPreserveWhite on Bits1: a target pixel is
//    black (white) when any source pixel it covers is; other formats copy
//    plainly.
//  - kCopySmooth: each target pixel is the area-weighted mean of the source
//    it covers. Grey-palette pictures give Bits8 on a 256-grey ramp, all
//    others Bits24.
//  - kCopyGreyAverage: as smooth, and Bits1 pictures always give greys (the
//    brightness of their two colours).
// Means are rounded to the nearest level, halves up: a 2 x 2 block of three
// white pixels and one black gives 765 / 4 = 191.25, so 191.
Bitmap ScalePicture(const Bitmap& source, std::int32_t width, std::int32_t height,
                    const SourceRect& rect, int mode);

} // namespace zv
