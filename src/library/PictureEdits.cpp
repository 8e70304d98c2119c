#include "library/PictureEdits.h"

#include "platform/RowSplit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace zv {

namespace {

std::int64_t PixelsOf(const Bitmap& picture) {
    return std::int64_t{picture.Width()} * picture.Height();
}

// Row pairs (top, bottom) are exchanged through a buffer, a band of top rows
// per thread.
void FlipRows(Bitmap& picture) {
    const auto stride = static_cast<std::size_t>(picture.Stride());
    const std::int32_t height = picture.Height();
    SplitRows(height / 2, PixelsOf(picture), [&](std::int32_t first, std::int32_t end) {
        std::vector<std::uint8_t> held(stride);
        for (std::int32_t top = first; top < end; ++top) {
            std::uint8_t* upper = picture.ScanLine(top);
            std::uint8_t* lower = picture.ScanLine(height - 1 - top);
            std::memcpy(held.data(), upper, stride);
            std::memcpy(upper, lower, stride);
            std::memcpy(lower, held.data(), stride);
        }
    });
}

// Whole pixels of Bytes bytes, exchanged from both ends towards the middle.
template <int Bytes> void ReverseWholePixels(std::uint8_t* row, std::int32_t width) {
    std::uint8_t* left = row;
    std::uint8_t* right = row + std::int64_t{Bytes} * (width - 1);
    for (; left < right; left += Bytes, right -= Bytes) {
        std::uint8_t held[Bytes];
        std::memcpy(held, left, Bytes);
        std::memcpy(left, right, Bytes);
        std::memcpy(right, held, Bytes);
    }
}

// 1- and 4-bit rows are rebuilt from a copy, pixel by pixel.
void ReversePackedPixels(std::uint8_t* row, std::vector<std::uint8_t>& copy, std::int32_t width,
                         int bits) {
    std::memcpy(copy.data(), row, copy.size());
    std::memset(row, 0, copy.size());
    const int perByte = 8 / bits;
    const int mask = (1 << bits) - 1;
    for (std::int32_t x = 0; x < width; ++x) {
        const std::int32_t from = width - 1 - x;
        const int shift = (perByte - 1 - from % perByte) * bits;
        const int value = (copy[static_cast<std::size_t>(from / perByte)] >> shift) & mask;
        const int to = (perByte - 1 - x % perByte) * bits;
        row[x / perByte] = static_cast<std::uint8_t>(row[x / perByte] | (value << to));
    }
}

void FlipColumns(Bitmap& picture) {
    const std::int32_t width = picture.Width();
    const int bits = picture.BitsPerPixel();
    SplitRows(picture.Height(), PixelsOf(picture), [&](std::int32_t first, std::int32_t end) {
        std::vector<std::uint8_t> copy;
        if (bits < 8) copy.resize(static_cast<std::size_t>(picture.Stride()));
        for (std::int32_t y = first; y < end; ++y) {
            std::uint8_t* row = picture.ScanLine(y);
            switch (bits) {
            case 1:
            case 4: ReversePackedPixels(row, copy, width, bits); break;
            case 8: ReverseWholePixels<1>(row, width); break;
            case 16: ReverseWholePixels<2>(row, width); break;
            case 24: ReverseWholePixels<3>(row, width); break;
            default: ReverseWholePixels<4>(row, width); break;
            }
        }
    });
}

void MapColourBytes(Bitmap& picture, const std::array<std::uint8_t, 256>& table) {
    const int step = picture.BitsPerPixel() / 8; // 3, or 4 with an unused fourth byte
    const std::int64_t count = std::int64_t{picture.Width()} * step;
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (std::int64_t i = 0; i < count; i += step) {
            row[i] = table[row[i]];
            row[i + 1] = table[row[i + 1]];
            row[i + 2] = table[row[i + 2]];
        }
    }
}

} // namespace

void MirrorPicture(Bitmap& picture, bool topBottom, bool leftRight) {
    if (picture.Empty()) return;
    if (topBottom) FlipRows(picture);
    if (leftRight) FlipColumns(picture);
}

std::array<std::uint8_t, 256> GammaTable(int gammaTimes10) {
    return GammaTableOf(gammaTimes10 / 10.0);
}

std::array<std::uint8_t, 256> GammaTableOf(double gamma) {
    std::array<std::uint8_t, 256> table{};
    const double exponent = 1.0 / gamma;
    for (int i = 0; i < 256; ++i)
        table[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(std::lround(255.0 * std::pow(i / 255.0, exponent)));
    return table;
}

void ApplyGamma(Bitmap& picture, int gammaTimes10) {
    if (gammaTimes10 == 10) return;
    ApplyLevels(picture, GammaTable(gammaTimes10));
}

void ApplyLevels(Bitmap& picture, const std::array<std::uint8_t, 256>& table) {
    if (picture.Empty()) return;
    if (PaletteSizeOf(picture.Format()) > 0) {
        Palette palette = picture.Colours();
        for (PaletteEntry& entry : palette) {
            entry.red = table[entry.red];
            entry.green = table[entry.green];
            entry.blue = table[entry.blue];
        }
        picture.SetPalette(palette);
        return;
    }
    if (picture.Format() == PixelFormat::Bits15 || picture.Format() == PixelFormat::Bits16)
        picture.SetPixelFormat(PixelFormat::Bits24);
    MapColourBytes(picture, table);
}

} // namespace zv
