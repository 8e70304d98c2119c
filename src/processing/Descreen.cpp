// The weights are fixed per mode, so each mode is its own loop with the
// weights as constants: zero weights vanish, ones are additions and twos
// shifts. Sixteen bytes at a time in 16-bit lanes (the largest sum,
// 31 x 255, fits easily), divided exactly by a multiply and a shift.

#include "processing/Descreen.h"

#include "processing/FilterDivision.h"
#include "processing/FilterRows.h"
#include "processing/RowBands.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zv {

namespace {

using Weights5x5 = std::array<int, 25>;

constexpr Weights5x5 kWeights[] = {
    {0, 1, 1, 1, 0, //
     0, 1, 2, 1, 0, //
     0, 2, 3, 2, 0, //
     0, 1, 2, 1, 0, //
     0, 1, 1, 1, 0},
    {1, 1, 1, 1, 1, //
     1, 1, 2, 1, 1, //
     1, 2, 3, 2, 1, //
     1, 1, 2, 1, 1, //
     1, 1, 1, 1, 1},
    {1, 1, 2, 1, 1, //
     1, 3, 0, 1, 1, //
     2, 0, 3, 0, 2, //
     1, 3, 0, 1, 1, //
     1, 1, 2, 1, 1},
};

constexpr int WeightSum(const Weights5x5& w) {
    int sum = 0;
    for (const int v : w) sum += v;
    return sum;
}

template <int mode> constexpr int kDivisor = WeightSum(kWeights[mode]);
template <int mode>
constexpr ExactDivision kDivision = FindExactDivision(static_cast<std::uint32_t>(kDivisor<mode>),
                                                      255u * kDivisor<mode>);

static_assert(kDivisor<0> == 21 && kDivisor<1> == 31 && kDivisor<2> == 31);
static_assert(kDivision<0>.shift != 0 && kDivision<1>.shift != 0 && kDivision<2>.shift != 0);

using Rows5 = std::array<const std::uint8_t*, 5>;

template <int mode> std::uint8_t DescreenByte(const Rows5& rows, std::ptrdiff_t i) {
    int sum = 0;
    for (std::size_t r = 0; r < 5; ++r)
        for (std::size_t c = 0; c < 5; ++c)
            sum +=
                kWeights[mode][5 * r + c] * rows[r][i + 3 * (static_cast<std::ptrdiff_t>(c) - 2)];
    // The weights are the divisor's parts, so the quotient is at most 255.
    return static_cast<std::uint8_t>(sum / kDivisor<mode>);
}

// Bytes first .. end-1 of one output row.
template <int mode>
void DescreenRow(const Rows5& rows, std::ptrdiff_t first, std::ptrdiff_t end, std::uint8_t* out) {
    std::ptrdiff_t i = first;
#if defined(__SSE2__)
    constexpr ExactDivision division = kDivision<mode>;
    const __m128i multiplier = _mm_set1_epi16(static_cast<short>(division.multiplier));
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= end; i += 16) {
        __m128i low = zero;
        __m128i high = zero;
        const auto tap = [&]<std::size_t n>(std::integral_constant<std::size_t, n>) {
            constexpr int w = kWeights[mode][n];
            if constexpr (w != 0) {
                constexpr std::ptrdiff_t offset = 3 * (static_cast<std::ptrdiff_t>(n % 5) - 2);
                const __m128i bytes =
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[n / 5] + i + offset));
                __m128i l = _mm_unpacklo_epi8(bytes, zero);
                __m128i h = _mm_unpackhi_epi8(bytes, zero);
                if constexpr (w == 2) {
                    l = _mm_slli_epi16(l, 1);
                    h = _mm_slli_epi16(h, 1);
                } else if constexpr (w != 1) {
                    l = _mm_mullo_epi16(l, _mm_set1_epi16(w));
                    h = _mm_mullo_epi16(h, _mm_set1_epi16(w));
                }
                low = _mm_add_epi16(low, l);
                high = _mm_add_epi16(high, h);
            }
        };
        [&]<std::size_t... n>(std::index_sequence<n...>) {
            (tap(std::integral_constant<std::size_t, n>{}), ...);
        }
        (std::make_index_sequence<25>{});
        low = _mm_srli_epi16(_mm_mulhi_epu16(low, multiplier), division.shift - 16);
        high = _mm_srli_epi16(_mm_mulhi_epu16(high, multiplier), division.shift - 16);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
    }
#endif
    for (; i < end; ++i) out[i] = DescreenByte<mode>(rows, i);
}

using RowFilter = void (*)(const Rows5&, std::ptrdiff_t, std::ptrdiff_t, std::uint8_t*);

} // namespace

void DeScreen5x5(Bitmap& picture, int mode) {
    if (picture.Format() != PixelFormat::Bits24)
        throw std::invalid_argument("the descreen filters need a 24-bit picture");
    static constexpr RowFilter kFilters[] = {DescreenRow<0>, DescreenRow<1>, DescreenRow<2>};
    const std::int32_t width = picture.Width();
    const std::int32_t height = picture.Height();
    if (mode < 0 || mode > 2 || width < 5 || height < 6) return;

    const RowFilter filter = kFilters[mode];
    const std::ptrdiff_t first = 6;
    const std::ptrdiff_t end = 3 * static_cast<std::ptrdiff_t>(width) - 6;
    ParallelBands(
        picture, 2, height - 3,
        [&](const RowBand& band) { return SourceRows(picture, 2, 0, band.first, band.end); },
        [&](SourceRows& source, const RowBand& band) {
            for (std::int32_t y = band.first; y < band.end; ++y) {
                source.MoveTo(y);
                const Rows5 rows{source.Row(y - 2), source.Row(y - 1), source.Row(y),
                                 source.Row(y + 1), source.Row(y + 2)};
                filter(rows, first, end, picture.ScanLine(y));
            }
        });
}

} // namespace zv
