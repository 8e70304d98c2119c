// TIFF files through libtiff, read from and written to byte buffers.
//
// libtiff sees the file through client procedures over memory; its error and
// warning texts go to per-handle handlers that record the first of them
// instead of printing. Plain strips (1, 4, 8 bits, 8-bit RGB) are decoded
// strip by strip into the rows, fax pages scanline by scanline, and
// everything else (JPEG, tiles, planes, YCbCr, CMYK, 16 bits) through
// libtiff's RGBA reader.

#include "formats/TiffGraphic.h"

#include "platform/ProgramTitle.h"

#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace zv {
namespace {

constexpr tmsize_t kMaxLibraryAllocation = tmsize_t{256} << 20;
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{4} << 30;
constexpr const char* kSoftware = kProgramTitle;
constexpr std::uint16_t kDeflateTag = 32946; // the old deflate tag, "ZLib"

struct CompressionInfo {
    const char* name;
    std::uint16_t tag;
    std::uint32_t t4Options;
    std::uint32_t rowsPerStrip;
};

// Indexed by TiffCompression.
constexpr std::array<CompressionInfo, 8> kCompressions{{
    {"None", COMPRESSION_NONE, 0, 16},
    {"Packbits", COMPRESSION_PACKBITS, 0, 16},
    {"Fax Group 3, 1D", COMPRESSION_CCITTFAX3, 0, 256},
    {"Fax Group 3, 2D", COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, 256},
    {"Fax Group 4", COMPRESSION_CCITTFAX4, 0, 256},
    {"ZLib", kDeflateTag, 0, 16},
    {"JPEG", COMPRESSION_JPEG, 0, 8},
    {"ZLib Adobe", COMPRESSION_ADOBE_DEFLATE, 0, 16},
}};

const CompressionInfo* InfoOf(TiffCompression compression) {
    const auto index = static_cast<std::size_t>(compression);
    return index < kCompressions.size() ? &kCompressions[index] : nullptr;
}

bool IsFaxTag(int tag) {
    return tag == COMPRESSION_CCITTRLE || tag == COMPRESSION_CCITTFAX3 ||
           tag == COMPRESSION_CCITTFAX4 || tag == COMPRESSION_CCITTRLEW;
}

bool IsFaxSetting(TiffCompression compression) {
    return compression == TiffCompression::FaxGroup3_1D ||
           compression == TiffCompression::FaxGroup3_2D ||
           compression == TiffCompression::FaxGroup4;
}

// --- The file in memory -------------------------------------------------

// What libtiff reads or writes: a span when reading, a growing buffer when
// writing or appending. Also collects libtiff's first message.
struct MemoryFile {
    ByteSpan source;
    Bytes* buffer = nullptr;
    std::uint64_t position = 0;
    bool hasError = false;
    char message[256] = {};

