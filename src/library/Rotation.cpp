// Rotation counter-clockwise, as the picture turns on screen: a positive
// angle turns the top edge towards the left. Quarter and half turns move
// pixels (palette indices for indexed pictures) and keep the pixel format;
// other angles sample the 24-bit picture bilinearly into its rotated
// bounding box, blending the edges into the background.

#include "library/PictureOps.h"

#include "imaging/PixelConvert.h"
#include "platform/RowSplit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

namespace zv {

namespace {

enum class Turn { Left, Half, Right };

// 1- and 4-bit pixels; the 8-bit and wider ones are copied whole.
template <int Bits> std::uint32_t GetPixel(const std::uint8_t* row, std::int32_t x) {
    if constexpr (Bits == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15u;
}

// Into a row that still holds zeros where the pixel goes.
template <int Bits> void PutPixel(std::uint8_t* row, std::int32_t x, std::uint32_t v) {
    if constexpr (Bits == 1)
        row[x >> 3] |= static_cast<std::uint8_t>(v << (7 - (x & 7)));
    else
        row[x >> 1] |= static_cast<std::uint8_t>(v << ((x & 1) ? 0 : 4));
}

// Where the source pixel of a target pixel lies: target (dx, dy) reads the
// source at column x and row y.
struct Origin {
    std::int32_t x = 0;
    std::int32_t y = 0;
};
Origin OriginOf(Turn turn, std::int32_t w, std::int32_t h, std::int32_t dx, std::int32_t dy) {
    switch (turn) {
    case Turn::Left: return {w - 1 - dy, dx}; // the source's right column becomes the top row
    case Turn::Half: return {w - 1 - dx, h - 1 - dy};
    case Turn::Right: return {dy, h - 1 - dx}; // the source's left column becomes the top row
    }
    return {};
}

// Pixels of whole bytes: along a target row the source pointer moves by a
// fixed step (a row up or down, or a pixel left), so a row is a run of
// small copies.
template <int Bytes>
void MoveWholePixels(const Bitmap& source, Bitmap& target, Turn turn, std::int32_t first,
                     std::int32_t end, std::int32_t tx, std::int32_t xEnd) {
    const std::int64_t stride = source.Stride();
    const std::int64_t step = turn == Turn::Left ? stride : turn == Turn::Right ? -stride : -Bytes;
    for (std::int32_t dy = first; dy < end; ++dy) {
        const Origin at = OriginOf(turn, source.Width(), source.Height(), tx, dy);
        const std::uint8_t* from = source.ScanLine(at.y) + std::int64_t{at.x} * Bytes;
        std::uint8_t* out = target.ScanLine(dy) + std::int64_t{tx} * Bytes;
        for (std::int32_t dx = tx; dx < xEnd; ++dx, from += step, out += Bytes)
            std::memcpy(out, from, Bytes);
    }
}

// 1- and 4-bit pixels, one at a time.
template <int Bits>
void MovePackedPixels(const Bitmap& source, Bitmap& target, Turn turn, std::int32_t first,
                      std::int32_t end, std::int32_t tx, std::int32_t xEnd) {
    for (std::int32_t dy = first; dy < end; ++dy) {
        std::uint8_t* out = target.ScanLine(dy);
        for (std::int32_t dx = tx; dx < xEnd; ++dx) {
            const Origin at = OriginOf(turn, source.Width(), source.Height(), dx, dy);
            PutPixel<Bits>(out, dx, GetPixel<Bits>(source.ScanLine(at.y), at.x));
        }
    }
}

// Moves every pixel of target rows first .. end-1, in square tiles so both
// pictures are walked within the cache whichever way the rows run.
template <int Bits>
void MovePixels(const Bitmap& source, Bitmap& target, Turn turn, std::int32_t first,
                std::int32_t end) {
    constexpr std::int32_t kTile = 64;
    for (std::int32_t ty = first; ty < end; ty += kTile) {
        const std::int32_t yEnd = std::min(end, ty + kTile);
        for (std::int32_t tx = 0; tx < target.Width(); tx += kTile) {
            const std::int32_t xEnd = std::min(target.Width(), tx + kTile);
            if constexpr (Bits >= 8)
                MoveWholePixels<Bits / 8>(source, target, turn, ty, yEnd, tx, xEnd);
            else
                MovePackedPixels<Bits>(source, target, turn, ty, yEnd, tx, xEnd);
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
    const int bits = picture.BitsPerPixel();
    SplitRows(result.Height(), std::int64_t{result.Width()} * result.Height(),
              [&](std::int32_t first, std::int32_t end) {
                  switch (bits) {
                  case 1: MovePixels<1>(picture, result, turn, first, end); break;
                  case 4: MovePixels<4>(picture, result, turn, first, end); break;
                  case 8: MovePixels<8>(picture, result, turn, first, end); break;
                  case 16: MovePixels<16>(picture, result, turn, first, end); break;
                  case 24: MovePixels<24>(picture, result, turn, first, end); break;
                  default: MovePixels<32>(picture, result, turn, first, end); break;
                  }
              });
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

// The sampling of one rotation: each target pixel's centre is turned back
// onto the source, and the four source pixels around that point are blended
// with weights in 256ths, those outside the picture counting as background.
class Sampler {
public:
    Sampler(const Bitmap& source, const Bitmap& target, int hundredths, std::uint32_t background)
        : source_(source), w_(source.Width()), h_(source.Height()),
          lastX_(static_cast<std::uint64_t>(w_ - 1)), lastY_(static_cast<std::uint64_t>(h_ - 1)) {
        const double radians = hundredths / 100.0 * std::numbers::pi / 180.0;
        c_ = std::cos(radians);
        s_ = std::sin(radians);
        left_ = 0.5 - target.Width() / 2.0;
        halfHeight_ = target.Height() / 2.0;
        fill_[0] = static_cast<std::uint8_t>(background >> 16);
        fill_[1] = static_cast<std::uint8_t>(background >> 8);
        fill_[2] = static_cast<std::uint8_t>(background);
    }

    void Row(std::int32_t dy, std::uint8_t* out, std::int32_t width) const {
        // Source position of the row's first pixel centre, then one step of
        // (c, s) for each pixel to the right. Positions are counted in 256ths
        // of a pixel, rounded, one pixel up so that the picture's positions
        // stay positive; they advance in fixed point with 16 more bits,
        // which drifts by less than a 256th of a pixel over 65536 steps.
        const double v = dy + 0.5 - halfHeight_;
        const double rowX = left_ * c_ - v * s_ + w_ / 2.0 - 0.5;
        const double rowY = left_ * s_ + v * c_ + h_ / 2.0 - 0.5;
        const std::int64_t px = Fixed((rowX + 1.0) * 256.0 + 0.5);
        const std::int64_t py = Fixed((rowY + 1.0) * 256.0 + 0.5);
        const std::int64_t stepX = Fixed(c_ * 256.0);
        const std::int64_t stepY = Fixed(s_ * 256.0);
        const Span inside = InsideOf(px, py, stepX, stepY, width);
        const auto first = static_cast<std::int32_t>(inside.first);
        const auto end = static_cast<std::int32_t>(inside.end);
        for (std::int32_t dx = 0; dx < first; ++dx)
            Edge(px + dx * stepX, py + dx * stepY, out + 3 * std::int64_t{dx});
        const std::int64_t stride = source_.Stride();
        const std::uint8_t* base = source_.ScanLine(0);
        std::int64_t x = px + first * stepX;
        std::int64_t y = py + first * stepY;
        for (std::int32_t dx = first; dx < end; ++dx, x += stepX, y += stepY) {
            const std::int64_t fx = (x >> kFraction) - 256;
            const std::int64_t fy = (y >> kFraction) - 256;
            const std::uint8_t* top = base + (fy >> 8) * stride + 3 * (fx >> 8);
            Blend(top, top + 3, top + stride, top + stride + 3, static_cast<int>(fx & 255),
                  static_cast<int>(fy & 255), out + 3 * std::int64_t{dx});
        }
        for (std::int32_t dx = end; dx < width; ++dx)
            Edge(px + dx * stepX, py + dx * stepY, out + 3 * std::int64_t{dx});
    }

private:
    static void Blend(const std::uint8_t* p00, const std::uint8_t* p10, const std::uint8_t* p01,
                      const std::uint8_t* p11, int wx, int wy, std::uint8_t* out) {
        // a (256 - w) + b w written as 256 a + (b - a) w: one product each.
        const auto channel = [=](int k) {
            const int top = (p00[k] << 8) + (p10[k] - p00[k]) * wx;
            const int bottom = (p01[k] << 8) + (p11[k] - p01[k]) * wx;
            return static_cast<std::uint8_t>(((top << 8) + (bottom - top) * wy + 32768) >> 16);
        };
        out[0] = channel(0);
        out[1] = channel(1);
        out[2] = channel(2);
    }

    // A pixel whose four samples are not all inside: those outside are
    // background, and a pixel with none inside is background.
    void Edge(std::int64_t x, std::int64_t y, std::uint8_t* out) const {
        const std::int64_t fx = (x >> kFraction) - 256;
        const std::int64_t fy = (y >> kFraction) - 256;
        const std::int64_t x0 = fx >> 8;
        const std::int64_t y0 = fy >> 8;
        if (x0 < -1 || y0 < -1 || x0 >= w_ || y0 >= h_) {
            std::memcpy(out, fill_, 3);
            return;
        }
        Blend(At(x0, y0), At(x0 + 1, y0), At(x0, y0 + 1), At(x0 + 1, y0 + 1),
              static_cast<int>(fx & 255), static_cast<int>(fy & 255), out);
    }

    // Pixels first .. end-1 of a row.
    struct Span {
        std::int64_t first = 0;
        std::int64_t end = 0;
        Span Within(Span other, std::int32_t width) const {
            const std::int64_t f = std::max({first, other.first, std::int64_t{0}});
            const std::int64_t e = std::min({end, other.end, std::int64_t{width}});
            return {f, std::max(f, e)};
        }
    };
    // The steps dx at which the position p + dx step has its sample and
    // the next one inside, 0 <= x0 < last: lo <= p + dx step < hi.
    static Span Inside(std::int64_t p, std::int64_t step, std::uint64_t last) {
        const std::int64_t lo = std::int64_t{256} << kFraction;
        const std::int64_t hi = (static_cast<std::int64_t>(last) + 1) * 256 << kFraction;
        if (step == 0) return p >= lo && p < hi ? Span{0, INT32_MAX} : Span{};
        const auto floorDiv = [](std::int64_t n, std::int64_t d) { // d > 0
            return n >= 0 ? n / d : -((-n + d - 1) / d);
        };
        if (step > 0) return {-floorDiv(p - lo, step), -floorDiv(p - hi, step)};
        return {floorDiv(p - hi, -step) + 1, floorDiv(p - lo, -step) + 1};
    }

    // The pixels of a row whose four samples all lie inside, which run
    // without checks: the span where both positions keep their sample and
    // the next one inside. Its ends are checked once more, so no arithmetic
    // slip can read outside the picture.
    Span InsideOf(std::int64_t px, std::int64_t py, std::int64_t stepX, std::int64_t stepY,
                  std::int32_t width) const {
        Span span = Inside(px, stepX, lastX_).Within(Inside(py, stepY, lastY_), width);
        const auto inner = [&](std::int64_t dx) {
            const std::int64_t x0 = (((px + dx * stepX) >> kFraction) - 256) >> 8;
            const std::int64_t y0 = (((py + dx * stepY) >> kFraction) - 256) >> 8;
            return static_cast<std::uint64_t>(x0) < lastX_ &&
                   static_cast<std::uint64_t>(y0) < lastY_;
        };
        while (span.first < span.end && !inner(span.first)) ++span.first;
        while (span.end > span.first && !inner(span.end - 1)) --span.end;
        return span;
    }

    static constexpr int kFraction = 16;
    static std::int64_t Fixed(double v) {
        return static_cast<std::int64_t>(std::floor(v * (1 << kFraction)));
    }

    const std::uint8_t* At(std::int64_t x, std::int64_t y) const {
        if (x < 0 || y < 0 || x >= w_ || y >= h_) return fill_;
        return source_.ScanLine(static_cast<std::int32_t>(y)) + 3 * x;
    }

    const Bitmap& source_;
    std::int64_t w_;
    std::int64_t h_;
    std::uint64_t lastX_; // x0 below this: x0 and x0 + 1 inside
    std::uint64_t lastY_;
    double c_ = 1.0;
    double s_ = 0.0;
    double left_ = 0.0;
    double halfHeight_ = 0.0;
    std::uint8_t fill_[3] = {};
};

// Rotates a Bits24 picture by an angle that is not a multiple of a quarter
// turn into its rotated bounding box, rows in bands on every core.
Bitmap Sampled(const Bitmap& source, int hundredths, std::uint32_t background) {
    const double radians = hundredths / 100.0 * std::numbers::pi / 180.0;
    const double c = std::abs(std::cos(radians));
    const double s = std::abs(std::sin(radians));
    const double w = source.Width();
    const double h = source.Height();
    Bitmap result;
    result.Create(SideOf(w * c + h * s), SideOf(w * s + h * c), PixelFormat::Bits24);
    const Sampler sampler(source, result, hundredths, background);
    SplitRows(result.Height(), std::int64_t{result.Width()} * result.Height(),
              [&](std::int32_t first, std::int32_t end) {
                  for (std::int32_t dy = first; dy < end; ++dy)
                      sampler.Row(dy, result.ScanLine(dy), result.Width());
              });
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
