// Reading a packed block back into a picture, checking every size, count and
// offset against the block before anything is allocated.

#include "imaging/PackedDib.h"

#include "imaging/PixelConvert.h"
#include "platform/LittleEndian.h"

#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace zv {

namespace {

constexpr std::int64_t kCoreHeaderSize = 12;
constexpr std::int64_t kMaxInfoHeaderSize = 124;
constexpr std::int64_t kHeaderWithMasks = 52; // headers this long hold the bit field masks
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kBitFields = 3;

[[noreturn]] void Fail(const std::string& what) {
    throw EPackedDibError("Bad packed picture: " + what + ".");
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

// Where everything lies in the block, once checked.
struct DibLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = kUncompressed;
    std::int64_t colours = 0; // colour table entries
    std::int64_t colourEntryBytes = 4;
    std::int64_t coloursOffset = 0;
    std::int64_t pixelsOffset = 0;
    std::int64_t stride = 0;
    std::array<std::uint32_t, 3> masks{}; // red, green, blue
};

// One colour channel of a 16- or 32-bit pixel, widened to 8 bits.
struct ChannelField {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    std::array<std::uint8_t, 128> widened{}; // for fields narrower than 8 bits

    std::uint8_t Extract(std::uint32_t pixel) const {
        const std::uint32_t value = (pixel & mask) >> shift;
        return bits >= 8 ? static_cast<std::uint8_t>(value >> (bits - 8)) : widened[value];
    }
};

ChannelField MakeField(std::uint32_t mask, int pixelBits) {
    if (mask == 0) Fail("a bit field mask is empty");
    if (pixelBits == 16 && mask > 0xFFFF) Fail("bit field mask " + Hex(mask) + " exceeds 16 bits");
    ChannelField field;
    field.mask = mask;
    field.shift = std::countr_zero(mask);
    const std::uint32_t run = mask >> field.shift;
    if ((run & (run + 1)) != 0) Fail("bit field mask " + Hex(mask) + " is not one run of bits");
    field.bits = std::popcount(run);
    if (field.bits < 8) {
        for (std::uint32_t v = 0; v <= run; ++v) field.widened[v] = WidenChannel(v, field.bits);
    }
    return field;
}

void CheckBitsAndCompression(const DibLayout& layout) {
    const int bits = layout.bits;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        Fail(std::to_string(bits) + " bits per pixel is not supported");
    }
    if (layout.compression == kBitFields && bits != 16 && bits != 32) {
        Fail("bit fields need 16 or 32 bits per pixel, not " + std::to_string(bits));
    }
    if (layout.compression != kUncompressed && layout.compression != kBitFields) {
        Fail("compression " + std::to_string(layout.compression) + " is not supported");
    }
}

DibLayout ReadCoreHeader(const std::uint8_t* data) {
    DibLayout layout;
    layout.width = GetLittle16(data + 4);
    layout.height = GetLittle16(data + 6);
    if (GetLittle16(data + 8) != 1) Fail("the plane count must be 1");
    layout.bits = static_cast<int>(GetLittle16(data + 10));
    CheckBitsAndCompression(layout);
    if (layout.bits == 16 || layout.bits == 32) Fail("a core header cannot hold 16 or 32 bits");
    layout.colourEntryBytes = 3;
    layout.coloursOffset = kCoreHeaderSize;
    if (layout.bits <= 8) layout.colours = std::int64_t{1} << layout.bits;
    return layout;
}

void ReadMasks(const std::uint8_t* data, std::size_t size, std::int64_t headerSize,
               DibLayout& layout) {
    if (layout.compression != kBitFields) {
        layout.masks = layout.bits == 16 ? std::array<std::uint32_t, 3>{0x7C00, 0x03E0, 0x001F}
                                         : std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
        return;
    }
    std::int64_t at = 40;
    if (headerSize < kHeaderWithMasks) {
        at = headerSize;
        layout.coloursOffset += 12;
        if (layout.coloursOffset > static_cast<std::int64_t>(size))
            Fail("the bit field masks are missing");
    }
    for (int i = 0; i < 3; ++i) layout.masks[i] = GetLittle32(data + at + 4 * i);
}

DibLayout ReadInfoHeader(const std::uint8_t* data, std::size_t size, std::int64_t headerSize) {
    DibLayout layout;
    const auto width = static_cast<std::int32_t>(GetLittle32(data + 4));
    const auto height = static_cast<std::int32_t>(GetLittle32(data + 8));
    if (width <= 0) Fail("the width " + std::to_string(width) + " is not positive");
    if (height == 0 || height == std::numeric_limits<std::int32_t>::min()) {
        Fail("the height " + std::to_string(height) + " is out of range");
    }
    if (GetLittle16(data + 12) != 1) Fail("the plane count must be 1");
    layout.width = width;
    layout.height = height < 0 ? -std::int64_t{height} : height;
    layout.topDown = height < 0;
    layout.bits = static_cast<int>(GetLittle16(data + 14));
    layout.compression = GetLittle32(data + 16);
    CheckBitsAndCompression(layout);
    layout.coloursOffset = headerSize;
    const std::int64_t used = GetLittle32(data + 32);
    if (layout.bits <= 8) {
        const std::int64_t most = std::int64_t{1} << layout.bits;
        if (used > most)
            Fail(std::to_string(used) + " colours are too many for " + std::to_string(layout.bits) +
                 " bits");
        layout.colours = used == 0 ? most : used;
    } else {
        layout.colours = used; // an optional table that is skipped
        ReadMasks(data, size, headerSize, layout);
    }
    return layout;
}

