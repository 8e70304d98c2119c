#pragma once
// Slow references for the neighbourhood filters, written straight from
// their definitions: every byte computed on its own from a whole copy of
// the picture, with plain loops and a sort. The fast passes must give the
// same bytes.

#include "imaging/Bitmap.h"
#include "processing/Hls.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace zvtest {

// Uniform noise, or grain of +-spread around a level when spread is given.
inline zv::Bitmap RandomPicture(std::int32_t width, std::int32_t height, unsigned seed,
                                int level = -1, int spread = 0) {
    zv::Bitmap picture;
    picture.Create(width, height, zv::PixelFormat::Bits24);
    std::mt19937 random(seed);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t i = 0; i < 3 * width; ++i) {
            const int v = level < 0
                              ? static_cast<int>(random() & 0xFF)
                              : level + static_cast<int>(random() % (2 * spread + 1)) - spread;
            picture.ScanLine(y)[i] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
        }
    return picture;
}

inline zv::Bitmap FlatPicture(std::int32_t width, std::int32_t height, zv::Rgb colour) {
    zv::Bitmap picture;
    picture.Create(width, height, zv::PixelFormat::Bits24);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint8_t* p = picture.ScanLine(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(colour.B);
            p[1] = static_cast<std::uint8_t>(colour.G);
            p[2] = static_cast<std::uint8_t>(colour.R);
        }
    return picture;
}

inline int ByteOf(const zv::Bitmap& picture, int x, int y, int c) {
    return picture.ScanLine(y)[3 * x + c];
}
inline void SetByte(zv::Bitmap& picture, int x, int y, int c, int v) {
    picture.ScanLine(y)[3 * x + c] = static_cast<std::uint8_t>(v);
}

// "" when the pictures agree, else where they first differ.
inline std::string FirstDifference(const zv::Bitmap& got, const zv::Bitmap& want) {
    if (got.Width() != want.Width() || got.Height() != want.Height()) return "sizes differ";
    for (int y = 0; y < got.Height(); ++y)
        for (int i = 0; i < 3 * got.Width(); ++i)
            if (got.ScanLine(y)[i] != want.ScanLine(y)[i])
                return "pixel (" + std::to_string(i / 3) + ", " + std::to_string(y) + ") byte " +
                       std::to_string(i % 3) + ": " + std::to_string(got.ScanLine(y)[i]) +
                       " instead of " + std::to_string(want.ScanLine(y)[i]);
    return "";
}

// ---- Shaped medians ----

// Whether cell (dx, dy) belongs to median shape s, from the shapes' descriptions.
inline bool InMedianShape(int s, int dx, int dy) {
    const int ax = std::abs(dx);
    const int ay = std::abs(dy);
    switch (s) {
    case 2: return ax <= 1 && ay <= 1;
    case 3: return (dx == 0 && ay <= 2) || (dy == 0 && ax <= 2);
    case 4: return ax + ay <= 2;
    case 5: return (ax <= 1 && ay <= 1) || (dx == 0 && ay <= 3) || (dy == 0 && ax <= 3);
    case 6: return ax <= 2 && ay <= 2;
    case 7: return ax + ay <= 3;
    // 7x7 less the corner and its two neighbours along the edges.
    case 8: return ax <= 3 && ay <= 3 && !(ax == 3 && ay >= 2) && !(ay == 3 && ax >= 2);
    case 9: return ax <= 3 && ay <= 3;
    default: return ax + ay <= 1;
    }
}

// Rows past the top or bottom read the nearest row; positions past either
// end of a row read the same colour byte of the nearest pixel.
inline zv::Bitmap ReferenceMedian(const zv::Bitmap& source, int shape, int t) {
    zv::Bitmap out = source;
    const int w = source.Width();
    const int h = source.Height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                std::vector<int> cells;
                for (int dy = -3; dy <= 3; ++dy)
                    for (int dx = -3; dx <= 3; ++dx)
                        if (InMedianShape(shape, dx, dy))
                            cells.push_back(ByteOf(source, std::clamp(x + dx, 0, w - 1),
                                                   std::clamp(y + dy, 0, h - 1), c));
                std::sort(cells.begin(), cells.end());
                const int median = cells[(cells.size() - 1) / 2];
                const int old = ByteOf(source, x, y, c);
                bool replace = t == 0;
                if (t > 0) replace = old > 4 * t && old > median;
                if (t < 0) replace = old > -4 * t && old < median;
                SetByte(out, x, y, c, replace ? median : old);
            }
    return out;
}

