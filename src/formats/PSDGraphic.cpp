#include "formats/PSDGraphic.h"

#include "formats/GraphicErrors.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

namespace zv {
namespace {

const char* const kInvalidFormat = "Invalid image format";
const char* const kDamagedZip = "Photoshop zip data is damaged";
const char* const kTruncated = "Photoshop image data is truncated";
const char* const kTooLarge = "The Photoshop image is too large";

constexpr std::size_t kSignatureBytes = 27;
constexpr int kMaxChannels = 56;
constexpr std::int32_t kMaxSide = 30000;
constexpr std::int64_t kMaxPictureBytes = std::int64_t{1} << 30;
constexpr std::uint16_t kResolutionResource = 0x03ED;
constexpr int kZip = 2;
constexpr int kZipPredicted = 3;
// The most bytes deflate can inflate from one byte of compressed data.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

[[noreturn]] void Invalid() {
    throw EInvalidGraphic(kInvalidFormat);
}

// The colour kind of a colour mode, given the file's channel count.
PSDColorKind KindOf(std::uint16_t mode, int channels) {
    switch (mode) {
    case 1:                            // grey
    case 8: return PSDColorKind::Grey; // duotone: shown by its grey values
    case 2: return PSDColorKind::Indexed;
    case 3:
    case 7: // multichannel
        if (channels < 3) Invalid();
        return channels == 3 ? PSDColorKind::RGB : PSDColorKind::RGBA;
    case 4:
        if (channels < 4) Invalid();
        return PSDColorKind::CMYK;
    case 9:
        if (channels < 3) Invalid();
        return PSDColorKind::Lab;
    default: break;
    }
    Invalid(); // 0 (bitmap) and unknown modes
}

int SamplesUsedBy(PSDColorKind kind) {
    switch (kind) {
    case PSDColorKind::Grey:
    case PSDColorKind::Indexed: return 1;
    case PSDColorKind::RGB:
    case PSDColorKind::Lab: return 3;
    case PSDColorKind::RGBA:
    case PSDColorKind::CMYK: return 4;
    }
    return 1;
}

std::uint32_t SectionLength(ByteReader& in) {
    const std::uint32_t length = in.U32BE();
    if (length > in.Remaining()) Invalid();
    return length;
}

// Decodes one PackBits row into out, stopping when either side runs out: a
// run longer than what is left of the row or of the input is cut short, and
// a row the input does not fill ends in zeros.
void UnpackBitsRow(ByteSpan in, std::uint8_t* out, std::size_t outSize) {
    std::size_t i = 0, o = 0;
    while (i < in.size() && o < outSize) {
        const auto n = static_cast<std::int8_t>(in[i++]);
        if (n >= 0) {
            const std::size_t len = std::min({std::size_t(n) + 1, in.size() - i, outSize - o});
            std::memcpy(out + o, in.data() + i, len);
            i += std::size_t(n) + 1;
            o += len;
        } else if (n != -128) {
            if (i >= in.size()) break;
            const std::size_t len = std::min<std::size_t>(1 - n, outSize - o);
            std::memset(out + o, in[i++], len);
            o += len;
        }
    }
    std::memset(out + o, 0, outSize - o);
}

void Invert(std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(~bytes[i]);
}

} // namespace

bool TPSDGraphic::CanRead(ByteSpan data) {
    if (data.size() < kSignatureBytes) return false;
    for (int i = 0; i < 4; ++i)
        if (std::toupper(data[i]) != "8BPS"[i]) return false;
    return (data[4] << 8 | data[5]) == 1;
}

bool TPSDGraphic::CanRead(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::uint8_t head[kSignatureBytes];
    if (!file.read(reinterpret_cast<char*>(head), sizeof head)) return false;
    return CanRead(ByteSpan(head, sizeof head));
}

void TPSDGraphic::ReadInfo(ByteSpan data, bool headerOnly) {
    ResetInfo();
    header_ = PSDHeader{};
    ByteReader in(data);
    try {
        ReadFixedHeader(in);
        if (!headerOnly) ReadSections(in);
    } catch (const EReadPastEnd&) {
        Invalid();
    }
    InfoBlock& info = MutableInfo();
    info.width = header_.width;
    info.height = header_.height;
    info.bitCount = static_cast<std::uint16_t>(header_.bitsPerPixel);
    if (header_.kind == PSDColorKind::Grey || header_.kind == PSDColorKind::Indexed)
        info.coloursUsed = 1u << std::min(header_.bitsPerSample, 8);
}

void TPSDGraphic::ReadFixedHeader(ByteReader& in) {
    const ByteSpan signature = in.Take(4);
    for (int i = 0; i < 4; ++i)
        if (std::toupper(signature[i]) != "8BPS"[i]) Invalid();
    if (in.U16BE() != 1) Invalid();
    in.Skip(6);
    const int channels = in.U16BE();
    const std::uint32_t height = in.U32BE();
    const std::uint32_t width = in.U32BE();
    const int bits = in.U16BE();
    const std::uint16_t mode = in.U16BE();
    if (channels < 1 || channels > kMaxChannels) Invalid();
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide) Invalid();
    if (bits != 1 && bits != 8 && bits != 16 && bits != 32) Invalid();

