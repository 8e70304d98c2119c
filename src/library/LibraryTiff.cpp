// TIFF pages through libtiff over a file held in memory. libtiff's messages
// are kept per handle instead of printed, and the first error becomes part
// of the text the user sees.

#include "library/LibraryTiff.h"

#include "formats/LayerPalettes.h"
#include "formats/TiffGraphic.h"
#include "library/LibraryError.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace zv {

namespace {

constexpr tmsize_t kMaxLibtiffAllocation = tmsize_t{256} << 20;
constexpr int kMaxPages = 65535;
// Rows of 32-bit pixels decoded at a time on the colour route.
constexpr std::int64_t kBandBytes = std::int64_t{4} << 20;

struct MemoryFile {
    ByteSpan data;
    std::uint64_t position = 0;
    std::string message;
};

MemoryFile& FileOf(thandle_t handle) {
    return *static_cast<MemoryFile*>(handle);
}

tmsize_t ReadProc(thandle_t handle, void* target, tmsize_t count) {
    MemoryFile& file = FileOf(handle);
    if (count <= 0 || file.position >= file.data.size()) return 0;
    const std::uint64_t n = std::min<std::uint64_t>(static_cast<std::uint64_t>(count),
                                                    file.data.size() - file.position);
    std::memcpy(target, file.data.data() + file.position, n);
    file.position += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    MemoryFile& file = FileOf(handle);
    // Relative offsets arrive as unsigned values; a backward seek wraps round.
    const auto delta = static_cast<std::int64_t>(offset);
    std::int64_t target = 0;
    switch (whence) {
    case SEEK_SET: target = delta; break;
    case SEEK_CUR: target = static_cast<std::int64_t>(file.position) + delta; break;
    case SEEK_END: target = static_cast<std::int64_t>(file.data.size()) + delta; break;
    default: return static_cast<toff_t>(-1);
    }
    if (target < 0) return static_cast<toff_t>(-1);
    file.position = static_cast<std::uint64_t>(target);
    return file.position;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    return FileOf(handle).data.size();
}

int MapProc(thandle_t handle, void** base, toff_t* size) {
    MemoryFile& file = FileOf(handle);
    *base = const_cast<std::uint8_t*>(file.data.data());
    *size = file.data.size();
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    MemoryFile& file = *static_cast<MemoryFile*>(user);
    if (file.message.empty()) {
        char text[256];
        std::vsnprintf(text, sizeof text, format, args);
        file.message = std::string(module ? module : "libtiff") + ": " + text;
    }
    return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

[[noreturn]] void Corrupt(const MemoryFile& file, const std::string& what) {
    std::string text = "Corrupt image data: " + what;
    if (!file.message.empty()) text += " (" + file.message + ")";
    throw ELibraryError(kImgCorrupt, text + ".");
}

class TiffReader {
public:
    explicit TiffReader(ByteSpan data) {
        file_.data = data;
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (!options) throw ELibraryError(kImgNoMemory, "Not enough memory to open a TIFF file.");
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibtiffAllocation);
        TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, &file_);
        TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, &file_);
        tif_ = TIFFClientOpenExt("memory", "r", &file_, ReadProc, WriteProc, SeekProc, CloseProc,
                                 SizeProc, MapProc, UnmapProc, options);
        TIFFOpenOptionsFree(options);
        if (!tif_) Corrupt(file_, "the TIFF header cannot be read");
    }
    ~TiffReader() { TIFFClose(tif_); }
    TiffReader(const TiffReader&) = delete;
    TiffReader& operator=(const TiffReader&) = delete;

    TIFF* get() const { return tif_; }
    const MemoryFile& File() const { return file_; }

private:
    MemoryFile file_;
    TIFF* tif_ = nullptr;
};

struct PageTags {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bitsPerSample = 1;
    std::uint16_t samples = 1;
    std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    bool tiled = false;
    int xDpi = 0;
    int yDpi = 0;
};

int DpiOf(TIFF* tif, ttag_t tag, std::uint16_t unit) {
    float resolution = 0;
    if (!TIFFGetField(tif, tag, &resolution)) return 0;
    double dpi = resolution;
    if (unit == RESUNIT_CENTIMETER)
        dpi *= 2.54;
    else if (unit != RESUNIT_INCH)
        return 0;
    return dpi > 0 && dpi < 1e6 ? static_cast<int>(std::lround(dpi)) : 0;
}

