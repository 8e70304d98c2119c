// PNG files through libpng, read from and written to memory. libpng writes
// the chunks before the image data; the image data is filtered and
// compressed in bands on every core (see PngDeflate.h), except that of
// interlaced files with packed pixels (1 and 4 bits), which libpng writes.
//
// libpng reports a failure by calling our error callback, which records the
// message and longjmps back to the last setjmp. To keep that safe in C++,
// every libpng call that can fail runs inside a small "guarded" function that
// sets the jump point itself and whose frame holds only trivially destructible
// values; the only frames a jump can skip are libpng's and our callbacks,
// which hold nothing that needs destroying when they jump. Everything that
// owns memory (the image, row tables, output buffers, the libpng structs'
// owner) lives in the callers, outside the jump's reach.

#include "formats/PngGraphic.h"

#include "formats/PngDeflate.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <utility>
#include <vector>

namespace zv {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature{137, 80, 78, 71, 13, 10, 26, 10};
// The most bytes deflate can inflate from one byte of compressed data.
constexpr std::int64_t kMaxDeflateRatio = 1032;
constexpr int kMessageSize = 256;

struct PngHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int depth = 0;
    int colourType = 0;
    int interlace = 0;
    ImageFormat format = ImageFormat::Color24; // what the file loads as
};

// The signature and the IHDR chunk that must follow it, checked with the
// layer's own messages before libpng sees the data.
PngHeader ReadHeader(ByteSpan data) {
    if (data.size() < kSignature.size() ||
        !std::equal(kSignature.begin(), kSignature.end(), data.begin()))
        throw EPNGError("Invalid PNG file");
    PngHeader header;
    try {
        ByteReader reader(data);
        reader.Skip(kSignature.size());
        const std::uint32_t length = reader.U32BE();
        const ByteSpan type = reader.Take(4);
        if (length != 13 || std::memcmp(type.data(), "IHDR", 4) != 0)
            throw EPNGError("Invalid PNG file");
        header.width = reader.U32BE();
        header.height = reader.U32BE();
        header.depth = reader.U8();
        header.colourType = reader.U8();
        reader.Skip(2); // compression and filter method, which libpng checks
        header.interlace = reader.U8();
    } catch (const EReadPastEnd&) {
        throw EPNGError("Invalid PNG file");
    }
    if (header.width == 0 || header.height == 0 || header.width > 0x7fffffff ||
        header.height > 0x7fffffff)
        throw EPNGError("Invalid PNG file");
    return header;
}

ImageFormat FormatOf(const PngHeader& header) {
    const int depth = header.depth;
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16)
        throw EPNGError("Invalid bit depth");
    const bool packed = depth < 8;
    switch (header.colourType) {
    case PNG_COLOR_TYPE_GRAY:
        return depth == 1 ? ImageFormat::BW : packed ? ImageFormat::Gray4 : ImageFormat::Gray8;
    case PNG_COLOR_TYPE_PALETTE:
        if (depth == 16) break;
        return depth == 1 ? ImageFormat::BW : packed ? ImageFormat::Color4 : ImageFormat::Color8;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        if (packed) break;
        return ImageFormat::Gray8;
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_RGB_ALPHA:
        if (packed) break;
        return ImageFormat::Color24;
    default: break;
    }
    throw EPNGError("Invalid color type for bit depth");
}

// The header with every check the layer makes of it, and the format it gives.
PngHeader CheckedHeader(ByteSpan data) {
    PngHeader header = ReadHeader(data);
    header.format = FormatOf(header);
    if (header.interlace > PNG_INTERLACE_ADAM7) throw EPNGError("Interlace type not valid");
    return header;
}

int ChannelsOf(int colourType) {
    switch (colourType) {
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
    }
}

// Refuses pixel storage over the cap, or more filtered bytes than the data
// could inflate to, before anything is allocated.
void CheckSize(const PngHeader& header, std::size_t dataSize) {
    const std::int64_t height = header.height;
    const std::int64_t stride = RowStride(header.width, BitsOf(header.format));
    const std::int64_t fileRow =
        (std::int64_t{header.width} * ChannelsOf(header.colourType) * header.depth + 7) / 8 + 1;
    const std::int64_t inflatable = kMaxDeflateRatio * static_cast<std::int64_t>(dataSize);
    if (stride > kMaxLayerImageBytes / height || fileRow > inflatable / height)
        throw EPNGError("Image too large for its data");
}

