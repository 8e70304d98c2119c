// Gamma conformance: hand-worked searches on tiny pictures, the measuring
// passes against a real pass followed by a fresh histogram, and the whole
// search against the plain loop that writes, measures and restores the
// picture at every trial.

#include "CorrectionHost.h"
#include "TinyPicture.h"

#include "processing/ConformGamma.h"
#include "processing/Histogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace zv {
namespace {

using zvtest::GreyRow;
using zvtest::RandomLevelPicture;
using zvtest::RowColours;
using zvtest::RowReds;
using zvtest::RunCorrectionLines;
using zvtest::SamePixels;

long long TruncMidtoneMean(const Bitmap& picture) {
    ImageHistogram histogram;
    DoCalcMidtones(picture, histogram);
    return static_cast<long long>(std::trunc(ChannelMean(histogram.brightest, histogram.pixels)));
}

// The search as a plain loop: every trial written into the picture,
// measured, and undone from a saved copy. Gives up after 200 trials.
std::optional<Bitmap> PlainConformGamma(Bitmap picture, int target) {
    target = std::clamp(target, 1, 255);
    const Bitmap saved = picture;
    ToolboxContext tb;
    long long mean = TruncMidtoneMean(picture);
    int gamma = mean < target ? 150 : 75;
    for (int trial = 0; trial < 200; ++trial) {
        ResetMaps(tb);
        SetGammaLUT(tb, gamma, 1);
        BalanceGammaFilter(picture, tb);
        mean = TruncMidtoneMean(picture);
        if (std::llabs(mean - target) < 3 || gamma < 26 || gamma >= 250) return picture;
        picture = saved;
        gamma = target < mean ? gamma - gamma / 4 : gamma + gamma / 4;
    }
    return std::nullopt;
}

std::optional<Bitmap> PlainConformGammaRgb(Bitmap picture, std::array<int, 3> targets) {
    const Bitmap saved = picture;
    const auto means = [&picture] {
        ImageHistogram histogram;
        DoCalcHistogram(picture, histogram, false, false, true);
        return std::array<long long, 3>{
            std::llrint(ChannelMean(histogram.redStats, histogram.pixels)),
            std::llrint(ChannelMean(histogram.greenStats, histogram.pixels)),
            std::llrint(ChannelMean(histogram.blueStats, histogram.pixels))};
    };
    std::array<long long, 3> mean = means();
    std::array<int, 3> gamma{};
    for (int n = 0; n < 3; ++n) {
        targets[n] = std::clamp(targets[n], 1, 255);
        gamma[n] = mean[n] < targets[n] ? 150 : 75;
    }
    ToolboxContext tb;
    for (int trial = 0; trial < 200; ++trial) {
        for (int n = 0; n < 3; ++n) SetGammaLUT(tb, gamma[n], n);
        ColorFilter(picture, tb);
        mean = means();
        bool done = true;
        for (int n = 0; n < 3; ++n) {
            if (std::llabs(mean[n] - targets[n]) < 3 || gamma[n] < 26 || gamma[n] > 249) continue;
            done = false;
            gamma[n] += targets[n] < mean[n] ? -(gamma[n] / 4) : gamma[n] / 4;
        }
        if (done) return picture;
        picture = saved;
    }
    return std::nullopt;
}

TEST(ConformGamma, SearchesByQuartersTowardTheTarget) {
    // Grey 100 and 140 (mid-tone mean 120) toward 153: gamma 150 gives 122
    // and 153 (mean 137), 187 gives 133 and 159 (146), 233 gives 142 and
    // 164 (153), which stops the search.
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({100, 140}), {"CONFORM_GAMMA=153"})),
              (std::vector<int>{142, 164}));
    // Out of range does nothing.
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({100, 140}), {"CONFORM_GAMMA=255"})),
              (std::vector<int>{100, 140}));
}

