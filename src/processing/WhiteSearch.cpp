#include "processing/WhiteSearch.h"

#include <algorithm>
#include <array>
#include <memory>

namespace zv {

namespace {

// The saturation of a colour depends only on its largest and smallest
// byte; tabling it lets the search convert only the pixels that could
// replace the record.
struct SaturationTable {
    std::array<std::int16_t, 256 * 256> bySpread{}; // [max * 256 + min]
    SaturationTable() {
        for (int mx = 0; mx < 256; ++mx)
            for (int mn = 0; mn <= mx; ++mn)
                bySpread[mx * 256 + mn] = static_cast<std::int16_t>(RGBtoHLS(mx, mn, mn).S);
    }
};

const SaturationTable& Saturations() {
    static const SaturationTable table;
    return table;
}

} // namespace

WhiteReference WhiteMax(const Bitmap& picture) {
    WhiteReference white;
    if (picture.Format() == PixelFormat::Bits24 && !picture.Empty()) {
        const auto& saturation = Saturations().bySpread;
        Hls& kept = white.hls;
        const std::int32_t width = picture.Width();
        // Once the kept hue or saturation is 0 nothing can be strictly lower.
        for (std::int32_t y = picture.Height() - 1; y >= 0 && kept.S > 0 && kept.H > 0; --y) {
            const std::uint8_t* const row = picture.ScanLine(y);
            for (std::int32_t x = width - 1; x >= 0; --x) {
                const std::uint8_t* p = row + 3 * static_cast<std::int64_t>(x);
                const int b = p[0], g = p[1], r = p[2];
                const int mx = std::max({r, g, b});
                const int mn = std::min({r, g, b});
                if (saturation[mx * 256 + mn] >= kept.S) continue;
                const Hls hls = RGBtoHLS(r, g, b);
                if (hls.H < kept.H) {
                    kept = hls;
                    if (kept.S == 0 || kept.H == 0) break;
                }
            }
        }
    }
    white.colour = ClampHlsRgb(HLStoRGB(white.hls.H, white.hls.L, white.hls.S));
    return white;
}

} // namespace zv