void CopyMessage(char* target, const char* message) {
    std::strncpy(target, message ? message : "", kMessageSize - 1);
    target[kMessageSize - 1] = '\0';
}

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
    if (auto* target = static_cast<char*>(png_get_error_ptr(png))) CopyMessage(target, message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

struct MemorySource {
    ByteSpan data;
    std::size_t position = 0;
};

void ReadFromMemory(png_structp png, png_bytep target, png_size_t count) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (count > source->data.size() - source->position)
        png_error(png, "Unexpected end of PNG data");
    std::memcpy(target, source->data.data() + source->position, count);
    source->position += count;
}

void WriteToMemory(png_structp png, png_bytep bytes, png_size_t count) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    bool stored = true;
    try {
        out->insert(out->end(), bytes, bytes + count);
    } catch (...) {
        stored = false;
    }
    if (!stored) png_error(png, "Insufficient memory");
}

void FlushMemory(png_structp) {}

// Owns libpng's read structures for one read.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    MemorySource source;
    char message[kMessageSize] = {};

    explicit PngReader(ByteSpan data) {
        source.data = data;
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, message, OnPngError, OnPngWarning);
        if (!png) throw EPNGError("png_create_read_struct failed");
        info = png_create_info_struct(png);
        if (!info) {
            png_destroy_read_struct(&png, nullptr, nullptr);
            throw EPNGError("png_create_info_struct failed");
        }
        png_set_read_fn(png, &source, ReadFromMemory);
    }
    ~PngReader() { png_destroy_read_struct(&png, &info, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
};

// Transparent pixels are laid onto this colour before libpng hands rows over.
struct Composite {
    bool enabled = false;
    bool fromFile = false;
    png_color_16 colour{};
};

bool GuardedReadInfo(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    return true;
}

// With keepAlpha every kind of file that has transparency comes out as
// 8-bit blue, green, red, alpha: palettes and packed greys expanded, the
// transparent colour of a tRNS chunk made an alpha channel, greys made colour.
bool GuardedSetAlphaTransforms(png_structp png, png_infop info, bool sixteenBits) {
    if (setjmp(png_jmpbuf(png))) return false;
    if (sixteenBits) png_set_scale_16(png);
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool GuardedSetTransforms(png_structp png, png_infop info, const Composite& composite,
                          bool sixteenBits, bool colour) {
    if (setjmp(png_jmpbuf(png))) return false;
    if (sixteenBits) png_set_scale_16(png);
    if (composite.enabled) {
        if (composite.fromFile) {
            png_color_16p fileColour = nullptr;
            png_get_bKGD(png, info, &fileColour);
            png_set_background(png, fileColour, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
        } else {
            png_set_background(png, &composite.colour, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
        }
    }
    if (colour) png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool GuardedReadRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    return true;
}

// The object's background in the form the output rows take: a grey level at
// the output depth for grey files, 8-bit red, green, blue otherwise.
png_color_16 OwnBackground(std::uint32_t colour, const PngHeader& header) {
    png_color_16 background{};
    background.red = static_cast<png_uint_16>(colour & 0xff);
    background.green = static_cast<png_uint_16>((colour >> 8) & 0xff);
    background.blue = static_cast<png_uint_16>((colour >> 16) & 0xff);
    const int grey =
        (299 * background.red + 587 * background.green + 114 * background.blue + 500) / 1000;
    const int depth = std::min(header.depth, 8);
    const int levels = (1 << depth) - 1;
    background.gray = static_cast<png_uint_16>((grey * levels + 127) / 255);
    return background;
}

bool HasTransparency(png_structp png, png_infop info, const PngHeader& header) {
    return (header.colourType & PNG_COLOR_MASK_ALPHA) != 0 ||
           png_get_valid(png, info, PNG_INFO_tRNS) != 0;
}

Composite CompositeFor(png_structp png, png_infop info, const PngHeader& header,
                       const TPngGraphic& graphic) {
    Composite composite;
    composite.enabled = HasTransparency(png, info, header);
    composite.fromFile =
        !graphic.ignoreFileBackground && png_get_valid(png, info, PNG_INFO_bKGD) != 0;
    if (!composite.fromFile) composite.colour = OwnBackground(graphic.backgroundColour, header);
    return composite;
}

// The palette of an indexed file, at most as many entries as its depth holds.
Palette FilePalette(png_structp png, png_infop info, int depth) {
    png_colorp colours = nullptr;
    int count = 0;
    if (!png_get_PLTE(png, info, &colours, &count) || !colours || count <= 0)
        throw EPNGError("png_get_PLTE failed");
    count = std::min(count, 1 << depth);
    Palette palette(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        palette[i] = PaletteEntry{colours[i].blue, colours[i].green, colours[i].red, 0};
    return palette;
}

int DpiOf(png_uint_32 pixelsPerMetre) {
    return PixelsPerMetreToDpi(
        static_cast<std::int32_t>(std::min<png_uint_32>(pixelsPerMetre, 0x7fffffff)));
}

// Two-bit rows become four-bit rows; grey levels 0..3 are spread over 0..15.
void ExpandTwoBitRows(const std::vector<std::uint8_t>& packed, std::size_t packedStride, bool grey,
                      TDibGraphic& image) {
    const int scale = grey ? 5 : 1;
    std::array<std::uint8_t, 4> nibble{};
    for (int v = 0; v < 4; ++v) nibble[v] = static_cast<std::uint8_t>(v * scale);
    std::array<std::array<std::uint8_t, 2>, 256> table{};
    for (int b = 0; b < 256; ++b) {
        table[b][0] = static_cast<std::uint8_t>(nibble[(b >> 6) & 3] << 4 | nibble[(b >> 4) & 3]);
        table[b][1] = static_cast<std::uint8_t>(nibble[(b >> 2) & 3] << 4 | nibble[b & 3]);
    }
    const std::size_t targetBytes = (static_cast<std::size_t>(image.Width()) + 1) / 2;
    const std::size_t sourceBytes = (static_cast<std::size_t>(image.Width()) + 3) / 4;
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        const std::uint8_t* source = packed.data() + y * packedStride;
        std::uint8_t* target = image.ScanLine(y);
        for (std::size_t i = 0; i < sourceBytes; ++i) {
            target[2 * i] = table[source[i]][0];
            if (2 * i + 1 < targetBytes) target[2 * i + 1] = table[source[i]][1];
        }
    }
}

// Whether the palette is the plain black-to-white ramp a grey PNG stands for.
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

struct WriteSettings {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 8;
    int colourType = PNG_COLOR_TYPE_RGB;
    int interlace = PNG_INTERLACE_NONE;
    int level = 5;
    const png_color* palette = nullptr;
    int paletteSize = 0;
    png_uint_32 xPixelsPerMetre = 0;
    png_uint_32 yPixelsPerMetre = 0;
    double gamma = 0;
    bool bgr = false;
};

// The chunks before the image data.
bool GuardedWriteInfo(png_structp png, png_infop info, const WriteSettings& settings) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, settings.width, settings.height, settings.depth, settings.colourType,
                 settings.interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (settings.paletteSize > 0) png_set_PLTE(png, info, settings.palette, settings.paletteSize);
    if (settings.xPixelsPerMetre > 0 && settings.yPixelsPerMetre > 0)
        png_set_pHYs(png, info, settings.xPixelsPerMetre, settings.yPixelsPerMetre,
                     PNG_RESOLUTION_METER);
    if (settings.gamma > 0) png_set_gAMA(png, info, settings.gamma);
    png_set_compression_level(png, settings.level);
    png_write_info(png, info);
    return true;
}

// The image data and the end, after GuardedWriteInfo.
bool GuardedWriteRows(png_structp png, png_infop info, const WriteSettings& settings,
                      png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    if (settings.bgr) png_set_bgr(png);
    png_set_interlace_handling(png);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

// Owns libpng's write structures for one write.
struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    char message[kMessageSize] = {};

    explicit PngWriter(Bytes& out) {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, message, OnPngError, OnPngWarning);
        if (!png) throw EPNGError("png_create_write_struct failed");
        info = png_create_info_struct(png);
        if (!info) {
            png_destroy_write_struct(&png, nullptr);
            throw EPNGError("png_create_info_struct failed");
        }
        png_set_write_fn(png, &out, WriteToMemory, FlushMemory);
    }
    ~PngWriter() { png_destroy_write_struct(&png, &info); }
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;
};

std::vector<png_color> PngPaletteOf(const TDibGraphic& image) {
    const Palette& source =
        image.Colours().empty() ? DefaultPaletteOf(image.Format()) : image.Colours();
    const std::size_t count = std::min<std::size_t>(source.size(), std::size_t{1} << image.Bits());
    std::vector<png_color> palette(count);
    for (std::size_t i = 0; i < count; ++i)
        palette[i] = png_color{source[i].red, source[i].green, source[i].blue};
    return palette;
}

} // namespace

std::unique_ptr<TDibGraphic> TPngGraphic::NewOfSameClass() const {
    return std::make_unique<TPngGraphic>();
}

void TPngGraphic::ReadInfo(const std::filesystem::path& path) {
    infoWidth = infoHeight = infoBits = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) return;
    std::array<std::uint8_t, 33> prefix{}; // signature, IHDR chunk and its CRC
    file.read(reinterpret_cast<char*>(prefix.data()), prefix.size());
    ReadInfo(ByteSpan(prefix.data(), static_cast<std::size_t>(file.gcount())));
}