    header_.kind = KindOf(mode, channels);
    header_.channels = channels;
    header_.width = static_cast<std::int32_t>(width);
    header_.height = static_cast<std::int32_t>(height);
    header_.bitsPerSample = bits;
    header_.samplesUsed = SamplesUsedBy(header_.kind);
    header_.bitsPerPixel = bits * header_.samplesUsed;
}

void TPSDGraphic::ReadSections(ByteReader& in) {
    const std::uint32_t colourLength = SectionLength(in);
    header_.colourData = in.Position();
    header_.colourDataLength = colourLength;
    if (header_.kind == PSDColorKind::Indexed && colourLength < 768) Invalid();
    in.Skip(colourLength);

    const std::uint32_t resourcesLength = SectionLength(in);
    ReadResolution(in.Take(resourcesLength));
    in.Skip(SectionLength(in)); // layers and masks

    const std::uint16_t compression = in.U16BE();
    if (compression > kZipPredicted) Invalid();
    header_.compression = compression;
    header_.imageData = in.Position();
}

// The resolution resource, when present and well formed; the resources are
// otherwise of no interest, so a damaged block is passed over.
void TPSDGraphic::ReadResolution(ByteSpan resources) {
    ByteReader in(resources);
    try {
        while (in.Remaining() >= 12) {
            if (std::memcmp(in.Take(4).data(), "8BIM", 4) != 0) return;
            const std::uint16_t id = in.U16BE();
            const std::uint8_t nameLength = in.U8();
            in.Skip(nameLength + ((nameLength + 1) % 2));
            const std::uint32_t size = in.U32BE();
            const ByteSpan block = in.Take(size);
            in.Skip(std::min<std::uint64_t>(size % 2, in.Remaining()));
            if (id != kResolutionResource || size < 16) continue;
            // Photoshop records both resolutions in pixels per inch, 16.16
            // fixed point, whatever unit it shows them in.
            ByteReader r(block);
            const double xDpi = r.U32BE() / 65536.0;
            r.Skip(4);
            const double yDpi = r.U32BE() / 65536.0;
            MutableInfo().xPixelsPerMetre =
                static_cast<std::int32_t>(std::lround(xDpi * 39.370078740157480317));
            MutableInfo().yPixelsPerMetre =
                static_cast<std::int32_t>(std::lround(yDpi * 39.370078740157480317));
            return;
        }
    } catch (const EReadPastEnd&) {
    }
}

void TPSDGraphic::SetUpConverter() {
    TPixelConverter& c = Converter();
    const int bits = header_.bitsPerSample;
    c.SetSourceBitsPerSample(bits);
    c.SetTargetBitsPerSample(bits == 16 ? 8 : bits);
    c.SetSourceSamplesPerPixel(header_.samplesUsed);
    c.SetFlags(0);
    c.SetBigEndian16(true);
    switch (header_.kind) {
    case PSDColorKind::Grey:
    case PSDColorKind::Indexed: {
        const ColorModel model =
            header_.kind == PSDColorKind::Grey ? ColorModel::Grey : ColorModel::Indexed;
        c.SetSourceColorModel(model);
        c.SetTargetColorModel(model);
        c.SetTargetSamplesPerPixel(1);
        break;
    }
    case PSDColorKind::RGB:
        c.SetSourceColorModel(ColorModel::RGB);
        c.SetTargetColorModel(ColorModel::BGR);
        c.SetTargetSamplesPerPixel(3);
        break;
    case PSDColorKind::RGBA:
        c.SetSourceColorModel(ColorModel::RGBA);
        c.SetTargetColorModel(ColorModel::BGRA);
        c.SetTargetSamplesPerPixel(4);
        break;
    case PSDColorKind::CMYK:
        c.SetSourceColorModel(ColorModel::CMYK);
        c.SetTargetColorModel(ColorModel::BGR);
        c.SetTargetSamplesPerPixel(3);
        break;
    case PSDColorKind::Lab:
        c.SetSourceColorModel(ColorModel::Lab);
        c.SetTargetColorModel(ColorModel::BGR);
        c.SetTargetSamplesPerPixel(3);
        c.SetFlags(TPixelConverter::kLabScaledL | TPixelConverter::kLabOffsetAB);
        break;
    }
    c.Prepare();
}