// ---- 5x5 filters ----

// Rows 2 .. height-4, columns 2 .. width-3; rule(source, x, y, out) writes
// the pixel's new bytes into out.
inline zv::Bitmap Reference5x5(const zv::Bitmap& source,
                               const std::function<void(const zv::Bitmap&, int, int, int*)>& rule) {
    zv::Bitmap out = source;
    for (int y = 2; y <= source.Height() - 4; ++y)
        for (int x = 2; x <= source.Width() - 3; ++x) {
            int bytes[3];
            rule(source, x, y, bytes);
            for (int c = 0; c < 3; ++c) SetByte(out, x, y, c, bytes[c]);
        }
    return out;
}

// The 5x5 box mean of one byte: min(255, sum div 25).
inline int BoxMean(const zv::Bitmap& source, int x, int y, int c) {
    int sum = 0;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) sum += ByteOf(source, x + dx, y + dy, c);
    return std::min(255, sum / 25);
}

// HLS lightness of bytes stored blue, green, red.
inline int LightnessOf(const int* bgr) {
    return zv::RGBtoHLS(bgr[2], bgr[1], bgr[0]).L;
}

inline zv::Bitmap ReferenceClean(const zv::Bitmap& source, int threshold, int k) {
    return Reference5x5(source, [&](const zv::Bitmap& s, int x, int y, int* out) {
        int c[3], m[3];
        for (int n = 0; n < 3; ++n) {
            c[n] = ByteOf(s, x, y, n);
            m[n] = BoxMean(s, x, y, n);
        }
        const bool smooth = std::abs(LightnessOf(c) - LightnessOf(m)) < threshold;
        for (int n = 0; n < 3; ++n) out[n] = smooth ? c[n] + (m[n] - c[n]) * k / 255 : c[n];
    });
}

inline zv::Bitmap ReferenceUnsharp(const zv::Bitmap& source, int threshold, int k) {
    return Reference5x5(source, [&](const zv::Bitmap& s, int x, int y, int* out) {
        int c[3], m[3];
        for (int n = 0; n < 3; ++n) {
            c[n] = ByteOf(s, x, y, n);
            m[n] = BoxMean(s, x, y, n);
            out[n] = c[n];
        }
        const int lc = LightnessOf(c);
        const int d = lc - LightnessOf(m);
        if (std::abs(d) <= threshold) return;
        const int l = d > 0 ? std::min(3600, lc + k * (2 * std::abs(d)) / 255)
                            : std::max(0, lc - k * (2 * std::abs(d)) / 255);
        // Red and blue exchanged on the way in and on the way out.
        const zv::Hls hls = zv::RGBtoHLS(c[0], c[1], c[2]);
        const zv::Rgb rgb = zv::HLStoRGB(hls.H, l, hls.S);
        out[0] = std::min(255, rgb.R);
        out[1] = std::min(255, rgb.G);
        out[2] = std::min(255, rgb.B);
    });
}

// ---- Descreen ----

inline zv::Bitmap ReferenceDescreen(const zv::Bitmap& source, int mode) {
    static const int kWeights[3][5][5] = {
        {{0, 1, 1, 1, 0}, {0, 1, 2, 1, 0}, {0, 2, 3, 2, 0}, {0, 1, 2, 1, 0}, {0, 1, 1, 1, 0}},
        {{1, 1, 1, 1, 1}, {1, 1, 2, 1, 1}, {1, 2, 3, 2, 1}, {1, 1, 2, 1, 1}, {1, 1, 1, 1, 1}},
        {{1, 1, 2, 1, 1}, {1, 3, 0, 1, 1}, {2, 0, 3, 0, 2}, {1, 3, 0, 1, 1}, {1, 1, 2, 1, 1}}};
    static const int kDivisors[3] = {21, 31, 31};
    return Reference5x5(source, [&](const zv::Bitmap& s, int x, int y, int* out) {
        for (int c = 0; c < 3; ++c) {
            int sum = 0;
            for (int r = 0; r < 5; ++r)
                for (int q = 0; q < 5; ++q)
                    sum += kWeights[mode][r][q] * ByteOf(s, x + q - 2, y + r - 2, c);
            out[c] = std::min(255, sum / kDivisors[mode]);
        }
    });
}

} // namespace zvtest
