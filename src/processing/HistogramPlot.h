#pragma once
// What the histogram window draws and says, apart from the drawing itself:
// the height of a level's bar, the zoom steps and the text under the level
// marker.

#include "processing/Histogram.h"

#include <string>

namespace zv {

// The histogram window's channels, in the order of its radio buttons.
enum class HistogramChannel { Red, Green, Blue, Gray, Saturation };

const ImageHistogram::Counts& CountsOf(const ImageHistogram& histogram, HistogramChannel channel);

// The bar of a count in the 256-pixel-high plot: count x 255 div (highest
// div zoom), at most 255. A scale that divides to 0 (no counts, or fewer
// than the zoom) draws every count that is there as a full bar.
int HistogramBarHeight(std::int64_t count, std::int64_t highest, int zoom);

// The zoom after a press of the zoom button: 1, 2, ..., 8, then 1 again.
int NextHistogramZoom(int zoom);

// The seven lines under the level marker, separated by line breaks:
// "Bin:   " level, "Max: " highest, then the counts of red, green, blue,
// grey and saturation at that level.
std::string HistogramLevelText(const ImageHistogram& histogram, int level);

} // namespace zv
