// The pass counts into private 32-bit tallies without any limit test and
// folds them into exact 64-bit totals every few hundred megapixels; the
// histogram's counts are the totals stopped at kHistogramCountLimit, which
// is what incrementing each count while it stays below the limit gives. The
// sums follow from the exact totals (level x count), and the same integers
// added one pixel at a time give the same long double sums.
//
// Grey is counted on the finer index 3 R + 6 G + B (0..2550) and folded to
// grey levels afterwards: (30 R + 60 G + 10 B) div 100 is that index div 10,
// so the pass needs no division. Each tally is kept twice, one copy for even
// and one for odd pixels, so that runs of equal colours do not wait on the
// increment of the pixel before. Big pictures are counted in row bands, one
// per core, and their exact totals added.

#include "processing/Histogram.h"

#include "processing/Hls.h"
#include "processing/RowBands.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

namespace zv {

namespace {

constexpr std::size_t kShadeIndexes = 3 * 255 + 6 * 255 + 255 + 1; // 3 R + 6 G + B

// A chunk of rows counted into 32-bit tallies holds at most this many pixels.
constexpr std::int64_t kChunkPixels = std::int64_t{1} << 30;

// The saturation and hue levels by table. Saturation depends only on the
// largest and the smallest byte. Hue needs (d div 2 + t x 600) div d for
// the spread d = max - min and t = max - byte, t in 0..d; those quotients
// are tabled per d, and the hue level per hue value 0..3600.
struct HlsLevelTables {
    std::array<std::uint8_t, 256 * 256> saturation{}; // [max * 256 + min]
    std::array<std::int16_t, 256 * 256> hueStep{};    // [d * 256 + t]
    std::array<std::uint8_t, kHlsMax + 1> hueLevel{};

    HlsLevelTables() {
        for (int mx = 0; mx < 256; ++mx)
            for (int mn = 0; mn <= mx; ++mn) {
                const int s = RGBtoHLS(mx, mn, mn).S * 255 / kHlsMax;
                saturation[mx * 256 + mn] = static_cast<std::uint8_t>(std::min(255, s));
            }
        constexpr int sixth = kHlsMax / 6;
        for (int d = 1; d < 256; ++d)
            for (int t = 0; t <= d; ++t)
                hueStep[d * 256 + t] = static_cast<std::int16_t>((d / 2 + t * sixth) / d);
        for (int h = 0; h <= kHlsMax; ++h)
            hueLevel[h] = static_cast<std::uint8_t>(std::min(255, h * 255 / kHlsMax));
    }

    int SaturationLevel(int mx, int mn) const { return saturation[mx * 256 + mn]; }

