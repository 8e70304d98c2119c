#include "processing/ToneMaps.h"

#include "processing/ColourPass.h"
#include "processing/Hls.h"
#include "processing/RowBands.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace zv {

namespace {

int Clamp255(long long v) {
    return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v);
}

bool ValidChannel(int ch) {
    return ch >= 0 && ch <= 2;
}

// num / den rounded to the nearest integer, halves to even, exactly.
long long RoundRatio(long long num, long long den) {
    if (den < 0) {
        num = -num;
        den = -den;
    }
    long long q = num / den;
    long long r = num % den;
    if (r < 0) { // make q the floor, 0 <= r < den
        q -= 1;
        r += den;
    }
    if (2 * r > den || (2 * r == den && (q & 1) != 0)) q += 1;
    return q;
}

// Round for the builders that work in floating point.
long long RoundDouble(double v) {
    return static_cast<long long>(std::nearbyint(v));
}

// top x (i / top)^(100 / g), the shared curve of gamma and mid-tone gamma.
int PowerCurve(int i, int top, int g) {
    const double v = top * std::exp(std::log(static_cast<double>(i) / top) / (g / 100.0));
    return Clamp255(RoundDouble(v));
}

// Brightness factor in hundredths: ((b + 127) x 100 div 127).
int BrightHundredths(int b) {
    return (b + 127) * 100 / 127;
}

void FillRange(ToneMap& map, int from, int to, std::uint8_t value) {
    from = std::max(from, 0);
    to = std::min(to, 255);
    for (int i = from; i <= to; ++i) map[i] = value;
}

bool IsTrueColour(const Bitmap& bitmap) {
    return bitmap.Format() == PixelFormat::Bits24 && !bitmap.Empty();
}

// One pass with a table per channel, in the picture's byte order blue,
// green, red, in row bands. Each band copies the tables so the compiler
// knows the rows cannot overwrite them.
void TablePass(Bitmap& bitmap, const ToneMap& red, const ToneMap& green, const ToneMap& blue) {
    if (!IsTrueColour(bitmap)) return;
    const std::int32_t width = bitmap.Width();
    ParallelRows(bitmap, 0, bitmap.Height(), [&](std::int32_t first, std::int32_t last) {
        const ToneMap r = red, g = green, b = blue;
        for (std::int32_t y = first; y < last; ++y) {
            std::uint8_t* p = bitmap.ScanLine(y);
            std::uint8_t* const end = p + 3 * static_cast<std::int64_t>(width);
            for (; end - p >= 12; p += 12) {
                const std::uint8_t b0 = b[p[0]], g0 = g[p[1]], r0 = r[p[2]];
                const std::uint8_t b1 = b[p[3]], g1 = g[p[4]], r1 = r[p[5]];
                const std::uint8_t b2 = b[p[6]], g2 = g[p[7]], r2 = r[p[8]];
                const std::uint8_t b3 = b[p[9]], g3 = g[p[10]], r3 = r[p[11]];
                p[0] = b0, p[1] = g0, p[2] = r0, p[3] = b1, p[4] = g1, p[5] = r1;
                p[6] = b2, p[7] = g2, p[8] = r2, p[9] = b3, p[10] = g3, p[11] = r3;
            }
            for (; p != end; p += 3) {
                p[0] = b[p[0]];
                p[1] = g[p[1]];
                p[2] = r[p[2]];
            }
        }
    });
}

// A pass over raw pixels for the filters that need the old colour beside the new.
template <class Pixel> void PixelPass(Bitmap& bitmap, Pixel pixel) {
    if (!IsTrueColour(bitmap)) return;
    const std::int32_t width = bitmap.Width();
    ParallelRows(bitmap, 0, bitmap.Height(), [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y) {
            std::uint8_t* p = bitmap.ScanLine(y);
            std::uint8_t* const end = p + 3 * static_cast<std::int64_t>(width);
            for (; p != end; p += 3) {
                const Rgb c = pixel(p[2], p[1], p[0]);
                p[0] = static_cast<std::uint8_t>(c.B);
                p[1] = static_cast<std::uint8_t>(c.G);
                p[2] = static_cast<std::uint8_t>(c.R);
            }
        }
    });
}

} // namespace

