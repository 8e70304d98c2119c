#include "formats/IconGraphic.h"

#include "formats/GraphicErrors.h"
#include "formats/PngGraphic.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace zv {
namespace {

const char* const kInvalidIcon = "Invalid icon file";
const char* const kTruncated = "Icon image data is truncated";
const char* const kBitCount = "Unsupported icon bit count: %d";
const char* const kCompression = "Unsupported icon compression";
const char* const kTooLarge = "The icon is too large";
const char* const kBadPng = "Invalid PNG image in the icon";
const char* const kEmpty = "An empty image cannot be written as an icon";

constexpr std::int64_t kMaxPictureBytes = std::int64_t{1} << 30;
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kDirectorySize = 6 + 16;

// One image of the file as its own header describes it.
struct IconImage {
    ByteSpan bytes;
    bool png = false;
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bits = 0;
    // Device-independent bitmap images only.
    std::uint32_t headerSize = 0;
    std::uint32_t coloursUsed = 0;
};

bool IsPng(ByteSpan bytes) {
    return bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0;
}

IconImage ProbePng(ByteSpan bytes) {
    IconImage image{bytes, true};
    ByteReader in(bytes);
    in.Skip(8 + 8); // signature, IHDR length and type
    image.width = static_cast<std::int32_t>(std::min<std::uint32_t>(in.U32BE(), INT32_MAX));
    image.height = static_cast<std::int32_t>(std::min<std::uint32_t>(in.U32BE(), INT32_MAX));
    const int depth = in.U8();
    const int colourType = in.U8();
    const int samples = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    image.bits = depth * samples;
    return image;
}

IconImage ProbeBitmap(ByteSpan bytes) {
    IconImage image{bytes, false};
    ByteReader in(bytes);
    image.headerSize = in.U32LE();
    if (image.headerSize < kInfoHeaderSize || image.headerSize > bytes.size())
        throw EInvalidGraphic(kInvalidIcon);
    const std::int32_t width = in.S32LE();
    const std::int32_t doubleHeight = in.S32LE(); // colour rows, then mask rows
    in.Skip(2);                                   // planes
    image.bits = in.U16LE();
    const std::uint32_t compression = in.U32LE();
    in.Skip(12); // image size, resolution
    image.coloursUsed = in.U32LE();
    if (width < 1 || doubleHeight < 2) throw EInvalidGraphic(kInvalidIcon);
    if (image.bits != 1 && image.bits != 4 && image.bits != 8 && image.bits != 24 &&
        image.bits != 32)
        throw EInvalidGraphic(FormatMessage(kBitCount, std::to_string(image.bits)));
    if (compression != 0) throw EInvalidGraphic(kCompression);
    if (image.bits <= 8 && image.coloursUsed > (1u << image.bits))
        throw EInvalidGraphic(kInvalidIcon);
    image.width = width;
    image.height = doubleHeight / 2;
    return image;
}

IconImage ProbeImage(ByteSpan file, std::uint32_t offset, std::uint32_t size) {
    if (std::uint64_t{offset} + size > file.size()) throw EInvalidGraphic(kTruncated);
    const ByteSpan bytes = file.subspan(offset, size);
    try {
        return IsPng(bytes) ? ProbePng(bytes) : ProbeBitmap(bytes);
    } catch (const EReadPastEnd&) {
        throw EInvalidGraphic(kTruncated);
    }
}

bool Better(const IconImage& a, const IconImage& b) {
    const std::int64_t areaA = std::int64_t{a.width} * a.height;
    const std::int64_t areaB = std::int64_t{b.width} * b.height;
    return areaA != areaB ? areaA > areaB : a.bits > b.bits;
}

struct DirectoryEntry {
    std::uint32_t size = 0;
    std::uint32_t offset = 0;
};

// The directory, refused whole when it lies: every entry's data must lie in
// the file after the directory. A count larger than the entries written
// reads image bytes as entries, whose offsets then point elsewhere.
std::vector<DirectoryEntry> ReadDirectory(ByteSpan file) {
    if (file.size() < 6) throw EInvalidGraphic(kInvalidIcon);
    ByteReader in(file);
    const std::uint16_t reserved = in.U16LE();
    const std::uint16_t type = in.U16LE(); // 1 icon, 2 cursor
    const std::uint16_t count = in.U16LE();
    if (reserved != 0 || (type != 1 && type != 2) || count == 0 ||
        in.Remaining() < std::uint64_t{count} * 16)
        throw EInvalidGraphic(kInvalidIcon);
    const std::uint64_t directoryEnd = 6 + std::uint64_t{count} * 16;
    std::vector<DirectoryEntry> entries(count);
    for (DirectoryEntry& entry : entries) {
        in.Skip(8); // width, height, colours, reserved, planes or hot spot
        entry.size = in.U32LE();
        entry.offset = in.U32LE();
        if (entry.offset < directoryEnd) throw EInvalidGraphic(kInvalidIcon);
        if (std::uint64_t{entry.offset} + entry.size > file.size())
            throw EInvalidGraphic(kTruncated);
    }
    return entries;
}

// The file's images, best first: the largest, and of equals the deepest;
// images whose header cannot be used come last, with their reason.
struct Candidate {
    std::optional<IconImage> image;
    std::optional<EInvalidGraphic> error;
};

std::vector<Candidate> RankImages(ByteSpan file) {
    std::vector<Candidate> ranked;
    for (const DirectoryEntry& entry : ReadDirectory(file)) {
        Candidate candidate;
        try {
            candidate.image = ProbeImage(file, entry.offset, entry.size);
        } catch (const EInvalidGraphic& e) {
            candidate.error = e;
        }
        ranked.push_back(candidate);
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const Candidate& a, const Candidate& b) {
        if (!a.image || !b.image) return a.image.has_value() && !b.image;
        return Better(*a.image, *b.image);
    });
    return ranked;
}