    std::uint64_t Size() const { return buffer ? buffer->size() : source.size(); }
    const std::uint8_t* Data() const { return buffer ? buffer->data() : source.data(); }
};

MemoryFile& FileOf(thandle_t handle) {
    return *static_cast<MemoryFile*>(handle);
}

tmsize_t ReadProc(thandle_t handle, void* target, tmsize_t count) {
    MemoryFile& file = FileOf(handle);
    const std::uint64_t size = file.Size();
    if (count <= 0 || file.position >= size) return 0;
    const std::uint64_t n =
        std::min<std::uint64_t>(static_cast<std::uint64_t>(count), size - file.position);
    std::memcpy(target, file.Data() + file.position, n);
    file.position += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t handle, void* source, tmsize_t count) {
    MemoryFile& file = FileOf(handle);
    if (!file.buffer || count < 0) return 0;
    const std::uint64_t end = file.position + static_cast<std::uint64_t>(count);
    if (end > kMaxFileBytes) return 0;
    try {
        if (end > file.buffer->size()) file.buffer->resize(end);
    } catch (...) {
        return 0;
    }
    if (count > 0)
        std::memcpy(file.buffer->data() + file.position, source, static_cast<std::size_t>(count));
    file.position = end;
    return count;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    MemoryFile& file = FileOf(handle);
    // Relative offsets arrive as unsigned values; a backward seek wraps round.
    const auto delta = static_cast<std::int64_t>(offset);
    std::int64_t target = 0;
    switch (whence) {
    case SEEK_SET: target = delta; break;
    case SEEK_CUR: target = static_cast<std::int64_t>(file.position) + delta; break;
    case SEEK_END: target = static_cast<std::int64_t>(file.Size()) + delta; break;
    default: return static_cast<toff_t>(-1);
    }
    if (target < 0 || static_cast<std::uint64_t>(target) > kMaxFileBytes)
        return static_cast<toff_t>(-1);
    file.position = static_cast<std::uint64_t>(target);
    return file.position;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    return FileOf(handle).Size();
}

// A file being read is handed to libtiff whole, so strips are decoded
// straight from the data; libtiff never writes through a mapping.
int MapProc(thandle_t handle, void** base, toff_t* size) {
    MemoryFile& file = FileOf(handle);
    if (file.buffer) return 0;
    *base = const_cast<std::uint8_t*>(file.source.data());
    *size = file.source.size();
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

void Record(MemoryFile& file, const char* module, const char* format, va_list args) {
    char text[200];
    std::vsnprintf(text, sizeof text, format, args);
    std::snprintf(file.message, sizeof file.message, "%s: %s", module ? module : "libtiff", text);
}

int OnError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    MemoryFile& file = *static_cast<MemoryFile*>(user);
    if (!file.hasError) Record(file, module, format, args);
    file.hasError = true;
    return 1;
}

int OnWarning(TIFF*, void* user, const char* module, const char* format, va_list args) {
    MemoryFile& file = *static_cast<MemoryFile*>(user);
    if (file.message[0] == '\0') Record(file, module, format, args);
    return 1;
}

class TiffHandle {
public:
    TiffHandle(MemoryFile& file, const char* mode) {
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (!options) throw ETiffError("TIFFOpen");
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibraryAllocation);
        TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, &file);
        TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, &file);
        tif_ = TIFFClientOpenExt("memory", mode, &file, ReadProc, WriteProc, SeekProc, CloseProc,
                                 SizeProc, MapProc, UnmapProc, options);
        TIFFOpenOptionsFree(options);
        if (!tif_) throw ETiffError("TIFFOpen");
    }
    ~TiffHandle() { TIFFClose(tif_); }
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;
    TIFF* get() const { return tif_; }

private:
    TIFF* tif_ = nullptr;
};

// --- Reading ------------------------------------------------------------

struct TiffTags {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t bitsPerSample = 1;
    std::uint16_t samples = 1;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint32_t t4Options = 0;
    bool tiled = false;
    int xDpi = 0;
    int yDpi = 0;
};

// Dots per inch from a resolution tag: centimetres are converted, and a
// unit of "none" (an aspect ratio only) gives no resolution at all.
int DpiOf(float resolution, std::uint16_t unit) {
    double dpi = resolution;
    if (unit == RESUNIT_CENTIMETER)
        dpi *= 2.54;
    else if (unit != RESUNIT_INCH)
        return 0;
    if (!(dpi > 0) || dpi > 1e6) return 0;
    return static_cast<int>(std::lround(dpi));
}

TiffTags ReadTags(TIFF* tif) {
    TiffTags tags;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &tags.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &tags.height);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &tags.photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &tags.compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &tags.bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &tags.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &tags.planar);
    if (tags.compression == COMPRESSION_CCITTFAX3)
        TIFFGetFieldDefaulted(tif, TIFFTAG_GROUP3OPTIONS, &tags.t4Options);
    tags.tiled = TIFFIsTiled(tif) != 0;
    std::uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    float x = 0, y = 0;
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x)) tags.xDpi = DpiOf(x, unit);
    if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y)) tags.yDpi = DpiOf(y, unit);
    return tags;
}

