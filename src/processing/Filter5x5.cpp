// The box means come from separable sums: per output row, the five source
// rows are added byte by byte into column sums, and five column sums three
// bytes apart (the same colour of neighbouring pixels) give each 5x5 sum;
// sixteen bytes at a time, divided exactly by 25 through a multiply and a
// shift. The lightness of a pixel depends only on the sum of its largest
// and smallest byte, so the gate needs no HLS conversion: sixteen pixels at
// a time compute it in vector lanes, the rest look it up in a 511-entry
// table, and only the pixels the unsharp mask changes are converted in
// full.

#include "processing/Filter5x5.h"

#include "processing/FilterDivision.h"
#include "processing/FilterRows.h"
#include "processing/Hls.h"
#include "processing/RowBands.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zv {

namespace {

constexpr ExactDivision kBy25 = FindExactDivision(25, 25 * 255);
static_assert(kBy25.shift != 0);

using Rows5 = std::array<const std::uint8_t*, 5>;

// HLS lightness by max + min of a pixel's bytes, as RGBtoHLS gives it.
const std::array<std::int16_t, 511>& LightnessBySum() {
    static const std::array<std::int16_t, 511> table = [] {
        std::array<std::int16_t, 511> t{};
        for (int s = 0; s <= 510; ++s)
            t[static_cast<std::size_t>(s)] =
                static_cast<std::int16_t>(RGBtoHLS((s + 1) / 2, s / 2, s / 2).L);
        return t;
    }();
    return table;
}

inline int Lightness(const std::array<std::int16_t, 511>& table, const std::uint8_t* p) {
    const int mx = std::max({p[0], p[1], p[2]});
    const int mn = std::min({p[0], p[1], p[2]});
    return table[static_cast<std::size_t>(mx + mn)];
}

// Box means of bytes 6 .. rowBytes-7 of one output row into mean[].
void BoxMeans(const Rows5& rows, std::ptrdiff_t rowBytes, std::uint16_t* columns,
              std::uint8_t* mean) {
    std::ptrdiff_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= rowBytes; i += 16) {
        __m128i low = zero;
        __m128i high = zero;
        for (const std::uint8_t* row : rows) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
            low = _mm_add_epi16(low, _mm_unpacklo_epi8(bytes, zero));
            high = _mm_add_epi16(high, _mm_unpackhi_epi8(bytes, zero));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(columns + i), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(columns + i + 8), high);
    }
#endif
    for (; i < rowBytes; ++i) {
        int sum = 0;
        for (const std::uint8_t* row : rows) sum += row[i];
        columns[i] = static_cast<std::uint16_t>(sum);
    }

    const std::ptrdiff_t end = rowBytes - 6;
    i = 6;
#if defined(__SSE2__)
    const __m128i multiplier = _mm_set1_epi16(static_cast<short>(kBy25.multiplier));
    const auto eight = [&](std::ptrdiff_t at) {
        const auto load = [&](std::ptrdiff_t offset) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(columns + at + offset));
        };
        const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(load(-6), load(-3)), load(0)),
                                          _mm_add_epi16(load(3), load(6)));
        return _mm_srli_epi16(_mm_mulhi_epu16(sum, multiplier), kBy25.shift - 16);
    };
    for (; i + 16 <= end; i += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mean + i),
                         _mm_packus_epi16(eight(i), eight(i + 8)));
#endif
    for (; i < end; ++i)
        mean[i] = static_cast<std::uint8_t>(
            (columns[i - 6] + columns[i - 3] + columns[i] + columns[i + 3] + columns[i + 6]) / 25);
}

