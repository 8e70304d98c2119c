#include "formats/BmpGraphic.h"

#include "formats/GbmCodec.h"
#include "formats/JpegReader.h"
#include "formats/PngGraphic.h"
#include "imaging/PixelConvert.h"
#include "platform/linux/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <exception>
#include <limits>
#include <string>

namespace zv {

namespace {

using gbm::Fail;
using gbm::kReadDataFailed;
using gbm::kReadHeaderFailed;
using gbm::Stage;

constexpr std::uint16_t kBitmapFile = 0x4D42;  // "BM"
constexpr std::uint16_t kBitmapArray = 0x4142; // "BA", an OS/2 bitmap array
constexpr std::uint64_t kArrayHeaderRest = 12; // the array header after its type
constexpr std::int64_t kCoreHeaderSize = 12;
constexpr std::int64_t kLargestHeader = 124;
constexpr std::int64_t kHeaderWithMasks = 52;
constexpr std::size_t kHeadBytes = 256; // enough for every header ReadInfo parses

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kJpeg = 4; // the pixels are a whole JPEG file
constexpr std::uint32_t kPng = 5;  // the pixels are a whole PNG file
constexpr std::uint32_t kAlphaBitFields = 6;

// A run-length file may describe far more pixels than it has bytes (a
// delta or an end-of-bitmap code skips any number), so its pixels are
// limited to this many bytes of storage per byte of data beyond a fixed
// allowance: generous for real pictures, but a few bytes cannot claim a
// gigabyte.
constexpr std::int64_t kRleStoragePerByte = 1024;
constexpr std::int64_t kRleStorageAllowance = std::int64_t{16} << 20;

// Where the parts of a bitmap lie and how its pixels are coded, once checked.
struct BmpHeader {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = kRgb;
    std::int64_t paletteOffset = 0;
    std::int64_t paletteEntries = 0;
    int entryBytes = 4;
    std::int64_t pixelOffset = 0;
    std::int32_t xPixelsPerMetre = 0;
    std::int32_t yPixelsPerMetre = 0;
    std::array<std::uint32_t, 3> masks{}; // red, green, blue
    std::uint32_t alphaMask = 0;
    std::int64_t imageSize = 0; // the size field: the bytes of an embedded picture
    bool codecReads = false;    // within what the codec reads itself
};

std::uint32_t Get16(const std::uint8_t* p) {
    return p[0] | p[1] << 8;
}
std::uint32_t Get32(const std::uint8_t* p) {
    return Get16(p) | Get16(p + 2) << 16;
}

// 12 (OS/2 1.x), or 16..64 in whole words (Windows 3 and OS/2 2.x), where
// OS/2 2.x headers may also stop half-way through a word at 42 or 46.
bool IsCodecHeaderSize(std::int64_t size) {
    return size == kCoreHeaderSize ||
           (size >= 16 && size <= 64 && (size % 4 == 0 || size == 42 || size == 46));
}

// The Windows headers, whose compression 3 means bit fields (in OS/2 2.x
// headers it means Huffman coding).
bool IsWindowsHeaderSize(std::int64_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool IsPlainDepth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}
bool IsFieldDepth(int bits) {
    return bits == 16 || bits == 32;
}
bool IsRle(std::uint32_t compression) {
    return compression == kRle8 || compression == kRle4;
}
bool IsEmbedded(std::uint32_t compression) {
    return compression == kJpeg || compression == kPng;
}

void ReadCoreHeader(const std::uint8_t* info, BmpHeader& h) {
    h.width = Get16(info + 4);
    h.height = Get16(info + 6);
    if (h.width == 0 || h.height == 0) Fail(kReadHeaderFailed, "the picture has no pixels");
    if (Get16(info + 8) != 1) Fail(kReadHeaderFailed, "the plane count is not 1");
    h.bits = static_cast<int>(Get16(info + 10));
    h.entryBytes = 3;
}

// Fields past the end of a short header read as 0.
void ReadInfoHeader(const std::uint8_t* info, BmpHeader& h) {
    const auto width = static_cast<std::int32_t>(Get32(info + 4));
    const auto height = static_cast<std::int32_t>(Get32(info + 8));
    if (width <= 0) Fail(kReadHeaderFailed, "the width is not positive");
    if (height == 0 || height == std::numeric_limits<std::int32_t>::min())
        Fail(kReadHeaderFailed, "the height is out of range");
    if (Get16(info + 12) != 1) Fail(kReadHeaderFailed, "the plane count is not 1");
    h.width = width;
    h.height = height < 0 ? -std::int64_t{height} : height;
    h.topDown = height < 0;
    h.bits = static_cast<int>(Get16(info + 14));
    h.compression = Get32(info + 16);
    h.imageSize = Get32(info + 20);
    h.xPixelsPerMetre = std::max(0, static_cast<std::int32_t>(Get32(info + 24)));
    h.yPixelsPerMetre = std::max(0, static_cast<std::int32_t>(Get32(info + 28)));
}

void CheckCoding(const BmpHeader& h, std::int64_t headerSize) {
    bool known = false;
    switch (h.compression) {
    case kRgb: known = IsPlainDepth(h.bits) || IsFieldDepth(h.bits); break;
    case kRle8: known = h.bits == 8; break;
    case kRle4: known = h.bits == 4; break;
    case kBitFields:
    case kAlphaBitFields: known = IsFieldDepth(h.bits) && IsWindowsHeaderSize(headerSize); break;
    case kJpeg:
    case kPng: known = IsWindowsHeaderSize(headerSize); break; // OS/2 uses 4 for RLE24
    default: break;
    }
    if (!known) Fail(kReadHeaderFailed, "this depth and compression are not supported");
}

bool IsOneRunOfBits(std::uint32_t mask) {
    if (mask == 0) return true;
    const std::uint32_t run = mask >> std::countr_zero(mask);
    return (run & (run + 1)) == 0;
}

// Bit-field masks sit inside headers of 52 bytes and more, else right after
// the header, where they push the colour table back.
void ReadMasks(ByteReader& in, const std::uint8_t* info, std::int64_t headerSize, BmpHeader& h) {
    if (h.compression == kRgb) {
        h.masks = h.bits == 16 ? std::array<std::uint32_t, 3>{0x7C00, 0x03E0, 0x001F}
                               : std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
        return;
    }
    if (headerSize >= kHeaderWithMasks) {
        for (int i = 0; i < 3; ++i) h.masks[i] = Get32(info + 40 + 4 * i);
        if (headerSize >= kHeaderWithMasks + 4) h.alphaMask = Get32(info + 52);
    } else {
        in.Seek(static_cast<std::uint64_t>(h.paletteOffset));
        for (int i = 0; i < 3; ++i) h.masks[i] = in.U32LE();
        if (h.compression == kAlphaBitFields) h.alphaMask = in.U32LE();
        h.paletteOffset += h.compression == kAlphaBitFields ? 16 : 12;
    }
    for (std::uint32_t mask : h.masks)
        if (!IsOneRunOfBits(mask))
            Fail(kReadHeaderFailed, "a bit-field mask is not one run of bits");
    if (!IsOneRunOfBits(h.alphaMask)) h.alphaMask = 0; // an unusable alpha mask is ignored
}

void PlaceParts(std::uint32_t offBits, std::int64_t headerEnd, const std::uint8_t* info,
                std::int64_t headerSize, BmpHeader& h) {
    if (h.bits <= 8 && !IsEmbedded(h.compression)) {
        const std::int64_t most = std::int64_t{1} << h.bits;
        const std::int64_t used = headerSize == kCoreHeaderSize ? 0 : Get32(info + 32);
        h.paletteEntries = used >= 1 && used <= most ? used : most;
    }
    if (offBits == 0) {
        h.pixelOffset = h.paletteOffset + h.paletteEntries * h.entryBytes;
    } else if (offBits < headerEnd) {
        Fail(kReadHeaderFailed, "the pixels would start inside the header");
    } else {
        h.pixelOffset = offBits;
    }
}

BmpHeader ParseHeader(ByteSpan data) {
    return Stage(kReadHeaderFailed, [&] {
        ByteReader in(data);
        std::uint16_t type = in.U16LE();
        if (type == kBitmapArray) {
            in.Skip(kArrayHeaderRest);
            type = in.U16LE();
        }
        if (type != kBitmapFile) Fail(kReadHeaderFailed, "not a bitmap file");
        in.Skip(8); // file size, reserved words
        const std::uint32_t offBits = in.U32LE();
        const auto infoStart = static_cast<std::int64_t>(in.Position());
        const std::int64_t headerSize = in.U32LE();
        if (!IsCodecHeaderSize(headerSize) && !IsWindowsHeaderSize(headerSize))
            Fail(kReadHeaderFailed, "unknown information header size");
        std::array<std::uint8_t, kLargestHeader> info{};
        in.Seek(static_cast<std::uint64_t>(infoStart));
        in.Read(info.data(), static_cast<std::uint64_t>(headerSize));

        BmpHeader h;
        if (headerSize == kCoreHeaderSize) {
            ReadCoreHeader(info.data(), h);
        } else {
            ReadInfoHeader(info.data(), h);
        }
        CheckCoding(h, headerSize);
        h.paletteOffset = infoStart + headerSize;
        if (IsFieldDepth(h.bits) && !IsEmbedded(h.compression))
            ReadMasks(in, info.data(), headerSize, h);
        PlaceParts(offBits, infoStart + headerSize, info.data(), headerSize, h);
        h.codecReads = IsCodecHeaderSize(headerSize) && IsPlainDepth(h.bits) &&
                       (h.compression == kRgb || IsRle(h.compression));
        return h;
    });
}

Palette ReadPalette(ByteSpan data, const BmpHeader& h) {
    ByteReader in(data);
    in.Seek(static_cast<std::uint64_t>(h.paletteOffset));
    Palette palette(static_cast<std::size_t>(h.paletteEntries));
    for (PaletteEntry& entry : palette) {
        const ByteSpan bgr = in.Take(static_cast<std::uint64_t>(h.entryBytes));
        entry = {bgr[0], bgr[1], bgr[2], 0};
    }
    return palette;
}

int ImageBits(const BmpHeader& h) {
    return IsFieldDepth(h.bits) || IsEmbedded(h.compression) ? 24 : h.bits;
}

ImageFormat FormatOf(int bits) {
    switch (bits) {
    case 1: return ImageFormat::BW;
    case 4: return ImageFormat::Color4;
    case 8: return ImageFormat::Color8;
    default: return ImageFormat::Color24;
    }
}

// Refuses a picture its data (size bytes) cannot hold, before its pixels
// are made; an alpha picture takes 32 bits a pixel. An embedded picture's
// storage is checked once its own header is read.
void CheckPixelData(std::int64_t size, const BmpHeader& h, bool alpha = false) {
    if (h.pixelOffset > size) Fail(kReadDataFailed, "the pixels start past the end of the file");
    if (IsEmbedded(h.compression)) return;
    const std::int64_t available = size - h.pixelOffset;
    std::int64_t fillable = std::numeric_limits<std::int64_t>::max();
    if (IsRle(h.compression)) {
        fillable = available * kRleStoragePerByte + kRleStorageAllowance;
    } else if (h.height > available / RowStride(h.width, h.bits)) {
        Fail(kReadDataFailed, "the file holds fewer rows than the picture has");
    }
    gbm::CheckStorage(h.width, h.height, alpha ? 32 : ImageBits(h), fillable);
}

std::int32_t ImageRow(const BmpHeader& h, std::int64_t fileRow) {
    return static_cast<std::int32_t>(h.topDown ? fileRow : h.height - 1 - fileRow);
}

const std::uint8_t* FileRow(ByteSpan data, const BmpHeader& h, std::int32_t y) {
    const std::int64_t fileRow = h.topDown ? y : h.height - 1 - y;
    return data.data() + h.pixelOffset + fileRow * RowStride(h.width, h.bits);
}

void ReadPlainRows(ByteSpan data, const BmpHeader& h, TDibGraphic& image) {
    const auto rowBytes = static_cast<std::size_t>((h.width * h.bits + 7) / 8);
    for (std::int32_t y = 0; y < image.Height(); ++y)
        std::memcpy(image.ScanLine(y), FileRow(data, h, y), rowBytes);
}

// The bytes of an embedded JPEG or PNG file: the size field's many, or the
// rest of the file when it gives none.
ByteSpan EmbeddedBytes(ByteSpan data, const BmpHeader& h) {
    const auto available = static_cast<std::int64_t>(data.size()) - h.pixelOffset;
    if (h.imageSize > available) Fail(kReadDataFailed, "the embedded picture runs past the end");
    const std::int64_t size = h.imageSize > 0 ? h.imageSize : available;
    return data.subspan(static_cast<std::size_t>(h.pixelOffset), static_cast<std::size_t>(size));
}

void CheckEmbeddedSize(std::int64_t width, std::int64_t height, const BmpHeader& h, int bits) {
    if (width != h.width || height != h.height)
        Fail(kReadDataFailed, "the embedded picture's size differs from the header's");
    gbm::CheckStorage(width, height, bits, std::numeric_limits<std::int64_t>::max());
}

Bitmap EmbeddedJpeg(ByteSpan file, const BmpHeader& h) {
    TJpegReader reader;
    reader.ReadHeader(Bytes(file.begin(), file.end()));
    CheckEmbeddedSize(reader.Width(), reader.Height(), h, 24);
    reader.output = JpegOutput::Bits24;
    Bitmap picture;
    reader.Decode(picture);
    return picture;
}

Bitmap EmbeddedPng(ByteSpan file, const BmpHeader& h, bool keepAlpha) {
    TPngGraphic png;
    png.ReadInfo(file);
    CheckEmbeddedSize(png.infoWidth, png.infoHeight, h, keepAlpha ? 32 : 24);
    png.keepAlpha = keepAlpha;
    png.LoadFromStream(file);
    return png.TakePixels();
}

// The picture a JPEG or PNG file inside the bitmap holds; whatever fails in
// it is the bitmap's read error.
Bitmap EmbeddedPicture(ByteSpan data, const BmpHeader& h, bool keepAlpha) {
    const ByteSpan file = EmbeddedBytes(data, h);
    try {
        return h.compression == kJpeg ? EmbeddedJpeg(file, h) : EmbeddedPng(file, h, keepAlpha);
    } catch (const gbm::ECodecError&) {
        throw;
    } catch (const std::exception& error) {
        Fail(kReadDataFailed, std::string("the embedded picture cannot be read: ") + error.what());
    }
}

// One colour channel of a bit-field pixel, widened or narrowed to 8 bits.
class Channel {
public:
    explicit Channel(std::uint32_t mask) : mask_(mask) {
        if (mask == 0) return;
        shift_ = std::countr_zero(mask);
        bits_ = std::popcount(mask);
        if (bits_ <= 8)
            for (std::uint32_t v = 0; v < (1u << bits_); ++v) widened_[v] = WidenChannel(v, bits_);
    }
    std::uint8_t Of(std::uint32_t pixel) const {
        const std::uint32_t value = (pixel & mask_) >> shift_;
        return bits_ <= 8 ? widened_[value] : static_cast<std::uint8_t>(value >> (bits_ - 8));
    }

private:
    std::uint32_t mask_;
    int shift_ = 0;
    int bits_ = 0;
    std::array<std::uint8_t, 256> widened_{};
};

// Red, green, blue and alpha.
using FieldChannels = std::array<Channel, 4>;

template <int Bits, bool Alpha>
void DecodeFieldRow(const std::uint8_t* src, std::int64_t width, const FieldChannels& channels,
                    std::uint8_t* out) {
    for (std::int64_t x = 0; x < width; ++x, src += Bits / 8, out += Alpha ? 4 : 3) {
        const std::uint32_t pixel = Bits == 16 ? Get16(src) : Get32(src);
        out[0] = channels[2].Of(pixel);
        out[1] = channels[1].Of(pixel);
        out[2] = channels[0].Of(pixel);
        if constexpr (Alpha) out[3] = channels[3].Of(pixel);
    }
}

template <bool Alpha>
void ReadFieldRowsOf(ByteSpan data, const BmpHeader& h, const FieldChannels& channels,
                     TDibGraphic& image) {
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        if (h.bits == 16) {
            DecodeFieldRow<16, Alpha>(FileRow(data, h, y), h.width, channels, image.ScanLine(y));
        } else {
            DecodeFieldRow<32, Alpha>(FileRow(data, h, y), h.width, channels, image.ScanLine(y));
        }
    }
}

void ReadFieldRows(ByteSpan data, const BmpHeader& h, TDibGraphic& image) {
    const FieldChannels channels = {Channel(h.masks[0]), Channel(h.masks[1]), Channel(h.masks[2]),
                                    Channel(h.alphaMask)};
    if (image.HasAlpha())
        ReadFieldRowsOf<true>(data, h, channels, image);
    else
        ReadFieldRowsOf<false>(data, h, channels, image);
}

void SetNibble(std::uint8_t* line, std::int64_t x, std::uint8_t index) {
    std::uint8_t& byte = line[x / 2];
    byte =
        static_cast<std::uint8_t>(x % 2 == 0 ? (byte & 0x0F) | index << 4 : (byte & 0xF0) | index);
}

std::uint8_t NibbleOf(std::uint8_t byte, std::int64_t i) {
    return static_cast<std::uint8_t>(i % 2 == 0 ? byte >> 4 : byte & 0x0F);
}

// Decodes RLE8 and RLE4 data into the image's rows. Runs and literal groups
// that reach past the right edge are cut at the edge, a delta or end of line
// that leaves the picture ends the decoding, and data that stops before the
// picture is complete is an error.
class RleDecoder {
public:
    RleDecoder(ByteSpan data, const BmpHeader& h, TDibGraphic& image)
        : in_(data.subspan(static_cast<std::size_t>(h.pixelOffset))), h_(h), image_(image) {
        line_ = image_.ScanLine(ImageRow(h_, 0));
    }

