#include "formats/TgaGraphic.h"

#include "formats/GbmCodec.h"
#include "platform/LittleEndian.h"

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

constexpr std::size_t kHeaderSize = 18;
constexpr int kColourMapped = 1;
constexpr int kTrueColour = 2;
constexpr int kGrey = 3;
constexpr int kRunLength = 8; // added to the image type
constexpr std::uint8_t kRightToLeft = 0x10;
constexpr std::uint8_t kTopToBottom = 0x20;
constexpr std::uint8_t kAttributeBits = 0x0F; // alpha bits per pixel
constexpr std::uint8_t kRepeatPacket = 0x80;
constexpr std::uint8_t kPacketCount = 0x7F;
constexpr std::int64_t kLongestPacket = 128;
constexpr std::int64_t kLargestDimension = 65535;
constexpr int kMapEntries = 256; // the most an 8-bit pixel can address

struct TgaHeader {
    int kind = 0; // colour-mapped, true colour or grey
    bool runLength = false;
    std::int64_t width = 0;
    std::int64_t height = 0;
    int pixelBits = 0;
    int pixelBytes = 0;
    bool topDown = false;
    bool rightToLeft = false;
    int alphaBits = 0;
    std::int64_t mapFirst = 0;
    std::int64_t mapLength = 0;
    int mapEntryBits = 0;
    std::int64_t mapOffset = 0;
    std::int64_t pixelOffset = 0;
};

bool IsKnownDepth(int kind, int pixelBits) {
    if (kind == kTrueColour)
        return pixelBits == 15 || pixelBits == 16 || pixelBits == 24 || pixelBits == 32;
    return pixelBits == 8;
}

