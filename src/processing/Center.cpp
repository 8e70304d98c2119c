#include "processing/Center.h"

#include <algorithm>

namespace zv {

namespace {

// Levels outside 0..255 read as empty.
std::int64_t CountAt(const ImageHistogram::Counts& counts, int level) {
    return level < 0 || level > 255 ? 0 : counts[static_cast<std::size_t>(level)];
}

int TopLevel(const ImageHistogram::Counts& counts) {
    for (int k = 254; k >= 0; --k)
        if (CountAt(counts, k) > 4 && CountAt(counts, k) < CountAt(counts, k - 1)) return k;
    return 0;
}

int Peak(const ImageHistogram::Counts& counts, int lo, int hi) {
    int peak = lo;
    std::int64_t best = -1;
    for (int k = lo; k <= hi; ++k) {
        const std::int64_t around =
            CountAt(counts, k - 1) + CountAt(counts, k) + CountAt(counts, k + 1);
        if (around > best) {
            best = around;
            peak = k;
        }
    }
    return peak;
}

} // namespace

std::array<int, 3> CenterShifts(const ImageHistogram& histogram) {
    const std::array<const ImageHistogram::Counts*, 3> channels{&histogram.red, &histogram.green,
                                                                &histogram.blue};
    std::array<int, 3> top{}, shift{};
    for (int n = 0; n < 3; ++n) top[n] = TopLevel(*channels[n]);
    for (int lo = 16, hi = 240; lo < 96; lo += 8, hi -= 8) {
        std::array<int, 3> peak{};
        for (int n = 0; n < 3; ++n) peak[n] = Peak(*channels[n], lo, hi);
        const int highest = std::max({peak[0], peak[1], peak[2]});
        bool fits = true;
        for (int n = 0; n < 3; ++n) {
            shift[n] = highest - peak[n];
            fits = fits && top[n] + shift[n] < 256;
        }
        if (fits) break;
    }
    for (int n = 0; n < 3; ++n)
        if (top[n] + shift[n] >= 256) shift[n] = 255 - top[n];
    return shift;
}

void CenterChannels(Bitmap& picture, ToolboxContext& tb) {
    if (picture.Format() != PixelFormat::Bits24 || picture.Empty()) return;
    ImageHistogram histogram;
    DoCalcHistogram(picture, histogram, false, false, false);
    const std::array<int, 3> shift = CenterShifts(histogram);
    for (int n = 0; n < 3; ++n) SetShiftLUT(tb, shift[n], n);
    ColorFilter(picture, tb);
}

} // namespace zv