// The colour table, padded with black to the depth's full size so every
// index a row can hold has a colour.
Palette ReadColourTable(ByteReader& in, const IconImage& image) {
    Palette palette(std::size_t{1} << image.bits);
    const std::uint32_t count = image.coloursUsed ? image.coloursUsed : 1u << image.bits;
    for (std::uint32_t i = 0; i < count; ++i) {
        const ByteSpan e = in.Take(4);
        palette[i] = {e[0], e[1], e[2], 0};
    }
    return palette;
}

void IndexedRow(const std::uint8_t* src, int bits, const Palette& palette, std::int32_t width,
                std::uint8_t* bgr) {
    const int perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    for (std::int32_t x = 0; x < width; ++x, bgr += 3) {
        const int shift = 8 - bits * (x % perByte + 1);
        const PaletteEntry& e = palette[src[x / perByte] >> shift & mask];
        bgr[0] = e.blue;
        bgr[1] = e.green;
        bgr[2] = e.red;
    }
}

bool AnyAlpha(const std::uint8_t* xor32, std::int64_t stride, std::int32_t width,
              std::int32_t height) {
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            if (xor32[y * stride + 4 * x + 3] != 0) return true;
    return false;
}

// Colours weighted by their alpha, as the icon would look drawn on black.
void AlphaRow(const std::uint8_t* src, std::int32_t width, std::uint8_t* bgr) {
    for (std::int32_t x = 0; x < width; ++x, src += 4, bgr += 3)
        for (int k = 0; k < 3; ++k)
            bgr[k] = static_cast<std::uint8_t>((src[k] * src[3] + 127) / 255);
}

void MaskRow(const std::uint8_t* mask, std::int32_t width, std::uint8_t* bgr) {
    for (std::int32_t x = 0; x < width; ++x)
        if (mask[x / 8] & (0x80 >> (x % 8))) std::memset(bgr + 3 * x, 0, 3);
}

std::int64_t Bytes24(std::int32_t width, std::int32_t height) {
    return RowStride(width, 24) * height;
}

} // namespace

std::unique_ptr<TDibGraphic> TIconGraphic::NewOfSameClass() const {
    return std::make_unique<TIconGraphic>();
}

int TIconGraphic::ImageCount(ByteSpan data) const {
    return static_cast<int>(ReadDirectory(data).size());
}

void TIconGraphic::ReadImage(ByteSpan data, int imageNumber) {
    const std::vector<Candidate> ranked = RankImages(data);
    damaged_ = std::any_of(ranked.begin(), ranked.end(),
                           [](const Candidate& c) { return c.error.has_value(); });
    const std::size_t index = static_cast<std::size_t>(std::max(imageNumber, 1) - 1);
    if (index >= ranked.size())
        throw EInvalidGraphic(
            FormatMessage("Icon image %d does not exist", std::to_string(imageNumber)));
    // Unusable images rank last, in file order: when the first is unusable
    // all are, and the first entry's reason is given.
    if (!ranked[index].image) throw *ranked[index].error;
    const IconImage image = *ranked[index].image;
    if (image.png) {
        ReadPngImage(image.bytes);
        return;
    }
    const std::int32_t width = image.width, height = image.height;
    const std::int64_t xorStride = RowStride(width, image.bits);
    const std::int64_t maskStride = RowStride(width, 1);
    const std::uint64_t pixelBytes = std::uint64_t(xorStride + maskStride) * std::uint64_t(height);
    const std::uint64_t colourTableBytes =
        image.bits <= 8 ? 4ull * (image.coloursUsed ? image.coloursUsed : 1u << image.bits) : 0;
    if (image.headerSize + colourTableBytes + pixelBytes > image.bytes.size())
        throw EInvalidGraphic(kTruncated);
    if (Bytes24(width, height) > kMaxPictureBytes) throw EInvalidGraphic(kTooLarge);

    ByteReader in(image.bytes);
    in.Seek(image.headerSize);
    const Palette palette = image.bits <= 8 ? ReadColourTable(in, image) : Palette{};
    const std::uint8_t* xorRows = image.bytes.data() + in.Position();
    const std::uint8_t* maskRows = xorRows + xorStride * height;
    const bool alpha = image.bits == 32 && AnyAlpha(xorRows, xorStride, width, height);

    NewImage(width, height, ImageFormat::Color24);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::int64_t fileRow = height - 1 - y; // rows are stored bottom-up
        const std::uint8_t* src = xorRows + fileRow * xorStride;
        std::uint8_t* bgr = ScanLine(y);
        if (image.bits <= 8) {
            IndexedRow(src, image.bits, palette, width, bgr);
        } else if (image.bits == 24) {
            std::memcpy(bgr, src, 3 * std::size_t(width));
        } else if (alpha) {
            AlphaRow(src, width, bgr);
            continue;
        } else {
            for (std::int32_t x = 0; x < width; ++x) std::memcpy(bgr + 3 * x, src + 4 * x, 3);
        }
        MaskRow(maskRows + fileRow * maskStride, width, bgr);
    }
}