void TPSDGraphic::SetUpPalette(ByteSpan data) {
    if (header_.kind == PSDColorKind::Indexed) {
        const std::uint8_t* planes = data.data() + header_.colourData;
        Pixels().SetPalette(PaletteFromPlanes(planes, planes + 256, planes + 512, 256));
    } else if (header_.kind == PSDColorKind::Grey) {
        Pixels().SetPalette(Converter().GreyPalette(false));
    }
}

void TPSDGraphic::Load(ByteSpan data) {
    ReadInfo(data, false);
    SetUpConverter();
    const std::optional<PixelFormat> format = Converter().TargetPixelFormat();
    if (!format) throw EColorConversionError("Color conversion failed.");
    const std::int64_t bytes = RowStride(header_.width, BitsPerPixel(*format)) * header_.height;
    if (bytes > kMaxPictureBytes) throw EInvalidGraphic(kTooLarge);

    if (header_.compression == 1)
        ReadPackedRows(data);
    else if (header_.compression == kZip || header_.compression == kZipPredicted)
        ReadZipRows(data);
    else
        ReadRawRows(data);
}

namespace {

// Inflates a zlib stream into exactly target.size() bytes; the stream may
// go on (with planes the picture does not use) but may not end early.
void Inflate(ByteSpan zipped, std::span<std::uint8_t> target) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) throw EInvalidGraphic(kDamagedZip);
    stream.next_in = const_cast<Bytef*>(zipped.data());
    stream.next_out = target.data();
    std::size_t inLeft = zipped.size();
    std::size_t outLeft = target.size();
    int status = Z_OK;
    // zlib counts in 32 bits: feed and drain at most 1 GiB a turn.
    constexpr std::size_t kTurn = std::size_t{1} << 30;
    while (outLeft > 0 && status == Z_OK) {
        const std::size_t in = std::min(inLeft, kTurn);
        const std::size_t out = std::min(outLeft, kTurn);
        stream.avail_in = static_cast<uInt>(in);
        stream.avail_out = static_cast<uInt>(out);
        status = inflate(&stream, Z_NO_FLUSH);
        inLeft -= in - stream.avail_in;
        outLeft -= out - stream.avail_out;
    }
    inflateEnd(&stream);
    // A stream that ends, or data that runs out, before the planes are full
    // is cut short; any other stop is damage.
    if (outLeft > 0)
        throw EInvalidGraphic(status == Z_STREAM_END || status == Z_BUF_ERROR ? kTruncated
                                                                              : kDamagedZip);
}

// Undoes the horizontal prediction of one row: each sample was stored as
// its difference from the one before it (16-bit samples big-endian).
void UndoPrediction(std::uint8_t* row, std::size_t width, int bitsPerSample) {
    if (bitsPerSample == 16) {
        std::uint16_t previous = 0;
        for (std::size_t x = 0; x < width; ++x, row += 2) {
            previous = static_cast<std::uint16_t>(previous + (row[0] << 8 | row[1]));
            row[0] = static_cast<std::uint8_t>(previous >> 8);
            row[1] = static_cast<std::uint8_t>(previous);
        }
    } else if (bitsPerSample == 8) {
        for (std::size_t x = 1; x < width; ++x)
            row[x] = static_cast<std::uint8_t>(row[x] + row[x - 1]);
    }
}

} // namespace