// Runs `row(old, mean, out, first, end, y)` on every row y the pass covers,
// with the pixels' bytes first .. end-1: `old` the row as it was, `mean` its
// box means, `out` the picture's row. Bands of rows run at once, so `row`
// keeps no state between calls.
template <typename RowRule> void GatedPass(Bitmap& picture, const RowRule& row) {
    if (picture.Format() != PixelFormat::Bits24)
        throw std::invalid_argument("the 5x5 filters need a 24-bit picture");
    const std::int32_t width = picture.Width();
    const std::int32_t height = picture.Height();
    if (width < 5 || height < 6) return;

    const std::ptrdiff_t rowBytes = 3 * static_cast<std::ptrdiff_t>(width);
    ParallelBands(
        picture, 2, height - 3,
        [&](const RowBand& band) { return SourceRows(picture, 2, 0, band.first, band.end); },
        [&](SourceRows& source, const RowBand& band) {
            std::vector<std::uint16_t> columns(static_cast<std::size_t>(rowBytes));
            std::vector<std::uint8_t> mean(static_cast<std::size_t>(rowBytes));
            for (std::int32_t y = band.first; y < band.end; ++y) {
                source.MoveTo(y);
                const Rows5 rows{source.Row(y - 2), source.Row(y - 1), source.Row(y),
                                 source.Row(y + 1), source.Row(y + 2)};
                BoxMeans(rows, rowBytes, columns.data(), mean.data());
                row(rows[2], mean.data(), picture.ScanLine(y), std::ptrdiff_t{6}, rowBytes - 6, y);
            }
        });
}

#if defined(__SSE2__)

// The gate sixteen pixels (48 bytes) at a time. Each vector lane works on
// one byte position; the lanes where a pixel starts carry the pixel's
// values, the others are computed and ignored.

// Lightness from s = max + min is (3600 s + 255) div 510, the same as
// (240 s + 17) div 34, that is 7 s + (2 s + 17) div 34, whose division a
// multiply and a shift do exactly in 16-bit lanes.
constexpr bool LightnessSplitHolds() {
    for (int s = 0; s <= 510; ++s)
        if (7 * s + (2 * s + 17) / 34 != (s * 3600 + 255) / 510) return false;
    return true;
}
static_assert(LightnessSplitHolds());
constexpr ExactDivision kBy34 = FindExactDivision(34, 2 * 510 + 17);
static_assert(kBy34.shift != 0);
// The blend's |M - C| x strength div 255, both factors at most 255.
constexpr ExactDivision kBy255 = FindExactDivision(255, 255 * 255);
static_assert(kBy255.shift != 0);

inline __m128i Lightness8(__m128i sums) {
    const __m128i seven = _mm_sub_epi16(_mm_slli_epi16(sums, 3), sums);
    const __m128i odd = _mm_add_epi16(_mm_add_epi16(sums, sums), _mm_set1_epi16(17));
    const __m128i rest =
        _mm_srli_epi16(_mm_mulhi_epu16(odd, _mm_set1_epi16(static_cast<short>(kBy34.multiplier))),
                       kBy34.shift - 16);
    return _mm_add_epi16(seven, rest);
}

// L at each byte position of the 48 from p: of max + min of the three bytes
// from there on. low[v] holds bytes 16v .. 16v+7, high[v] 16v+8 .. 16v+15.
inline void Lightness48(const std::uint8_t* p, __m128i (&low)[3], __m128i (&high)[3]) {
    const __m128i zero = _mm_setzero_si128();
    for (int v = 0; v < 3; ++v) {
        const auto load = [p, v](int offset) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * v + offset));
        };
        const __m128i a = load(0), b = load(1), c = load(2);
        const __m128i mx = _mm_max_epu8(_mm_max_epu8(a, b), c);
        const __m128i mn = _mm_min_epu8(_mm_min_epu8(a, b), c);
        low[v] =
            Lightness8(_mm_add_epi16(_mm_unpacklo_epi8(mx, zero), _mm_unpacklo_epi8(mn, zero)));
        high[v] =
            Lightness8(_mm_add_epi16(_mm_unpackhi_epi8(mx, zero), _mm_unpackhi_epi8(mn, zero)));
    }
}

// L(C) - L(M) for the 16 pixels, as for Lightness48.
inline void LightnessDifferences48(const std::uint8_t* c, const std::uint8_t* m, __m128i (&low)[3],
                                   __m128i (&high)[3]) {
    __m128i meanLow[3], meanHigh[3];
    Lightness48(c, low, high);
    Lightness48(m, meanLow, meanHigh);
    for (int v = 0; v < 3; ++v) {
        low[v] = _mm_sub_epi16(low[v], meanLow[v]);
        high[v] = _mm_sub_epi16(high[v], meanHigh[v]);
    }
}