// A PNG image drawn on black: the PNG reader composites transparent pixels
// onto its background colour, which is black unless set otherwise.
void TIconGraphic::ReadPngImage(ByteSpan bytes) {
    TPngGraphic png;
    png.backgroundColour = 0;
    png.ignoreFileBackground = true;
    try {
        png.LoadFromStream(bytes);
    } catch (const EPNGError&) {
        throw EInvalidGraphic(kBadPng);
    }
    Bitmap colour;
    png.AssignTo(colour);
    if (colour.Format() != PixelFormat::Bits24) colour.SetPixelFormat(PixelFormat::Bits24);
    Assign(colour);
}

void TIconGraphic::SaveToStream(Bytes& out) const {
    if (Empty()) throw EInvalidGraphic(kEmpty);
    Bitmap colour;
    AssignTo(colour);
    if (colour.Format() != PixelFormat::Bits24) colour.SetPixelFormat(PixelFormat::Bits24);

    // Pictures larger than an icon holds are scaled to fit, keeping their shape.
    const std::int32_t w = Width(), h = Height();
    std::int32_t tw = w, th = h;
    if (w > kMaxSide || h > kMaxSide) {
        if (w >= h) {
            tw = kMaxSide;
            th = static_cast<std::int32_t>(
                std::max<std::int64_t>(1, std::int64_t{h} * kMaxSide / w));
        } else {
            th = kMaxSide;
            tw = static_cast<std::int32_t>(
                std::max<std::int64_t>(1, std::int64_t{w} * kMaxSide / h));
        }
    }
    const std::int64_t xorStride = RowStride(tw, 24);
    const std::int64_t maskStride = RowStride(tw, 1);
    const auto pixelBytes = static_cast<std::uint32_t>((xorStride + maskStride) * th);
    const std::uint32_t entryBytes = kInfoHeaderSize + pixelBytes;

    out.reserve(out.size() + kDirectorySize + entryBytes);
    PutU16LE(out, 0); // reserved
    PutU16LE(out, 1); // icon
    PutU16LE(out, 1); // one image
    out.push_back(static_cast<std::uint8_t>(tw == 256 ? 0 : tw));
    out.push_back(static_cast<std::uint8_t>(th == 256 ? 0 : th));
    out.push_back(0); // colours: none, direct colour
    out.push_back(0);
    PutU16LE(out, 1);  // planes
    PutU16LE(out, 24); // bit count
    PutU32LE(out, entryBytes);
    PutU32LE(out, kDirectorySize);

    PutU32LE(out, kInfoHeaderSize);
    PutU32LE(out, static_cast<std::uint32_t>(tw));
    PutU32LE(out, static_cast<std::uint32_t>(2 * th));
    PutU16LE(out, 1);
    PutU16LE(out, 24);
    PutU32LE(out, 0); // no compression
    PutU32LE(out, pixelBytes);
    PutU32LE(out, static_cast<std::uint32_t>(XPixelsPerMetre()));
    PutU32LE(out, static_cast<std::uint32_t>(YPixelsPerMetre()));
    PutU32LE(out, 0);
    PutU32LE(out, 0);

    std::vector<std::int32_t> sourceX(static_cast<std::size_t>(tw));
    for (std::int32_t x = 0; x < tw; ++x)
        sourceX[x] = static_cast<std::int32_t>(std::int64_t{x} * w / tw);
    for (std::int32_t y = th - 1; y >= 0; --y) {
        const std::uint8_t* src =
            colour.ScanLine(static_cast<std::int32_t>(std::int64_t{y} * h / th));
        const std::size_t start = out.size();
        for (std::int32_t x = 0; x < tw; ++x)
            out.insert(out.end(), src + 3 * sourceX[x], src + 3 * sourceX[x] + 3);
        out.resize(start + static_cast<std::size_t>(xorStride), 0);
    }
    out.resize(out.size() + static_cast<std::size_t>(maskStride * th), 0); // all opaque
}

} // namespace zv