    void Run() {
        while (row_ < h_.height) {
            if (in_.AtEnd()) {
                if (row_ == h_.height - 1 && x_ >= h_.width) return;
                Fail(kReadDataFailed, "the run-length data stops before the picture is complete");
            }
            const std::uint8_t count = in_.U8();
            const std::uint8_t value = in_.U8();
            if (count > 0) {
                PutRun(count, value);
                continue;
            }
            switch (value) {
            case 0: // end of line
                x_ = 0;
                NextRows(1);
                break;
            case 1: return; // end of bitmap
            case 2: {       // delta
                const std::uint8_t dx = in_.U8();
                const std::uint8_t dy = in_.U8();
                x_ += dx;
                NextRows(dy);
                break;
            }
            default: PutLiteral(value); break;
            }
        }
    }

private:
    std::int64_t InPicture(std::int64_t count) const {
        return std::clamp<std::int64_t>(h_.width - x_, 0, count);
    }

    void PutRun(int count, std::uint8_t value) {
        const std::int64_t shown = InPicture(count);
        if (h_.bits == 8) {
            if (shown > 0) std::memset(line_ + x_, value, static_cast<std::size_t>(shown));
        } else {
            for (std::int64_t i = 0; i < shown; ++i) SetNibble(line_, x_ + i, NibbleOf(value, i));
        }
        x_ += count;
    }

