#include "processing/HistogramPlot.h"

#include <algorithm>

namespace zv {

const ImageHistogram::Counts& CountsOf(const ImageHistogram& histogram, HistogramChannel channel) {
    switch (channel) {
    case HistogramChannel::Red: return histogram.red;
    case HistogramChannel::Green: return histogram.green;
    case HistogramChannel::Blue: return histogram.blue;
    case HistogramChannel::Saturation: return histogram.saturation;
    case HistogramChannel::Gray: break;
    }
    return histogram.gray;
}

int HistogramBarHeight(std::int64_t count, std::int64_t highest, int zoom) {
    if (count <= 0) return 0;
    const std::int64_t scale = zoom > 0 ? highest / zoom : highest;
    if (scale <= 0) return 255;
    return static_cast<int>(std::min<std::int64_t>(255, count * 255 / scale));
}

int NextHistogramZoom(int zoom) {
    return zoom >= 8 || zoom < 1 ? 1 : zoom + 1;
}

std::string HistogramLevelText(const ImageHistogram& histogram, int level) {
    level = std::clamp(level, 0, 255);
    const auto count = [&](const ImageHistogram::Counts& counts) {
        return std::to_string(counts[static_cast<std::size_t>(level)]);
    };
    return "Bin:   " + std::to_string(level) + "\nMax: " + std::to_string(histogram.highest) +
           "\nRed: " + count(histogram.red) + "\nGrn:  " + count(histogram.green) +
           "\nBlu:   " + count(histogram.blue) + "\nGry:   " + count(histogram.gray) +
           "\nSat:   " + count(histogram.saturation);
}

} // namespace zv
