#include "formats/PcxGraphic.h"

#include "formats/GbmCodec.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace zv {

namespace {

using gbm::Fail;
using gbm::kReadDataFailed;
using gbm::kReadHeaderFailed;
using gbm::kWriteFailed;
using gbm::Stage;

constexpr std::size_t kHeaderSize = 128;
constexpr std::uint8_t kManufacturer = 10;
constexpr std::uint8_t kRunLengthEncoding = 1;
constexpr std::uint8_t kWrittenVersion = 5;
constexpr std::uint8_t kPaletteMarker = 0x0C;
constexpr std::size_t kTrailerSize = 1 + 256 * 3;
constexpr std::uint8_t kRunFlag = 0xC0;  // a byte with both top bits set starts a run
constexpr std::uint8_t kRunCount = 0x3F; // the low six bits of a run byte
constexpr int kLongestRun = 63;
constexpr int kHeaderColours = 16;
constexpr std::int64_t kLargestDimension = 65536; // the corners are 16-bit words
constexpr std::int64_t kLargestLine = 65535;
constexpr std::uint16_t kColourPalette = 1;
constexpr std::uint16_t kGreyPalette = 2;

struct PcxHeader {
    int version = 0;
    int bitsPerPlane = 0;
    int planes = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bytesPerLine = 0;
    int xDpi = 0;
    int yDpi = 0;
    Palette colours; // the 16 entries of the header

