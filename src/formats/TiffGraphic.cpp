// TIFF files read from and written to byte buffers through TiffCodec.
// Plain strips (1, 4, 8 bits, 8-bit RGB) are decoded strip by strip into the
// rows, fax pages scanline by scanline, and everything else (JPEG, tiles,
// planes, YCbCr, CMYK, 16 bits) through libtiff's RGBA reader.

#include "formats/TiffGraphic.h"

#include "formats/Orientation.h"
#include "formats/TiffCodec.h"
#include "platform/ProgramTitle.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <vector>

namespace zv {
namespace {

constexpr const char* kSoftware = kProgramTitle;
constexpr std::uint16_t kDeflateTag = kTiffDeflateTag; // "ZLib"

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

bool IsFaxSetting(TiffCompression compression) {
    return compression == TiffCompression::FaxGroup3_1D ||
           compression == TiffCompression::FaxGroup3_2D ||
           compression == TiffCompression::FaxGroup4;
}

// --- Reading ------------------------------------------------------------

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
    if (IsTiffFaxCompression(tags.compression)) {
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

// Refuses, before anything is allocated, a picture over the cap or larger
// than the file's data could decode to.
void CheckSize(const TiffFile& file, const TiffTags& tags, const Layout& layout) {
    if (tags.width == 0 || tags.height == 0 || tags.width > 0x7fffffff || tags.height > 0x7fffffff)
        throw ETiffError("Invalid image size");
    const std::int64_t stride = RowStride(tags.width, BitsOf(layout.format));
    if (stride > kMaxLayerImageBytes / tags.height || !TiffPageFitsData(file, tags))
        throw ETiffError("Image too large for its data");
}

// libtiff's RGBA reader already turns min-is-white, YCbCr, CMYK and Lab into
// RGB; the codec reorders its rows into blue, green, red.
void ReadPixels(const TiffFile& file, const TiffTags& tags, const Layout& layout,
                TDibGraphic& image) {
    const TiffRowTarget rows = [&image](std::int32_t y) { return image.ScanLine(y); };
    switch (layout.route) {
    case Route::Strips: {
        const bool rgb = layout.format == ImageFormat::Color24;
        if (!rgb && (std::int64_t{tags.width} * tags.bitsPerSample + 7) / 8 > image.Stride())
            throw ETiffError("TIFFReadEncodedStrip");
        ReadTiffStrips(file, tags,
                       rgb                 ? TiffRows::Bgr
                       : layout.minIsWhite ? TiffRows::Inverted
                                           : TiffRows::AsStored,
                       rows);
        break;
    }
    case Route::Fax: ReadTiffScanlines(file, tags, true, rows); break;
    case Route::Rgba: ReadTiffRgba(file, tags, rows); break;
    }
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
            if (plan.invert) InvertRow(row.data(), row.size());
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
    } catch (const EInvalidGraphic&) {
        return;
    }
    if (!TiffFile(data).IsOpen()) return;
    ReadImage(data, imageNumber);
}

int TTiffGraphic::ImageCount(ByteSpan data) const {
    const TiffFile file(data);
    file.RequireOpen();
    return file.PageCount();
}

void TTiffGraphic::ReadImage(ByteSpan data, int imageNumber) {
    const TiffFile file(data);
    try {
        file.RequireOpen();
        if (imageNumber > 1 && !file.SelectPage(imageNumber - 1))
            throw ETiffError("TIFFSetDirectory");
        const TiffTags tags = ReadTiffTags(file.get());
        fileCompressionTag_ = tags.compression;
        const TiffCompression setting = SettingForTag(tags);
        const Layout layout = LayoutOf(tags);
        CheckSize(file, tags, layout);
        infoWidth = static_cast<std::int32_t>(tags.width);
        infoHeight = static_cast<std::int32_t>(tags.height);
        infoBits = BitsOf(layout.format);
        compression_ = setting;

        const Palette palette =
            layout.indexed ? TiffColourMap(file.get(), BitsOf(layout.format), tags.bitsPerSample,
                                           DefaultPaletteOf(layout.format))
                           : Palette{};
        NewImage(infoWidth, infoHeight, layout.format, layout.indexed ? &palette : nullptr);
        ReadPixels(file, tags, layout, *this);
        StandUpright(tags.orientation, layout.format);
        const bool swapped = SwapsSides(tags.orientation);
        SetXDpi(swapped ? tags.yDpi : tags.xDpi);
        SetYDpi(swapped ? tags.xDpi : tags.yDpi);
    } catch (...) {
        libraryMessage_ = file.FirstMessage();
        throw;
    }
    libraryMessage_ = file.FirstMessage();
}

// The rows are read as stored; a page whose orientation tag says otherwise is
// turned upright here, in its own format and palette.
void TTiffGraphic::StandUpright(int orientation, ImageFormat format) {
    if (orientation == kUpright || orientation < 1 || orientation > 8) return;
    const Palette palette = Colours();
    Bitmap upright = TakePixels();
    OrientUpright(upright, orientation);
    NewImage(upright.Width(), upright.Height(), format, palette.empty() ? nullptr : &palette);
    const auto rowBytes = static_cast<std::size_t>(std::min(Stride(), upright.Stride()));
    for (std::int32_t y = 0; y < upright.Height(); ++y)
        std::memcpy(ScanLine(y), upright.ScanLine(y), rowBytes);
    infoWidth = upright.Width();
    infoHeight = upright.Height();
}

void TTiffGraphic::WriteImage(Bytes& buffer, const char* mode) const {
    const TiffCompression compression = Compression();
    CheckWritable(compression, Format());
    if (Empty()) throw ETiffError("TIFFWriteScanLine");
    const WritePlan plan = PlanFor(*this, compression);
    TiffFile file(buffer, mode);
    try {
        file.RequireOpen();
        WriteTags(file.get(), *this, *InfoOf(compression), plan);
        WriteRows(file.get(), *this, plan);
        if (!TIFFWriteDirectory(file.get())) throw ETiffError("TIFFWriteDirectory");
        file.Close();
    } catch (...) {
        libraryMessage_ = file.FirstMessage();
        throw;
    }
    libraryMessage_ = file.FirstMessage();
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
