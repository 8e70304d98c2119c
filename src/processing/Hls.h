#pragma once
// Integer conversions between red, green, blue bytes and hue, lightness and
// saturation. Hue is in tenths of a degree (0..3600, both ends red),
// lightness and saturation run 0..3600; a grey has hue 2400 and saturation 0.
// The 240 variant uses the same steps on a 0..240 scale.

#include <cstdint>

namespace zv {

struct Hls {
    int H = 0;
    int L = 0;
    int S = 0;
    friend bool operator==(const Hls&, const Hls&) = default;
};

struct Rgb {
    int R = 0;
    int G = 0;
    int B = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr int kHlsMax = 3600;

Hls RGBtoHLS(int R, int G, int B);
Hls RGBtoHLS240(int R, int G, int B);
// Each component may come out above 255 for lightness and saturation pairs
// no colour has; callers clamp with ClampHlsRgb before storing bytes.
Rgb HLStoRGB(int H, int L, int S);
inline Rgb ClampHlsRgb(Rgb c) {
    return {c.R > 255 ? 255 : c.R, c.G > 255 ? 255 : c.G, c.B > 255 ? 255 : c.B};
}

} // namespace zv