// One zlib stream holds every channel's plane, rows of each channel in
// turn, as the raw layout has them.
void TPSDGraphic::ReadZipRows(ByteSpan data) {
    const std::size_t width = static_cast<std::size_t>(header_.width);
    const auto height = static_cast<std::size_t>(header_.height);
    const std::size_t rowBytes = (width * header_.bitsPerSample + 7) / 8;
    const std::uint64_t planeBytes = std::uint64_t{rowBytes} * height;
    const std::size_t used = static_cast<std::size_t>(header_.samplesUsed);
    const ByteSpan zipped = data.subspan(header_.imageData);
    if (planeBytes * used > kMaxDeflateRatio * zipped.size()) throw EInvalidGraphic(kTruncated);

    std::vector<std::uint8_t> planes(static_cast<std::size_t>(planeBytes * used));
    Inflate(zipped, planes);
    if (header_.compression == kZipPredicted)
        for (std::size_t row = 0; row < height * used; ++row)
            UndoPrediction(planes.data() + row * rowBytes, width, header_.bitsPerSample);
    if (header_.kind == PSDColorKind::CMYK) Invert(planes.data(), planes.size());

    NewPicture(header_.width, header_.height);
    SetUpPalette(data);
    const std::uint8_t* rows[4] = {};
    for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t c = 0; c < used; ++c)
            rows[c] = planes.data() + c * planeBytes + y * rowBytes;
        Converter().ConvertPlanar({rows, used}, width, Pixels().ScanLine(static_cast<int>(y)));
    }
}

void TPSDGraphic::ReadRawRows(ByteSpan data) {
    const std::size_t width = static_cast<std::size_t>(header_.width);
    const auto height = static_cast<std::size_t>(header_.height);
    const std::size_t rowBytes = (width * header_.bitsPerSample + 7) / 8;
    const std::uint64_t planeBytes = std::uint64_t{rowBytes} * height;
    const std::size_t used = static_cast<std::size_t>(header_.samplesUsed);
    if (planeBytes * used > data.size() - header_.imageData) throw EInvalidGraphic(kTruncated);

    NewPicture(header_.width, header_.height);
    SetUpPalette(data);
    const bool invert = header_.kind == PSDColorKind::CMYK;
    std::vector<std::uint8_t> buffer(invert ? rowBytes * used : 0);
    const std::uint8_t* planes[4] = {};
    for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t c = 0; c < used; ++c) {
            const std::uint8_t* row =
                data.data() + header_.imageData + c * planeBytes + y * rowBytes;
            if (invert) {
                std::uint8_t* copy = buffer.data() + c * rowBytes;
                std::memcpy(copy, row, rowBytes);
                Invert(copy, rowBytes); // the file stores 255 for no ink
                row = copy;
            }
            planes[c] = row;
        }
        Converter().ConvertPlanar({planes, used}, width, Pixels().ScanLine(static_cast<int>(y)));
    }
}

void TPSDGraphic::ReadPackedRows(ByteSpan data) {
    const std::size_t width = static_cast<std::size_t>(header_.width);
    const auto height = static_cast<std::size_t>(header_.height);
    const std::size_t rowBytes = (width * header_.bitsPerSample + 7) / 8;
    const std::size_t used = static_cast<std::size_t>(header_.samplesUsed);

    // The table holds a length for every row of every channel; the rows
    // follow in the same order.
    ByteReader in(data);
    in.Seek(header_.imageData);
    const std::uint64_t entries = std::uint64_t{height} * header_.channels;
    if (entries * 2 > in.Remaining()) throw EInvalidGraphic(kTruncated);
    const ByteSpan table = in.Take(entries * 2);
    const std::size_t rowsStart = in.Position();
    // Even perfectly packed rows take two bytes per 128: data shorter than
    // that cannot hold the picture, however large the header says it is.
    const std::uint64_t minimum = std::uint64_t{used} * height * 2 * ((rowBytes + 127) / 128);
    if (minimum > in.Remaining()) throw EInvalidGraphic(kTruncated);

    std::vector<std::uint64_t> offsets(used * height);
    std::vector<std::uint16_t> lengths(used * height);
    std::uint64_t offset = rowsStart;
    for (std::size_t e = 0; e < used * height; ++e) {
        lengths[e] = static_cast<std::uint16_t>(table[2 * e] << 8 | table[2 * e + 1]);
        offsets[e] = offset;
        offset += lengths[e];
    }

    NewPicture(header_.width, header_.height);
    SetUpPalette(data);
    const bool invert = header_.kind == PSDColorKind::CMYK;
    std::vector<std::uint8_t> buffer(rowBytes * used);
    const std::uint8_t* planes[4] = {};
    for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t c = 0; c < used; ++c) {
            const std::size_t e = c * height + y;
            if (offsets[e] + lengths[e] > data.size()) throw EInvalidGraphic(kTruncated);
            std::uint8_t* row = buffer.data() + c * rowBytes;
            UnpackBitsRow(data.subspan(offsets[e], lengths[e]), row, rowBytes);
            if (invert) Invert(row, rowBytes);
            planes[c] = row;
        }
        Converter().ConvertPlanar({planes, used}, width, Pixels().ScanLine(static_cast<int>(y)));
    }
}

} // namespace zv