    int Bits() const { return bitsPerPlane * planes; }
};

bool IsKnownLayout(int bitsPerPlane, int planes) {
    return (bitsPerPlane == 1 && (planes == 1 || planes == 4)) ||
           (planes == 1 && (bitsPerPlane == 2 || bitsPerPlane == 4 || bitsPerPlane == 8)) ||
           (bitsPerPlane == 8 && planes == 3);
}

PcxHeader ParseHeader(ByteSpan data) {
    return Stage(kReadHeaderFailed, [&] {
        ByteReader in(data);
        if (in.U8() != kManufacturer) Fail(kReadHeaderFailed, "bad magic number");
        PcxHeader h;
        h.version = in.U8();
        if (h.version == 4 || h.version > 5) Fail(kReadHeaderFailed, "unsupported version");
        if (in.U8() != kRunLengthEncoding) Fail(kReadHeaderFailed, "unsupported encoding");
        h.bitsPerPlane = in.U8();
        const std::int64_t xMin = in.U16LE();
        const std::int64_t yMin = in.U16LE();
        const std::int64_t xMax = in.U16LE();
        const std::int64_t yMax = in.U16LE();
        if (xMax < xMin || yMax < yMin) Fail(kReadHeaderFailed, "negative size");
        h.width = xMax - xMin + 1;
        h.height = yMax - yMin + 1;
        h.xDpi = in.U16LE();
        h.yDpi = in.U16LE();
        for (int i = 0; i < kHeaderColours; ++i) {
            const ByteSpan rgb = in.Take(3);
            h.colours.push_back({rgb[2], rgb[1], rgb[0], 0});
        }
        in.Skip(1); // reserved
        h.planes = in.U8();
        h.bytesPerLine = in.U16LE();
        in.Seek(kHeaderSize);
        if (!IsKnownLayout(h.bitsPerPlane, h.planes))
            Fail(kReadHeaderFailed, "unsupported bits per pixel and planes");
        if (h.bytesPerLine < (h.width * h.bitsPerPlane + 7) / 8)
            Fail(kReadHeaderFailed, "the lines are shorter than the width");
        return h;
    });
}

// Versions 0 and 3 carry no palette in the header.
bool HeaderHasPalette(const PcxHeader& h) {
    return h.version != 0 && h.version != 3;
}

// A CGA picture's four colours. Files that carry them give them as the
// first four header entries; the original CGA form gives instead the
// background (one of the 16 standard colours) in the high nibble of the
// first byte and, in the fourth byte, the foreground set: bit 6 the palette
// (green, red, brown or cyan, magenta, grey), bit 5 bright colours.
Palette CgaPalette(const PcxHeader& h) {
    const Palette given(h.colours.begin(), h.colours.begin() + 4);
    const bool blank = std::all_of(given.begin() + 1, given.end(),
                                   [](const PaletteEntry& e) { return e == PaletteEntry{}; });
    if (HeaderHasPalette(h) && !blank) return given;
    const Palette& standard = DefaultPaletteOf(ImageFormat::Color4);
    const std::uint8_t setByte = h.colours[1].red; // the fourth byte: entry 1's red
    const int first = (setByte & 0x40 ? 3 : 2) + (setByte & 0x20 ? 8 : 0);
    return {standard[h.colours[0].red >> 4], standard[first], standard[first + 2],
            standard[first + 4]};
}

Palette PaletteOf(ByteSpan data, const PcxHeader& h) {
    switch (h.Bits()) {
    case 2: return CgaPalette(h);
    case 1:
        if (HeaderHasPalette(h) && h.colours[0] != h.colours[1])
            return {h.colours[0], h.colours[1]};
        return DefaultPaletteOf(ImageFormat::BW);
    case 4: {
        const bool blank = std::all_of(h.colours.begin(), h.colours.end(),
                                       [](const PaletteEntry& e) { return e == PaletteEntry{}; });
        if (HeaderHasPalette(h) && !blank) return h.colours;
        return DefaultPaletteOf(ImageFormat::Color4);
    }
    case 8: {
        const std::size_t size = data.size();
        if (size < kHeaderSize + kTrailerSize || data[size - kTrailerSize] != kPaletteMarker)
            return DefaultPaletteOf(ImageFormat::Gray8); // no palette: show the levels as greys
        Palette palette(256);
        const std::uint8_t* rgb = data.data() + size - kTrailerSize + 1;
        for (PaletteEntry& entry : palette) {
            entry = {rgb[2], rgb[1], rgb[0], 0};
            rgb += 3;
        }
        return palette;
    }
    default: return {};
    }
}

ImageFormat FormatOf(int bits) {
    switch (bits) {
    case 1: return ImageFormat::BW;
    case 2:
    case 4: return ImageFormat::Color4;
    case 8: return ImageFormat::Color8;
    default: return ImageFormat::Color24;
    }
}

// Each two bytes of data decode to at most 63 bytes; a picture needing more
// than that, or more than the layer's limit, is refused before it is made.
void CheckPixelData(ByteSpan data, const PcxHeader& h) {
    const auto coded = static_cast<std::int64_t>(data.size() - kHeaderSize);
    const std::int64_t decoded = h.bytesPerLine * h.planes * h.height;
    if (decoded > (coded + 1) / 2 * kLongestRun)
        Fail(kReadDataFailed, "the picture is larger than its data can fill");
    gbm::CheckStorage(h.width, h.height, BitsOf(FormatOf(h.Bits())),
                      std::numeric_limits<std::int64_t>::max());
}

// The decoded byte stream; a run may carry over from one line to the next.
class RunReader {
public:
    explicit RunReader(ByteSpan coded) : in_(coded) {}