    // The same steps as RGBtoHLS, written so that the compiler picks the
    // branch by conditional moves rather than jumps.
    int HueLevel(int R, int G, int B, int mx, int mn) const {
        const int d = mx - mn;
        const std::int16_t* step = hueStep.data() + d * 256;
        const int Rd = step[mx - R];
        const int Gd = step[mx - G];
        const int Bd = step[mx - B];
        int h = R == mx ? Bd - Gd : (G == mx ? kHlsMax / 3 + Rd - Bd : kHlsMax * 2 / 3 + Gd - Rd);
        h += h < 0 ? kHlsMax : 0;
        h = d == 0 ? kHlsMax * 2 / 3 : h;
        return hueLevel[h];
    }
};

const HlsLevelTables& LevelTables() {
    static const HlsLevelTables tables;
    return tables;
}

using Totals = std::array<std::uint64_t, 256>;

struct LevelTotals {
    Totals red{};
    Totals green{};
    Totals blue{};
    std::array<std::uint64_t, kShadeIndexes> shade{};
    Totals saturation{};
    Totals hue{};
};

// Two copies of every tally: even pixels count into [0], odd ones into [1].
template <std::size_t Size> using Tally = std::array<std::array<std::uint32_t, Size>, 2>;

struct Tallies {
    Tally<256> red{};
    Tally<256> green{};
    Tally<256> blue{};
    Tally<kShadeIndexes> shade{};
    Tally<256> saturation{};
    Tally<256> hue{};
};

template <std::size_t Size> void Fold(Tally<Size>& tally, std::array<std::uint64_t, Size>& totals) {
    for (std::size_t i = 0; i < Size; ++i) {
        totals[i] += std::uint64_t{tally[0][i]} + tally[1][i];
        tally[0][i] = 0;
        tally[1][i] = 0;
    }
}

int ShadeIndex(int R, int G, int B) {
    return 3 * R + 6 * G + B;
}

// Red, green, blue and the grey index of every pixel of rows y0..y1-1.
void CountColours(const Bitmap& picture, std::int32_t y0, std::int32_t y1, Tallies& t) {
    const std::int32_t width = picture.Width();
    for (std::int32_t y = y0; y < y1; ++y) {
        const std::uint8_t* p = picture.ScanLine(y);
        const std::uint8_t* const pairsEnd = p + 6 * (width / 2);
        for (; p != pairsEnd; p += 6) {
            const int b0 = p[0], g0 = p[1], r0 = p[2];
            const int b1 = p[3], g1 = p[4], r1 = p[5];
            ++t.blue[0][b0];
            ++t.green[0][g0];
            ++t.red[0][r0];
            ++t.shade[0][ShadeIndex(r0, g0, b0)];
            ++t.blue[1][b1];
            ++t.green[1][g1];
            ++t.red[1][r1];
            ++t.shade[1][ShadeIndex(r1, g1, b1)];
        }
        if (width % 2 != 0) {
            const int b = p[0], g = p[1], r = p[2];
            ++t.blue[0][b];
            ++t.green[0][g];
            ++t.red[0][r];
            ++t.shade[0][ShadeIndex(r, g, b)];
        }
    }
}

// The same with the saturation and hue levels, each counted when asked for.
template <bool withSaturation, bool withHue>
void CountColoursAndHls(const Bitmap& picture, std::int32_t y0, std::int32_t y1, Tallies& t) {
    const HlsLevelTables& tables = LevelTables();
    const std::int32_t width = picture.Width();
    for (std::int32_t y = y0; y < y1; ++y) {
        const std::uint8_t* p = picture.ScanLine(y);
        for (std::int32_t x = 0; x < width; ++x, p += 3) {
            const int odd = x & 1;
            const int b = p[0], g = p[1], r = p[2];
            ++t.blue[odd][b];
            ++t.green[odd][g];
            ++t.red[odd][r];
            ++t.shade[odd][ShadeIndex(r, g, b)];
            const int mx = std::max(r, std::max(g, b));
            const int mn = std::min(r, std::min(g, b));
            if constexpr (withSaturation) ++t.saturation[odd][tables.SaturationLevel(mx, mn)];
            if constexpr (withHue) ++t.hue[odd][tables.HueLevel(r, g, b, mx, mn)];
        }
    }
}

// Counts rows first..end-1 chunk by chunk into exact totals.
void CountRows(const Bitmap& picture, std::int32_t first, std::int32_t end, bool withSaturation,
               bool withHue, LevelTotals& totals) {
    auto tallies = std::make_unique<Tallies>();
    const std::int64_t width = std::max<std::int32_t>(picture.Width(), 1);
    const auto chunkRows = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(kChunkPixels / width, 1, std::max(end - first, 1)));
    for (std::int32_t y0 = first; y0 < end; y0 += chunkRows) {
        const std::int32_t y1 = std::min(end, y0 + chunkRows);
        if (withSaturation && withHue)
            CountColoursAndHls<true, true>(picture, y0, y1, *tallies);
        else if (withSaturation)
            CountColoursAndHls<true, false>(picture, y0, y1, *tallies);
        else if (withHue)
            CountColoursAndHls<false, true>(picture, y0, y1, *tallies);
        else
            CountColours(picture, y0, y1, *tallies);
        Fold(tallies->red, totals.red);
        Fold(tallies->green, totals.green);
        Fold(tallies->blue, totals.blue);
        Fold(tallies->shade, totals.shade);
        Fold(tallies->saturation, totals.saturation);
        Fold(tallies->hue, totals.hue);
    }
}

template <std::size_t Size>
void AddTotals(const std::array<std::uint64_t, Size>& from, std::array<std::uint64_t, Size>& to) {
    for (std::size_t i = 0; i < Size; ++i) to[i] += from[i];
}

// Counts the whole picture, band by band on every core; the totals are
// exact integers, so they do not depend on how many bands ran.
void CountPicture(const Bitmap& picture, bool withSaturation, bool withHue, LevelTotals& totals) {
    const std::vector<RowBand> bands = BandsFor(picture, 0, picture.Height());
    std::vector<std::unique_ptr<LevelTotals>> bandTotals;
    for (std::size_t i = 0; i < bands.size(); ++i)
        bandTotals.push_back(std::make_unique<LevelTotals>());
    RunBands(bands.size(), [&](std::size_t i) {
        CountRows(picture, bands[i].first, bands[i].end, withSaturation, withHue, *bandTotals[i]);
    });
    for (const auto& band : bandTotals) {
        AddTotals(band->red, totals.red);
        AddTotals(band->green, totals.green);
        AddTotals(band->blue, totals.blue);
        AddTotals(band->shade, totals.shade);
        AddTotals(band->saturation, totals.saturation);
        AddTotals(band->hue, totals.hue);
    }
}

Totals GrayTotals(const std::array<std::uint64_t, kShadeIndexes>& shade) {
    Totals gray{};
    for (std::size_t i = 0; i < kShadeIndexes; ++i) gray[i / 10] += shade[i];
    return gray;
}

// Stores the counts and raises the highest count.
void Store(const Totals& totals, ImageHistogram::Counts& counts, std::int32_t& highest) {
    for (std::size_t i = 0; i < totals.size(); ++i) {
        counts[i] = SaturatedCount(static_cast<std::int64_t>(totals[i]));
        highest = std::max(highest, counts[i]);
    }
}

// The sums of the levels first..last, and their pixel count.
ChannelStats SumsOf(const Totals& totals, int first = 0, int last = 255) {
    ChannelStats stats;
    for (int level = first; level <= last; ++level) {
        const auto count = static_cast<long double>(totals[static_cast<std::size_t>(level)]);
        stats.sum += count * level;
        stats.sumOfSquares += count * level * level;
    }
    return stats;
}

std::uint64_t PixelsOf(const Totals& totals, int first, int last) {
    std::uint64_t pixels = 0;
    for (int level = first; level <= last; ++level)
        pixels += totals[static_cast<std::size_t>(level)];
    return pixels;
}

void RequireTrueColour(const Bitmap& picture) {
    if (picture.Format() != PixelFormat::Bits24)
        throw std::invalid_argument("the histogram needs a 24-bit picture");
}

} // namespace