PageTags ReadPageTags(TIFF* tif) {
    PageTags tags;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &tags.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &tags.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &tags.bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &tags.samples);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &tags.photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &tags.compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &tags.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &tags.orientation);
    tags.tiled = TIFFIsTiled(tif) != 0;
    std::uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    tags.xDpi = DpiOf(tif, TIFFTAG_XRESOLUTION, unit);
    tags.yDpi = DpiOf(tif, TIFFTAG_YRESOLUTION, unit);
    return tags;
}

bool IsFax(std::uint16_t compression) {
    return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTRLEW ||
           compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4;
}

// The most bytes of decoded rows one byte of coded data can give.
std::int64_t ExpansionOf(std::uint16_t compression) {
    switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return 1032;
    case COMPRESSION_LZW:
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG: return 4096;
    default: return std::int64_t{1} << 16;
    }
}

// Refuses a page whose coded data could never fill its rows. A fax row
// costs at least one bit however wide it is.
void CheckFitsData(const TiffReader& reader, const PageTags& tags) {
    const auto data = static_cast<std::int64_t>(reader.File().data.size());
    bool fits = true;
    if (IsFax(tags.compression)) {
        fits = tags.height <= 8 * data;
    } else {
        const auto row = static_cast<std::int64_t>(TIFFScanlineSize64(reader.get()));
        fits = row > 0 && row <= ExpansionOf(tags.compression) * data / tags.height;
    }
    if (!fits) Corrupt(reader.File(), "the page is larger than its data");
}

