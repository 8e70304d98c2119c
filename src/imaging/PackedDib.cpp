#include "imaging/PackedDib.h"

#include "imaging/PixelConvert.h"

#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace zv {

namespace {

void Put16(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t value) {
    Put16(p, value & 0xFFFF);
    Put16(p + 2, value >> 16);
}

// Formats whose rows go into the block as they are; the rest go as 24-bit.
bool PackedAsIs(PixelFormat format) {
    return format == PixelFormat::Bits1 || format == PixelFormat::Bits4 ||
           format == PixelFormat::Bits8 || format == PixelFormat::Bits24;
}

void WriteInfoHeader(std::uint8_t* p, const Bitmap& bitmap, int bits, int colours,
                     std::int64_t imageBytes) {
    Put32(p, static_cast<std::uint32_t>(kDibInfoHeaderSize));
    Put32(p + 4, static_cast<std::uint32_t>(bitmap.Width()));
    Put32(p + 8, static_cast<std::uint32_t>(bitmap.Height())); // positive: rows bottom-up
    Put16(p + 12, 1);                                          // planes
    Put16(p + 14, static_cast<std::uint32_t>(bits));
    Put32(p + 16, 0); // no compression
    Put32(p + 20, static_cast<std::uint32_t>(imageBytes));
    Put32(p + 24, 0); // resolution not known
    Put32(p + 28, 0);
    Put32(p + 32, static_cast<std::uint32_t>(colours));
    Put32(p + 36, 0); // all colours important
}

void WriteColourTable(std::uint8_t* p, const Palette& palette, int colours) {
    for (int i = 0; i < colours && i < static_cast<int>(palette.size()); ++i, p += 4) {
        p[0] = palette[i].blue;
        p[1] = palette[i].green;
        p[2] = palette[i].red;
        p[3] = 0;
    }
}

void WriteRows(std::uint8_t* p, const Bitmap& bitmap, int bits, std::int64_t stride) {
    const bool asIs = PackedAsIs(bitmap.Format());
    const auto dataBytes = static_cast<std::size_t>((std::int64_t{bitmap.Width()} * bits + 7) / 8);
    for (std::int32_t y = 0; y < bitmap.Height(); ++y) {
        std::uint8_t* row = p + (bitmap.Height() - 1 - y) * stride;
        if (asIs) {
            std::memcpy(row, bitmap.ScanLine(y), dataBytes);
        } else {
            DecodeRow(bitmap, y, row);
        }
    }
}

std::vector<std::uint8_t> ZeroBlock(std::int64_t bytes) {
    try {
        return std::vector<std::uint8_t>(static_cast<std::size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        throw EBitmapError("Not enough memory to pack the picture (" + std::to_string(bytes) +
                           " bytes).");
    }
}

} // namespace

std::int64_t PackedDibBlockSize(std::int64_t headerAndColourBytes, std::int64_t pixelBytes) {
    return (headerAndColourBytes + pixelBytes + 4096) / 16 * 16;
}

std::vector<std::uint8_t> BuildPackedDib(const Bitmap& bitmap) {
    if (bitmap.Empty()) throw EBitmapError("An empty picture cannot be packed.");
    const int bits = PackedAsIs(bitmap.Format()) ? bitmap.BitsPerPixel() : 24;
    const int colours = bits <= 8 ? 1 << bits : 0;
    const std::int64_t stride = RowStride(bitmap.Width(), bits);
    const std::int64_t imageBytes = stride * bitmap.Height();
    if (imageBytes > std::numeric_limits<std::uint32_t>::max()) {
        throw EBitmapError("The picture's " + std::to_string(imageBytes) +
                           " bytes of rows are too many to pack.");
    }
    const std::int64_t headerBytes = kDibInfoHeaderSize + std::int64_t{4} * colours;
    std::vector<std::uint8_t> block = ZeroBlock(PackedDibBlockSize(headerBytes, imageBytes));
    WriteInfoHeader(block.data(), bitmap, bits, colours, imageBytes);
    WriteColourTable(block.data() + kDibInfoHeaderSize, bitmap.Colours(), colours);
    WriteRows(block.data() + headerBytes, bitmap, bits, stride);
    return block;
}

} // namespace zv