inline __m128i Absolute16(__m128i v) {
    return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

// 0xFF at the bytes of the 48 where a pixel starts.
struct PixelStarts {
    __m128i mask[3];
    PixelStarts() {
        alignas(16) std::uint8_t bytes[48];
        for (int j = 0; j < 48; ++j) bytes[j] = j % 3 == 0 ? 0xFF : 0;
        for (int v = 0; v < 3; ++v)
            mask[v] = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes + 16 * v));
    }
};

// 0xFF at every byte of the 16 pixels (48 bytes) whose |L(C) - L(M)| is
// below the threshold (1..32767).
inline void FlatPixels48(const std::uint8_t* c, const std::uint8_t* m, __m128i threshold,
                         const PixelStarts& starts, __m128i (&take)[3]) {
    __m128i low[3], high[3];
    LightnessDifferences48(c, m, low, high);
    __m128i start[3];
    for (int v = 0; v < 3; ++v) {
        const __m128i flat = _mm_packs_epi16(_mm_cmplt_epi16(Absolute16(low[v]), threshold),
                                             _mm_cmplt_epi16(Absolute16(high[v]), threshold));
        start[v] = _mm_and_si128(flat, starts.mask[v]);
    }
    for (int v = 0; v < 3; ++v) {
        // The pixel's choice spread from its first byte to the next two.
        take[v] = _mm_or_si128(
            start[v], _mm_or_si128(_mm_slli_si128(start[v], 1), _mm_slli_si128(start[v], 2)));
        if (v > 0)
            take[v] = _mm_or_si128(take[v], _mm_or_si128(_mm_srli_si128(start[v - 1], 15),
                                                         _mm_srli_si128(start[v - 1], 14)));
    }
}

// x x factor div 255 in 16-bit lanes, both at most 255.
inline __m128i Times255ths(__m128i x, __m128i factor) {
    const __m128i by255 = _mm_set1_epi16(static_cast<short>(kBy255.multiplier));
    return _mm_srli_epi16(_mm_mulhi_epu16(_mm_mullo_epi16(x, factor), by255), kBy255.shift - 16);
}

// Clean for 16 pixels; strength 0..255 and threshold 1..32767.
inline void CleanBlock(const std::uint8_t* c, const std::uint8_t* m, std::uint8_t* out,
                       __m128i threshold, __m128i strength, const PixelStarts& starts) {
    __m128i takes[3];
    FlatPixels48(c, m, threshold, starts, takes);
    const __m128i zero = _mm_setzero_si128();
    for (int v = 0; v < 3; ++v) {
        const __m128i take = takes[v];
        const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + 16 * v));
        const __m128i mean = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + 16 * v));
        const __m128i up = _mm_subs_epu8(mean, old);
        const __m128i down = _mm_subs_epu8(old, mean);
        const __m128i gap = _mm_or_si128(up, down);
        const __m128i q = _mm_packus_epi16(Times255ths(_mm_unpacklo_epi8(gap, zero), strength),
                                           Times255ths(_mm_unpackhi_epi8(gap, zero), strength));
        const __m128i rising = _mm_cmpeq_epi8(down, zero);
        const __m128i moved = _mm_or_si128(_mm_and_si128(rising, _mm_adds_epu8(old, q)),
                                           _mm_andnot_si128(rising, _mm_subs_epu8(old, q)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * v),
                         _mm_or_si128(_mm_and_si128(take, moved), _mm_andnot_si128(take, old)));
    }
}

// The flat blend for 16 pixels: C x keep div 255 + D x give div 255 where
// the pixel is flat, keep + give = 255.
inline void BlendBlock(const std::uint8_t* c, const std::uint8_t* m, const std::uint8_t* d,
                       std::uint8_t* out, __m128i threshold, __m128i keep, __m128i give,
                       const PixelStarts& starts) {
    __m128i takes[3];
    FlatPixels48(c, m, threshold, starts, takes);
    const __m128i zero = _mm_setzero_si128();
    for (int v = 0; v < 3; ++v) {
        const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + 16 * v));
        const __m128i other = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 16 * v));
        const auto half = [&](__m128i own16, __m128i other16) {
            return _mm_add_epi16(Times255ths(own16, keep), Times255ths(other16, give));
        };
        const __m128i blended =
            _mm_packus_epi16(half(_mm_unpacklo_epi8(old, zero), _mm_unpacklo_epi8(other, zero)),
                             half(_mm_unpackhi_epi8(old, zero), _mm_unpackhi_epi8(other, zero)));
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + 16 * v),
            _mm_or_si128(_mm_and_si128(takes[v], blended), _mm_andnot_si128(takes[v], old)));
    }
}