TiffCompression SettingForTag(const TiffTags& tags) {
    switch (tags.compression) {
    case COMPRESSION_NONE: return TiffCompression::None;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW: return TiffCompression::FaxGroup3_1D;
    case COMPRESSION_CCITTFAX3:
        return (tags.t4Options & GROUP3OPT_2DENCODING) ? TiffCompression::FaxGroup3_2D
                                                       : TiffCompression::FaxGroup3_1D;
    case COMPRESSION_CCITTFAX4: return TiffCompression::FaxGroup4;
    case COMPRESSION_JPEG: return TiffCompression::JPEG;
    case COMPRESSION_ADOBE_DEFLATE:
    case kDeflateTag: return TiffCompression::ZLib;
    case COMPRESSION_PACKBITS: return TiffCompression::Packbits;
    default:
        throw EInvalidGraphic("Unsupported compression tag, " + std::to_string(tags.compression));
    }
}

enum class Route { Strips, Fax, Rgba };

struct Layout {
    Route route = Route::Strips;
    ImageFormat format = ImageFormat::Color24;
    bool minIsWhite = false; // raw rows hold 0 for white and are inverted
    bool indexed = false;    // the palette comes from the colour map
};

[[noreturn]] void UnsupportedBits(int bits) {
    throw ETiffError("Unsupported bit count: " + std::to_string(bits));
}

// How the directory is decoded and what image it becomes.
Layout LayoutOf(const TiffTags& tags) {
    const int bits = static_cast<int>(
        std::min<std::int64_t>(std::int64_t{tags.bitsPerSample} * tags.samples, 24));
    if (IsFaxTag(tags.compression)) {
        // Fax decoders give 1 for black whatever the photometric tag says.
        if (bits != 1) UnsupportedBits(bits);
        return {Route::Fax, ImageFormat::BW, true, false};
    }
    const bool knownPhotometric = tags.photometric <= PHOTOMETRIC_PALETTE;
    if (tags.compression == COMPRESSION_JPEG || tags.tiled || tags.planar != PLANARCONFIG_CONTIG ||
        tags.bitsPerSample > 8 || !knownPhotometric)
        return {Route::Rgba, ImageFormat::Color24, false, false};
    if (tags.photometric == PHOTOMETRIC_RGB) {
        if (tags.bitsPerSample != 8 || tags.samples < 3) UnsupportedBits(bits);
        return {Route::Strips, ImageFormat::Color24, false, false};
    }
    if (tags.samples != 1 || (bits != 1 && bits != 4 && bits != 8)) UnsupportedBits(bits);
    if (tags.photometric == PHOTOMETRIC_PALETTE) {
        const ImageFormat format = bits == 1   ? ImageFormat::BW
                                   : bits == 4 ? ImageFormat::Color4
                                               : ImageFormat::Color8;
        return {Route::Strips, format, false, true};
    }
    const ImageFormat format = bits == 1   ? ImageFormat::BW
                               : bits == 4 ? ImageFormat::Gray4
                                           : ImageFormat::Gray8;
    return {Route::Strips, format, tags.photometric == PHOTOMETRIC_MINISWHITE, false};
}

// The most bytes one byte of data can decode to, per compression tag.
std::int64_t ExpansionOf(std::uint16_t compression) {
    switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64;
    case COMPRESSION_JPEG: return 4096;
    default: return 1032; // deflate
    }
}

// Refuses, before anything is allocated, a picture over the cap or larger
// than the file's data could decode to.
void CheckSize(TIFF* tif, const TiffTags& tags, const Layout& layout, std::size_t dataSize) {
    if (tags.width == 0 || tags.height == 0 || tags.width > 0x7fffffff || tags.height > 0x7fffffff)
        throw ETiffError("Invalid image size");
    const std::int64_t height = tags.height;
    const std::int64_t stride = RowStride(tags.width, BitsOf(layout.format));
    const std::int64_t raster = layout.route == Route::Rgba ? std::int64_t{4} * tags.width : 0;
    const auto data = static_cast<std::int64_t>(dataSize);
    bool fits = stride <= kMaxLayerImageBytes / height && raster <= kMaxLayerImageBytes / height;
    if (layout.route == Route::Fax) {
        // A fax row costs at least one bit, however wide it is.
        fits = fits && height <= 8 * data;
    } else {
        const std::int64_t row = static_cast<std::int64_t>(TIFFRasterScanlineSize64(tif));
        fits = fits && row > 0 && row <= ExpansionOf(tags.compression) * data / height;
    }
    if (!fits) throw ETiffError("Image too large for its data");
}

