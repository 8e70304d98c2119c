#pragma once
// What a stateless decode of a picture file is asked for and gives back:
// the options, the picture with its depth, resolution and pages, and the
// header-only facts.

#include "imaging/Bitmap.h"

#include <cstdint>
#include <string>

namespace zv {

struct FormatRow;

struct DecodeOptions {
    // Black-and-white pages in grey: 0 b/w, 1 "4 shades" (half size),
    // 2 "16 shades" (a third), 3 "64 shades" (a quarter).
    int faxQuality = 0;
    // JPEG pictures decoded at 1/jpegScale: 1, 2, 4 or 8. With 0 the scale
    // is chosen for the fit box (the cheapest decode still covering twice
    // the box), or 1 without a box.
    int jpegScale = 1;
    int fitWidth = 0;
    int fitHeight = 0;
    // Grey JPEGs as 8-bit grey (as the viewer holds them) or as 24 bits.
    bool greyJpegAs8Bits = true;
    // PNG, TGA and BMP pictures with transparency come as 32 bits with
    // alpha (Bitmap::HasAlpha) instead of flattened (PNG) or without it.
    bool keepAlpha = false;
    // 0x00BBGGRR behind transparent PNG pixels.
    std::uint32_t background = 0;
    // The Photo CD step wanted (0..3, 64 x 96 .. 512 x 768); the file's
    // largest when it holds fewer.
    int photoCdStep = 3;
    // When more than 0: a picture whose decoded width x height would exceed
    // this many pixels is not decoded; the result says tooLarge instead.
    std::int64_t pixelBudget = 0;
    // "Rotate by EXIF orientation": JPEG pictures a camera recorded turned
    // or mirrored stand upright; off, they come as stored.
    bool exifOrientation = true;
};

// Header facts, without pixels.
struct PictureHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bits = 0; // the depth the file records (16, 32 and 48 as they are)
    int pages = 1;
};

struct DecodedPicture {
    Bitmap pixels;
    int bits = 0; // the decoded picture's bits per pixel: 1, 4, 8 or 24 (32 for some PSD)
    int xDpi = 0;
    int yDpi = 0;
    int pages = 1;
    int page = 1;
    // The size before a scaled decode, and the scale (JPEG only).
    std::int32_t fullWidth = 0;
    std::int32_t fullHeight = 0;
    int scale = 1;
    bool tooLarge = false; // the pixel budget was exceeded; pixels is empty
    // Part of the file could not be read (an icon entry that lies about its
    // data): the picture shown is what the rest holds.
    bool damaged = false;
    // Facts for reports: the reader ("TPngGraphic", "TPSDGraphic",
    // "ImageLibrary", "PhotoCd", "TJpegReader") and the kind of picture
    // ("24bpp color", "Photoshop 8-bit", "DCX page 2", "Photo CD step 3").
    std::string className;
    std::string formatName;
    const FormatRow* format = nullptr;
};

} // namespace zv