void TPngGraphic::ReadInfo(ByteSpan data) {
    infoWidth = infoHeight = infoBits = 0;
    const PngHeader header = CheckedHeader(data);
    infoWidth = static_cast<std::int32_t>(header.width);
    infoHeight = static_cast<std::int32_t>(header.height);
    infoBits = BitsOf(header.format);
}

void TPngGraphic::ReadImage(ByteSpan data, int) {
    ReadInfo(data);
    const PngHeader header = CheckedHeader(data);
    const ImageFormat format = header.format;
    CheckSize(header, data.size());

    PngReader reader(data);
    if (!GuardedReadInfo(reader.png, reader.info)) throw EPNGError(reader.message);
    const bool alpha = keepAlpha && HasTransparency(reader.png, reader.info, header);
    if (alpha) {
        if (RowStride(header.width, 32) > kMaxLayerImageBytes / header.height)
            throw EPNGError("Image too large for its data");
        if (!GuardedSetAlphaTransforms(reader.png, reader.info, header.depth == 16))
            throw EPNGError(reader.message);
    } else {
        const Composite composite = CompositeFor(reader.png, reader.info, header, *this);
        if (!GuardedSetTransforms(reader.png, reader.info, composite, header.depth == 16,
                                  format == ImageFormat::Color24))
            throw EPNGError(reader.message);
    }

    // What libpng now hands over: packed rows at the file's depth up to 8
    // bits, or 8-bit grey, or 8-bit blue, green, red (and alpha).
    const int outDepth = png_get_bit_depth(reader.png, reader.info);
    const int outChannels = png_get_channels(reader.png, reader.info);
    const std::size_t rowBytes = png_get_rowbytes(reader.png, reader.info);
    const int expectedChannels = alpha ? 4 : format == ImageFormat::Color24 ? 3 : 1;
    const int expectedDepth = alpha ? 8 : std::min(header.depth, 8);
    if (outChannels != expectedChannels || outDepth != expectedDepth)
        throw EPNGError("Invalid color type for bit depth");

    Palette palette;
    const bool indexed = header.colourType == PNG_COLOR_TYPE_PALETTE && !alpha;
    if (indexed) palette = FilePalette(reader.png, reader.info, header.depth);
    png_uint_32 xPixelsPerMetre = 0, yPixelsPerMetre = 0;
    int unit = PNG_RESOLUTION_UNKNOWN;
    png_get_pHYs(reader.png, reader.info, &xPixelsPerMetre, &yPixelsPerMetre, &unit);
    const bool metres = unit == PNG_RESOLUTION_METER;

    if (alpha)
        NewAlphaImage(infoWidth, infoHeight);
    else
        NewImage(infoWidth, infoHeight, format, indexed ? &palette : nullptr);
    SetXDpi(metres ? DpiOf(xPixelsPerMetre) : 0);
    SetYDpi(metres ? DpiOf(yPixelsPerMetre) : 0);

    const bool twoBit = header.depth == 2 && !alpha;
    std::vector<std::uint8_t> packed;
    if (twoBit)
        packed.resize(rowBytes * header.height);
    else if (rowBytes > static_cast<std::size_t>(Stride()))
        throw EPNGError("Invalid color type for bit depth");
    std::vector<png_bytep> rows(header.height);
    for (std::uint32_t y = 0; y < header.height; ++y)
        rows[y] = twoBit ? packed.data() + y * rowBytes : ScanLine(static_cast<std::int32_t>(y));
    if (!GuardedReadRows(reader.png, rows.data())) throw EPNGError(reader.message);
    if (twoBit) ExpandTwoBitRows(packed, rowBytes, !indexed, *this);
}