// The colour map as a palette of 2^bits entries; a short map is padded with
// black. Maps written with 8-bit values (none of them 256 or more) are taken
// as they are, 16-bit ones are divided by 257.
Palette ColourMapPalette(TIFF* tif, const TiffTags& tags, ImageFormat format) {
    std::uint16_t* red = nullptr;
    std::uint16_t* green = nullptr;
    std::uint16_t* blue = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
        return DefaultPaletteOf(format);
    const std::size_t count = std::size_t{1} << BitsOf(format);
    const std::size_t mapSize = std::min(count, std::size_t{1} << tags.bitsPerSample);
    bool sixteenBits = false;
    for (std::size_t i = 0; i < mapSize; ++i)
        sixteenBits = sixteenBits || red[i] > 255 || green[i] > 255 || blue[i] > 255;
    const auto eight = [sixteenBits](std::uint16_t v) {
        return static_cast<std::uint8_t>(sixteenBits ? v / 257 : v);
    };
    Palette palette(count);
    for (std::size_t i = 0; i < mapSize; ++i)
        palette[i] = PaletteEntry{eight(blue[i]), eight(green[i]), eight(red[i]), 0};
    return palette;
}

void Invert(std::uint8_t* row, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) row[i] = static_cast<std::uint8_t>(~row[i]);
}

void CopyRgbRow(const std::uint8_t* source, std::uint8_t* target, std::uint32_t width,
                int samples) {
    for (std::uint32_t x = 0; x < width; ++x, source += samples, target += 3) {
        target[0] = source[2];
        target[1] = source[1];
        target[2] = source[0];
    }
}

void ReadStrips(TIFF* tif, const TiffTags& tags, const Layout& layout, TDibGraphic& image) {
    const bool rgb = layout.format == ImageFormat::Color24;
    const std::int64_t rowBytes = rgb ? std::int64_t{tags.width} * tags.samples
                                      : (std::int64_t{tags.width} * tags.bitsPerSample + 7) / 8;
    const tmsize_t scanline = TIFFScanlineSize(tif);
    if (scanline != rowBytes || (!rgb && rowBytes > image.Stride()))
        throw ETiffError("TIFFReadEncodedStrip");
    std::uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, tags.height);
    std::vector<std::uint8_t> strip(static_cast<std::size_t>(rowsPerStrip) * scanline);
    for (std::uint32_t y = 0; y < tags.height; y += rowsPerStrip) {
        const std::uint32_t rows = std::min(rowsPerStrip, tags.height - y);
        const tmsize_t wanted = static_cast<tmsize_t>(rows) * scanline;
        if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y, 0), strip.data(), wanted) != wanted)
            throw ETiffError("TIFFReadEncodedStrip");
        for (std::uint32_t r = 0; r < rows; ++r) {
            const std::uint8_t* source = strip.data() + r * scanline;
            std::uint8_t* target = image.ScanLine(static_cast<std::int32_t>(y + r));
            if (rgb) {
                CopyRgbRow(source, target, tags.width, tags.samples);
                continue;
            }
            std::memcpy(target, source, static_cast<std::size_t>(scanline));
            if (layout.minIsWhite) Invert(target, static_cast<std::size_t>(scanline));
        }
    }
}