// Places the colour table and the rows, checking both fit in the block.
void PlaceTableAndRows(DibLayout& layout, std::size_t size) {
    const auto blockSize = static_cast<std::int64_t>(size);
    const std::int64_t tableBytes = layout.colours * layout.colourEntryBytes;
    if (tableBytes > blockSize - layout.coloursOffset) {
        Fail("the colour table of " + std::to_string(layout.colours) +
             " entries runs past the end of the " + std::to_string(size) + "-byte block");
    }
    layout.pixelsOffset = layout.coloursOffset + tableBytes;
    layout.stride = RowStride(layout.width, layout.bits);
    const std::int64_t available = blockSize - layout.pixelsOffset;
    if (layout.height > available / layout.stride) {
        const auto needed =
            static_cast<std::uint64_t>(layout.stride) * static_cast<std::uint64_t>(layout.height);
        Fail("the rows need " + std::to_string(needed) + " bytes but only " +
             std::to_string(available) + " follow the header");
    }
}

DibLayout ReadLayout(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < 4)
        Fail("the block of " + std::to_string(size) + " bytes is too short");
    const std::int64_t headerSize = GetLittle32(data);
    if (headerSize != kCoreHeaderSize &&
        (headerSize < kDibInfoHeaderSize || headerSize > kMaxInfoHeaderSize)) {
        Fail("the header size " + std::to_string(headerSize) + " is not known");
    }
    if (headerSize > static_cast<std::int64_t>(size)) {
        Fail("the " + std::to_string(headerSize) + "-byte header does not fit in the " +
             std::to_string(size) + "-byte block");
    }
    DibLayout layout = headerSize == kCoreHeaderSize ? ReadCoreHeader(data)
                                                     : ReadInfoHeader(data, size, headerSize);
    if (layout.width == 0 || layout.height == 0) Fail("the picture has no pixels");
    PlaceTableAndRows(layout, size);
    return layout;
}

Palette ReadColourTable(const std::uint8_t* data, const DibLayout& layout) {
    Palette palette;
    const std::uint8_t* entry = data + layout.coloursOffset;
    for (std::int64_t i = 0; i < layout.colours && i < 256; ++i, entry += layout.colourEntryBytes) {
        palette.push_back({entry[0], entry[1], entry[2], 0});
    }
    return palette;
}

const std::uint8_t* BlockRow(const std::uint8_t* data, const DibLayout& layout, std::int32_t y) {
    const std::int64_t row = layout.topDown ? y : layout.height - 1 - y;
    return data + layout.pixelsOffset + row * layout.stride;
}

Bitmap ReadPlainRows(const std::uint8_t* data, const DibLayout& layout) {
    const PixelFormat format = layout.bits == 1   ? PixelFormat::Bits1
                               : layout.bits == 4 ? PixelFormat::Bits4
                               : layout.bits == 8 ? PixelFormat::Bits8
                                                  : PixelFormat::Bits24;
    Bitmap bitmap;
    bitmap.Create(static_cast<std::int32_t>(layout.width), static_cast<std::int32_t>(layout.height),
                  format);
    if (layout.bits <= 8) bitmap.SetPalette(ReadColourTable(data, layout));
    const auto dataBytes = static_cast<std::size_t>((layout.width * layout.bits + 7) / 8);
    for (std::int32_t y = 0; y < bitmap.Height(); ++y) {
        std::memcpy(bitmap.ScanLine(y), BlockRow(data, layout, y), dataBytes);
    }
    return bitmap;
}

template <int Bits>
void DecodeFieldRow(const std::uint8_t* src, std::int32_t width,
                    const std::array<ChannelField, 3>& fields, std::uint8_t* bgr) {
    for (std::int32_t x = 0; x < width; ++x, src += Bits / 8, bgr += 3) {
        const std::uint32_t pixel = Bits == 16 ? GetLittle16(src) : GetLittle32(src);
        bgr[0] = fields[2].Extract(pixel);
        bgr[1] = fields[1].Extract(pixel);
        bgr[2] = fields[0].Extract(pixel);
    }
}

Bitmap ReadFieldRows(const std::uint8_t* data, const DibLayout& layout) {
    const std::array<ChannelField, 3> fields = {MakeField(layout.masks[0], layout.bits),
                                                MakeField(layout.masks[1], layout.bits),
                                                MakeField(layout.masks[2], layout.bits)};
    Bitmap bitmap;
    bitmap.Create(static_cast<std::int32_t>(layout.width), static_cast<std::int32_t>(layout.height),
                  PixelFormat::Bits24);
    for (std::int32_t y = 0; y < bitmap.Height(); ++y) {
        if (layout.bits == 16) {
            DecodeFieldRow<16>(BlockRow(data, layout, y), bitmap.Width(), fields,
                               bitmap.ScanLine(y));
        } else {
            DecodeFieldRow<32>(BlockRow(data, layout, y), bitmap.Width(), fields,
                               bitmap.ScanLine(y));
        }
    }
    return bitmap;
}

} // namespace

Bitmap ParsePackedDib(const std::uint8_t* data, std::size_t size) {
    const DibLayout layout = ReadLayout(data, size);
    try {
        return layout.bits == 16 || layout.bits == 32 ? ReadFieldRows(data, layout)
                                                      : ReadPlainRows(data, layout);
    } catch (const EBitmapError& error) {
        throw EPackedDibError(error.what());
    }
}

} // namespace zv