bool KeepsIndices(const PageTags& tags) {
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

// The colour map as 8-bit entries: maps written with 16-bit values are
// narrowed, maps already holding 8-bit values are taken as they are.
Palette ColourMap(TIFF* tif, int bits) {
    std::uint16_t* red = nullptr;
    std::uint16_t* green = nullptr;
    std::uint16_t* blue = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
        return GreyRamp(bits, false);
    const std::size_t count = std::size_t{1} << bits;
    bool wide = false;
    for (std::size_t i = 0; i < count; ++i)
        wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
    const int shift = wide ? 8 : 0;
    Palette palette(count);
    for (std::size_t i = 0; i < count; ++i)
        palette[i] = PaletteEntry{static_cast<std::uint8_t>(blue[i] >> shift),
                                  static_cast<std::uint8_t>(green[i] >> shift),
                                  static_cast<std::uint8_t>(red[i] >> shift), 0};
    return palette;
}

// 1-, 4- and 8-bit grey and palette pages keep their indices. Min-is-white
// rows are inverted so that the page shows on a plain black-to-white ramp.
Bitmap ReadIndexed(const TiffReader& reader, const PageTags& tags) {
    TIFF* tif = reader.get();
    const int bits = tags.bitsPerSample;
    const std::int64_t rowBytes = (std::int64_t{tags.width} * bits + 7) / 8;
    if (TIFFScanlineSize64(tif) != static_cast<std::uint64_t>(rowBytes))
        Corrupt(reader.File(), "the row size does not match the page width");
    Bitmap picture;
    picture.Create(static_cast<std::int32_t>(tags.width), static_cast<std::int32_t>(tags.height),
                   IndexedFormat(bits));
    const bool invert = tags.photometric == PHOTOMETRIC_MINISWHITE;
    picture.SetPalette(tags.photometric == PHOTOMETRIC_PALETTE ? ColourMap(tif, bits)
                                                               : GreyRamp(bits, false));
    for (std::uint32_t y = 0; y < tags.height; ++y) {
        std::uint8_t* row = picture.ScanLine(static_cast<std::int32_t>(y));
        if (TIFFReadScanline(tif, row, y, 0) < 0) Corrupt(reader.File(), "a row cannot be decoded");
        if (invert)
            for (std::int64_t i = 0; i < rowBytes; ++i) row[i] = static_cast<std::uint8_t>(~row[i]);
    }
    return picture;
}

bool FlipsRows(std::uint16_t orientation) {
    return orientation == ORIENTATION_BOTLEFT || orientation == ORIENTATION_BOTRIGHT;
}
bool FlipsColumns(std::uint16_t orientation) {
    return orientation == ORIENTATION_TOPRIGHT || orientation == ORIENTATION_BOTRIGHT;
}

void StoreRgbaRow(const std::uint32_t* source, std::uint8_t* target, std::uint32_t width,
                  bool flipColumns) {
    if (flipColumns) target += 3 * (std::int64_t{width} - 1);
    const std::int64_t step = flipColumns ? -3 : 3;
    for (std::uint32_t x = 0; x < width; ++x, target += step) {
        target[0] = static_cast<std::uint8_t>(TIFFGetB(source[x]));
        target[1] = static_cast<std::uint8_t>(TIFFGetG(source[x]));
        target[2] = static_cast<std::uint8_t>(TIFFGetR(source[x]));
    }
}

// Everything else through libtiff's RGBA reader, in bands of rows so that
// the 32-bit raster stays small. The rows arrive in file order and are
// placed by the orientation tag.
Bitmap ReadRgba(const TiffReader& reader, const PageTags& tags) {
    TIFF* tif = reader.get();
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message)) Corrupt(reader.File(), message);
    TIFFRGBAImage image{};
    if (!TIFFRGBAImageBegin(&image, tif, 1, message)) Corrupt(reader.File(), message);
    struct End {
        TIFFRGBAImage* image;
        ~End() { TIFFRGBAImageEnd(image); }
    } end{&image};
    image.req_orientation = image.orientation;

    Bitmap picture;
    picture.Create(static_cast<std::int32_t>(tags.width), static_cast<std::int32_t>(tags.height),
                   PixelFormat::Bits24);
    const std::uint32_t band = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(kBandBytes / (std::int64_t{4} * tags.width), 1, tags.height));
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(band) * tags.width);
    for (std::uint32_t first = 0; first < tags.height; first += band) {
        const std::uint32_t rows = std::min(band, tags.height - first);
        image.row_offset = static_cast<int>(first);
        image.col_offset = 0;
        if (!TIFFRGBAImageGet(&image, raster.data(), tags.width, rows))
            Corrupt(reader.File(), "the pixels cannot be decoded");
        for (std::uint32_t r = 0; r < rows; ++r) {
            const std::uint32_t fileRow = first + r;
            const std::uint32_t y =
                FlipsRows(tags.orientation) ? tags.height - 1 - fileRow : fileRow;
            StoreRgbaRow(raster.data() + static_cast<std::size_t>(r) * tags.width,
                         picture.ScanLine(static_cast<std::int32_t>(y)), tags.width,
                         FlipsColumns(tags.orientation));
        }
    }
    return picture;
}

LibraryPage ReadLayerPage(ByteSpan data, int page) {
    TTiffGraphic layer;
    layer.imageToRead = page + 1;
    layer.LoadFromStream(data);
    LibraryPage result;
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

int TiffPageCount(ByteSpan data) {
    TiffReader reader(data);
    const tdir_t count = TIFFNumberOfDirectories(reader.get());
    if (count == 0) Corrupt(reader.File(), "the file holds no pages");
    return static_cast<int>(std::min<tdir_t>(count, kMaxPages));
}

LibraryPage ReadTiffPageWithLibtiff(ByteSpan data, int page) {
    TiffReader reader(data);
    TIFF* tif = reader.get();
    if (page < 0 || !TIFFSetDirectory(tif, static_cast<tdir_t>(page)))
        Corrupt(reader.File(), "page " + std::to_string(page + 1) + " cannot be found");
    const PageTags tags = ReadPageTags(tif);
    const bool indexed = KeepsIndices(tags);
    CheckPictureSize(tags.width, tags.height, indexed ? tags.bitsPerSample : 24);
    CheckFitsData(reader, tags);
    LibraryPage result;
    result.picture = indexed ? ReadIndexed(reader, tags) : ReadRgba(reader, tags);
    result.xDpi = tags.xDpi;
    result.yDpi = tags.yDpi;
    return result;
}

LibraryPage ReadTiffPage(ByteSpan data, int page) {
    try {
        return ReadLayerPage(data, page);
    } catch (const std::exception&) {
        // Kinds the format layer refuses are read through libtiff below.
    }
    return ReadTiffPageWithLibtiff(data, page);
}

} // namespace zv