void TPngGraphic::SaveToStream(Bytes& out) const {
    WriteSettings settings;
    settings.width = static_cast<png_uint_32>(Width());
    settings.height = static_cast<png_uint_32>(Height());
    settings.depth = Format() == ImageFormat::Color24 ? 8 : Bits();
    const bool grey = (Format() == ImageFormat::BW || IsGrey(Format())) && ShowsPlainGreys(*this);
    std::vector<png_color> palette;
    if (HasAlpha()) {
        settings.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
        settings.bgr = true;
    } else if (Format() == ImageFormat::Color24) {
        settings.colourType = PNG_COLOR_TYPE_RGB;
        settings.bgr = true;
    } else if (grey) {
        settings.colourType = PNG_COLOR_TYPE_GRAY;
    } else {
        // Colour palettes, and grey images whose palette is not the plain
        // ramp (white to black, say), keep their look as palette files.
        settings.colourType = PNG_COLOR_TYPE_PALETTE;
        palette = PngPaletteOf(*this);
        settings.palette = palette.data();
        settings.paletteSize = static_cast<int>(palette.size());
    }
    settings.interlace = interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE;
    static constexpr std::array<int, 3> kLevels{1, 5, 9};
    settings.level = kLevels[static_cast<std::size_t>(std::clamp(compression, 0, 2))];
    settings.xPixelsPerMetre = static_cast<png_uint_32>(std::max(0, XPixelsPerMetre()));
    settings.yPixelsPerMetre = static_cast<png_uint_32>(std::max(0, YPixelsPerMetre()));
    settings.gamma = gamma;

    Bytes file;
    PngWriter writer(file);
    if (!GuardedWriteInfo(writer.png, writer.info, settings)) throw EPNGError(writer.message);
    const int bitsPerPixel = settings.colourType == PNG_COLOR_TYPE_RGB         ? 24
                             : settings.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 32
                                                                               : settings.depth;
    const bool interlaced = settings.interlace != PNG_INTERLACE_NONE;
    if (!interlaced || bitsPerPixel % 8 == 0) {
        // The image data in bands on every core.
        PngImageData data;
        data.width = settings.width;
        data.height = settings.height;
        data.bitsPerPixel = bitsPerPixel;
        data.filtered = settings.colourType != PNG_COLOR_TYPE_PALETTE && settings.depth >= 8;
        data.level = settings.level;
        data.interlaced = interlaced;
        const std::size_t rowBytes = (std::size_t{settings.width} * data.bitsPerPixel + 7) / 8;
        const std::size_t step = static_cast<std::size_t>(bitsPerPixel / 8);
        data.row = [this, rowBytes, step, bgr = settings.bgr](std::uint32_t y, std::uint8_t* to) {
            const std::uint8_t* from = ScanLine(static_cast<std::int32_t>(y));
            if (!bgr) {
                std::memcpy(to, from, rowBytes);
                return;
            }
            // Blue, green, red (, alpha) to red, green, blue (, alpha).
            std::memcpy(to, from, rowBytes);
            for (std::size_t i = 0; i < rowBytes; i += step) std::swap(to[i], to[i + 2]);
        };
        try {
            AppendPngImageData(file, data);
        } catch (const std::runtime_error& error) {
            throw EPNGError(error.what());
        }
    } else {
        // libpng copies each row before transforming it, so the rows stay untouched.
        std::vector<png_bytep> rows(static_cast<std::size_t>(Height()));
        for (std::int32_t y = 0; y < Height(); ++y) rows[y] = const_cast<png_bytep>(ScanLine(y));
        if (!GuardedWriteRows(writer.png, writer.info, settings, rows.data()))
            throw EPNGError(writer.message);
    }
    if (out.empty())
        out.swap(file);
    else
        out.insert(out.end(), file.begin(), file.end());
}

} // namespace zv
