#include "formats/TiffCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace zv {

namespace {

constexpr tmsize_t kMaxLibraryAllocation = tmsize_t{256} << 20;
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{4} << 30;
constexpr int kMaxPages = 65535;
// Rows of 32-bit pixels the RGBA reader decodes at a time.
constexpr std::int64_t kBandBytes = std::int64_t{4} << 20;

// The most bytes of decoded rows one byte of coded data can give.
std::int64_t ExpansionOf(std::uint16_t compression) {
    switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64;
    case COMPRESSION_ADOBE_DEFLATE:
    case kTiffDeflateTag: return 1032;
    case COMPRESSION_LZW:
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG: return 4096;
    default: return std::int64_t{1} << 16;
    }
}

void StoreRgbaRow(const std::uint32_t* source, std::uint8_t* target, std::uint32_t width) {
    for (std::uint32_t x = 0; x < width; ++x, target += 3) {
        target[0] = static_cast<std::uint8_t>(TIFFGetB(source[x]));
        target[1] = static_cast<std::uint8_t>(TIFFGetG(source[x]));
        target[2] = static_cast<std::uint8_t>(TIFFGetR(source[x]));
    }
}

} // namespace

void InvertRow(std::uint8_t* row, std::size_t count) {
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

// --- The client over memory ----------------------------------------------

struct TiffFile::Client {
    static TiffFile& Of(thandle_t handle) { return *static_cast<TiffFile*>(handle); }

    static std::uint64_t Size(const TiffFile& f) {
        return f.buffer_ ? f.buffer_->size() : f.source_.size();
    }

    static tmsize_t Read(thandle_t handle, void* target, tmsize_t count) {
        TiffFile& f = Of(handle);
        const std::uint64_t size = Size(f);
        if (count <= 0 || f.position_ >= size) return 0;
        const std::uint64_t n =
            std::min<std::uint64_t>(static_cast<std::uint64_t>(count), size - f.position_);
        const std::uint8_t* data = f.buffer_ ? f.buffer_->data() : f.source_.data();
        std::memcpy(target, data + f.position_, n);
        f.position_ += n;
        return static_cast<tmsize_t>(n);
    }

    static tmsize_t Write(thandle_t handle, void* source, tmsize_t count) {
        TiffFile& f = Of(handle);
        if (!f.buffer_ || count < 0) return 0;
        const std::uint64_t end = f.position_ + static_cast<std::uint64_t>(count);
        if (end > kMaxFileBytes) return 0;
        try {
            if (end > f.buffer_->size()) f.buffer_->resize(end);
        } catch (...) {
            return 0;
        }
        if (count > 0)
            std::memcpy(f.buffer_->data() + f.position_, source, static_cast<std::size_t>(count));
        f.position_ = end;
        return count;
    }

    static toff_t Seek(thandle_t handle, toff_t offset, int whence) {
        TiffFile& f = Of(handle);
        // Relative offsets arrive as unsigned values; a backward seek wraps round.
        const auto delta = static_cast<std::int64_t>(offset);
        std::int64_t target = 0;
        switch (whence) {
        case SEEK_SET: target = delta; break;
        case SEEK_CUR: target = static_cast<std::int64_t>(f.position_) + delta; break;
        case SEEK_END: target = static_cast<std::int64_t>(Size(f)) + delta; break;
        default: return static_cast<toff_t>(-1);
        }
        if (target < 0 || static_cast<std::uint64_t>(target) > kMaxFileBytes)
            return static_cast<toff_t>(-1);
        f.position_ = static_cast<std::uint64_t>(target);
        return f.position_;
    }

    static int Close(thandle_t) { return 0; }

    static toff_t SizeOf(thandle_t handle) { return Size(Of(handle)); }

    // A file being read is handed to libtiff whole, so strips are decoded
    // straight from the data; libtiff never writes through a mapping.
    static int Map(thandle_t handle, void** base, toff_t* size) {
        TiffFile& f = Of(handle);
        if (f.buffer_) return 0;
        *base = const_cast<std::uint8_t*>(f.source_.data());
        *size = f.source_.size();
        return 1;
    }

    static void Unmap(thandle_t, void*, toff_t) {}

    static std::string Text(const char* module, const char* format, va_list args) {
        char text[256];
        std::vsnprintf(text, sizeof text, format, args);
        return std::string(module ? module : "libtiff") + ": " + text;
    }

    static int OnError(TIFF*, void* user, const char* module, const char* format, va_list args) {
        TiffFile& f = *static_cast<TiffFile*>(user);
        if (f.error_.empty()) f.error_ = Text(module, format, args);
        return 1;
    }

    static int OnWarning(TIFF*, void* user, const char* module, const char* format, va_list args) {
        TiffFile& f = *static_cast<TiffFile*>(user);
        if (f.warning_.empty()) f.warning_ = Text(module, format, args);
        return 1;
    }
};

TiffFile::TiffFile(ByteSpan data) : source_(data) {
    Open("r");
}

TiffFile::TiffFile(Bytes& buffer, const char* mode) : buffer_(&buffer) {
    Open(mode);
}

void TiffFile::Open(const char* mode) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibraryAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, Client::OnError, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Client::OnWarning, this);
    tif_ = TIFFClientOpenExt("memory", mode, this, Client::Read, Client::Write, Client::Seek,
                             Client::Close, Client::SizeOf, Client::Map, Client::Unmap, options);
    TIFFOpenOptionsFree(options);
}

