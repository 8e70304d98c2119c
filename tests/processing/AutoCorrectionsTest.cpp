// Auto Gamma, Auto Flash and the automatic Enhance variants on tiny
// pictures worked out by hand, and Auto Flash's measured trials against
// trials written into the picture.

#include "CorrectionHost.h"
#include "TinyPicture.h"

#include "processing/AutoCorrections.h"
#include "processing/ConformGamma.h"
#include "processing/Histogram.h"
#include "processing/Normalize.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zv {
namespace {

using zvtest::GreyRow;
using zvtest::RowColours;
using zvtest::RowPicture;
using zvtest::RowReds;
using zvtest::RunCorrectionLines;

// Every level from 30 to 200, 49 pixels each: the stretch runs 30..200.
std::vector<int> SpreadLevels() {
    std::vector<int> levels;
    for (int level = 30; level <= 200; ++level) levels.insert(levels.end(), 49, level);
    return levels;
}

TEST(AutoGamma, BrightensTowardTheWidenedBand) {
    // Mid-tones 100 and 140: mean 120, deviation 20; the band widens 50
    // steps (to 0..240), so the target is 170, first reached within 2 by
    // gamma 181 (168.2). 100 -> curve 152, blended at luminance 100: 131;
    // 140 -> curve 183 at luminance 140: 158.
    EXPECT_EQ(AutoGammaFor(GreyRow({100, 140})), 181);
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({100, 140}), {"AUTO_GAMMA"})),
              (std::vector<int>{131, 158}));
}

TEST(AutoGamma, NeverDarkensAndGammaHundredChangesNothing) {
    // Mean 72, deviation 97: the band cannot widen, the target is the mean
    // itself, first reached by gamma 98, raised to 100. The blend with the
    // identity curve would have taken 16 to 15 and 240 to 239.
    EXPECT_EQ(AutoGammaFor(GreyRow({16, 16, 16, 240})), 100);
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({16, 16, 16, 240}), {"AUTO_GAMMA"})),
              (std::vector<int>{16, 16, 16, 240}));
    // No mid-tones, or no pixels: nothing to measure.
    EXPECT_EQ(AutoGammaFor(GreyRow({5, 250})), 100);
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({5, 250}), {"AUTO_GAMMA"})),
              (std::vector<int>{5, 250}));
    EXPECT_EQ(AutoGammaFor(Bitmap{}), 100);
}

TEST(AutoFlash, ConformsToTheTrialWhenItBrightens) {
    // Optimize would take 100 and 140 to 66 and 240 (mid-tone mean 153,
    // above 120), so the picture is brought to 153 by gamma: 142 and 164.
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({100, 140}), {"AUTO_FLASH=0"})),
              (std::vector<int>{142, 164}));
    // Optimize would take 100 to 95 and push 200 out of the mid-tones
    // (mean 95, below 125): nothing changes.
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({100, 100, 100, 200}), {"AUTO_FLASH=0"})),
              (std::vector<int>{100, 100, 100, 200}));
    // Auto White with a white reference changes nothing, so neither does
    // the flash that tries it.
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({100, 140, 255}), {"AUTO_FLASH=2"})),
              (std::vector<int>{100, 140, 255}));
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({5, 250}), {"AUTO_FLASH=0"})),
              (std::vector<int>{5, 250}));
}

TEST(AutoFlash, MeasuredTrialsMatchTrialsWrittenAndRestored) {
    const auto roundedMidtoneMean = [](const Bitmap& picture) {
        ImageHistogram histogram;
        DoCalcMidtones(picture, histogram);
        return std::llrint(ChannelMean(histogram.brightest, histogram.pixels));
    };
    for (unsigned seed = 1; seed <= 15; ++seed) {
        const Bitmap picture =
            zvtest::RandomLevelPicture(9, 6, seed, 10 * (seed % 5), 150 + seed * 6);
        for (FlashTrial trial :
             {FlashTrial::Optimize, FlashTrial::AutoContrast, FlashTrial::AutoWhite}) {
            // The plain way: run the trial on the picture, measure, restore.
            ToolboxContext tb;
            Bitmap written = picture;
            const long long before = roundedMidtoneMean(written);
            if (trial == FlashTrial::Optimize) Optimize(written, tb);
            if (trial == FlashTrial::AutoContrast) AutoContrast(written, tb);
            if (trial == FlashTrial::AutoWhite) AutoWhite(written, tb);
            const long long after = roundedMidtoneMean(written);
            Bitmap expected = picture;
            if (before < after) DoConformGamma(expected, tb, static_cast<int>(after));

            Bitmap fast = picture;
            AutoFlash(fast, tb, trial);
            EXPECT_TRUE(zvtest::SamePixels(fast, expected))
                << "seed " << seed << " trial " << static_cast<int>(trial);
        }
    }
}

TEST(AutoEnhance, StretchesTheFirstAndLastFullRuns) {
    const std::vector<Rgb> contrast =
        RowColours(RunCorrectionLines(GreyRow(SpreadLevels()), {"AUTO_CONTRAST"}));
    // 30..200 over 0..255: 31 -> 1.5 -> 2, 115 -> 127.5 -> 128.
    EXPECT_EQ(contrast[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(contrast[49], (Rgb{2, 2, 2}));
    EXPECT_EQ(contrast[85 * 49], (Rgb{128, 128, 128}));
    EXPECT_EQ(contrast.back(), (Rgb{255, 255, 255}));

    // Through lightness: grey 30 reads the map at 29, grey 31 at 31.
    const std::vector<Rgb> lighting =
        RowColours(RunCorrectionLines(GreyRow(SpreadLevels()), {"AUTO_LIGHTING"}));
    EXPECT_EQ(lighting[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(lighting[49], (Rgb{2, 2, 2}));
    EXPECT_EQ(lighting[85 * 49], (Rgb{128, 128, 128}));
    EXPECT_EQ(lighting.back(), (Rgb{255, 255, 255}));

    // Saturation levels 69, 70, 71, 72 (reds (200, x, x) for x = 159 ..
    // 156), 49 pixels each: stretched to 0, 85, 170, 255.
    std::vector<Rgb> reds;
    for (int x = 159; x >= 156; --x) reds.insert(reds.end(), 49, Rgb{200, x, x});
    const std::vector<Rgb> saturated =
        RowColours(RunCorrectionLines(RowPicture(reds), {"AUTO_SATURATE"}));
    EXPECT_EQ(saturated[0], (Rgb{179, 179, 179}));
    EXPECT_EQ(saturated[49], (Rgb{204, 154, 154}));
    EXPECT_EQ(saturated[98], (Rgb{230, 128, 128}));
    EXPECT_EQ(saturated[147], (Rgb{255, 101, 101}));
    // Greys have no saturation to stretch.
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({40, 90}), {"AUTO_SATURATE"})),
              (std::vector<int>{40, 90}));
}

} // namespace
} // namespace zv
