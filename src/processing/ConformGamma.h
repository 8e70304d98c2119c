#pragma once
// Gamma conformance: the gamma that brings a picture's brightness to a
// target, found by trial. Each trial measures what the gamma would give
// without writing the picture; the picture is written once, with the gamma
// the search stops at.
//
// DoConformGamma works on the mid-tone mean (grey levels 16..240) through
// BalanceGammaFilter, which acts fully on black and fades out toward white.
// DoConformGammaRGB works on each colour channel's mean through its own
// gamma map and ColorFilter.
//
// The search starts at gamma 150 (brighter) when the mean lies below the
// target and at 75 (darker) otherwise; after each trial it stops when the
// mean is within 2 levels of the target or the gamma has left 26..249, and
// otherwise moves the gamma by a quarter toward the target. Should the
// moves ever come back to a gamma already tried, the search stops there
// rather than going round for ever.

#include "imaging/Bitmap.h"
#include "processing/CorrectionMeasure.h"
#include "processing/ToneMaps.h"

#include <algorithm>
#include <array>
#include <vector>

namespace zv {

inline constexpr int kConformBrighten = 150;
inline constexpr int kConformDarken = 75;

// The gammas a search tries, in order, the last being the one it keeps;
// `meanOf(gamma)` gives the measured mean of a trial. Exposed for the tests.
template <class MeanOf> std::vector<int> ConformSearch(int startMean, int target, MeanOf meanOf);

// The mid-tone gamma search on a picture whose mid-tones are `start`; the
// kept gamma, or 0 when the picture has no mid-tone pixel to measure.
int ConformGammaFor(const Bitmap& picture, const MidtoneSums& start, int target);

// Brings the mid-tone mean (truncated) toward `target`, limited to 1..255.
// A picture without mid-tone pixels is left unchanged. The maps end reset.
void DoConformGamma(Bitmap& picture, ToolboxContext& tb, int target);
// The same when the picture's mid-tones are already measured.
void DoConformGamma(Bitmap& picture, ToolboxContext& tb, int target, const MidtoneSums& start);

// The three channel gammas that bring each channel's rounded mean toward
// its target (each limited to 1..255); all 100 for an empty picture.
std::array<int, 3> ConformGammaRgbFor(const Bitmap& picture, const std::array<int, 3>& targets);

// Brings the red, green and blue means toward their targets. The maps end
// reset.
void DoConformGammaRGB(Bitmap& picture, ToolboxContext& tb, const std::array<int, 3>& targets);

// ---- implementation of the template ----

template <class MeanOf> std::vector<int> ConformSearch(int startMean, int target, MeanOf meanOf) {
    std::vector<int> tried;
    int gamma = startMean < target ? kConformBrighten : kConformDarken;
    for (;;) {
        tried.push_back(gamma);
        const long long mean = meanOf(gamma);
        const long long off = mean - target;
        if ((off < 3 && off > -3) || gamma < 26 || gamma >= 250) break;
        const int next = target < mean ? gamma - gamma / 4 : gamma + gamma / 4;
        if (std::find(tried.begin(), tried.end(), next) != tried.end()) break;
        gamma = next;
    }
    return tried;
}

} // namespace zv