void TiffFile::RequireOpen() const {
    if (!tif_) throw ETiffError("TIFFOpen");
}

TiffFile::~TiffFile() {
    Close();
}

void TiffFile::Close() {
    if (tif_) TIFFClose(tif_);
    tif_ = nullptr;
}

ByteSpan TiffFile::Data() const {
    return buffer_ ? ByteSpan(*buffer_) : source_;
}

int TiffFile::PageCount() const {
    return static_cast<int>(std::min<tdir_t>(TIFFNumberOfDirectories(tif_), kMaxPages));
}

bool TiffFile::SelectPage(int page) const {
    return page >= 0 && TIFFSetDirectory(tif_, static_cast<tdir_t>(page)) != 0;
}

// --- Tags ------------------------------------------------------------------

int TiffDpiOf(double resolution, std::uint16_t unit) {
    double dpi = resolution;
    if (unit == RESUNIT_CENTIMETER)
        dpi *= 2.54;
    else if (unit != RESUNIT_INCH)
        return 0;
    if (!(dpi > 0) || dpi > 1e6) return 0;
    return static_cast<int>(std::lround(dpi));
}

TiffTags ReadTiffTags(TIFF* tif) {
    TiffTags tags;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &tags.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &tags.height);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &tags.photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &tags.compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &tags.bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &tags.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &tags.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &tags.orientation);
    if (tags.compression == COMPRESSION_CCITTFAX3)
        TIFFGetFieldDefaulted(tif, TIFFTAG_GROUP3OPTIONS, &tags.t4Options);
    tags.tiled = TIFFIsTiled(tif) != 0;
    std::uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    float x = 0, y = 0;
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x)) tags.xDpi = TiffDpiOf(x, unit);
    if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y)) tags.yDpi = TiffDpiOf(y, unit);
    return tags;
}

bool IsTiffFaxCompression(int tag) {
    return tag == COMPRESSION_CCITTRLE || tag == COMPRESSION_CCITTFAX3 ||
           tag == COMPRESSION_CCITTFAX4 || tag == COMPRESSION_CCITTRLEW;
}

bool TiffPageFitsData(const TiffFile& file, const TiffTags& tags) {
    if (tags.height == 0) return false;
    const auto data = static_cast<std::int64_t>(file.Data().size());
    const std::int64_t height = tags.height;
    if (IsTiffFaxCompression(tags.compression)) return height <= 8 * data;
    // Every sample of the row, in every plane.
    const auto row = static_cast<std::int64_t>(TIFFRasterScanlineSize64(file.get()));
    return row > 0 && row <= ExpansionOf(tags.compression) * data / height;
}