bool IsKnownMapEntry(int bits) {
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

TgaHeader ParseHeader(ByteSpan data) {
    return Stage(kReadHeaderFailed, [&] {
        ByteReader in(data);
        const std::uint8_t idLength = in.U8();
        const std::uint8_t mapType = in.U8();
        const std::uint8_t imageType = in.U8();
        TgaHeader h;
        h.mapFirst = in.U16LE();
        h.mapLength = in.U16LE();
        h.mapEntryBits = in.U8();
        in.Skip(4); // x and y origin on the screen
        h.width = in.U16LE();
        h.height = in.U16LE();
        h.pixelBits = in.U8();
        const std::uint8_t descriptor = in.U8();

        h.kind = imageType & ~kRunLength;
        h.runLength = (imageType & kRunLength) != 0;
        if (imageType > (kGrey | kRunLength) || h.kind < kColourMapped || h.kind > kGrey)
            Fail(kReadHeaderFailed, "unsupported image type");
        if (mapType > 1) Fail(kReadHeaderFailed, "unknown colour map type");
        if (h.width < 1 || h.height < 1) Fail(kReadHeaderFailed, "the picture has no pixels");
        if (!IsKnownDepth(h.kind, h.pixelBits)) Fail(kReadHeaderFailed, "unsupported depth");
        if (h.kind == kColourMapped &&
            (mapType != 1 || h.mapLength < 1 || !IsKnownMapEntry(h.mapEntryBits)))
            Fail(kReadHeaderFailed, "unsupported colour map");
        h.pixelBytes = (h.pixelBits + 7) / 8;
        h.topDown = (descriptor & kTopToBottom) != 0;
        h.rightToLeft = (descriptor & kRightToLeft) != 0;
        h.alphaBits = descriptor & kAttributeBits;
        h.mapOffset = static_cast<std::int64_t>(kHeaderSize) + idLength;
        if (mapType == 0) h.mapLength = 0;
        h.pixelOffset = h.mapOffset + h.mapLength * ((h.mapEntryBits + 7) / 8);
        return h;
    });
}

// The colour of one map entry or one true-colour pixel as blue, green, red.
void PutColour(const std::uint8_t* pixel, int bits, std::uint8_t* bgr) {
    if (bits <= 16) {
        gbm::Put555(GetLittle16(pixel), bgr);
    } else {
        bgr[0] = pixel[0];
        bgr[1] = pixel[1];
        bgr[2] = pixel[2];
    }
}

// Entry i of the map is palette entry mapFirst + i; entries an 8-bit pixel
// cannot reach are read past, those before mapFirst are black.
Palette ReadPalette(ByteSpan data, const TgaHeader& h) {
    ByteReader in(data);
    in.Seek(static_cast<std::uint64_t>(h.mapOffset));
    const int entryBytes = (h.mapEntryBits + 7) / 8;
    const ByteSpan map = in.Take(static_cast<std::uint64_t>(h.mapLength * entryBytes));
    Palette palette(
        static_cast<std::size_t>(std::min<std::int64_t>(kMapEntries, h.mapFirst + h.mapLength)));
    for (std::int64_t i = h.mapFirst; i < static_cast<std::int64_t>(palette.size()); ++i) {
        std::uint8_t bgr[3];
        PutColour(map.data() + (i - h.mapFirst) * entryBytes, h.mapEntryBits, bgr);
        palette[static_cast<std::size_t>(i)] = {bgr[0], bgr[1], bgr[2], 0};
    }
    return palette;
}

ImageFormat FormatOf(const TgaHeader& h) {
    switch (h.kind) {
    case kColourMapped: return ImageFormat::Color8;
    case kGrey: return ImageFormat::Gray8;
    default: return ImageFormat::Color24;
    }
}

// 32-bit pixels whose descriptor gives them 8 alpha bits, or none at all:
// writers such as netpbm's put alpha in the fourth byte and leave the
// count 0, and a fourth byte that is 0 throughout is dropped as unused.
bool HasAlphaChannel(const TgaHeader& h) {
    return h.kind == kTrueColour && h.pixelBits == 32 && (h.alphaBits == 8 || h.alphaBits == 0);
}

// A raw picture needs all its pixels in the file; a run-length packet of
// two bytes or more gives at most 128 pixels.
void CheckPixelData(ByteSpan data, const TgaHeader& h) {
    const auto size = static_cast<std::int64_t>(data.size());
    if (h.pixelOffset > size) Fail(kReadDataFailed, "the pixels start past the end of the file");
    const std::int64_t available = size - h.pixelOffset;
    const std::int64_t pixels = h.width * h.height;
    const std::int64_t most =
        h.runLength ? (available + 1) / 2 * kLongestPacket : available / h.pixelBytes;
    if (pixels > most) Fail(kReadDataFailed, "the picture is larger than its data can fill");
    gbm::CheckStorage(h.width, h.height, HasAlphaChannel(h) ? 32 : BitsOf(FormatOf(h)),
                      std::numeric_limits<std::int64_t>::max());
}

// The file's pixels in order, raw or run-length coded; a packet may run on
// from one row into the next.
class PixelReader {
public:
    PixelReader(ByteSpan pixels, const TgaHeader& h)
        : in_(pixels), bytes_(h.pixelBytes), runLength_(h.runLength) {}

    void Fill(std::uint8_t* out, std::int64_t count) {
        if (!runLength_) {
            in_.Read(out, static_cast<std::uint64_t>(count * bytes_));
            return;
        }
        while (count > 0) {
            if (left_ == 0) StartPacket();
            const std::int64_t take = std::min(left_, count);
            if (repeat_) {
                for (std::int64_t i = 0; i < take; ++i, out += bytes_)
                    std::memcpy(out, value_, bytes_);
            } else {
                in_.Read(out, static_cast<std::uint64_t>(take * bytes_));
                out += take * bytes_;
            }
            left_ -= take;
            count -= take;
        }
    }

private:
    void StartPacket() {
        const std::uint8_t packet = in_.U8();
        left_ = (packet & kPacketCount) + 1;
        repeat_ = (packet & kRepeatPacket) != 0;
        if (repeat_) in_.Read(value_, static_cast<std::uint64_t>(bytes_));
    }

    ByteReader in_;
    int bytes_;
    bool runLength_;
    std::int64_t left_ = 0;
    bool repeat_ = false;
    std::uint8_t value_[4] = {};
};

void ToRow(const std::uint8_t* src, const TgaHeader& h, bool alpha, std::uint8_t* row) {
    const std::int64_t w = h.width;
    const int outBytes = h.pixelBits == 8 ? 1 : alpha ? 4 : 3;
    if (!h.rightToLeft && (h.pixelBits == 8 || h.pixelBits == 24 || alpha)) {
        std::memcpy(row, src, static_cast<std::size_t>(w * outBytes));
        return;
    }
    for (std::int64_t x = 0; x < w; ++x, src += h.pixelBytes) {
        std::uint8_t* out = row + (h.rightToLeft ? w - 1 - x : x) * outBytes;
        if (h.pixelBits == 8) {
            *out = *src;
        } else if (alpha) {
            std::memcpy(out, src, 4);
        } else {
            PutColour(src, h.pixelBits, out);
        }
    }
}

void ReadRows(ByteSpan data, const TgaHeader& h, TDibGraphic& image) {
    PixelReader pixels(data.subspan(static_cast<std::size_t>(h.pixelOffset)), h);
    Bytes line(static_cast<std::size_t>(h.width * h.pixelBytes));
    for (std::int64_t i = 0; i < h.height; ++i) {
        pixels.Fill(line.data(), h.width);
        ToRow(line.data(), h, image.HasAlpha(),
              image.ScanLine(static_cast<std::int32_t>(h.topDown ? i : h.height - 1 - i)));
    }
}

// A grey image whose palette is not the plain ramp is written colour-mapped,
// so that the file shows what the image shows.
bool WritesGrey(const TDibGraphic& image) {
    return image.Format() == ImageFormat::Gray8 &&
           image.Colours() == DefaultPaletteOf(ImageFormat::Gray8);
}

} // namespace

