// Rotation counter-clockwise, as the picture turns on screen: a positive
// angle turns the top edge towards the left. Quarter and half turns move
// pixels (palette indices for indexed pictures) and keep the pixel format;
// other angles sample the 24-bit picture bilinearly into its rotated
// bounding box, blending the edges into the background.

#include "library/PictureOps.h"

#include "imaging/PixelConvert.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace zv {

namespace {

enum class Turn { Left, Half, Right };

template <int Bits> std::uint32_t GetPixel(const std::uint8_t* row, std::int32_t x) {
    if constexpr (Bits == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    if constexpr (Bits == 4) return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15u;
    if constexpr (Bits >= 8) {
        const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * (Bits / 8);
        std::uint32_t v = 0;
        for (int i = 0; i < Bits / 8; ++i) v |= std::uint32_t{p[i]} << (8 * i);
        return v;
    }
}

// Into a row that still holds zeros where the pixel goes.
template <int Bits> void PutPixel(std::uint8_t* row, std::int32_t x, std::uint32_t v) {
    if constexpr (Bits == 1) row[x >> 3] |= static_cast<std::uint8_t>(v << (7 - (x & 7)));
    if constexpr (Bits == 4) row[x >> 1] |= static_cast<std::uint8_t>(v << ((x & 1) ? 0 : 4));
    if constexpr (Bits >= 8) {
        std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * (Bits / 8);
        for (int i = 0; i < Bits / 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

// Moves every pixel, in square tiles so both pictures are walked within the
// cache whichever way the rows run.
template <int Bits> void MovePixels(const Bitmap& source, Bitmap& target, Turn turn) {
    constexpr std::int32_t kTile = 32;
    const std::int32_t w = source.Width();
    const std::int32_t h = source.Height();
    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(h));
    for (std::int32_t y = 0; y < h; ++y) rows[static_cast<std::size_t>(y)] = source.ScanLine(y);
    for (std::int32_t ty = 0; ty < target.Height(); ty += kTile) {
        const std::int32_t yEnd = std::min(target.Height(), ty + kTile);
        for (std::int32_t tx = 0; tx < target.Width(); tx += kTile) {
            const std::int32_t xEnd = std::min(target.Width(), tx + kTile);
            for (std::int32_t dy = ty; dy < yEnd; ++dy) {
                std::uint8_t* out = target.ScanLine(dy);
                switch (turn) {
                case Turn::Left: // the source's right column becomes the top row
                    for (std::int32_t dx = tx; dx < xEnd; ++dx) {
                        PutPixel<Bits>(out, dx, GetPixel<Bits>(rows[dx], w - 1 - dy));
                    }
                    break;
                case Turn::Half:
                    for (std::int32_t dx = tx; dx < xEnd; ++dx) {
                        PutPixel<Bits>(out, dx, GetPixel<Bits>(rows[h - 1 - dy], w - 1 - dx));
                    }
                    break;
                case Turn::Right: // the source's left column becomes the top row
                    for (std::int32_t dx = tx; dx < xEnd; ++dx) {
                        PutPixel<Bits>(out, dx, GetPixel<Bits>(rows[h - 1 - dx], dy));
                    }
                    break;
                }
            }
        }
    }
}

Bitmap Turned(const Bitmap& picture, Turn turn) {
    Bitmap result;
    if (turn == Turn::Half) {
        result.Create(picture.Width(), picture.Height(), picture.Format());
    } else {
        result.Create(picture.Height(), picture.Width(), picture.Format());
    }
    result.SetPalette(picture.Colours());
    result.SetStorage(picture.Storage());
    switch (picture.BitsPerPixel()) {
    case 1: MovePixels<1>(picture, result, turn); break;
    case 4: MovePixels<4>(picture, result, turn); break;
    case 8: MovePixels<8>(picture, result, turn); break;
    case 16: MovePixels<16>(picture, result, turn); break;
    case 24: MovePixels<24>(picture, result, turn); break;
    default: MovePixels<32>(picture, result, turn); break;
    }
    return result;
}

std::int32_t SideOf(double extent) {
    // A hair of slack so that rounding in the sine does not add a column.
    const double side = std::max(1.0, std::ceil(extent - 1e-6));
    if (side > std::numeric_limits<std::int32_t>::max()) {
        throw EBitmapError("The rotated picture would be too large.");
    }
    return static_cast<std::int32_t>(side);
}

// Rotates a Bits24 picture by an angle that is not a multiple of a quarter
// turn. Each target pixel's centre is turned back onto the source; the four
// source pixels around that point are blended with weights in 256ths, those
// outside the picture counting as background.
Bitmap Sampled(const Bitmap& source, int hundredths, std::uint32_t background) {
    const double radians = hundredths / 100.0 * std::numbers::pi / 180.0;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    const double w = source.Width();
    const double h = source.Height();
    Bitmap result;
    result.Create(SideOf(w * std::abs(c) + h * std::abs(s)),
                  SideOf(w * std::abs(s) + h * std::abs(c)), PixelFormat::Bits24);
    const std::uint8_t fill[3] = {static_cast<std::uint8_t>(background >> 16),
                                  static_cast<std::uint8_t>(background >> 8),
                                  static_cast<std::uint8_t>(background)};
    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(source.Height()));
    for (std::int32_t y = 0; y < source.Height(); ++y) {
        rows[static_cast<std::size_t>(y)] = source.ScanLine(y);
    }
    const std::int64_t sw = source.Width();
    const std::int64_t sh = source.Height();
    const auto pixel = [&](std::int64_t x, std::int64_t y) -> const std::uint8_t* {
        if (x < 0 || y < 0 || x >= sw || y >= sh) return fill;
        return rows[static_cast<std::size_t>(y)] + 3 * x;
    };
    const double left = 0.5 - result.Width() / 2.0;
    for (std::int32_t dy = 0; dy < result.Height(); ++dy) {
        // Source position of the row's first pixel centre, then one step of
        // (c, s) for each pixel to the right.
        const double v = dy + 0.5 - result.Height() / 2.0;
        const double rowX = left * c - v * s + w / 2.0 - 0.5;
        const double rowY = left * s + v * c + h / 2.0 - 0.5;
        std::uint8_t* out = result.ScanLine(dy);
        for (std::int32_t dx = 0; dx < result.Width(); ++dx, out += 3) {
            const double sx = rowX + dx * c;
            const double sy = rowY + dx * s;
            if (!(sx > -1.0 && sy > -1.0 && sx < w && sy < h)) {
                std::copy(fill, fill + 3, out);
                continue;
            }
            // Positions in 256ths; adding one first keeps them positive so
            // the conversion rounds the way a floor would.
            const auto fx = static_cast<std::int64_t>((sx + 1.0) * 256.0 + 0.5) - 256;
            const auto fy = static_cast<std::int64_t>((sy + 1.0) * 256.0 + 0.5) - 256;
            const std::int64_t x0 = fx >> 8;
            const std::int64_t y0 = fy >> 8;
            const int wx = static_cast<int>(fx & 255);
            const int wy = static_cast<int>(fy & 255);
            const std::uint8_t* p00 = pixel(x0, y0);
            const std::uint8_t* p10 = pixel(x0 + 1, y0);
            const std::uint8_t* p01 = pixel(x0, y0 + 1);
            const std::uint8_t* p11 = pixel(x0 + 1, y0 + 1);
            for (int k = 0; k < 3; ++k) {
                const int top = p00[k] * (256 - wx) + p10[k] * wx;
                const int bottom = p01[k] * (256 - wx) + p11[k] * wx;
                out[k] = static_cast<std::uint8_t>((top * (256 - wy) + bottom * wy + 32768) >> 16);
            }
        }
    }
    return result;
}

} // namespace

Bitmap RotatePicture(const Bitmap& picture, int hundredths, std::uint32_t background) {
    const int angle = (hundredths % 36000 + 36000) % 36000;
    switch (angle) {
    case 0: return picture;
    case 9000: return Turned(picture, Turn::Left);
    case 18000: return Turned(picture, Turn::Half);
    case 27000: return Turned(picture, Turn::Right);
    default: break;
    }
    if (picture.Empty()) {
        Bitmap empty;
        empty.Create(0, 0, PixelFormat::Bits24);
        return empty;
    }
    if (picture.Format() == PixelFormat::Bits24) return Sampled(picture, angle, background);
    return Sampled(ConvertPixels(picture, PixelFormat::Bits24, {}), angle, background);
}

} // namespace zv
