#include "processing/Normalize.h"

#include "processing/CorrectionMeasure.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace zv {

namespace {

bool IsTrueColour(const Bitmap& picture) {
    return picture.Format() == PixelFormat::Bits24 && !picture.Empty();
}

// A level plus a change, limited to the targets' range 1..255 without
// overflowing on any change a batch line can carry.
int Shifted(int level, int change) {
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{level} + change, 1, 255));
}

NormalizeTarget LimitTarget(NormalizeTarget target) {
    return {std::clamp(target.mean, 1, 255), std::clamp(target.sd, 1, 255)};
}

bool IsColourChannel(int channel) {
    return channel >= 0 && channel <= 2;
}

} // namespace

NormalizeSource SourceOf(const ImageHistogram& histogram, int channel) {
    const ImageHistogram& h = histogram;
    const ImageHistogram::Counts* counts = nullptr;
    const ChannelStats* stats = nullptr;
    switch (channel) {
    case 0: counts = &h.red, stats = &h.redStats; break;
    case 1: counts = &h.green, stats = &h.greenStats; break;
    case 2: counts = &h.blue, stats = &h.blueStats; break;
    case kNormalizeLightness: counts = &h.gray, stats = &h.grayStats; break;
    case kNormalizeSaturation: counts = &h.saturation, stats = &h.saturationStats; break;
    default: return {};
    }
    return {ChannelMean(*stats, h.pixels), ChannelSd(*stats, h.pixels), LevelsUsed(*counts) <= 1};
}

ImageHistogram NormalizeStatistics(const Bitmap& picture, bool withSaturation) {
    ImageHistogram histogram;
    if (IsTrueColour(picture)) DoCalcHistogram(picture, histogram, withSaturation, false, true);
    return histogram;
}

int RoundLevel(long double value) {
    constexpr long double kLimit = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(std::nearbyint(value), -kLimit, kLimit));
}

ToneMap NormalizeMap(const NormalizeSource& source, NormalizeTarget target) {
    ToneMap map;
    for (int i = 0; i < 256; ++i) map[i] = static_cast<std::uint8_t>(i);
    if (source.flat || source.sd <= 0) return map;
    target = LimitTarget(target);
    for (int i = 1; i < 256; ++i) {
        const long double v = target.mean + target.sd * (i - source.mean) / source.sd;
        map[i] = static_cast<std::uint8_t>(std::trunc(std::clamp(v, 0.0L, 255.0L)));
    }
    return map;
}

void DoNormalize(Bitmap& picture, ToolboxContext& tb, const ImageHistogram& histogram, int channel,
                 NormalizeTarget target) {
    ResetMaps(tb);
    const NormalizeSource source = SourceOf(histogram, channel);
    if (source.flat || !IsTrueColour(picture)) return;
    if (IsColourChannel(channel)) {
        tb.maps[channel] = NormalizeMap(source, target);
        ColorFilter(picture, tb);
    } else if (channel == kNormalizeLightness) {
        tb.maps[1] = NormalizeMap(source, target);
        LuminanceFilter(picture, tb);
    } else if (channel == kNormalizeSaturation) {
        tb.maps[1] = NormalizeMap(source, target);
        SaturationFilter(picture, tb);
    }
}

std::array<ToneMap, 3> NormalizeRgbMaps(const ImageHistogram& histogram,
                                        const std::array<NormalizeTarget, 3>& targets) {
    std::array<ToneMap, 3> maps;
    for (int n = 0; n < 3; ++n) maps[n] = NormalizeMap(SourceOf(histogram, n), targets[n]);
    return maps;
}

void DoNormalizeRgb(Bitmap& picture, ToolboxContext& tb, const ImageHistogram& histogram,
                    const std::array<NormalizeTarget, 3>& targets) {
    // Each channel's pass changes only that channel, and all three read the
    // statistics taken before the first, so one pass with the three maps
    // gives what three passes give.
    ToolboxContext pass;
    pass.maps = NormalizeRgbMaps(histogram, targets);
    ResetMaps(tb);
    tb.maps[2] = pass.maps[2];
    bool flat = true;
    for (int n = 0; n < 3; ++n) flat = flat && SourceOf(histogram, n).flat;
    if (!flat && IsTrueColour(picture)) ColorFilter(picture, pass);
}