std::unique_ptr<TDibGraphic> TTgaGraphic::NewOfSameClass() const {
    return std::make_unique<TTgaGraphic>();
}

void TTgaGraphic::ReadInfo(ByteSpan data) {
    infoWidth = infoHeight = infoBits = 0;
    const TgaHeader h = ParseHeader(data);
    infoWidth = static_cast<std::int32_t>(h.width);
    infoHeight = static_cast<std::int32_t>(h.height);
    infoBits = h.pixelBits;
}

void TTgaGraphic::ReadInfo(const std::filesystem::path& path) {
    ReadInfo(gbm::ReadHead(path, kHeaderSize));
}

void TTgaGraphic::ReadImage(ByteSpan data, int /*imageNumber*/) {
    const TgaHeader h = ParseHeader(data);
    Palette palette;
    if (h.kind == kColourMapped)
        palette = Stage(kReadDataFailed, [&] { return ReadPalette(data, h); });
    CheckPixelData(data, h);
    const auto width = static_cast<std::int32_t>(h.width);
    const auto height = static_cast<std::int32_t>(h.height);
    const bool alpha = keepAlpha && HasAlphaChannel(h);
    if (alpha)
        NewAlphaImage(width, height);
    else
        NewImage(width, height, FormatOf(h), h.kind == kColourMapped ? &palette : nullptr);
    Stage(kReadDataFailed, [&] { ReadRows(data, h, *this); });
    DropAlphaIfAllClear();
}

void TTgaGraphic::CheckWritable() const {
    const ImageFormat format = Format();
    if (format != ImageFormat::Gray8 && format != ImageFormat::Color8 &&
        format != ImageFormat::Color24)
        throw ETgaError("TGA image must have 256 colors or true color");
    if (Empty()) Fail(kWriteFailed, "the image is empty");
    if (Width() > kLargestDimension || Height() > kLargestDimension)
        Fail(kWriteFailed, "the image is too large for TGA");
}

bool TTgaGraphic::ReadyToWriteInPieces() const {
    CheckWritable();
    return true;
}

void TTgaGraphic::SaveToStream(Bytes& out) const {
    VectorSink sink(out);
    WriteTo(sink);
}

void TTgaGraphic::WriteTo(ByteSink& sink) const {
    CheckWritable();
    const ImageFormat format = Format();
    const bool mapped = format != ImageFormat::Color24 && !WritesGrey(*this);
    const int pixelBits = HasAlpha() ? 32 : format == ImageFormat::Color24 ? 24 : 8;
    Palette map = Colours();
    if (map.empty()) map.resize(1);

    Bytes out;
    out.push_back(0); // no image ID
    out.push_back(mapped ? 1 : 0);
    out.push_back(static_cast<std::uint8_t>(mapped                           ? kColourMapped
                                            : format == ImageFormat::Color24 ? kTrueColour
                                                                             : kGrey));
    PutU16LE(out, 0);
    PutU16LE(out, static_cast<std::uint16_t>(mapped ? map.size() : 0));
    out.push_back(mapped ? 24 : 0);
    PutU32LE(out, 0); // x and y origin on the screen
    PutU16LE(out, static_cast<std::uint16_t>(Width()));
    PutU16LE(out, static_cast<std::uint16_t>(Height()));
    out.push_back(static_cast<std::uint8_t>(pixelBits));
    out.push_back(HasAlpha() ? 8 : 0); // bottom-left origin, alpha bits
    if (mapped)
        for (const PaletteEntry& entry : map)
            out.insert(out.end(), {entry.blue, entry.green, entry.red});
    sink.Write(out.data(), out.size());
    const auto rowBytes =
        static_cast<std::size_t>(Width()) * static_cast<std::size_t>(pixelBits / 8);
    for (std::int32_t y = Height() - 1; y >= 0; --y) sink.Write(ScanLine(y), rowBytes);
}

} // namespace zv
