#include "processing/HistogramPlot.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TEST(HistogramPlot, BarsScaleToTheHighestCountAndTheZoom) {
    EXPECT_EQ(HistogramBarHeight(0, 1000, 1), 0);
    EXPECT_EQ(HistogramBarHeight(1000, 1000, 1), 255);
    EXPECT_EQ(HistogramBarHeight(500, 1000, 1), 127);
    EXPECT_EQ(HistogramBarHeight(500, 1000, 2), 255); // 500 x 255 div 500
    EXPECT_EQ(HistogramBarHeight(100, 1000, 4), 102); // 100 x 255 div 250
    // A scale that divides to nothing never divides by zero.
    EXPECT_EQ(HistogramBarHeight(3, 3, 8), 255);
    EXPECT_EQ(HistogramBarHeight(0, 0, 1), 0);
}

TEST(HistogramPlot, ZoomCyclesOneToEight) {
    int zoom = 1;
    std::vector<int> seen;
    for (int i = 0; i < 9; ++i) seen.push_back(zoom = NextHistogramZoom(zoom));
    EXPECT_EQ(seen, (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 1, 2}));
}

TEST(HistogramPlot, LevelTextListsEveryChannel) {
    ImageHistogram histogram;
    histogram.highest = 900;
    histogram.red[7] = 1;
    histogram.green[7] = 2;
    histogram.blue[7] = 3;
    histogram.gray[7] = 4;
    histogram.saturation[7] = 5;
    EXPECT_EQ(HistogramLevelText(histogram, 7),
              "Bin:   7\nMax: 900\nRed: 1\nGrn:  2\nBlu:   3\nGry:   4\nSat:   5");
    EXPECT_EQ(&CountsOf(histogram, HistogramChannel::Saturation), &histogram.saturation);
}

} // namespace
} // namespace zv