void ReadFaxRows(TIFF* tif, const TiffTags& tags, TDibGraphic& image) {
    const tmsize_t scanline = TIFFScanlineSize(tif);
    if (scanline != (std::int64_t{tags.width} + 7) / 8) throw ETiffError("TIFFReadScanLine");
    for (std::uint32_t y = 0; y < tags.height; ++y) {
        std::uint8_t* row = image.ScanLine(static_cast<std::int32_t>(y));
        if (TIFFReadScanline(tif, row, y, 0) < 0) throw ETiffError("TIFFReadScanLine");
        Invert(row, static_cast<std::size_t>(scanline));
    }
}

// libtiff's RGBA reader already turns min-is-white, YCbCr, CMYK and Lab into
// RGB, so its rows are only reordered into blue, green, red.
void ReadRgba(TIFF* tif, const TiffTags& tags, TDibGraphic& image) {
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(tags.width) * tags.height);
    if (!TIFFReadRGBAImageOriented(tif, tags.width, tags.height, raster.data(), ORIENTATION_TOPLEFT,
                                   1))
        throw ETiffError("TIFFReadRGBAImageOriented");
    for (std::uint32_t y = 0; y < tags.height; ++y) {
        const std::uint32_t* source = raster.data() + static_cast<std::size_t>(y) * tags.width;
        std::uint8_t* target = image.ScanLine(static_cast<std::int32_t>(y));
        for (std::uint32_t x = 0; x < tags.width; ++x, target += 3) {
            target[0] = static_cast<std::uint8_t>(TIFFGetB(source[x]));
            target[1] = static_cast<std::uint8_t>(TIFFGetG(source[x]));
            target[2] = static_cast<std::uint8_t>(TIFFGetR(source[x]));
        }
    }
}

void SelectDirectory(TIFF* tif, int imageNumber) {
    if (imageNumber <= 1) return;
    if (!TIFFSetDirectory(tif, static_cast<tdir_t>(imageNumber - 1)))
        throw ETiffError("TIFFSetDirectory");
}

// --- Writing ------------------------------------------------------------

struct WritePlan {
    std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    std::uint16_t bitsPerSample = 8;
    std::uint16_t samples = 1;
    bool invert = false;
    bool rgb = false;
    bool colourMap = false;
};

// Whether the palette is the plain black-to-white ramp that min-is-black
// grey stands for.
bool ShowsPlainGreys(const TDibGraphic& image) {
    const Palette& palette = image.Colours();
    const Palette& ramp = DefaultPaletteOf(image.Format());
    if (palette.size() > ramp.size()) return false;
    for (std::size_t i = 0; i < palette.size(); ++i)
        if (palette[i].red != ramp[i].red || palette[i].green != ramp[i].green ||
            palette[i].blue != ramp[i].blue)
            return false;
    return true;
}

int Brightness(const PaletteEntry& entry) {
    return 299 * entry.red + 587 * entry.green + 114 * entry.blue;
}

WritePlan PlanFor(const TDibGraphic& image, TiffCompression compression) {
    const auto bits = static_cast<std::uint16_t>(image.Bits());
    switch (image.Format()) {
    case ImageFormat::Color24: return {PHOTOMETRIC_RGB, 8, 3, false, true, false};
    case ImageFormat::Color4:
    case ImageFormat::Color8: return {PHOTOMETRIC_PALETTE, bits, 1, false, false, true};
    case ImageFormat::BW:
        if (IsFaxSetting(compression)) {
            // Fax pages are min-is-white: 1 marks the darker of the two entries.
            const Palette& palette =
                image.Colours().size() >= 2 ? image.Colours() : DefaultPaletteOf(ImageFormat::BW);
            const bool darkFirst = Brightness(palette[0]) <= Brightness(palette[1]);
            return {PHOTOMETRIC_MINISWHITE, 1, 1, darkFirst, false, false};
        }
        break;
    default: break;
    }
    // "B/W" and grey: min-is-black when the palette is the plain ramp, else a
    // palette image so that the file shows what the image shows.
    if (ShowsPlainGreys(image)) return {PHOTOMETRIC_MINISBLACK, bits, 1, false, false, false};
    return {PHOTOMETRIC_PALETTE, bits, 1, false, false, true};
}