TEST(ConformGamma, StopsWhenTheSearchComesBackToAGamma) {
    // Grey 47 toward 9: every gamma that brings the level below 16 leaves
    // no mid-tone (mean 0), every other leaves one at 16 or more, so the
    // quarter steps would go round for ever. The search visits 75, 57, 43,
    // 53, 40, 50, 62, 47, 58, 44, 55, 42, 52, 39, 48, 60, 45 and 56, whose
    // next step would be 42 again; it keeps 56, which gives 17.
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({47}), {"CONFORM_GAMMA=9"})),
              (std::vector<int>{17}));
    int calls = 0;
    const std::vector<int> tried = ConformSearch(0, 128, [&calls](int gamma) {
        ++calls;
        return gamma < 100 ? 0 : 255; // the mean jumps over the target at gamma 100
    });
    EXPECT_EQ(calls, static_cast<int>(tried.size()));
    EXPECT_LT(calls, 250);
    EXPECT_EQ(tried.front(), 150);
}

TEST(ConformGamma, NoMidtonesNoChange) {
    // Nothing between 16 and 240 to measure: the picture stays as it is.
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({4, 250}), {"CONFORM_GAMMA=128"})),
              (std::vector<int>{4, 250}));
    ToolboxContext tb;
    Bitmap empty;
    DoConformGamma(empty, tb, 128);
    DoConformGammaRGB(empty, tb, {128, 128, 128});
    EXPECT_TRUE(empty.Empty());
}

TEST(ConformGamma, RgbSearchesEachChannelOnItsOwn) {
    // Grey 100 toward 100, 150, 60: red goes 75, 93, 116, 87, 108, 81, 101
    // (101 gives 101); green 150, 187, 141, 176 (150); blue 75, 57, 71, 54,
    // 67, 51, 63 (58).
    EXPECT_EQ(RowColours(RunCorrectionLines(GreyRow({100}), {"CONFORM_GAMMA_RGB=100,150,60"})),
              (std::vector<Rgb>{{101, 150, 58}}));
    EXPECT_EQ(ConformGammaRgbFor(GreyRow({100}), {100, 150, 60}),
              (std::array<int, 3>{101, 176, 63}));
}

TEST(ConformGamma, MeasuringPassesMatchARealPassAndHistogram) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        const Bitmap picture = RandomLevelPicture(11, 6, seed, seed % 3 == 0 ? 0 : 20, 240);
        for (int gamma : {20, 60, 100, 150, 260}) {
            ToolboxContext tb;
            ResetMaps(tb);
            SetGammaLUT(tb, gamma, 1);
            Bitmap written = picture;
            BalanceGammaFilter(written, tb);
            ImageHistogram histogram;
            DoCalcMidtones(written, histogram);
            EXPECT_EQ(MeasureBalanceGammaMidtones(picture, tb.maps[1]), MidtonesOf(histogram))
                << "seed " << seed << " gamma " << gamma;

            SetGammaLUT(tb, gamma, 0);
            SetStretchLUT(tb, 10, 200, 2);
            written = picture;
            ColorFilter(written, tb);
            DoCalcMidtones(written, histogram);
            EXPECT_EQ(MeasureMappedMidtones(picture, tb.maps), MidtonesOf(histogram))
                << "seed " << seed << " gamma " << gamma;
        }
    }
}

TEST(ConformGamma, SearchMatchesThePlainLoop) {
    int compared = 0;
    for (unsigned seed = 1; seed <= 24; ++seed) {
        const int lo = static_cast<int>(seed % 4) * 40;
        const Bitmap picture = RandomLevelPicture(8, 5, seed, lo, lo + 95);
        for (int target : {1, 40, 90, 128, 170, 230, 255}) {
            const std::optional<Bitmap> plain = PlainConformGamma(picture, target);
            if (!plain) continue; // the plain loop would not end
            ToolboxContext tb;
            Bitmap fast = picture;
            DoConformGamma(fast, tb, target);
            EXPECT_TRUE(SamePixels(fast, *plain)) << "seed " << seed << " target " << target;
            ++compared;
        }
        const std::array<int, 3> targets{30 + static_cast<int>(seed) * 7, 128,
                                         250 - static_cast<int>(seed) * 5};
        const std::optional<Bitmap> plain = PlainConformGammaRgb(picture, targets);
        if (!plain) continue;
        ToolboxContext tb;
        Bitmap fast = picture;
        DoConformGammaRGB(fast, tb, targets);
        EXPECT_TRUE(SamePixels(fast, *plain)) << "seed " << seed;
        ++compared;
    }
    EXPECT_GT(compared, 150);
}

} // namespace
} // namespace zv
