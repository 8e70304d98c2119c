#include "imaging/PixelConvert.h"

#include "imaging/Palettes.h"
#include "platform/LittleEndian.h"

#include <array>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

namespace zv {

namespace {

// The palette of the source, padded with black so that any index reads safely.
using Lut = std::array<PaletteEntry, 256>;
using RowDecoder = void (*)(const std::uint8_t* src, std::int32_t width, const Lut& lut,
                            std::uint8_t* bgr);

template <std::size_t N> constexpr std::array<std::uint8_t, N> WidenTable(int bits) {
    std::array<std::uint8_t, N> table{};
    for (std::size_t v = 0; v < N; ++v) {
        table[v] = bits == 5 ? static_cast<std::uint8_t>((v << 3) | (v >> 2))
                             : static_cast<std::uint8_t>((v << 2) | (v >> 4));
    }
    return table;
}
constexpr auto kWiden5 = WidenTable<32>(5);
constexpr auto kWiden6 = WidenTable<64>(6);

Lut ExpandPalette(const Palette& palette) {
    Lut lut{};
    for (std::size_t i = 0; i < palette.size() && i < lut.size(); ++i) lut[i] = palette[i];
    return lut;
}

void PutBgr(std::uint8_t* bgr, const PaletteEntry& colour) {
    bgr[0] = colour.blue;
    bgr[1] = colour.green;
    bgr[2] = colour.red;
}

void DecodeBits1(const std::uint8_t* src, std::int32_t width, const Lut& lut, std::uint8_t* bgr) {
    for (std::int32_t x = 0; x < width; ++x, bgr += 3) {
        PutBgr(bgr, lut[(src[x >> 3] >> (7 - (x & 7))) & 1]);
    }
}

void DecodeBits4(const std::uint8_t* src, std::int32_t width, const Lut& lut, std::uint8_t* bgr) {
    for (std::int32_t x = 0; x < width; ++x, bgr += 3) {
        PutBgr(bgr, lut[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F]);
    }
}

void DecodeBits8(const std::uint8_t* src, std::int32_t width, const Lut& lut, std::uint8_t* bgr) {
    for (std::int32_t x = 0; x < width; ++x, bgr += 3) PutBgr(bgr, lut[src[x]]);
}

void DecodeBits15(const std::uint8_t* src, std::int32_t width, const Lut&, std::uint8_t* bgr) {
    for (std::int32_t x = 0; x < width; ++x, src += 2, bgr += 3) {
        const unsigned v = GetLittle16(src);
        bgr[0] = kWiden5[v & 0x1F];
        bgr[1] = kWiden5[(v >> 5) & 0x1F];
        bgr[2] = kWiden5[(v >> 10) & 0x1F];
    }
}

void DecodeBits16(const std::uint8_t* src, std::int32_t width, const Lut&, std::uint8_t* bgr) {
    for (std::int32_t x = 0; x < width; ++x, src += 2, bgr += 3) {
        const unsigned v = GetLittle16(src);
        bgr[0] = kWiden5[v & 0x1F];
        bgr[1] = kWiden6[(v >> 5) & 0x3F];
        bgr[2] = kWiden5[(v >> 11) & 0x1F];
    }
}

void DecodeBits24(const std::uint8_t* src, std::int32_t width, const Lut&, std::uint8_t* bgr) {
    std::memcpy(bgr, src, static_cast<std::size_t>(width) * 3);
}

void DecodeBits32(const std::uint8_t* src, std::int32_t width, const Lut&, std::uint8_t* bgr) {
    for (std::int32_t x = 0; x < width; ++x, src += 4, bgr += 3) {
        bgr[0] = src[0];
        bgr[1] = src[1];
        bgr[2] = src[2];
    }
}

RowDecoder DecoderFor(PixelFormat format) {
    switch (format) {
    case PixelFormat::Bits1: return DecodeBits1;
    case PixelFormat::Bits4: return DecodeBits4;
    case PixelFormat::Bits8: return DecodeBits8;
    case PixelFormat::Bits15: return DecodeBits15;
    case PixelFormat::Bits16: return DecodeBits16;
    case PixelFormat::Bits24: return DecodeBits24;
    case PixelFormat::Bits32:
    case PixelFormat::Device: return DecodeBits32;
    }
    return nullptr;
}

// Walks the rows of source, hands each as a 24-bit row to encode together
// with the matching row of target. Bits24 rows are handed over in place.
template <typename Encode> void ConvertRows(const Bitmap& source, Bitmap& target, Encode encode) {
    const RowDecoder decode = DecoderFor(source.Format());
    const bool inPlace = source.Format() == PixelFormat::Bits24;
    const Lut lut = ExpandPalette(source.Colours());
    std::vector<std::uint8_t> buffer(inPlace ? 0 : static_cast<std::size_t>(source.Width()) * 3);
    for (std::int32_t y = 0; y < source.Height(); ++y) {
        const std::uint8_t* bgr = source.ScanLine(y);
        if (!inPlace) {
            decode(bgr, source.Width(), lut, buffer.data());
            bgr = buffer.data();
        }
        encode(bgr, target.ScanLine(y));
    }
}

template <int Bits>
void EncodeIndexed(const std::uint8_t* bgr, std::int32_t width, PaletteMapper& mapper,
                   std::uint8_t* dst) {
    for (std::int32_t x = 0; x < width; ++x, bgr += 3) {
        const std::uint8_t index = mapper.Map(bgr[0], bgr[1], bgr[2]);
        if constexpr (Bits == 8) {
            dst[x] = index;
        } else if constexpr (Bits == 4) {
            dst[x >> 1] |= static_cast<std::uint8_t>(index << ((x & 1) ? 0 : 4));
        } else {
            dst[x >> 3] |= static_cast<std::uint8_t>(index << (7 - (x & 7)));
        }
    }
}

void EncodeBgrx(const std::uint8_t* bgr, std::int32_t width, std::uint8_t* dst) {
    for (std::int32_t x = 0; x < width; ++x, bgr += 3, dst += 4) {
        dst[0] = bgr[0];
        dst[1] = bgr[1];
        dst[2] = bgr[2];
        dst[3] = 0;
    }
}

template <int Bits>
void ConvertToIndexed(const Bitmap& source, Bitmap& target, const Palette& palette) {
    PaletteMapper mapper(palette);
    const std::int32_t width = source.Width();
    ConvertRows(source, target, [&](const std::uint8_t* bgr, std::uint8_t* dst) {
        EncodeIndexed<Bits>(bgr, width, mapper, dst);
    });
}

void ConvertToDirect(const Bitmap& source, Bitmap& target) {
    const std::int32_t width = source.Width();
    if (target.Format() == PixelFormat::Bits24) {
        ConvertRows(source, target, [&](const std::uint8_t* bgr, std::uint8_t* dst) {
            std::memcpy(dst, bgr, static_cast<std::size_t>(width) * 3);
        });
    } else {
        ConvertRows(source, target, [&](const std::uint8_t* bgr, std::uint8_t* dst) {
            EncodeBgrx(bgr, width, dst);
        });
    }
}

std::string SizeText(const Bitmap& bitmap) {
    return std::to_string(bitmap.Width()) + " x " + std::to_string(bitmap.Height());
}

} // namespace

Bitmap ConvertPixels(const Bitmap& source, PixelFormat target, const Palette& palette) {
    if (target == PixelFormat::Bits15 || target == PixelFormat::Bits16) {
        throw std::invalid_argument("pictures are never converted to 15 or 16 bits per pixel");
    }
    const auto entries = static_cast<std::size_t>(PaletteSizeOf(target));
    if (entries > 0 && palette.size() > entries) {
        throw std::invalid_argument("the palette has more entries than the format can index");
    }
    Bitmap result;
    result.Create(source.Width(), source.Height(), target);
    if (PaletteSizeOf(target) > 0) result.SetPalette(palette);
    if (result.Empty()) return result;
    switch (target) {
    case PixelFormat::Bits1: ConvertToIndexed<1>(source, result, palette); break;
    case PixelFormat::Bits4: ConvertToIndexed<4>(source, result, palette); break;
    case PixelFormat::Bits8: ConvertToIndexed<8>(source, result, palette); break;
    default: ConvertToDirect(source, result); break;
    }
    return result;
}

void ReplaceWithConversion(Bitmap& bitmap, PixelFormat target, const Palette& palette) {
    try {
        bitmap = ConvertPixels(bitmap, target, palette);
    } catch (const std::bad_alloc&) {
        const std::string size = SizeText(bitmap);
        bitmap.Clear();
        throw EBitmapError("Not enough memory to convert the " + size + " picture.");
    } catch (...) {
        bitmap.Clear();
        throw;
    }
}

void DecodeRow(const Bitmap& source, std::int32_t y, std::uint8_t* bgr) {
    const Lut lut = ExpandPalette(source.Colours());
    DecoderFor(source.Format())(source.ScanLine(y), source.Width(), lut, bgr);
}

std::uint8_t WidenChannel(std::uint32_t value, int bits) {
    if (bits <= 0) return 0;
    if (bits >= 8) return static_cast<std::uint8_t>(value >> (bits - 8));
    std::uint32_t widened = value << (8 - bits);
    for (int filled = bits; filled < 8; filled += bits) widened |= widened >> bits;
    return static_cast<std::uint8_t>(widened);
}

} // namespace zv
