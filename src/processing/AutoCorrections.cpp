#include "processing/AutoCorrections.h"

#include "processing/ConformGamma.h"
#include "processing/CorrectionMeasure.h"
#include "processing/Histogram.h"
#include "processing/Normalize.h"
#include "processing/ToneOperations.h"
#include "processing/WhiteSearch.h"

#include <algorithm>
#include <cmath>

namespace zv {

namespace {

bool IsTrueColour(const Bitmap& picture) {
    return picture.Format() == PixelFormat::Bits24 && !picture.Empty();
}

ToolboxContext IdentityMaps() {
    ToolboxContext maps;
    ResetMaps(maps);
    return maps;
}

EnhanceLevels GreyStretch(const Bitmap& picture) {
    ImageHistogram histogram;
    DoCalcHistogram(picture, histogram, false, false, false);
    return FindEnhanceLevels(histogram.gray.data(), 255, 0);
}

} // namespace

std::array<ToneMap, 3> AutoWhiteMaps(const Bitmap& picture) {
    const Rgb white = WhiteMax(picture).colour;
    ToolboxContext maps = IdentityMaps();
    SetBrightLUT(maps, 127 - white.R / 2, 0);
    SetBrightLUT(maps, 127 - white.G / 2, 1);
    SetBrightLUT(maps, 127 - white.B / 2, 2);
    return maps.maps;
}

void AutoWhite(Bitmap& picture, ToolboxContext& tb) {
    if (!IsTrueColour(picture)) return;
    tb.maps = AutoWhiteMaps(picture);
    ColorFilter(picture, tb);
}

void AutoBalance(Bitmap& picture, ToolboxContext& tb) {
    if (!IsTrueColour(picture)) return;
    const Rgb white = WhiteMax(picture).colour;
    SetBrightLUTex(tb, 255 - white.R, 0);
    SetBrightLUTex(tb, 255 - white.G, 1);
    SetBrightLUTex(tb, 255 - white.B, 2);
    BalanceFilter(picture, tb);
}

int AutoGammaFor(const Bitmap& picture) {
    constexpr int kNoChange = 100;
    if (!IsTrueColour(picture)) return kNoChange;
    ImageHistogram histogram;
    DoCalcMidtones(picture, histogram);
    // No mid-tone pixel, no mean to aim from.
    if (histogram.pixels == 0) return kNoChange;
    const long double m = ChannelMean(histogram.brightest, histogram.pixels);
    const long double s = ChannelSd(histogram.brightest, histogram.pixels);
    int k = 0;
    while (m + (s + 2 * k) < 255 && m - (s + 2 * k) > 1) ++k;
    const long double target = m + k;
    for (int g = 25; g <= 500; ++g)
        if (std::fabs(255 * std::pow(m / 255, 100.0L / g) - target) < 2)
            return std::max(g, kNoChange);
    return kNoChange;
}

void AutoGamma(Bitmap& picture, ToolboxContext& tb) {
    ResetMaps(tb);
    const int gamma = AutoGammaFor(picture);
    // Gamma 100 is the identity curve, but the blend would still round
    // levels down by one; the correction promises no change.
    if (gamma == 100) return;
    SetGammaLUT(tb, gamma, 1);
    BalanceGammaFilter(picture, tb);
}

FlashTrial FlashTrialFor(int selector) {
    return selector == 1   ? FlashTrial::AutoContrast
           : selector == 2 ? FlashTrial::AutoWhite
                           : FlashTrial::Optimize;
}

void AutoFlash(Bitmap& picture, ToolboxContext& tb, FlashTrial trial) {
    ResetMaps(tb);
    if (!IsTrueColour(picture)) return;
    ImageHistogram histogram;
    DoCalcMidtones(picture, histogram);
    const MidtoneSums before = MidtonesOf(histogram);
    // No mid-tone pixel, no mean to compare.
    if (before.pixels == 0) return;
    // The trials are all tone maps, so their mid-tones are measured from
    // the maps without writing the picture.
    const std::array<ToneMap, 3> maps = trial == FlashTrial::AutoContrast
                                            ? AutoContrastMaps(picture)
                                        : trial == FlashTrial::AutoWhite ? AutoWhiteMaps(picture)
                                                                         : OptimizeMaps(picture);
    const MidtoneSums after = MeasureMappedMidtones(picture, maps);
    const std::int64_t target = RoundMean(after.sum, after.pixels);
    if (RoundMean(before.sum, before.pixels) < target)
        DoConformGamma(picture, tb, static_cast<int>(target), before);
}

std::array<ToneMap, 3> AutoContrastMaps(const Bitmap& picture) {
    const EnhanceLevels levels = GreyStretch(picture);
    ToolboxContext maps = IdentityMaps();
    for (int n = 0; n < 3; ++n) SetStretchLUT(maps, levels.low, levels.high, n);
    return maps.maps;
}

void AutoContrast(Bitmap& picture, ToolboxContext& tb) {
    if (!IsTrueColour(picture)) return;
    const EnhanceLevels levels = GreyStretch(picture);
    for (int n = 0; n < 3; ++n) SetStretchLUT(tb, levels.low, levels.high, n);
    ColorFilter(picture, tb);
}

void AutoLighting(Bitmap& picture, ToolboxContext& tb) {
    if (!IsTrueColour(picture)) return;
    const EnhanceLevels levels = GreyStretch(picture);
    SetStretchLUT(tb, levels.low, levels.high, 1);
    LuminanceFilter(picture, tb);
}

void AutoSaturate(Bitmap& picture, ToolboxContext& tb) {
    ResetMaps(tb);
    if (!IsTrueColour(picture)) return;
    ImageHistogram histogram;
    DoCalcHistogram(picture, histogram, true, false, false);
    const EnhanceLevels levels = FindEnhanceLevels(histogram.saturation.data(), 250, 4);
    SetStretchLUT(tb, levels.low, levels.high, 1);
    SetGammaLUT(tb, 100, 2);
    SaturationFilter(picture, tb);
}

} // namespace zv
