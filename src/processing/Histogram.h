#pragma once
// Level histograms and simple statistics of a true-colour picture: the
// shared histogram set that the automatic corrections, the histogram window
// and the picture analysis read. One pass fills the red, green, blue and grey
// histograms, on request the saturation and hue ones, and on request the sums
// from which means and standard deviations follow.

#include "imaging/Bitmap.h"

#include <array>
#include <cstdint>

namespace zv {

// A count stops growing here, so a histogram of a huge flat picture cannot
// wrap around into a negative count.
inline constexpr std::int32_t kHistogramCountLimit = 1073741822;

// Sum of the level values and sum of their squares over the pixels visited.
struct ChannelStats {
    long double sum = 0;
    long double sumOfSquares = 0;
    friend bool operator==(const ChannelStats&, const ChannelStats&) = default;
};

struct ImageHistogram {
    // One count per level 0..255; the entries 256..359 stay 0.
    using Counts = std::array<std::int32_t, 360>;

    Counts red{};
    Counts green{};
    Counts blue{};
    Counts gray{};       // level (30 R + 60 G + 10 B) div 100
    Counts saturation{}; // level S x 255 div 3600 of RGBtoHLS; filled on request
    Counts hue{};        // level H x 255 div 3600 of RGBtoHLS; filled on request
    // The largest count of any histogram the last pass filled: the vertical
    // scale of the histogram window.
    std::int32_t highest = 0;

    // Filled only when statistics are asked for.
    long double pixels = 0; // N, the pixels visited
    ChannelStats redStats;
    ChannelStats greenStats;
    ChannelStats blueStats;
    ChannelStats grayStats;
    ChannelStats saturationStats; // with the saturation histogram only
    ChannelStats hueStats;        // with the hue histogram only
    // A copy of whichever of grey, red, green, blue (in that order, a later
    // one winning only with a strictly larger sum) has the largest sum; after
    // DoCalcMidtones, the mid-tone grey sums.
    ChannelStats brightest;
};

// The count a histogram holds after `occurrences` increments that stop at
// kHistogramCountLimit.
constexpr std::int32_t SaturatedCount(std::int64_t occurrences) {
    return occurrences < kHistogramCountLimit ? static_cast<std::int32_t>(occurrences)
                                              : kHistogramCountLimit;
}

// The saturation and hue levels of a colour as the histograms count them:
// min(255, S x 255 div 3600) and min(255, H x 255 div 3600) of RGBtoHLS,
// read from tables instead of dividing.
struct SaturationHue {
    int saturation = 0;
    int hue = 0;
    friend bool operator==(const SaturationHue&, const SaturationHue&) = default;
};
SaturationHue SaturationHueLevels(int R, int G, int B);

// The grey level of a colour: (30 R + 60 G + 10 B) div 100, at most 255.
constexpr int GrayLevel(int R, int G, int B) {
    const int y = (R * 30 + G * 60 + B * 10) / 100;
    return y > 255 ? 255 : y;
}

// Clears red, green, blue and grey always, saturation and hue when asked
// for, the highest count, N and every sum; then counts every pixel of the
// picture. With statistics, N and the sums of red, green, blue and grey (and
// of saturation and hue when those are counted) are filled and the
// brightest-channel copy is made. The picture must be Bits24 (anything else
// throws std::invalid_argument); an empty picture leaves everything cleared.
void DoCalcHistogram(const Bitmap& picture, ImageHistogram& histogram, bool withSaturation,
                     bool withHue, bool withStatistics);

// The grey histogram of every pixel, with N and the grey sums taken over the
// mid-tone pixels only (grey level 16..240); the sums are copied into
// `brightest`, where the automatic gamma reads the mid-tone mean. Only the
// grey histogram, the highest count, N, the grey sums and `brightest` change.
void DoCalcMidtones(const Bitmap& picture, ImageHistogram& histogram);

// Loads three tone maps into the histogram set so that the histogram window
// draws them as curves: every histogram cleared, highest 255, grey the
// identity, red, green and blue the maps for red, green and blue.
void LUT2Histogram(const std::array<std::uint8_t, 256>& redMap,
                   const std::array<std::uint8_t, 256>& greenMap,
                   const std::array<std::uint8_t, 256>& blueMap, ImageHistogram& histogram);

// Mean sum / N and population standard deviation
// sqrt((sum of squares - sum x sum / N) / N); N = 0 is taken as 1, and a
// variance that rounding leaves a hair below 0 counts as 0.
long double ChannelMean(const ChannelStats& stats, long double pixels);
long double ChannelSd(const ChannelStats& stats, long double pixels);

} // namespace zv