void CheckWritable(TiffCompression compression, ImageFormat format) {
    bool allowed = false;
    switch (compression) {
    case TiffCompression::None:
    case TiffCompression::Packbits:
    case TiffCompression::ZLib:
    case TiffCompression::ZLibAdobe: allowed = true; break;
    case TiffCompression::FaxGroup3_1D:
    case TiffCompression::FaxGroup3_2D:
    case TiffCompression::FaxGroup4: allowed = format == ImageFormat::BW; break;
    default: break;
    }
    if (!allowed)
        throw EInvalidGraphic(std::string(TiffCompressionName(compression)) +
                              " compression not supported with " + ImageFormatName(format) +
                              " images");
}

std::string DateTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local);
    return text;
}

void WriteColourMap(TIFF* tif, const TDibGraphic& image) {
    const std::size_t count = std::size_t{1} << image.Bits();
    std::vector<std::uint16_t> red(count), green(count), blue(count);
    const Palette& palette = image.Colours();
    for (std::size_t i = 0; i < std::min(count, palette.size()); ++i) {
        red[i] = static_cast<std::uint16_t>(palette[i].red * 257);
        green[i] = static_cast<std::uint16_t>(palette[i].green * 257);
        blue[i] = static_cast<std::uint16_t>(palette[i].blue * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
}

void WriteTags(TIFF* tif, const TDibGraphic& image, const CompressionInfo& compression,
               const WritePlan& plan) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.Width()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.Height()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, plan.bitsPerSample);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, plan.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, plan.photometric);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression.tag);
    if (compression.tag == COMPRESSION_CCITTFAX3)
        TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, compression.t4Options);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, compression.rowsPerStrip);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_SOFTWARE, kSoftware);
    TIFFSetField(tif, TIFFTAG_DATETIME, DateTimeNow().c_str());
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    if (image.XDpi() > 0 && image.YDpi() > 0) {
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<double>(image.XDpi()));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<double>(image.YDpi()));
    }
    if (plan.colourMap) WriteColourMap(tif, image);
}

void WriteRows(TIFF* tif, const TDibGraphic& image, const WritePlan& plan) {
    const tmsize_t scanline = TIFFScanlineSize(tif);
    const std::int64_t rowBytes = plan.rgb ? std::int64_t{3} * image.Width()
                                           : (std::int64_t{image.Width()} * image.Bits() + 7) / 8;
    if (scanline != rowBytes || rowBytes > image.Stride()) throw ETiffError("TIFFWriteScanLine");
    // libtiff may change the buffer it is given, so each row goes through a copy.
    std::vector<std::uint8_t> row(static_cast<std::size_t>(scanline));
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        const std::uint8_t* source = image.ScanLine(y);
        if (plan.rgb) {
            CopyRgbRow(source, row.data(), static_cast<std::uint32_t>(image.Width()), 3);
        } else {
            std::memcpy(row.data(), source, row.size());
            if (plan.invert) Invert(row.data(), row.size());
        }
        if (TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) < 0)
            throw ETiffError("TIFFWriteScanLine");
    }
}

} // namespace

const char* TiffCompressionName(TiffCompression compression) {
    const CompressionInfo* info = InfoOf(compression);
    return info ? info->name : "Unknown";
}

std::optional<TiffCompression> TiffCompressionFromName(std::string_view name) {
    for (std::size_t i = 0; i < kCompressions.size(); ++i)
        if (name == kCompressions[i].name) return static_cast<TiffCompression>(i);
    return std::nullopt;
}

const char* TiffCompressionTagName(int tag) {
    switch (tag) {
    case COMPRESSION_NONE: return "None";
    case COMPRESSION_CCITTRLE: return "CCITT Huffman RLE";
    case COMPRESSION_CCITTFAX3: return "Fax Group 3";
    case COMPRESSION_CCITTFAX4: return "Fax Group 4";
    case COMPRESSION_LZW: return "LZW (unsupported)";
    case COMPRESSION_JPEG: return "JPEG";
    case COMPRESSION_ADOBE_DEFLATE: return "ZLib Adobe";
    case COMPRESSION_CCITTRLEW: return "CCITT Aligned RLE ";
    case COMPRESSION_PACKBITS: return "Packbits";
    case kDeflateTag: return "Deflate";
    default: return "Unknown";
    }
}