    // A group of count pixels stored as they are, padded to a 16-bit boundary.
    void PutLiteral(int count) {
        const std::int64_t bytes = h_.bits == 8 ? count : (count + 1) / 2;
        const ByteSpan pixels = in_.Take(static_cast<std::uint64_t>(bytes));
        const std::int64_t shown = InPicture(count);
        if (h_.bits == 8) {
            if (shown > 0) std::memcpy(line_ + x_, pixels.data(), static_cast<std::size_t>(shown));
        } else {
            for (std::int64_t i = 0; i < shown; ++i)
                SetNibble(line_, x_ + i, NibbleOf(pixels[static_cast<std::size_t>(i / 2)], i));
        }
        x_ += count;
        if (bytes % 2 != 0 && !in_.AtEnd()) in_.Skip(1);
    }

    void NextRows(std::int64_t rows) {
        row_ += rows;
        if (row_ < h_.height) line_ = image_.ScanLine(ImageRow(h_, row_));
    }

    ByteReader in_;
    const BmpHeader& h_;
    TDibGraphic& image_;
    std::uint8_t* line_ = nullptr;
    std::int64_t x_ = 0;
    std::int64_t row_ = 0;
};

} // namespace

std::unique_ptr<TDibGraphic> TBmpGraphic::NewOfSameClass() const {
    return std::make_unique<TBmpGraphic>();
}