SaturationHue SaturationHueLevels(int R, int G, int B) {
    const HlsLevelTables& tables = LevelTables();
    const int mx = std::max(R, std::max(G, B));
    const int mn = std::min(R, std::min(G, B));
    return {tables.SaturationLevel(mx, mn), tables.HueLevel(R, G, B, mx, mn)};
}

void DoCalcHistogram(const Bitmap& picture, ImageHistogram& histogram, bool withSaturation,
                     bool withHue, bool withStatistics) {
    RequireTrueColour(picture);
    ImageHistogram& h = histogram;
    h.red.fill(0);
    h.green.fill(0);
    h.blue.fill(0);
    h.gray.fill(0);
    if (withSaturation) h.saturation.fill(0);
    if (withHue) h.hue.fill(0);
    h.highest = 0;
    h.pixels = 0;
    h.redStats = h.greenStats = h.blueStats = h.grayStats = {};
    h.saturationStats = h.hueStats = {};

    auto totals = std::make_unique<LevelTotals>();
    CountPicture(picture, withSaturation, withHue, *totals);
    const Totals gray = GrayTotals(totals->shade);
    Store(totals->red, h.red, h.highest);
    Store(totals->green, h.green, h.highest);
    Store(totals->blue, h.blue, h.highest);
    Store(gray, h.gray, h.highest);
    if (withSaturation) Store(totals->saturation, h.saturation, h.highest);
    if (withHue) Store(totals->hue, h.hue, h.highest);
    if (!withStatistics) return;

    h.pixels = static_cast<long double>(std::int64_t{picture.Width()} * picture.Height());
    h.redStats = SumsOf(totals->red);
    h.greenStats = SumsOf(totals->green);
    h.blueStats = SumsOf(totals->blue);
    h.grayStats = SumsOf(gray);
    if (withSaturation) h.saturationStats = SumsOf(totals->saturation);
    if (withHue) h.hueStats = SumsOf(totals->hue);
    h.brightest = h.grayStats;
    for (const ChannelStats* channel : {&h.redStats, &h.greenStats, &h.blueStats})
        if (channel->sum > h.brightest.sum) h.brightest = *channel;
}

