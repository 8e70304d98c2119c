#pragma once
// Normalising: a channel's levels moved so that its mean and standard
// deviation become chosen targets, through a tone map built from the
// picture's statistics. The Map menu, Tune > Normalize, EQualize and
// Optimize, and the batch map and conform commands all end here.
//
// Channels: 0 red, 1 green, 2 blue through their own maps and ColorFilter;
// kNormalizeLightness through map 1 and LuminanceFilter (source statistics:
// the grey levels); kNormalizeSaturation through map 1 and SaturationFilter
// (source: the saturation levels).
//
// A channel whose pixels all share one level (or a picture with no pixels)
// has no spread to scale: its map would divide by a deviation of 0, so the
// channel is left as it is.

#include "imaging/Bitmap.h"
#include "processing/Histogram.h"
#include "processing/ToneMaps.h"

#include <array>
#include <string>
#include <vector>

namespace zv {

inline constexpr int kNormalizeLightness = -1;
inline constexpr int kNormalizeSaturation = -2;

// The statistics of one source channel.
struct NormalizeSource {
    long double mean = 0;
    long double sd = 0;
    bool flat = true; // at most one level in use: nothing to scale
};

// A channel's mean and deviation; `histogram` must hold statistics (and the
// saturation histogram for kNormalizeSaturation).
NormalizeSource SourceOf(const ImageHistogram& histogram, int channel);

// The histogram with statistics the normalising commands read, with the
// saturation histogram when asked for.
ImageHistogram NormalizeStatistics(const Bitmap& picture, bool withSaturation);

// A mean or deviation rounded to a whole level, halves to even.
int RoundLevel(long double value);

struct NormalizeTarget {
    int mean = 128;
    int sd = 127;
};

// The map taking `source` to `target`: entry 0 stays 0; level i becomes
// Trunc(mean + sd x (i - source mean) / source sd), limited to 0..255. Both
// targets are first limited to 1..255. A flat source gives the identity.
ToneMap NormalizeMap(const NormalizeSource& source, NormalizeTarget target);

// DoNormalize: ResetMaps, then the channel's map and its applier.
void DoNormalize(Bitmap& picture, ToolboxContext& tb, const ImageHistogram& histogram, int channel,
                 NormalizeTarget target);

// DoNormalize on red, green and blue in turn, each from the same statistics,
// in one pass. The maps end as the last of the three leaves them.
void DoNormalizeRgb(Bitmap& picture, ToolboxContext& tb, const ImageHistogram& histogram,
                    const std::array<NormalizeTarget, 3>& targets);
std::array<ToneMap, 3> NormalizeRgbMaps(const ImageHistogram& histogram,
                                        const std::array<NormalizeTarget, 3>& targets);

// Optimize's targets: each channel's spread widened step by step while the
// band mean +- spread stays inside 1..255, its mean moved by half the steps.
std::array<NormalizeTarget, 3> OptimizeTargets(const ImageHistogram& histogram);
// The maps Optimize would apply, from a fresh histogram of the picture.
std::array<ToneMap, 3> OptimizeMaps(const Bitmap& picture);

// Tune > Optimize.
void Optimize(Bitmap& picture, ToolboxContext& tb);
// Tune > EQualize: every colour channel to mean 128, deviation 127.
void EqualizeChannels(Bitmap& picture, ToolboxContext& tb);
// Tune > Normalize: every colour channel to the rounded mean and deviation
// of the brightest channel (whichever of grey, red, green, blue has the
// largest sum).
void NormalizeToBrightest(Bitmap& picture, ToolboxContext& tb);
// Map > Equalize and MAP_EQ: every colour channel to the given targets.
void MapEqualize(Bitmap& picture, ToolboxContext& tb, NormalizeTarget target);
// Map > Red, Green, Blue, Saturation, Lighting and MAP_RED ... MAP_SAT: the
// channel to its own rounded mean and deviation plus the given changes.
void MapChannel(Bitmap& picture, ToolboxContext& tb, int channel, int meanChange, int sdChange);
// Tune > RGB and MAP_RGB: MapChannel on red, green and blue from the same
// statistics; no change at all when both changes are 0.
void MapRgb(Bitmap& picture, ToolboxContext& tb, int meanChange, int sdChange);
// CONFORM_RED ... CONFORM_SAT: the channel to the given targets.
void ConformChannel(Bitmap& picture, ToolboxContext& tb, int channel, NormalizeTarget target);

// Map > RGB info: the lines that make another picture conform to this one,
// inactive (">") until the user enables them in the batch editor.
std::vector<std::string> RgbInfoLines(const Bitmap& picture);

} // namespace zv