    void Fill(std::uint8_t* out, std::size_t count) {
        while (count > 0) {
            if (left_ == 0) {
                const std::uint8_t byte = in_.U8();
                if (byte < kRunFlag) {
                    *out++ = byte;
                    --count;
                    continue;
                }
                left_ = byte & kRunCount;
                value_ = in_.U8();
            }
            const std::size_t take = std::min(left_, count);
            std::memset(out, value_, take);
            out += take;
            count -= take;
            left_ -= take;
        }
    }

private:
    ByteReader in_;
    std::size_t left_ = 0;
    std::uint8_t value_ = 0;
};

// Four 1-bit planes, plane p holding bit p of each pixel, into 4-bit pixels.
void JoinPlanes(const std::uint8_t* line, std::int64_t bytesPerLine, std::int64_t width,
                std::uint8_t* row) {
    for (std::int64_t x = 0; x < width; ++x) {
        const std::int64_t byte = x / 8;
        const int shift = 7 - static_cast<int>(x % 8);
        int index = 0;
        for (int p = 0; p < 4; ++p) index |= ((line[p * bytesPerLine + byte] >> shift) & 1) << p;
        row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
    }
}

// Two-bit pixels, four a byte, into 4-bit pixels.
void WidenTwoBits(const std::uint8_t* line, std::int64_t width, std::uint8_t* row) {
    for (std::int64_t x = 0; x < width; ++x) {
        const int index = (line[x / 4] >> (6 - 2 * (x % 4))) & 3;
        row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
    }
}

void ToRow(const std::uint8_t* line, const PcxHeader& h, std::uint8_t* row) {
    const std::int64_t w = h.width;
    const std::int64_t n = h.bytesPerLine;
    if (h.planes == 3) {
        for (std::int64_t x = 0; x < w; ++x, row += 3) {
            row[0] = line[2 * n + x];
            row[1] = line[n + x];
            row[2] = line[x];
        }
    } else if (h.planes == 4) {
        JoinPlanes(line, n, w, row);
    } else if (h.bitsPerPlane == 2) {
        WidenTwoBits(line, w, row);
    } else {
        std::memcpy(row, line, static_cast<std::size_t>((w * h.bitsPerPlane + 7) / 8));
    }
}

void ReadRows(ByteSpan data, const PcxHeader& h, TDibGraphic& image) {
    RunReader runs(data.subspan(kHeaderSize));
    Bytes line(static_cast<std::size_t>(h.bytesPerLine * h.planes));
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        runs.Fill(line.data(), line.size());
        ToRow(line.data(), h, image.ScanLine(y));
    }
}

void EncodeLine(const std::uint8_t* line, std::size_t size, Bytes& out) {
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t value = line[i];
        std::size_t run = 1;
        while (i + run < size && run < kLongestRun && line[i + run] == value) ++run;
        if (run > 1 || value >= kRunFlag) out.push_back(static_cast<std::uint8_t>(kRunFlag | run));
        out.push_back(value);
        i += run;
    }
}

// Readers take a 1-bit pixel of 0 as the dark one, so a picture whose first
// colour is the brighter is written with its bits and colours swapped.
bool WritesInverted(const TDibGraphic& image) {
    if (image.Bits() != 1) return false;
    Palette colours = image.Colours();
    colours.resize(2);
    return gbm::Brightness(colours[0]) > gbm::Brightness(colours[1]);
}

Palette HeaderColours(const TDibGraphic& image, bool inverted) {
    Palette colours;
    if (image.Bits() == 1 || image.Bits() == 4) colours = image.Colours();
    colours.resize(kHeaderColours);
    if (inverted) std::swap(colours[0], colours[1]);
    return colours;
}

void PutHeader(const TDibGraphic& image, std::int64_t bytesPerLine, bool inverted, Bytes& out) {
    const bool trueColour = image.Bits() == 24;
    out.push_back(kManufacturer);
    out.push_back(kWrittenVersion);
    out.push_back(kRunLengthEncoding);
    out.push_back(static_cast<std::uint8_t>(trueColour ? 8 : image.Bits()));
    PutU16LE(out, 0);
    PutU16LE(out, 0);
    PutU16LE(out, static_cast<std::uint16_t>(image.Width() - 1));
    PutU16LE(out, static_cast<std::uint16_t>(image.Height() - 1));
    PutU16LE(out, static_cast<std::uint16_t>(std::clamp(image.XDpi(), 0, 65535)));
    PutU16LE(out, static_cast<std::uint16_t>(std::clamp(image.YDpi(), 0, 65535)));
    for (const PaletteEntry& entry : HeaderColours(image, inverted))
        out.insert(out.end(), {entry.red, entry.green, entry.blue});
    out.push_back(0); // reserved
    out.push_back(static_cast<std::uint8_t>(trueColour ? 3 : 1));
    PutU16LE(out, static_cast<std::uint16_t>(bytesPerLine));
    PutU16LE(out, IsGrey(image.Format()) ? kGreyPalette : kColourPalette);
    out.resize(out.size() + 58, 0); // screen size and filler up to 128 bytes
}

