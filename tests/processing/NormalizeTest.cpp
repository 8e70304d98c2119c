// Normalising channels to a target mean and deviation: the map itself, the
// commands built on it, and the flat and empty pictures that have no
// deviation to divide by.

#include "CorrectionHost.h"
#include "TinyPicture.h"

#include "processing/Normalize.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

using zvtest::GreyRow;
using zvtest::RowColours;
using zvtest::RowPicture;
using zvtest::RowReds;
using zvtest::RunCorrectionLines;

// Levels 70, 70, 130, 130 and five of 100: mean 100, deviation 20.
std::vector<int> MeanHundredSdTwenty() {
    return {70, 70, 130, 130, 100, 100, 100, 100, 100};
}

TEST(NormalizeMap, ScalesAroundTheMean) {
    const ToneMap map = NormalizeMap({100, 20, false}, {128, 127});
    // 128 + 127 (i - 100) / 20, truncated and limited; entry 0 stays 0.
    EXPECT_EQ(map[100], 128);
    EXPECT_EQ(map[120], 255);
    EXPECT_EQ(map[110], 191);
    EXPECT_EQ(map[90], 64);
    EXPECT_EQ(map[80], 1);
    EXPECT_EQ(map[79], 0);
    EXPECT_EQ(map[0], 0);
    // Targets are limited to 1..255: a target deviation of 0 acts as 1.
    const ToneMap narrow = NormalizeMap({100, 20, false}, {128, 0});
    EXPECT_EQ(narrow[80], 127);
    EXPECT_EQ(narrow[120], 129);
    // A flat source gives the identity rather than a division by 0.
    const ToneMap flat = NormalizeMap({100, 0, true}, {128, 127});
    for (int i = 0; i < 256; ++i) EXPECT_EQ(flat[i], i);
}

TEST(NormalizeCommands, EqualizeAndMapEqualizeMoveEveryChannel) {
    const std::vector<int> expected = {0, 0, 255, 255, 128, 128, 128, 128, 128};
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow(MeanHundredSdTwenty()), {"EQUALIZE"})), expected);
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow(MeanHundredSdTwenty()), {"MAP_EQ=128,127"})),
              expected);
    EXPECT_EQ(RowColours(RunCorrectionLines(GreyRow({80, 120}), {"EQUALIZE"})),
              (std::vector<Rgb>{{1, 1, 1}, {255, 255, 255}}));
}

TEST(NormalizeCommands, NormalizeTakesTheBrightestChannelsSpread) {
    // Red (mean 210, deviation 10) has the largest sum, so green and blue
    // (mean 100, deviation 20) are brought to 210 and 10.
    EXPECT_EQ(
        RowColours(RunCorrectionLines(RowPicture({{200, 80, 80}, {220, 120, 120}}), {"NORMALIZE"})),
        (std::vector<Rgb>{{200, 200, 200}, {220, 220, 220}}));
}

TEST(NormalizeCommands, MapLinesChangeTheChannelsOwnMeanAndDeviation) {
    // Red mean 100 and deviation 20, plus 28 and 107: to 128 and 127.
    EXPECT_EQ(RowColours(RunCorrectionLines(GreyRow({80, 120}), {"MAP_RED=28,107"})),
              (std::vector<Rgb>{{1, 80, 80}, {255, 120, 120}}));
    EXPECT_EQ(RowColours(RunCorrectionLines(GreyRow({80, 120}), {"MAP_BLU=28,107"})),
              (std::vector<Rgb>{{80, 80, 1}, {120, 120, 255}}));
    EXPECT_EQ(RowColours(RunCorrectionLines(GreyRow({80, 120}), {"MAP_RGB=28,107"})),
              (std::vector<Rgb>{{1, 1, 1}, {255, 255, 255}}));
    // Changes of 0 on all three channels leave the picture alone.
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({80, 90, 120}), {"MAP_RGB=0,0"})),
              (std::vector<int>{80, 90, 120}));
    // Changes beyond any level are limited, not overflowed.
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({80, 120}), {"MAP_RED=2147483647,-2147483648"})),
              (std::vector<int>{254, 255})); // to mean 255, deviation 1
    // Lightness: grey 80 and 120 read the map at 79 and 119 (the lightness
    // scale), which give 0 and 248.
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({80, 120}), {"MAP_LIT=28,107"})),
              (std::vector<int>{0, 248}));
}

