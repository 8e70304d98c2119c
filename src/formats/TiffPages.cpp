// TIFF pages through the format layer's TiffCodec. libtiff's first error
// becomes part of the text the user sees.

#include "formats/TiffPages.h"

#include "formats/LayerPalettes.h"
#include "formats/Orientation.h"
#include "formats/PictureLimits.h"
#include "formats/TiffCodec.h"
#include "formats/TiffGraphic.h"

#include <algorithm>
#include <string>

namespace zv {

namespace {

[[noreturn]] void Corrupt(const TiffFile& file, const std::string& what) {
    std::string text = "Corrupt image data: " + what;
    if (!file.FirstError().empty()) text += " (" + file.FirstError() + ")";
    throw ETiffPageError(text + ".");
}

void RequireOpen(const TiffFile& file) {
    if (!file.IsOpen()) Corrupt(file, "the TIFF header cannot be read");
}

bool KeepsIndices(const TiffTags& tags) {
    const int bits = tags.bitsPerSample;
    const bool greyOrPalette = tags.photometric == PHOTOMETRIC_MINISWHITE ||
                               tags.photometric == PHOTOMETRIC_MINISBLACK ||
                               tags.photometric == PHOTOMETRIC_PALETTE;
    return tags.samples == 1 && (bits == 1 || bits == 4 || bits == 8) && greyOrPalette &&
           !tags.tiled;
}

PixelFormat IndexedFormat(int bits) {
    return bits == 1 ? PixelFormat::Bits1 : bits == 4 ? PixelFormat::Bits4 : PixelFormat::Bits8;
}

// 1-, 4- and 8-bit grey and palette pages keep their indices. Min-is-white
// rows are inverted so that the page shows on a plain black-to-white ramp.
Bitmap ReadIndexed(const TiffFile& file, const TiffTags& tags) {
    const int bits = tags.bitsPerSample;
    if (TIFFScanlineSize64(file.get()) != (std::uint64_t{tags.width} * bits + 7) / 8)
        Corrupt(file, "the row size does not match the page width");
    Bitmap picture;
    picture.Create(static_cast<std::int32_t>(tags.width), static_cast<std::int32_t>(tags.height),
                   IndexedFormat(bits));
    const Palette ramp = GreyRamp(bits, false);
    picture.SetPalette(tags.photometric == PHOTOMETRIC_PALETTE
                           ? TiffColourMap(file.get(), bits, bits, ramp)
                           : ramp);
    try {
        ReadTiffScanlines(file, tags, tags.photometric == PHOTOMETRIC_MINISWHITE,
                          [&picture](std::int32_t y) { return picture.ScanLine(y); });
    } catch (const ETiffError&) {
        Corrupt(file, "a row cannot be decoded");
    }
    return picture;
}

// Everything else through libtiff's RGBA reader, in stored order.
Bitmap ReadRgba(const TiffFile& file, const TiffTags& tags) {
    Bitmap picture;
    picture.Create(static_cast<std::int32_t>(tags.width), static_cast<std::int32_t>(tags.height),
                   PixelFormat::Bits24);
    try {
        ReadTiffRgba(file, tags, [&picture](std::int32_t y) { return picture.ScanLine(y); });
    } catch (const ETiffError&) {
        Corrupt(file, "the pixels cannot be decoded");
    }
    return picture;
}

TiffPage ReadLayerPage(ByteSpan data, int page) {
    TTiffGraphic layer;
    layer.imageToRead = page + 1;
    layer.LoadFromStream(data);
    TiffPage result;
    layer.AssignTo(result.picture);
    result.xDpi = layer.XDpi();
    result.yDpi = layer.YDpi();
    return result;
}

} // namespace

bool IsTiff(ByteSpan data) {
    if (data.size() < 4) return false;
    const bool intel =
        data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0;
    const bool motorola =
        data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43);
    return intel || motorola;
}

int CountTiffPages(ByteSpan data) {
    const TiffFile file(data);
    RequireOpen(file);
    const int count = file.PageCount();
    if (count == 0) Corrupt(file, "the file holds no pages");
    return count;
}

TiffPage ReadTiffPageThroughLibtiff(ByteSpan data, int page) {
    const TiffFile file(data);
    RequireOpen(file);
    if (!file.SelectPage(page))
        Corrupt(file, "page " + std::to_string(page + 1) + " cannot be found");
    const TiffTags tags = ReadTiffTags(file.get());
    const bool indexed = KeepsIndices(tags);
    CheckPictureBytes(tags.width, tags.height, indexed ? tags.bitsPerSample : 24);
    if (!TiffPageFitsData(file, tags)) Corrupt(file, "the page is larger than its data");
    TiffPage result;
    result.picture = indexed ? ReadIndexed(file, tags) : ReadRgba(file, tags);
    OrientUpright(result.picture, tags.orientation);
    const bool swapped = SwapsSides(tags.orientation);
    result.xDpi = swapped ? tags.yDpi : tags.xDpi;
    result.yDpi = swapped ? tags.xDpi : tags.yDpi;
    return result;
}

TiffPage ReadAnyTiffPage(ByteSpan data, int page) {
    try {
        return ReadLayerPage(data, page);
    } catch (const std::exception&) {
        // Kinds the format layer refuses are read through libtiff below.
    }
    return ReadTiffPageThroughLibtiff(data, page);
}

} // namespace zv