namespace {

bool HasAlphaMask(const BmpHeader& h) {
    return IsFieldDepth(h.bits) && h.alphaMask != 0 &&
           (h.compression == kBitFields || h.compression == kAlphaBitFields);
}

} // namespace

bool BmpHasAlphaMask(const std::filesystem::path& path) {
    try {
        return HasAlphaMask(ParseHeader(gbm::ReadHead(path, kHeadBytes)));
    } catch (const std::exception&) {
        return false;
    }
}

void TBmpGraphic::ReadInfo(ByteSpan data) {
    infoWidth = infoHeight = infoBits = 0;
    const BmpHeader h = ParseHeader(data);
    infoWidth = static_cast<std::int32_t>(h.width);
    infoHeight = static_cast<std::int32_t>(h.height);
    infoBits = IsEmbedded(h.compression) ? ImageBits(h) : h.bits;
}

void TBmpGraphic::ReadInfo(const std::filesystem::path& path) {
    ReadInfo(gbm::ReadHead(path, kHeadBytes));
}

void TBmpGraphic::ReadImage(ByteSpan data, int /*imageNumber*/) {
    readByFallback = false;
    const BmpHeader h = ParseHeader(data);
    const Palette palette = Stage(kReadDataFailed, [&] { return ReadPalette(data, h); });
    const bool alpha = keepAlpha && HasAlphaMask(h);
    CheckPixelData(static_cast<std::int64_t>(data.size()), h, alpha);
    const auto width = static_cast<std::int32_t>(h.width);
    const auto height = static_cast<std::int32_t>(h.height);
    const int xDpi = PixelsPerMetreToDpi(h.xPixelsPerMetre);
    const int yDpi = PixelsPerMetreToDpi(h.yPixelsPerMetre);
    readByFallback = !h.codecReads;
    if (IsEmbedded(h.compression)) {
        Bitmap picture = EmbeddedPicture(data, h, keepAlpha);
        if (!picture.HasAlpha()) return Assign(std::move(picture), xDpi, yDpi);
        // The class keeps no alpha through Assign; the reader does when asked.
        NewAlphaImage(width, height, xDpi, yDpi);
        for (std::int32_t y = 0; y < height; ++y)
            std::memcpy(ScanLine(y), picture.ScanLine(y), static_cast<std::size_t>(Stride()));
        return;
    }
    if (alpha)
        NewAlphaImage(width, height, xDpi, yDpi);
    else
        NewImage(width, height, FormatOf(ImageBits(h)), &palette, xDpi, yDpi);
    Stage(kReadDataFailed, [&] {
        if (IsRle(h.compression)) {
            RleDecoder(data, h, *this).Run();
        } else if (IsFieldDepth(h.bits)) {
            ReadFieldRows(data, h, *this);
        } else {
            ReadPlainRows(data, h, *this);
        }
    });
    DropAlphaIfAllClear();
}