// Lists the pixels of the 16 whose |L(C) - L(M)| exceeds the threshold
// (-1..32767): their byte offsets from `at` and differences.
inline std::size_t ListUnsharpBlock(const std::uint8_t* c, const std::uint8_t* m, std::ptrdiff_t at,
                                    __m128i threshold, const PixelStarts& starts,
                                    std::int32_t* offsets, std::int16_t* differences) {
    __m128i low[3], high[3];
    LightnessDifferences48(c, m, low, high);
    alignas(16) std::int16_t d[48];
    std::uint64_t chosen = 0; // bit j: the pixel starting at byte j changes
    for (int v = 0; v < 3; ++v) {
        _mm_store_si128(reinterpret_cast<__m128i*>(d + 16 * v), low[v]);
        _mm_store_si128(reinterpret_cast<__m128i*>(d + 16 * v + 8), high[v]);
        const __m128i take = _mm_packs_epi16(_mm_cmpgt_epi16(Absolute16(low[v]), threshold),
                                             _mm_cmpgt_epi16(Absolute16(high[v]), threshold));
        chosen |= std::uint64_t{static_cast<unsigned>(
                      _mm_movemask_epi8(_mm_and_si128(take, starts.mask[v])))}
                  << (16 * v);
    }
    // Every pixel is written to the list, and the count moves past those
    // that change: no branch for the eye of the picture to mispredict.
    std::size_t count = 0;
    for (int j = 0; j < 48; j += 3) {
        offsets[count] = static_cast<std::int32_t>(at + j);
        differences[count] = d[j];
        count += (chosen >> j) & 1;
    }
    return count;
}

#endif

inline std::uint8_t Byte(std::int64_t v) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, 255));
}

} // namespace

void SharpGaussianBlur5x5(Bitmap& picture, int threshold, int strength) {
    // |L(C) - L(M)| < threshold never holds for a threshold of 0 or less.
    if (threshold <= 0) {
        if (picture.Format() != PixelFormat::Bits24)
            throw std::invalid_argument("the 5x5 filters need a 24-bit picture");
        return;
    }
    const auto& lightness = LightnessBySum();
    // The move toward the mean for each difference M - C of -255..255.
    std::array<int, 511> step{};
    const std::int64_t k = std::clamp<std::int64_t>(strength, -(1 << 20), 1 << 20);
    for (int d = -255; d <= 255; ++d)
        step[static_cast<std::size_t>(d + 255)] = static_cast<int>(d * k / 255);
        // Every pixel is computed and the old value kept by selection rather
        // than by a branch, which smooth and busy areas would keep mispredicting.
#if defined(__SSE2__)
    static const PixelStarts starts;
    const bool vectors = strength >= 0 && strength <= 255;
    const __m128i threshold16 = _mm_set1_epi16(static_cast<short>(std::min(threshold, 32767)));
    const __m128i strength16 = _mm_set1_epi16(static_cast<short>(strength));
#endif
    GatedPass(picture, [&](const std::uint8_t* c, const std::uint8_t* m, std::uint8_t* out,
                           std::ptrdiff_t first, std::ptrdiff_t end, std::int32_t) {
        std::ptrdiff_t i = first;
#if defined(__SSE2__)
        if (vectors)
            for (; i + 48 <= end; i += 48)
                CleanBlock(c + i, m + i, out + i, threshold16, strength16, starts);
#endif
        for (; i < end; i += 3) {
            const bool take =
                std::abs(Lightness(lightness, c + i) - Lightness(lightness, m + i)) < threshold;
            for (std::ptrdiff_t n = i; n < i + 3; ++n) {
                const int moved =
                    std::clamp(c[n] + step[static_cast<std::size_t>(m[n] - c[n] + 255)], 0, 255);
                out[n] = static_cast<std::uint8_t>(take ? moved : c[n]);
            }
        }
    });
}

