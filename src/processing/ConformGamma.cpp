#include "processing/ConformGamma.h"

#include "processing/Histogram.h"

#include <algorithm>

namespace zv {

namespace {

bool IsTrueColour(const Bitmap& picture) {
    return picture.Format() == PixelFormat::Bits24 && !picture.Empty();
}

ToneMap GammaMap(int gamma) {
    ToolboxContext scratch;
    SetGammaLUT(scratch, gamma, 0);
    return scratch.maps[0];
}

ToneMap Identity() {
    ToneMap map;
    for (int i = 0; i < 256; ++i) map[i] = static_cast<std::uint8_t>(i);
    return map;
}

} // namespace

int ConformGammaFor(const Bitmap& picture, const MidtoneSums& start, int target) {
    if (start.pixels == 0 || !IsTrueColour(picture)) return 0;
    target = std::clamp(target, 1, 255);
    const std::vector<int> tried = ConformSearch(
        static_cast<int>(TruncMean(start.sum, start.pixels)), target, [&picture](int gamma) {
            const MidtoneSums trial = MeasureBalanceGammaMidtones(picture, GammaMap(gamma));
            return TruncMean(trial.sum, trial.pixels);
        });
    return tried.back();
}

void DoConformGamma(Bitmap& picture, ToolboxContext& tb, int target, const MidtoneSums& start) {
    ResetMaps(tb);
    const int gamma = ConformGammaFor(picture, start, target);
    if (gamma == 0) return;
    SetGammaLUT(tb, gamma, 1);
    BalanceGammaFilter(picture, tb);
    ResetMaps(tb);
}

void DoConformGamma(Bitmap& picture, ToolboxContext& tb, int target) {
    if (!IsTrueColour(picture)) return;
    ImageHistogram histogram;
    DoCalcMidtones(picture, histogram);
    DoConformGamma(picture, tb, target, MidtonesOf(histogram));
}

std::array<int, 3> ConformGammaRgbFor(const Bitmap& picture, const std::array<int, 3>& targets) {
    std::array<int, 3> gammas{100, 100, 100};
    if (!IsTrueColour(picture)) return gammas;
    // A channel's mean after its gamma map follows from its level counts, so
    // the trials need no pass over the picture; and each channel's trials
    // depend on its own gamma alone.
    const ChannelTotals totals = CountChannels(picture);
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(picture.Width()) * static_cast<std::uint64_t>(picture.Height());
    for (int n = 0; n < 3; ++n) {
        const auto& counts = totals[n];
        const int start = static_cast<int>(RoundMean(MappedSum(counts, Identity()), pixels));
        gammas[n] = ConformSearch(start, std::clamp(targets[n], 1, 255), [&](int gamma) {
                        return RoundMean(MappedSum(counts, GammaMap(gamma)), pixels);
                    }).back();
    }
    return gammas;
}

void DoConformGammaRGB(Bitmap& picture, ToolboxContext& tb, const std::array<int, 3>& targets) {
    ResetMaps(tb);
    if (!IsTrueColour(picture)) return;
    const std::array<int, 3> gammas = ConformGammaRgbFor(picture, targets);
    for (int n = 0; n < 3; ++n) SetGammaLUT(tb, gammas[n], n);
    ColorFilter(picture, tb);
    ResetMaps(tb);
}

} // namespace zv