namespace {

// An open file, closed when it goes.
class FileHandle {
public:
    explicit FileHandle(const std::filesystem::path& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~FileHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

// The resolution as the layer's image keeps it: the screen's where the file
// gives none, rounded through pixels per metre.
int StoredDpi(std::int32_t pixelsPerMetre) {
    const int dpi = PixelsPerMetreToDpi(pixelsPerMetre);
    return PixelsPerMetreToDpi(DpiToPixelsPerMetre(dpi ? dpi : TDibGraphic::screenDpi));
}

// Reads count bytes at offset into target; false when the file ends first.
bool ReadAt(int fd, std::uint8_t* target, std::size_t count, std::int64_t offset) {
    while (count > 0) {
        const ssize_t got = ::pread(fd, target, count, offset);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        target += got;
        count -= static_cast<std::size_t>(got);
        offset += got;
    }
    return true;
}

// Uncompressed rows from the file straight into the picture's rows, many
// rows to one call, in file order (bottom-up files fill the picture from
// its last row).
void ReadRowsFromFile(int fd, const BmpHeader& h, Bitmap& picture) {
    const std::int64_t fileStride = RowStride(h.width, h.bits);
    const auto rowBytes = static_cast<std::size_t>(fileStride);
    constexpr std::int64_t kRowsPerCall = 512;
    std::vector<iovec> rows;
    for (std::int64_t first = 0; first < h.height; first += kRowsPerCall) {
        const std::int64_t count = std::min(kRowsPerCall, h.height - first);
        rows.clear();
        for (std::int64_t r = first; r < first + count; ++r)
            rows.push_back({picture.ScanLine(ImageRow(h, r)), rowBytes});
        const std::int64_t offset = h.pixelOffset + first * fileStride;
        const ssize_t got = ::preadv(fd, rows.data(), static_cast<int>(rows.size()), offset);
        if (got == static_cast<ssize_t>(count * fileStride)) continue;
        // A short read: the rest row by row, failing where the file ends.
        for (std::int64_t r = 0; r < count; ++r) {
            if (got >= 0 && (r + 1) * fileStride <= got) continue;
            if (!ReadAt(fd, static_cast<std::uint8_t*>(rows[static_cast<std::size_t>(r)].iov_base),
                        rowBytes, offset + r * fileStride))
                Fail(kReadDataFailed, "the data ends early");
        }
    }
}

} // namespace

BmpPicture ReadBmpFile(const std::filesystem::path& path, bool keepAlpha) {
    const FileHandle file(path);
    struct stat status {};
    if (file.Fd() < 0 || ::fstat(file.Fd(), &status) != 0 || !S_ISREG(status.st_mode))
        throw EInvalidGraphic("Cannot open " + path.string());
    const std::int64_t size = status.st_size;
    // Headers, bit-field masks and the colour table lie at the start.
    Bytes head(static_cast<std::size_t>(std::min<std::int64_t>(size, 64 << 10)));
    if (!ReadAt(file.Fd(), head.data(), head.size(), 0))
        Fail(kReadHeaderFailed, "cannot read " + path.string());
    const BmpHeader h = ParseHeader(head);
    const bool headHoldsTable =
        h.paletteOffset + h.paletteEntries * h.entryBytes <= static_cast<std::int64_t>(head.size());
    const bool plainRows = h.compression == kRgb && IsPlainDepth(h.bits) &&
                           RowStride(h.width, h.bits) == RowStride(h.width, ImageBits(h));
    BmpPicture result;
    if (!headHoldsTable || !plainRows) {
        // Run-length and bit-field files are decoded from the whole file.
        TBmpGraphic graphic;
        graphic.keepAlpha = keepAlpha;
        graphic.LoadFromStream(ReadWholeFile(path));
        result.xDpi = graphic.XDpi();
        result.yDpi = graphic.YDpi();
        result.readByFallback = graphic.readByFallback;
        result.pixels = graphic.TakePixels();
        return result;
    }
    result.xDpi = StoredDpi(h.xPixelsPerMetre);
    result.yDpi = StoredDpi(h.yPixelsPerMetre);
    result.readByFallback = !h.codecReads;
    const Palette palette = Stage(kReadDataFailed, [&] { return ReadPalette(head, h); });
    CheckPixelData(size, h);
    Bitmap& picture = result.pixels;
    const ImageFormat format = FormatOf(ImageBits(h));
    try {
        picture.Create(static_cast<std::int32_t>(h.width), static_cast<std::int32_t>(h.height),
                       PixelFormatOf(format));
    } catch (const EBitmapError&) {
        throw EInvalidGraphic("CreateDibSection failed");
    }
    // The palette as the layer's image keeps it: the file's entries, at most 2^bits.
    if (HasPalette(format)) picture.SetPalette(palette);
    ReadRowsFromFile(file.Fd(), h, picture);
    return result;
}

std::uint64_t TBmpGraphic::FileSize() const {
    if (Empty()) Fail(gbm::kWriteFailed, "the image is empty");
    const std::uint64_t pixelOffset = 14 + 40 + 4 * Colours().size();
    const std::uint64_t fileSize = pixelOffset + static_cast<std::uint64_t>(ImageSize());
    if (fileSize > std::numeric_limits<std::uint32_t>::max())
        Fail(gbm::kWriteFailed, "the image is too large for a bitmap file");
    return fileSize;
}

bool TBmpGraphic::ReadyToWriteInPieces() const {
    FileSize();
    return true;
}

void TBmpGraphic::SaveToStream(Bytes& out) const {
    out.reserve(out.size() + FileSize());
    VectorSink sink(out);
    WriteTo(sink);
}

void TBmpGraphic::WriteTo(ByteSink& out) const {
    if (HasAlpha()) {
        // The file holds no alpha: the colours go as "24bpp color".
        TBmpGraphic plain;
        plain.Assign(*this);
        plain.WriteTo(out);
        return;
    }
    const std::uint64_t fileSize = FileSize();
    Bytes head{'B', 'M'};
    const Bytes info = InfoHeader();
    PutU32LE(head, static_cast<std::uint32_t>(fileSize));
    PutU32LE(head, 0); // reserved
    PutU32LE(head, static_cast<std::uint32_t>(14 + info.size()));
    head.insert(head.end(), info.begin(), info.end());
    out.Write(head.data(), head.size());
    const auto stride = static_cast<std::size_t>(Stride());
    for (std::int32_t y = Height() - 1; y >= 0; --y) out.Write(ScanLine(y), stride);
}

namespace {

bool StoredAsIs(PixelFormat format) {
    return format == PixelFormat::Bits1 || format == PixelFormat::Bits4 ||
           format == PixelFormat::Bits8 || format == PixelFormat::Bits24;
}

} // namespace

void WriteBitmapAsBmp(ByteSink& out, const Bitmap& picture) {
    if (picture.Empty()) throw EBitmapError("An empty picture cannot be packed.");
    const bool asIs = StoredAsIs(picture.Format());
    const int bits = asIs ? picture.BitsPerPixel() : 24;
    const std::uint32_t colours = bits <= 8 ? 1u << bits : 0;
    const std::int64_t stride = RowStride(picture.Width(), bits);
    const std::int64_t imageBytes = stride * picture.Height();
    if (imageBytes > std::numeric_limits<std::uint32_t>::max())
        throw EBitmapError("The picture's " + std::to_string(imageBytes) +
                           " bytes of rows are too many to pack.");
    const std::uint32_t pixelOffset = 14 + 40 + 4 * colours;

    Bytes head{'B', 'M'};
    PutU32LE(head, static_cast<std::uint32_t>(pixelOffset + imageBytes));
    PutU32LE(head, 0); // reserved
    PutU32LE(head, pixelOffset);
    PutU32LE(head, 40);
    PutU32LE(head, static_cast<std::uint32_t>(picture.Width()));
    PutU32LE(head, static_cast<std::uint32_t>(picture.Height())); // positive: rows bottom-up
    PutU16LE(head, 1);                                            // planes
    PutU16LE(head, static_cast<std::uint16_t>(bits));
    PutU32LE(head, 0); // no compression
    PutU32LE(head, static_cast<std::uint32_t>(imageBytes));
    PutU32LE(head, 0); // resolution not known
    PutU32LE(head, 0);
    PutU32LE(head, colours);
    PutU32LE(head, 0); // all colours important
    const Palette& palette = picture.Colours();
    for (std::uint32_t i = 0; i < colours; ++i) {
        const PaletteEntry entry = i < palette.size() ? palette[i] : PaletteEntry{};
        head.insert(head.end(), {entry.blue, entry.green, entry.red, 0});
    }
    out.Write(head.data(), head.size());

    // Each row's bytes, then zero padding up to the stride.
    const auto dataBytes = static_cast<std::size_t>((std::int64_t{picture.Width()} * bits + 7) / 8);
    Bytes row(static_cast<std::size_t>(stride), 0);
    for (std::int32_t y = picture.Height() - 1; y >= 0; --y) {
        if (asIs) {
            out.Write(picture.ScanLine(y), dataBytes);
            out.Write(row.data(), row.size() - dataBytes);
        } else {
            DecodeRow(picture, y, row.data());
            out.Write(row.data(), row.size());
        }
    }
}

void SaveBitmapAsBmp(const std::filesystem::path& path, const Bitmap& picture) {
    if (picture.Empty()) throw EBitmapError("An empty picture cannot be packed.");
    AtomicFileStream file(path);
    WriteBitmapAsBmp(file, picture);
    file.Commit();
}

} // namespace zv