void UnSharpGaussianBlur5x5(Bitmap& picture, int threshold, int strength) {
    const auto& lightness = LightnessBySum();
#if defined(__SSE2__)
    static const PixelStarts starts;
    const __m128i threshold16 =
        _mm_set1_epi16(static_cast<short>(std::clamp(threshold, -1, 32767)));
#endif
    GatedPass(picture, [&](const std::uint8_t* c, const std::uint8_t* m, std::uint8_t* out,
                           std::ptrdiff_t first, std::ptrdiff_t end, std::int32_t) {
        // First the pixels to change, listed without branching, then the
        // conversions for those alone.
        const auto listed = static_cast<std::size_t>((end - first) / 3 + 16);
        std::vector<std::int32_t> changed(listed);    // byte offsets of the pixels that change
        std::vector<std::int16_t> difference(listed); // and their L(C) - L(M)
        std::size_t count = 0;
        std::ptrdiff_t i = first;
#if defined(__SSE2__)
        for (; i + 48 <= end; i += 48)
            count += ListUnsharpBlock(c + i, m + i, i, threshold16, starts, changed.data() + count,
                                      difference.data() + count);
#endif
        for (; i < end; i += 3) {
            const int d = Lightness(lightness, c + i) - Lightness(lightness, m + i);
            changed[count] = static_cast<std::int32_t>(i);
            difference[count] = static_cast<std::int16_t>(d);
            count += std::abs(d) > threshold;
        }
        for (std::size_t n = 0; n < count; ++n) {
            const std::uint8_t* p = c + changed[n];
            const int d = difference[n];
            const int lc = Lightness(lightness, p);
            const std::int64_t change = std::int64_t{strength} * (2 * std::abs(d)) / 255;
            const auto l = static_cast<int>(
                std::clamp<std::int64_t>(d > 0 ? lc + change : lc - change, 0, kHlsMax));
            // The blue byte goes in as red and comes back the same way.
            // Lightness is the same either way round; hue and saturation
            // come back as they went in, up to the conversions' rounding.
            const Hls hls = RGBtoHLS(p[0], p[1], p[2]);
            const Rgb rgb = HLStoRGB(hls.H, l, hls.S);
            std::uint8_t* to = out + changed[n];
            to[0] = Byte(rgb.R);
            to[1] = Byte(rgb.G);
            to[2] = Byte(rgb.B);
        }
    });
}

void BlendFlat5x5(Bitmap& picture, const Bitmap& other, int threshold, int amount) {
    if (other.Format() != PixelFormat::Bits24 || other.Width() != picture.Width() ||
        other.Height() != picture.Height())
        throw std::invalid_argument("the blend needs a 24-bit picture of the same size");
    if (threshold <= 0) {
        if (picture.Format() != PixelFormat::Bits24)
            throw std::invalid_argument("the 5x5 filters need a 24-bit picture");
        return;
    }
    const auto& lightness = LightnessBySum();
    const std::int64_t give = std::clamp<std::int64_t>(amount, -(1 << 20), 1 << 20);
#if defined(__SSE2__)
    static const PixelStarts starts;
    const bool vectors = amount >= 0 && amount <= 255;
    const __m128i threshold16 = _mm_set1_epi16(static_cast<short>(std::min(threshold, 32767)));
    const __m128i keep16 = _mm_set1_epi16(static_cast<short>(255 - amount));
    const __m128i give16 = _mm_set1_epi16(static_cast<short>(amount));
#endif
    GatedPass(picture, [&](const std::uint8_t* c, const std::uint8_t* m, std::uint8_t* out,
                           std::ptrdiff_t first, std::ptrdiff_t end, std::int32_t y) {
        const std::uint8_t* d = other.ScanLine(y);
        std::ptrdiff_t i = first;
#if defined(__SSE2__)
        if (vectors)
            for (; i + 48 <= end; i += 48)
                BlendBlock(c + i, m + i, d + i, out + i, threshold16, keep16, give16, starts);
#endif
        for (; i < end; i += 3) {
            if (std::abs(Lightness(lightness, c + i) - Lightness(lightness, m + i)) >= threshold)
                continue;
            for (std::ptrdiff_t n = i; n < i + 3; ++n)
                out[n] = Byte(c[n] * (255 - give) / 255 + d[n] * give / 255);
        }
    });
}

} // namespace zv