void ResetMaps(ToolboxContext& tb) {
    for (ToneMap& map : tb.maps)
        for (int i = 0; i < 256; ++i) map[i] = static_cast<std::uint8_t>(i);
}

void SetGammaLUT(ToolboxContext& tb, int g, int ch) {
    if (!ValidChannel(ch) || g <= 0) return;
    ToneMap& map = tb.maps[ch];
    map[0] = 0;
    for (int i = 1; i < 256; ++i) map[i] = static_cast<std::uint8_t>(PowerCurve(i, 255, g));
}

void SetBrightLUT(ToolboxContext& tb, int b, int ch) {
    if (!ValidChannel(ch)) return;
    const int f = BrightHundredths(b);
    for (ToneMap& map : tb.maps) map[0] = 0;
    ToneMap& map = tb.maps[ch];
    for (int i = 1; i < 256; ++i)
        map[i] = static_cast<std::uint8_t>(Clamp255(RoundRatio(i * f, 100)));
}

void SetBrightLUTex(ToolboxContext& tb, int b, int ch) {
    if (!ValidChannel(ch)) return;
    const int f = BrightHundredths(b);
    for (WideMap& map : tb.wide) map[0] = 0;
    WideMap& map = tb.wide[ch];
    for (int i = 1; i < 256; ++i)
        map[i] =
            static_cast<std::uint16_t>(std::clamp<long long>(RoundRatio(i * f, 100), 0, 65535));
}

void SetShiftLUT(ToolboxContext& tb, int s, int ch) {
    if (!ValidChannel(ch)) return;
    for (ToneMap& map : tb.maps) map[0] = 0;
    ToneMap& map = tb.maps[ch];
    for (int i = 1; i < 256; ++i)
        map[i] = static_cast<std::uint8_t>(Clamp255(static_cast<long long>(i) + s));
}

void SetContrastLUT(ToolboxContext& tb, int c, int ch) {
    if (!ValidChannel(ch)) return;
    ToneMap& map = tb.maps[ch];
    // The branch follows the sign of c. Taking it from the percentage alone
    // would send c = -127 (100 %) into the increase branch with no effect.
    const bool reduce = c <= 0;
    const long long s = reduce ? static_cast<long long>(-c) * 100 / 127 : (c + 127LL) * 100 / 127;
    // Every entry of the map follows the curve, level 0 included, so a full
    // reduction leaves a flat picture rather than one with black specks.
    for (int i = 0; i < 256; ++i) {
        long long v100; // the new level in hundredths
        if (reduce) {
            if (i > 127)
                v100 = std::max(100LL * i - (i - 128) * s, 12800LL);
            else
                v100 = std::min(100LL * i + (127 - i) * s, 12800LL);
        } else {
            const long long f = s - 100;
            v100 = i > 127 ? 100LL * i + (i - 128) * f : 100LL * i - (127 - i) * f;
        }
        v100 = std::clamp(v100, 0LL, 25500LL);
        map[i] = static_cast<std::uint8_t>(RoundRatio(v100, 100));
    }
}

void SetStretchLUT(ToolboxContext& tb, int lo, int hi, int ch) {
    if (!ValidChannel(ch)) return;
    ToneMap& map = tb.maps[ch];
    if (lo >= 0) FillRange(map, 0, lo, 0);
    if (hi <= 255) FillRange(map, hi, 255, 255);
    const long long span = static_cast<long long>(hi) - lo;
    for (long long j = 0; j < span; ++j) {
        const long long index = lo + j;
        if (index < 0) continue;
        if (index > 255) break;
        map[index] = static_cast<std::uint8_t>(Clamp255(RoundRatio(j * 255, span)));
    }
}

