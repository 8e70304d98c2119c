#include "imaging/Palettes.h"

#include "imaging/PixelConvert.h"

#include <algorithm>
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

// A cube of colours: its blue, green, red corner and the span of each side.
struct CellBox {
    std::array<int, 3> low;
    int span;
};

std::array<int, 3> Channels(const PaletteEntry& entry) {
    return {entry.blue, entry.green, entry.red};
}

int NearestDistance(const CellBox& box, const PaletteEntry& entry) {
    int sum = 0;
    const std::array<int, 3> c = Channels(entry);
    for (int i = 0; i < 3; ++i) {
        const int d =
            c[i] < box.low[i] ? box.low[i] - c[i] : std::max(0, c[i] - box.low[i] - box.span);
        sum += d * d;
    }
    return sum;
}

int FarthestDistance(const CellBox& box, const PaletteEntry& entry) {
    int sum = 0;
    const std::array<int, 3> c = Channels(entry);
    for (int i = 0; i < 3; ++i) {
        const int d = std::max(c[i] - box.low[i], box.low[i] + box.span - c[i]);
        sum += d * d;
    }
    return sum;
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
    case PixelFormat::Bits1: return MonochromePalette();
    case PixelFormat::Bits4: return StandardPalette16();
    case PixelFormat::Bits8: return HalftonePalette();
    default: return none;
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
    : palette_(palette), cache_(std::size_t{1} << kCacheBits),
      cells_(std::size_t{1} << (3 * (8 - kCellShift))) {
    if (palette_.size() > 256) palette_.resize(256);
}

std::uint8_t PaletteMapper::Nearest(PaletteEntry colour) {
    int best = 0;
    int bestDistance = 1 << 30;
    for (std::uint8_t i : CellOf(colour).candidates) {
        const int distance = SquaredDistance(palette_[i], colour);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return static_cast<std::uint8_t>(best);
}

// The entries whose distance to some colour of the cell can be the smallest:
// those whose nearest point of the cell is no farther than the smallest
// farthest point of any entry.
const PaletteMapper::Cell& PaletteMapper::CellOf(PaletteEntry colour) {
    const int b = colour.blue >> kCellShift;
    const int g = colour.green >> kCellShift;
    const int r = colour.red >> kCellShift;
    Cell& cell = cells_[static_cast<std::size_t>((r << 6) | (g << 3) | b)];
    if (cell.known) return cell;
    const int size = (1 << kCellShift) - 1;
    const CellBox box{{b << kCellShift, g << kCellShift, r << kCellShift}, size};
    int bound = 1 << 30;
    for (const PaletteEntry& entry : palette_)
        bound = std::min(bound, FarthestDistance(box, entry));
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        if (NearestDistance(box, palette_[i]) <= bound) {
            cell.candidates.push_back(static_cast<std::uint8_t>(i));
        }
    }
    cell.known = true;
    return cell;
}

void MapOntoPalette(Bitmap& bitmap, const Palette& palette, PixelFormat indexedFormat) {
    const int entries = PaletteSizeOf(indexedFormat);
    if (entries == 0 || palette.empty() || palette.size() > static_cast<std::size_t>(entries)) {
        throw std::invalid_argument(
            "MapOntoPalette needs an indexed format and a palette that fits it");
    }
    ReplaceWithConversion(bitmap, indexedFormat, palette);
}

} // namespace zv
