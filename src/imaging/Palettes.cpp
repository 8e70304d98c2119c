#include "imaging/Palettes.h"

#include "imaging/PixelConvert.h"

#include <array>
#include <stdexcept>

namespace zv {

namespace {

constexpr PaletteEntry Rgb(std::uint32_t rgb) {
    return {static_cast<std::uint8_t>(rgb & 0xFF), static_cast<std::uint8_t>((rgb >> 8) & 0xFF),
            static_cast<std::uint8_t>(rgb >> 16), 0};
}

// The twenty colours the window system keeps fixed in every palette.
constexpr std::array<std::uint32_t, 10> kFirstSystemColours = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
    0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0};
constexpr std::array<std::uint32_t, 10> kLastSystemColours = {
    0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
    0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

Palette BuildHalftone() {
    Palette palette;
    palette.reserve(256);
    for (std::uint32_t rgb : kFirstSystemColours) palette.push_back(Rgb(rgb));
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) {
                palette.push_back({static_cast<std::uint8_t>(b * 0x33),
                                   static_cast<std::uint8_t>(g * 0x33),
                                   static_cast<std::uint8_t>(r * 0x33), 0});
            }
        }
    }
    for (int k = 1; k < 25; ++k) {
        if (k % 5 == 0) continue;
        const auto level = static_cast<std::uint8_t>((255 * k + 12) / 25);
        palette.push_back({level, level, level, 0});
    }
    for (std::uint32_t rgb : kLastSystemColours) palette.push_back(Rgb(rgb));
    return palette;
}

Palette BuildStandard16() {
    constexpr std::array<std::uint32_t, 16> colours = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    Palette palette;
    for (std::uint32_t rgb : colours) palette.push_back(Rgb(rgb));
    return palette;
}

int SquaredDistance(const PaletteEntry& a, const PaletteEntry& b) {
    const int db = a.blue - b.blue;
    const int dg = a.green - b.green;
    const int dr = a.red - b.red;
    return db * db + dg * dg + dr * dr;
}

} // namespace

const Palette& HalftonePalette() {
    static const Palette palette = BuildHalftone();
    return palette;
}

const Palette& StandardPalette16() {
    static const Palette palette = BuildStandard16();
    return palette;
}

const Palette& MonochromePalette() {
    static const Palette palette = {Rgb(0x000000), Rgb(0xFFFFFF)};
    return palette;
}

const Palette& StandardPaletteOf(PixelFormat format) {
    static const Palette none;
    switch (format) {
    case PixelFormat::Bits1:
        return MonochromePalette();
    case PixelFormat::Bits4:
        return StandardPalette16();
    case PixelFormat::Bits8:
        return HalftonePalette();
    default:
        return none;
    }
}

int NearestIndex(const Palette& palette, PaletteEntry colour) {
    int best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < palette.size() && bestDistance > 0; ++i) {
        const int distance = SquaredDistance(palette[i], colour);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    return best;
}

PaletteMapper::PaletteMapper(const Palette& palette)
    : palette_(palette), cache_(std::size_t{1} << kCacheBits) {}

void MapOntoPalette(Bitmap& bitmap, const Palette& palette, PixelFormat indexedFormat) {
    const int entries = PaletteSizeOf(indexedFormat);
    if (entries == 0 || palette.empty() || palette.size() > static_cast<std::size_t>(entries)) {
        throw std::invalid_argument(
            "MapOntoPalette needs an indexed format and a palette that fits it");
    }
    ReplaceWithConversion(bitmap, indexedFormat, palette);
}

} // namespace zv