void DoCalcMidtones(const Bitmap& picture, ImageHistogram& histogram) {
    RequireTrueColour(picture);
    constexpr int kFirstMidtone = 16;
    constexpr int kLastMidtone = 240;
    ImageHistogram& h = histogram;
    auto tallies = std::make_unique<Tallies>();
    std::array<std::uint64_t, kShadeIndexes> shade{};
    const std::int32_t width = picture.Width();
    const auto chunkRows = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        kChunkPixels / std::max<std::int32_t>(width, 1), 1, std::max(picture.Height(), 1)));
    for (std::int32_t y0 = 0; y0 < picture.Height(); y0 += chunkRows) {
        const std::int32_t y1 = std::min(picture.Height(), y0 + chunkRows);
        for (std::int32_t y = y0; y < y1; ++y) {
            const std::uint8_t* p = picture.ScanLine(y);
            for (std::int32_t x = 0; x < width; ++x, p += 3)
                ++tallies->shade[x & 1][ShadeIndex(p[2], p[1], p[0])];
        }
        Fold(tallies->shade, shade);
    }
    const Totals gray = GrayTotals(shade);
    h.highest = 0;
    h.gray.fill(0);
    Store(gray, h.gray, h.highest);
    h.pixels = static_cast<long double>(PixelsOf(gray, kFirstMidtone, kLastMidtone));
    h.grayStats = SumsOf(gray, kFirstMidtone, kLastMidtone);
    h.brightest = h.grayStats;
}

void LUT2Histogram(const std::array<std::uint8_t, 256>& redMap,
                   const std::array<std::uint8_t, 256>& greenMap,
                   const std::array<std::uint8_t, 256>& blueMap, ImageHistogram& histogram) {
    ImageHistogram& h = histogram;
    for (ImageHistogram::Counts* counts : {&h.red, &h.green, &h.blue, &h.gray, &h.saturation})
        counts->fill(0);
    h.highest = 255;
    for (std::size_t i = 0; i < 256; ++i) {
        h.gray[i] = static_cast<std::int32_t>(i);
        h.red[i] = redMap[i];
        h.green[i] = greenMap[i];
        h.blue[i] = blueMap[i];
    }
}

long double ChannelMean(const ChannelStats& stats, long double pixels) {
    const long double n = pixels == 0 ? 1 : pixels;
    return stats.sum / n;
}

long double ChannelSd(const ChannelStats& stats, long double pixels) {
    const long double n = pixels == 0 ? 1 : pixels;
    const long double variance = (stats.sumOfSquares - stats.sum * stats.sum / n) / n;
    return variance > 0 ? std::sqrt(variance) : 0;
}

} // namespace zv
