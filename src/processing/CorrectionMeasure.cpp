// The measuring passes count the grey index 3 R + 6 G + B (0..2550) of the
// colour each pixel would get, in 32-bit tallies folded into exact 64-bit
// totals every few hundred megapixels; the grey level of a colour is that
// index div 10. Each tally is kept twice, one copy for even and one for odd
// pixels, so that runs of equal colours do not wait on the count before.

#include "processing/CorrectionMeasure.h"

#include <algorithm>
#include <memory>

namespace zv {

namespace {

constexpr std::size_t kShadeIndexes = 3 * 255 + 6 * 255 + 255 + 1;
constexpr std::int64_t kChunkPixels = std::int64_t{1} << 30;

using ShadeTally = std::array<std::array<std::uint32_t, kShadeIndexes>, 2>;
using ShadeTotals = std::array<std::uint64_t, kShadeIndexes>;

void Fold(ShadeTally& tally, ShadeTotals& totals) {
    for (std::size_t i = 0; i < kShadeIndexes; ++i) {
        totals[i] += std::uint64_t{tally[0][i]} + tally[1][i];
        tally[0][i] = 0;
        tally[1][i] = 0;
    }
}

MidtoneSums MidtonesOfShades(const ShadeTotals& shades) {
    MidtoneSums sums;
    for (std::size_t i = 10 * kFirstMidtone; i < 10 * (kLastMidtone + 1); ++i) {
        sums.pixels += shades[i];
        sums.sum += shades[i] * (i / 10);
    }
    return sums;
}

// Runs `countRow(row, width, tally)` over the rows in chunks small enough
// for 32-bit tallies and returns the mid-tones of the totals.
template <class CountRow> MidtoneSums CountShades(const Bitmap& picture, CountRow countRow) {
    if (picture.Format() != PixelFormat::Bits24 || picture.Empty()) return {};
    auto tally = std::make_unique<ShadeTally>();
    auto totals = std::make_unique<ShadeTotals>();
    const std::int32_t width = picture.Width();
    const auto chunkRows = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(kChunkPixels / width, 1, picture.Height()));
    for (std::int32_t y0 = 0; y0 < picture.Height(); y0 += chunkRows) {
        const std::int32_t y1 = std::min(picture.Height(), y0 + chunkRows);
        for (std::int32_t y = y0; y < y1; ++y) countRow(picture.ScanLine(y), width, *tally);
        Fold(*tally, *totals);
    }
    return MidtonesOfShades(*totals);
}

} // namespace

std::int64_t TruncMean(std::uint64_t sum, std::uint64_t pixels) {
    return pixels == 0 ? 0 : static_cast<std::int64_t>(sum / pixels);
}

std::int64_t RoundMean(std::uint64_t sum, std::uint64_t pixels) {
    if (pixels == 0) return 0;
    std::uint64_t q = sum / pixels;
    const std::uint64_t r = sum % pixels;
    // Compared as r against pixels - r so that 2 r cannot overflow.
    if (r > pixels - r || (r == pixels - r && (q & 1) != 0)) ++q;
    return static_cast<std::int64_t>(q);
}

MidtoneSums MidtonesOf(const ImageHistogram& histogram) {
    return {static_cast<std::uint64_t>(histogram.pixels),
            static_cast<std::uint64_t>(histogram.brightest.sum)};
}

MidtoneSums MeasureMappedMidtones(const Bitmap& picture, const std::array<ToneMap, 3>& maps) {
    // Each map pre-multiplied by its weight in the grey index.
    std::array<std::uint16_t, 256> red, green, blue;
    for (int v = 0; v < 256; ++v) {
        red[v] = static_cast<std::uint16_t>(3 * maps[0][v]);
        green[v] = static_cast<std::uint16_t>(6 * maps[1][v]);
        blue[v] = maps[2][v];
    }
    return CountShades(picture, [&](const std::uint8_t* p, std::int32_t width, ShadeTally& t) {
        const std::uint8_t* const pairsEnd = p + 6 * static_cast<std::int64_t>(width / 2);
        for (; p != pairsEnd; p += 6) {
            ++t[0][red[p[2]] + green[p[1]] + blue[p[0]]];
            ++t[1][red[p[5]] + green[p[4]] + blue[p[3]]];
        }
        if (width % 2 != 0) ++t[0][red[p[2]] + green[p[1]] + blue[p[0]]];
    });
}

MidtoneSums MeasureBalanceGammaMidtones(const Bitmap& picture, const ToneMap& curve) {
    // The new level of a byte v of a pixel with luminance y, as
    // BalanceGammaFilter computes it, tabled for every y and v.
    auto blended = std::make_unique<std::array<std::uint8_t, 256 * 256>>();
    for (int y = 0; y < 256; ++y)
        for (int v = 0; v < 256; ++v)
            (*blended)[y * 256 + v] =
                static_cast<std::uint8_t>(std::min(255, y * v / 255 + curve[v] * (255 - y) / 255));
    // The luminance y = R x 3 div 10 + G x 6 div 10 + B div 10, by parts.
    std::array<std::uint16_t, 256> yRed, yGreen, yBlue;
    for (int v = 0; v < 256; ++v) {
        yRed[v] = static_cast<std::uint16_t>(256 * (v * 3 / 10));
        yGreen[v] = static_cast<std::uint16_t>(256 * (v * 6 / 10));
        yBlue[v] = static_cast<std::uint16_t>(256 * (v / 10));
    }
    const std::uint8_t* const table = blended->data();
    return CountShades(picture, [&](const std::uint8_t* p, std::int32_t width, ShadeTally& t) {
        for (std::int32_t x = 0; x < width; ++x, p += 3) {
            const int b = p[0], g = p[1], r = p[2];
            const std::uint8_t* row = table + (yRed[r] + yGreen[g] + yBlue[b]);
            ++t[x & 1][3 * row[r] + 6 * row[g] + row[b]];
        }
    });
}

ChannelTotals CountChannels(const Bitmap& picture) {
    ChannelTotals totals{};
    if (picture.Format() != PixelFormat::Bits24 || picture.Empty()) return totals;
    auto tally = std::make_unique<std::array<std::array<std::uint32_t, 256>, 3>>();
    const std::int32_t width = picture.Width();
    const auto chunkRows = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(kChunkPixels / width, 1, picture.Height()));
    for (std::int32_t y0 = 0; y0 < picture.Height(); y0 += chunkRows) {
        const std::int32_t y1 = std::min(picture.Height(), y0 + chunkRows);
        auto& [blue, green, red] = *tally;
        for (std::int32_t y = y0; y < y1; ++y) {
            const std::uint8_t* p = picture.ScanLine(y);
            for (std::int32_t x = 0; x < width; ++x, p += 3) {
                ++blue[p[0]];
                ++green[p[1]];
                ++red[p[2]];
            }
        }
        for (int v = 0; v < 256; ++v) {
            totals[0][v] += red[v];
            totals[1][v] += green[v];
            totals[2][v] += blue[v];
        }
        *tally = {};
    }
    return totals;
}

std::uint64_t MappedSum(const std::array<std::uint64_t, 256>& counts, const ToneMap& map) {
    std::uint64_t sum = 0;
    for (int v = 0; v < 256; ++v) sum += counts[v] * map[v];
    return sum;
}

int LevelsUsed(const ImageHistogram::Counts& counts) {
    return static_cast<int>(
        std::count_if(counts.begin(), counts.begin() + 256, [](std::int32_t n) { return n > 0; }));
}

} // namespace zv