// Each row coded and handed on before the next.
void PutRows(const TDibGraphic& image, std::int64_t bytesPerLine, bool inverted, ByteSink& sink) {
    const std::int32_t width = image.Width();
    const auto lineBytes = static_cast<std::size_t>(bytesPerLine);
    const auto rowBytes = static_cast<std::size_t>((std::int64_t{width} * image.Bits() + 7) / 8);
    Bytes line(lineBytes);
    Bytes out;
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        const std::uint8_t* row = image.ScanLine(y);
        out.clear();
        if (image.Bits() == 24) {
            for (int plane = 0; plane < 3; ++plane) {
                for (std::int32_t x = 0; x < width; ++x) line[x] = row[3 * x + 2 - plane];
                EncodeLine(line.data(), lineBytes, out);
            }
            sink.Write(out.data(), out.size());
            continue;
        }
        std::memcpy(line.data(), row, rowBytes);
        if (inverted) {
            for (std::size_t i = 0; i < rowBytes; ++i)
                line[i] = static_cast<std::uint8_t>(~line[i]);
            if (width % 8 != 0)
                line[rowBytes - 1] &= static_cast<std::uint8_t>(0xFF << (8 - width % 8));
        }
        EncodeLine(line.data(), lineBytes, out);
        sink.Write(out.data(), out.size());
    }
}

void PutTrailer(const TDibGraphic& image, Bytes& out) {
    Palette colours = image.Colours();
    colours.resize(256);
    out.push_back(kPaletteMarker);
    for (const PaletteEntry& entry : colours)
        out.insert(out.end(), {entry.red, entry.green, entry.blue});
}

} // namespace

std::unique_ptr<TDibGraphic> TPcxGraphic::NewOfSameClass() const {
    return std::make_unique<TPcxGraphic>();
}

void TPcxGraphic::ReadInfo(ByteSpan data) {
    infoWidth = infoHeight = infoBits = 0;
    const PcxHeader h = ParseHeader(data);
    infoWidth = static_cast<std::int32_t>(h.width);
    infoHeight = static_cast<std::int32_t>(h.height);
    infoBits = h.Bits();
}

void TPcxGraphic::ReadInfo(const std::filesystem::path& path) {
    ReadInfo(gbm::ReadHead(path, kHeaderSize));
}

void TPcxGraphic::ReadImage(ByteSpan data, int /*imageNumber*/) {
    const PcxHeader h = ParseHeader(data);
    CheckPixelData(data, h);
    const Palette palette = PaletteOf(data, h);
    NewImage(static_cast<std::int32_t>(h.width), static_cast<std::int32_t>(h.height),
             FormatOf(h.Bits()), &palette, h.xDpi, h.yDpi);
    Stage(kReadDataFailed, [&] { ReadRows(data, h, *this); });
}

std::int64_t TPcxGraphic::BytesPerLine() const {
    const int bits = Bits();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        Fail(gbm::kInvalidImageFormat, "PCX holds 1, 4, 8 and 24 bits");
    if (Empty()) Fail(kWriteFailed, "the image is empty");
    const std::int64_t planeBits = std::int64_t{Width()} * (bits == 24 ? 8 : bits);
    const std::int64_t bytesPerLine = ((planeBits + 7) / 8 + 1) / 2 * 2;
    if (Width() > kLargestDimension || Height() > kLargestDimension || bytesPerLine > kLargestLine)
        Fail(kWriteFailed, "the image is too large for PCX");
    return bytesPerLine;
}

bool TPcxGraphic::ReadyToWriteInPieces() const {
    BytesPerLine();
    return true;
}

void TPcxGraphic::SaveToStream(Bytes& out) const {
    VectorSink sink(out);
    WriteTo(sink);
}

void TPcxGraphic::WriteTo(ByteSink& sink) const {
    const std::int64_t bytesPerLine = BytesPerLine();
    const bool inverted = WritesInverted(*this);
    Bytes out;
    PutHeader(*this, bytesPerLine, inverted, out);
    sink.Write(out.data(), out.size());
    PutRows(*this, bytesPerLine, inverted, sink);
    if (Bits() == 8) {
        out.clear();
        PutTrailer(*this, out);
        sink.Write(out.data(), out.size());
    }
}

} // namespace zv
