#include "processing/Defog.h"

#include "processing/ColourPass.h"

#include <algorithm>
#include <cstdint>

namespace zv {

namespace {

constexpr std::int64_t kFarthestFromWhite = 3 * 255 * 255;

} // namespace

Rgb DefogColour(int R, int G, int B, int strength, int boost) {
    const std::int64_t w = std::int64_t{255 - R} * (255 - R) + std::int64_t{255 - G} * (255 - G) +
                           std::int64_t{255 - B} * (255 - B);
    const Hls hls = RGBtoHLS(R, G, B);
    const std::int64_t raised = hls.S * w / kFarthestFromWhite * boost / 128 + hls.S;
    const int S = static_cast<int>(std::clamp<std::int64_t>(raised, 0, 3599));
    const Rgb c = ClampHlsRgb(HLStoRGB(hls.H, hls.L, S));
    const std::int64_t m = std::min({c.R, c.G, c.B});
    const int f = static_cast<int>(m * w / kFarthestFromWhite * strength / 255);
    // f never exceeds the darkest byte for strengths up to 255; the limits
    // only keep other strengths from leaving the byte range.
    return {std::clamp(c.R - f, 0, 255), std::clamp(c.G - f, 0, 255), std::clamp(c.B - f, 0, 255)};
}

void DoDefog(Bitmap& picture, int strength, int boost) {
    ColourPass(picture, [strength, boost](int R, int G, int B) {
        return DefogColour(R, G, B, strength, boost);
    });
}

} // namespace zv
