#pragma once
// Measurements the automatic corrections take of a picture, and of what a
// tone curve would make of it, without writing a pixel. A correction that
// tries several curves measures each candidate by one read-only pass (or
// from the level counts alone) and writes the picture once, with the curve
// it settles on; the numbers are the ones a real pass followed by a fresh
// histogram would give, to the last bit.

#include "imaging/Bitmap.h"
#include "processing/Histogram.h"
#include "processing/ToneMaps.h"

#include <array>
#include <cstdint>

namespace zv {

// The grey levels 16..240 counted by the mid-tone statistics.
inline constexpr int kFirstMidtone = 16;
inline constexpr int kLastMidtone = 240;

// Pixels whose grey level is a mid-tone, and the sum of those levels.
struct MidtoneSums {
    std::uint64_t pixels = 0;
    std::uint64_t sum = 0;
    friend bool operator==(const MidtoneSums&, const MidtoneSums&) = default;
};

// sum / pixels truncated, and rounded with halves to even; a count of 0
// gives 0, as a sum over no pixels is 0.
std::int64_t TruncMean(std::uint64_t sum, std::uint64_t pixels);
std::int64_t RoundMean(std::uint64_t sum, std::uint64_t pixels);

// The mid-tone sums as DoCalcMidtones leaves them.
MidtoneSums MidtonesOf(const ImageHistogram& histogram);

// The mid-tones the picture would have after the three maps ran over it
// (red through maps[0], green through maps[1], blue through maps[2]).
MidtoneSums MeasureMappedMidtones(const Bitmap& picture, const std::array<ToneMap, 3>& maps);

// The mid-tones the picture would have after BalanceGammaFilter with
// `curve` as map 1.
MidtoneSums MeasureBalanceGammaMidtones(const Bitmap& picture, const ToneMap& curve);

// Exact counts per level of red, green and blue ([0] red, [1] green,
// [2] blue), never saturating.
using ChannelTotals = std::array<std::array<std::uint64_t, 256>, 3>;
ChannelTotals CountChannels(const Bitmap& picture);

// The sum of the levels of one channel after `map`, from its counts.
std::uint64_t MappedSum(const std::array<std::uint64_t, 256>& counts, const ToneMap& map);

// How many levels of a histogram have at least one pixel: 0 for an empty
// picture, 1 for a channel that has a single value everywhere.
int LevelsUsed(const ImageHistogram::Counts& counts);

} // namespace zv
