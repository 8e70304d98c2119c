#include "processing/Hls.h"

#include <algorithm>

namespace zv {

namespace {

// The shared steps of both scales: `full` is the top of the scale, `sixth`
// a sixth of the hue circle.
Hls ToHls(int R, int G, int B, int full) {
    const int sixth = full / 6;
    const int mx = std::max({R, G, B});
    const int mn = std::min({R, G, B});
    Hls out;
    out.L = ((mx + mn) * full + 255) / 510;
    if (mx == mn) {
        out.S = 0;
        out.H = full * 2 / 3;
        return out;
    }
    const int d = mx - mn;
    const int sum = mx + mn;
    if (out.L <= full / 2)
        out.S = (d * full + sum / 2) / sum;
    else
        out.S = (d * full + (510 - sum) / 2) / (510 - sum);
    const int Rd = (d / 2 + (mx - R) * sixth) / d;
    const int Gd = (d / 2 + (mx - G) * sixth) / d;
    const int Bd = (d / 2 + (mx - B) * sixth) / d;
    if (R == mx)
        out.H = Bd - Gd;
    else if (G == mx)
        out.H = full / 3 + Rd - Bd;
    else
        out.H = full * 2 / 3 + Gd - Rd;
    if (out.H < 0) out.H += full;
    if (out.H > full) out.H -= full;
    return out;
}

int HueToValue(int m1, int m2, int h) {
    if (h < 0) h += kHlsMax;
    if (h > kHlsMax) h -= kHlsMax;
    if (h < 600) return m1 + ((m2 - m1) * h + 300) / 600;
    if (h < 1800) return m2;
    if (h < 2400) return m1 + ((m2 - m1) * (2400 - h) + 300) / 600;
    return m1;
}

} // namespace

Hls RGBtoHLS(int R, int G, int B) {
    return ToHls(R, G, B, kHlsMax);
}

Hls RGBtoHLS240(int R, int G, int B) {
    return ToHls(R, G, B, 240);
}

Rgb HLStoRGB(int H, int L, int S) {
    if (S == 0) {
        // Rounded rather than truncated, so every grey survives the round trip.
        const int v = (L * 255 + 1800) / 3600;
        return {v, v, v};
    }
    const int m2 = L <= 1800 ? (L * (3600 + S) + 1800) / 3600 : L + S - (L * S + 1800) / 3600;
    const int m1 = 2 * L - m2;
    return {(HueToValue(m1, m2, H + 1200) * 255 + 1800) / 3600,
            (HueToValue(m1, m2, H) * 255 + 1800) / 3600,
            (HueToValue(m1, m2, H - 1200) * 255 + 1800) / 3600};
}

} // namespace zv