std::array<NormalizeTarget, 3> OptimizeTargets(const ImageHistogram& histogram) {
    std::array<NormalizeTarget, 3> targets;
    for (int n = 0; n < 3; ++n) {
        const NormalizeSource source = SourceOf(histogram, n);
        const long double m = source.mean;
        const long double s = source.sd;
        long double f = 0, d = 0;
        for (;;) {
            const long double g = s + f + d;
            if (m + g >= 255 || m - g <= 1) break;
            d = f / 2;
            f += 1;
        }
        targets[n] = {RoundLevel(m + d), RoundLevel(s + f)};
    }
    return targets;
}

std::array<ToneMap, 3> OptimizeMaps(const Bitmap& picture) {
    const ImageHistogram histogram = NormalizeStatistics(picture, false);
    return NormalizeRgbMaps(histogram, OptimizeTargets(histogram));
}

void Optimize(Bitmap& picture, ToolboxContext& tb) {
    ResetMaps(tb);
    if (!IsTrueColour(picture)) return;
    const ImageHistogram histogram = NormalizeStatistics(picture, false);
    DoNormalizeRgb(picture, tb, histogram, OptimizeTargets(histogram));
}

void EqualizeChannels(Bitmap& picture, ToolboxContext& tb) {
    MapEqualize(picture, tb, {128, 127});
}

void NormalizeToBrightest(Bitmap& picture, ToolboxContext& tb) {
    ResetMaps(tb);
    if (!IsTrueColour(picture)) return;
    const ImageHistogram histogram = NormalizeStatistics(picture, false);
    const NormalizeTarget target{RoundLevel(ChannelMean(histogram.brightest, histogram.pixels)),
                                 RoundLevel(ChannelSd(histogram.brightest, histogram.pixels))};
    DoNormalizeRgb(picture, tb, histogram, {target, target, target});
}

void MapEqualize(Bitmap& picture, ToolboxContext& tb, NormalizeTarget target) {
    ResetMaps(tb);
    if (!IsTrueColour(picture)) return;
    const ImageHistogram histogram = NormalizeStatistics(picture, false);
    DoNormalizeRgb(picture, tb, histogram, {target, target, target});
}

void MapChannel(Bitmap& picture, ToolboxContext& tb, int channel, int meanChange, int sdChange) {
    ResetMaps(tb);
    if (!IsTrueColour(picture)) return;
    const ImageHistogram histogram = NormalizeStatistics(picture, channel == kNormalizeSaturation);
    const NormalizeSource source = SourceOf(histogram, channel);
    DoNormalize(
        picture, tb, histogram, channel,
        {Shifted(RoundLevel(source.mean), meanChange), Shifted(RoundLevel(source.sd), sdChange)});
}

void MapRgb(Bitmap& picture, ToolboxContext& tb, int meanChange, int sdChange) {
    ResetMaps(tb);
    if ((meanChange == 0 && sdChange == 0) || !IsTrueColour(picture)) return;
    const ImageHistogram histogram = NormalizeStatistics(picture, false);
    std::array<NormalizeTarget, 3> targets;
    for (int n = 0; n < 3; ++n) {
        const NormalizeSource source = SourceOf(histogram, n);
        targets[n] = {Shifted(RoundLevel(source.mean), meanChange),
                      Shifted(RoundLevel(source.sd), sdChange)};
    }
    DoNormalizeRgb(picture, tb, histogram, targets);
}

void ConformChannel(Bitmap& picture, ToolboxContext& tb, int channel, NormalizeTarget target) {
    ResetMaps(tb);
    if (!IsTrueColour(picture)) return;
    const ImageHistogram histogram = NormalizeStatistics(picture, channel == kNormalizeSaturation);
    DoNormalize(picture, tb, histogram, channel, target);
}

std::vector<std::string> RgbInfoLines(const Bitmap& picture) {
    const ImageHistogram histogram = NormalizeStatistics(picture, false);
    const auto mean = [&histogram](int channel) {
        return std::to_string(RoundLevel(SourceOf(histogram, channel).mean));
    };
    const auto sd = [&histogram](int channel) {
        return std::to_string(RoundLevel(SourceOf(histogram, channel).sd));
    };
    const std::string rule(30, '-');
    return {rule,
            ">CONFORM_RED=" + mean(0) + "," + sd(0),
            ">CONFORM_GRN=" + mean(1) + "," + sd(1),
            ">CONFORM_BLU=" + mean(2) + "," + sd(2),
            ">CONFORM_LIT=" + mean(kNormalizeLightness) + "," + sd(kNormalizeLightness),
            ">CONFORM_GAMMA_RGB=" + mean(0) + "," + mean(1) + "," + mean(2),
            ">CONFORM_GAMMA=" + mean(kNormalizeLightness),
            rule};
}

} // namespace zv