std::unique_ptr<TDibGraphic> TTiffGraphic::NewOfSameClass() const {
    return std::make_unique<TTiffGraphic>();
}

TiffCompression TTiffGraphic::Compression() const {
    if (compression_) return *compression_;
    return Format() == ImageFormat::BW ? TiffCompression::FaxGroup4 : TiffCompression::Packbits;
}

void TTiffGraphic::ReadInfo(const std::filesystem::path& path, int imageNumber) {
    infoWidth = infoHeight = infoBits = 0;
    Bytes data;
    try {
        data = ReadWholeFile(path);
        MemoryFile probe;
        probe.source = data;
        TiffHandle opened(probe, "r");
    } catch (const EInvalidGraphic&) {
        return;
    } catch (const ETiffError&) {
        return;
    }
    ReadImage(data, imageNumber);
}

int TTiffGraphic::ImageCount(ByteSpan data) const {
    MemoryFile file;
    file.source = data;
    TiffHandle tiff(file, "r");
    return static_cast<int>(std::min<tdir_t>(TIFFNumberOfDirectories(tiff.get()), 0x7fffffff));
}

void TTiffGraphic::ReadImage(ByteSpan data, int imageNumber) {
    MemoryFile file;
    file.source = data;
    try {
        TiffHandle tiff(file, "r");
        TIFF* tif = tiff.get();
        SelectDirectory(tif, imageNumber);
        const TiffTags tags = ReadTags(tif);
        fileCompressionTag_ = tags.compression;
        const TiffCompression setting = SettingForTag(tags);
        const Layout layout = LayoutOf(tags);
        CheckSize(tif, tags, layout, data.size());
        infoWidth = static_cast<std::int32_t>(tags.width);
        infoHeight = static_cast<std::int32_t>(tags.height);
        infoBits = BitsOf(layout.format);
        compression_ = setting;

        const Palette palette =
            layout.indexed ? ColourMapPalette(tif, tags, layout.format) : Palette{};
        NewImage(infoWidth, infoHeight, layout.format, layout.indexed ? &palette : nullptr);
        SetXDpi(tags.xDpi);
        SetYDpi(tags.yDpi);
        switch (layout.route) {
        case Route::Strips: ReadStrips(tif, tags, layout, *this); break;
        case Route::Fax: ReadFaxRows(tif, tags, *this); break;
        case Route::Rgba: ReadRgba(tif, tags, *this); break;
        }
    } catch (...) {
        libraryMessage_ = file.message;
        throw;
    }
    libraryMessage_ = file.message;
}

void TTiffGraphic::WriteImage(Bytes& buffer, const char* mode) const {
    const TiffCompression compression = Compression();
    CheckWritable(compression, Format());
    if (Empty()) throw ETiffError("TIFFWriteScanLine");
    const WritePlan plan = PlanFor(*this, compression);
    MemoryFile file;
    file.buffer = &buffer;
    try {
        TiffHandle tiff(file, mode);
        WriteTags(tiff.get(), *this, *InfoOf(compression), plan);
        WriteRows(tiff.get(), *this, plan);
        if (!TIFFWriteDirectory(tiff.get())) throw ETiffError("TIFFWriteDirectory");
    } catch (...) {
        libraryMessage_ = file.message;
        throw;
    }
    libraryMessage_ = file.message;
}

void TTiffGraphic::SaveToStream(Bytes& out) const {
    Bytes file;
    WriteImage(file, "w");
    out.insert(out.end(), file.begin(), file.end());
}

void TTiffGraphic::AddImage(Bytes& stream) const {
    // Work on a copy so that a failed append leaves the stream as it was.
    Bytes file = stream;
    WriteImage(file, stream.empty() ? "w" : "a");
    stream.swap(file);
}

} // namespace zv