Palette TiffColourMap(TIFF* tif, int paletteBits, int bitsPerSample, const Palette& fallback) {
    std::uint16_t* red = nullptr;
    std::uint16_t* green = nullptr;
    std::uint16_t* blue = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
        return fallback;
    const std::size_t count = std::size_t{1} << paletteBits;
    const std::size_t mapSize = std::min(count, std::size_t{1} << bitsPerSample);
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

// --- Rows ------------------------------------------------------------------

void ReadTiffStrips(const TiffFile& file, const TiffTags& tags, TiffRows rows,
                    const TiffRowTarget& target) {
    TIFF* tif = file.get();
    const tmsize_t scanline = TIFFScanlineSize(tif);
    const std::int64_t rowBytes = rows == TiffRows::Bgr
                                      ? std::int64_t{tags.width} * tags.samples
                                      : (std::int64_t{tags.width} * tags.bitsPerSample + 7) / 8;
    if (scanline != rowBytes) throw ETiffError("TIFFReadEncodedStrip");
    std::uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, tags.height);
    std::vector<std::uint8_t> strip(static_cast<std::size_t>(rowsPerStrip) * scanline);
    for (std::uint32_t y = 0; y < tags.height; y += rowsPerStrip) {
        const std::uint32_t count = std::min(rowsPerStrip, tags.height - y);
        const tmsize_t wanted = static_cast<tmsize_t>(count) * scanline;
        if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y, 0), strip.data(), wanted) != wanted)
            throw ETiffError("TIFFReadEncodedStrip");
        for (std::uint32_t r = 0; r < count; ++r) {
            const std::uint8_t* source = strip.data() + r * scanline;
            std::uint8_t* row = target(static_cast<std::int32_t>(y + r));
            if (rows == TiffRows::Bgr) {
                CopyRgbRow(source, row, tags.width, tags.samples);
                continue;
            }
            std::memcpy(row, source, static_cast<std::size_t>(scanline));
            if (rows == TiffRows::Inverted) InvertRow(row, static_cast<std::size_t>(scanline));
        }
    }
}

void ReadTiffScanlines(const TiffFile& file, const TiffTags& tags, bool invert,
                       const TiffRowTarget& target) {
    TIFF* tif = file.get();
    const tmsize_t scanline = TIFFScanlineSize(tif);
    if (scanline != (std::int64_t{tags.width} * tags.bitsPerSample * tags.samples + 7) / 8)
        throw ETiffError("TIFFReadScanLine");
    for (std::uint32_t y = 0; y < tags.height; ++y) {
        std::uint8_t* row = target(static_cast<std::int32_t>(y));
        if (TIFFReadScanline(tif, row, y, 0) < 0) throw ETiffError("TIFFReadScanLine");
        if (invert) InvertRow(row, static_cast<std::size_t>(scanline));
    }
}

void ReadTiffRgba(const TiffFile& file, const TiffTags& tags, const TiffRowTarget& target) {
    TIFF* tif = file.get();
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message)) throw ETiffError("TIFFReadRGBAImageOriented");
    TIFFRGBAImage image{};
    if (!TIFFRGBAImageBegin(&image, tif, 1, message)) throw ETiffError("TIFFReadRGBAImageOriented");
    struct End {
        TIFFRGBAImage* image;
        ~End() { TIFFRGBAImageEnd(image); }
    } end{&image};
    // The rows stay in file order; the caller stands the page upright.
    image.req_orientation = image.orientation;
    const std::uint32_t band = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(kBandBytes / (std::int64_t{4} * tags.width), 1, tags.height));
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(band) * tags.width);
    for (std::uint32_t first = 0; first < tags.height; first += band) {
        const std::uint32_t rows = std::min(band, tags.height - first);
        image.row_offset = static_cast<int>(first);
        image.col_offset = 0;
        if (!TIFFRGBAImageGet(&image, raster.data(), tags.width, rows))
            throw ETiffError("TIFFReadRGBAImageOriented");
        for (std::uint32_t r = 0; r < rows; ++r)
            StoreRgbaRow(raster.data() + static_cast<std::size_t>(r) * tags.width,
                         target(static_cast<std::int32_t>(first + r)), tags.width);
    }
}

} // namespace zv