void SetSupressLUT(ToolboxContext& tb, int lo, int hi, int ch) {
    if (!ValidChannel(ch)) return;
    ToneMap& map = tb.maps[ch];
    const long long span = static_cast<long long>(hi) - lo;
    for (int i = 0; i < 256; ++i)
        map[i] = static_cast<std::uint8_t>(Clamp255(lo + RoundRatio(i * span, 255)));
}

void SetEqLUT(ToolboxContext& tb, int centre, int band, int ch, int gain) {
    if (gain == 0) {
        ResetMaps(tb);
        return;
    }
    if (!ValidChannel(ch)) return;
    ToneMap& map = tb.maps[ch];
    map.fill(0);
    const int lo = centre - band;
    const int top = std::clamp(centre + std::abs(gain), 0, 255);
    const int amplitude = top - lo;
    if (band > 0) {
        for (int i = std::max(lo, 0); i <= std::min(centre + band, 255); ++i) {
            const double bump = std::sin(std::numbers::pi * (i - lo) / (2.0 * band)) * amplitude;
            map[i] = static_cast<std::uint8_t>(Clamp255(static_cast<long long>(std::trunc(bump))));
        }
    }
    for (int i = 0; i < 256; ++i) {
        const int k = map[i];
        const int d = k * k / 255;
        map[i] = static_cast<std::uint8_t>(Clamp255(gain > 0 ? i + d : i - d));
    }
}

void SetMidToneLUT(ToolboxContext& tb, int g) {
    if (g <= 0) return;
    ToneMap& map = tb.maps[1];
    map[0] = 0;
    for (int i = 1; i < 128; ++i) map[i] = static_cast<std::uint8_t>(PowerCurve(i, 127, g));
}

void SetLoRemap(ToolboxContext& tb, int lo, int m, int ch) {
    if (!ValidChannel(ch)) return;
    ToneMap& map = tb.maps[ch];
    if (lo >= 0) FillRange(map, 0, lo, 0);
    const long long span = static_cast<long long>(m) - lo;
    for (long long i = 0; i < span; ++i) {
        const long long index = lo + i;
        if (index < 0) continue;
        if (index > 255) break;
        map[index] = static_cast<std::uint8_t>(Clamp255(RoundRatio(i * m, span)));
    }
}

void SetHiRemap(ToolboxContext& tb, int hi, int m, int ch) {
    if (!ValidChannel(ch)) return;
    ToneMap& map = tb.maps[ch];
    FillRange(map, hi, 255, 255);
    const long long span = static_cast<long long>(hi) - m;
    for (long long i = 0; i < span; ++i) {
        const long long index = m + i;
        if (index < 0) continue;
        if (index > 255) break;
        map[index] = static_cast<std::uint8_t>(Clamp255(m + RoundRatio(i * (255LL - m), span)));
    }
}

void SetZeroMapLUT(ToolboxContext& tb, const std::int32_t* counts, int ch) {
    if (!ValidChannel(ch)) return;
    ToneMap& map = tb.maps[ch];
    int used = 0;
    for (int i = 0; i < 256; ++i) {
        map[i] = static_cast<std::uint8_t>(used);
        if (counts[i] > 0) ++used;
    }
}

void ColorFilter(Bitmap& bitmap, const ToolboxContext& tb) {
    TablePass(bitmap, tb.maps[0], tb.maps[1], tb.maps[2]);
}

void NegColorFilter(Bitmap& bitmap, const ToolboxContext& tb) {
    std::array<ToneMap, 3> negative;
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            negative[c][v] = static_cast<std::uint8_t>(255 - tb.maps[c][255 - v]);
    TablePass(bitmap, negative[0], negative[1], negative[2]);
}