TEST(NormalizeCommands, ConformLinesTakeAbsoluteTargetsInRange) {
    EXPECT_EQ(RowColours(RunCorrectionLines(GreyRow({80, 120}), {"CONFORM_GRN=128,127"})),
              (std::vector<Rgb>{{80, 1, 80}, {120, 255, 120}}));
    for (const char* line : {"CONFORM_RED=0,127", "CONFORM_RED=128,255", "CONFORM_LIT=255,1"})
        EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({80, 120}), {line})),
                  (std::vector<int>{80, 120}))
            << line;
}

TEST(NormalizeCommands, OptimizeWidensTheSpreadWhileItFits) {
    // Mean 120, deviation 20: the spread grows to 87 with the mean moved
    // up 33 before 120 - (20 + 67 + 33) reaches 1: 100 -> 66, 140 -> 240.
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({100, 140}), {"OPTIMIZE"})),
              (std::vector<int>{66, 240}));
    ImageHistogram histogram = NormalizeStatistics(GreyRow({100, 140}), false);
    const auto targets = OptimizeTargets(histogram);
    EXPECT_EQ(targets[0].mean, 153);
    EXPECT_EQ(targets[0].sd, 87);
}

TEST(NormalizeCommands, FlatChannelsAndEmptyPicturesStayUnchanged) {
    // Every word that scales by a deviation, on a flat picture.
    for (const char* line : {"EQUALIZE", "NORMALIZE", "OPTIMIZE", "MAP_EQ=128,127", "MAP_RED=10,10",
                             "MAP_LIT=10,10", "MAP_SAT=10,10", "MAP_RGB=10,10",
                             "CONFORM_RED=128,127", "CONFORM_LIT=128,127", "CONFORM_SAT=128,127"})
        EXPECT_EQ(
            RowColours(RunCorrectionLines(RowPicture({{100, 50, 30}, {100, 50, 30}}), {line})),
            (std::vector<Rgb>{{100, 50, 30}, {100, 50, 30}}))
            << line;
    // Only the channel that varies moves.
    EXPECT_EQ(
        RowColours(RunCorrectionLines(RowPicture({{50, 80, 80}, {50, 120, 120}}), {"EQUALIZE"})),
        (std::vector<Rgb>{{50, 1, 1}, {50, 255, 255}}));

    ToolboxContext tb;
    Bitmap empty;
    EqualizeChannels(empty, tb);
    NormalizeToBrightest(empty, tb);
    Optimize(empty, tb);
    MapChannel(empty, tb, kNormalizeSaturation, 5, 5);
    MapRgb(empty, tb, 5, 5);
    ConformChannel(empty, tb, kNormalizeLightness, {128, 127});
    EXPECT_TRUE(empty.Empty());
}

TEST(NormalizeCommands, OnePassEqualsOneChannelAtATime) {
    for (unsigned seed = 1; seed <= 10; ++seed) {
        const Bitmap picture = zvtest::RandomLevelPicture(9, 4, seed, 30, 200);
        const ImageHistogram histogram = NormalizeStatistics(picture, false);
        const std::array<NormalizeTarget, 3> targets{{{90, 40}, {128, 127}, {200, 10}}};
        ToolboxContext tb;
        Bitmap together = picture;
        DoNormalizeRgb(together, tb, histogram, targets);
        Bitmap apart = picture;
        for (int n = 0; n < 3; ++n) DoNormalize(apart, tb, histogram, n, targets[n]);
        EXPECT_TRUE(zvtest::SamePixels(together, apart)) << "seed " << seed;
    }
}

TEST(NormalizeCommands, RgbInfoWritesInactiveConformLines) {
    // Red 80 and 120, green 40 and 60, blue 0 and 100; grey 48 and 82.
    const Bitmap picture = RowPicture({{80, 40, 0}, {120, 60, 100}});
    EXPECT_EQ(RgbInfoLines(picture),
              (std::vector<std::string>{"------------------------------", ">CONFORM_RED=100,20",
                                        ">CONFORM_GRN=50,10", ">CONFORM_BLU=50,50",
                                        ">CONFORM_LIT=65,17", ">CONFORM_GAMMA_RGB=100,50,50",
                                        ">CONFORM_GAMMA=65", "------------------------------"}));
}

} // namespace
} // namespace zv