void LuminanceFilter(Bitmap& bitmap, const ToolboxContext& tb) {
    std::array<int, 256> lightness; // map 1 on the 0..3600 scale
    for (int k = 0; k < 256; ++k) lightness[k] = tb.maps[1][k] * kHlsMax / 255;
    ColourPass(bitmap, [&lightness](int r, int g, int b) {
        const Hls hls = RGBtoHLS(r, g, b);
        const int k = std::min(255, hls.L * 255 / kHlsMax);
        return ClampHlsRgb(HLStoRGB(hls.H, lightness[k], hls.S));
    });
}

void SaturationFilter(Bitmap& bitmap, const ToolboxContext& tb) {
    std::array<int, 256> saturation; // map 2 after map 1, on the 0..3600 scale
    for (int k = 0; k < 256; ++k) saturation[k] = tb.maps[2][tb.maps[1][k]] * kHlsMax / 255;
    ColourPass(bitmap, [&saturation](int r, int g, int b) {
        const Hls hls = RGBtoHLS(r, g, b);
        const int k = std::min(255, hls.S * 255 / kHlsMax);
        return ClampHlsRgb(HLStoRGB(hls.H, hls.L, saturation[k]));
    });
}

void BalanceFilter(Bitmap& bitmap, const ToolboxContext& tb) {
    const std::array<WideMap, 3> wide = tb.wide;
    PixelPass(bitmap, [&wide](int R, int G, int B) {
        int a = wide[0][R], b = wide[1][G], c = wide[2][B];
        const int m = std::max({a, b, c});
        if (m > 0) {
            a = std::min(255, a * 255 / m);
            b = std::min(255, b * 255 / m);
            c = std::min(255, c * 255 / m);
        }
        const Hls hls = RGBtoHLS(a, b, c);
        const Rgb balanced = ClampHlsRgb(HLStoRGB(hls.H, hls.L, hls.S));
        const int y = std::min(255, R * 3 / 10 + G * 6 / 10 + B / 10);
        return Rgb{std::min(255, (255 - y) * R / 255 + y * balanced.R / 255),
                   std::min(255, (255 - y) * G / 255 + y * balanced.G / 255),
                   std::min(255, (255 - y) * B / 255 + y * balanced.B / 255)};
    });
}

void BalanceGammaFilter(Bitmap& bitmap, const ToolboxContext& tb) {
    const ToneMap curve = tb.maps[1];
    PixelPass(bitmap, [&curve](int R, int G, int B) {
        const int y = R * 3 / 10 + G * 6 / 10 + B / 10;
        return Rgb{std::min(255, y * R / 255 + curve[R] * (255 - y) / 255),
                   std::min(255, y * G / 255 + curve[G] * (255 - y) / 255),
                   std::min(255, y * B / 255 + curve[B] * (255 - y) / 255)};
    });
}

void UnWashFilter(Bitmap& bitmap) {
    ToneMap square;
    for (int v = 0; v < 256; ++v) square[v] = static_cast<std::uint8_t>(v * v / 255);
    TablePass(bitmap, square, square, square);
}

void AttenuateFilter(Bitmap& bitmap) {
    ColourPass(bitmap, [](int r, int g, int b) {
        const Hls hls = RGBtoHLS(r, g, b);
        return ClampHlsRgb(HLStoRGB(hls.H, std::min(kHlsMax, hls.L * hls.L / kHlsMax), hls.S));
    });
}

void UnCookFilter(Bitmap& bitmap) {
    ColourPass(bitmap, [](int r, int g, int b) {
        const Hls hls = RGBtoHLS(r, g, b);
        const int m = std::min({r, g, b});
        const int grey = RGBtoHLS(m, m, m).L;
        const Rgb c = ClampHlsRgb(HLStoRGB(hls.H, std::min(kHlsMax, grey * grey / kHlsMax), hls.S));
        return Rgb{(r + c.R) / 2, (g + c.G) / 2, (b + c.B) / 2};
    });
}

} // namespace zv
