// The pass reads unfiltered copies of the rows (see SourceRows), in row
// bands on every core for big pictures. Eight bytes are filtered at a time
// in vector registers: the weighted sum in 16-bit lanes when no sum can
// leave that range, otherwise in 32-bit lanes. The division is a single-precision one followed by
// truncation: a sum below 2^24 and its divisor are exact floats, the quotient
// is correctly rounded, and a quotient that is not a whole number lies at
// least 1 / divisor from the next one, which is more than the rounding can
// move it, so truncation gives the integer quotient exactly. (A divisor of
// 2^24 or more makes every such quotient 0 either way.) Kernels whose sums
// could reach 2^24 take the plain integer path.

#include "processing/Kernel3x3.h"

#include "processing/FilterRows.h"
#include "processing/RowBands.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zv {

namespace {

using Bytes8 = std::uint8_t __attribute__((vector_size(8)));
using Short8 = std::int16_t __attribute__((vector_size(16)));
using Int8 = std::int32_t __attribute__((vector_size(32)));
using Float8 = float __attribute__((vector_size(32)));

constexpr std::int64_t kExactFloatSums = std::int64_t{1} << 24;

// The bytes of the three source rows around one output row.
struct RowTriple {
    const std::uint8_t* up;
    const std::uint8_t* mid;
    const std::uint8_t* down;
};

int AbsoluteWeightSum(const Kernel3x3& kernel) {
    int total = 0;
    for (const std::int16_t w : kernel.weights) total += std::abs(int{w});
    return total;
}

// One byte at offset i of the row, the reference form of the pass.
std::uint8_t FilterByte(const Kernel3x3& k, const RowTriple& rows, std::ptrdiff_t i) {
    const std::array<const std::uint8_t*, 3> source{rows.up, rows.mid, rows.down};
    std::int64_t s = 0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            s += std::int64_t{k.weights[static_cast<std::size_t>(3 * r + c)]} *
                 source[static_cast<std::size_t>(r)][i + 3 * (c - 1)];
    const std::int64_t value = std::clamp<std::int64_t>(s / k.divisor + k.bias, 0, 255);
    const int old = rows.mid[i];
    return std::abs(old - static_cast<int>(value)) > k.threshold ? static_cast<std::uint8_t>(value)
                                                                 : static_cast<std::uint8_t>(old);
}

Bytes8 Load(const std::uint8_t* p) {
    Bytes8 bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    return bytes;
}

// Eight bytes from offset i on; Lanes holds the weighted sum (Short8 or Int8).
template <typename Lanes, bool thresholded>
void FilterEight(const Kernel3x3& k, const RowTriple& rows, std::ptrdiff_t i, float divisor,
                 std::uint8_t* out) {
    const std::array<const std::uint8_t*, 3> source{rows.up, rows.mid, rows.down};
    Lanes s{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const auto w = k.weights[static_cast<std::size_t>(3 * r + c)];
            if (w != 0)
                s += __builtin_convertvector(
                         Load(source[static_cast<std::size_t>(r)] + i + 3 * (c - 1)), Lanes) *
                     static_cast<std::remove_reference_t<decltype(s[0])>>(w);
        }
    const Float8 quotient = __builtin_convertvector(s, Float8) / divisor;
    Int8 value = __builtin_convertvector(quotient, Int8) + k.bias;
    const Int8 lowest{};
    const Int8 highest = lowest + 255;
    value = value < lowest ? lowest : value;
    value = value > highest ? highest : value;
    if constexpr (thresholded) {
        const Int8 old = __builtin_convertvector(Load(rows.mid + i), Int8);
        const Int8 change = value > old ? value - old : old - value;
        value = change > lowest + k.threshold ? value : old;
    }
    const Bytes8 bytes = __builtin_convertvector(value, Bytes8);
    std::memcpy(out, &bytes, sizeof bytes);
}

// Bytes first..end-1 of one output row.
template <typename Lanes, bool thresholded>
void FilterRow(const Kernel3x3& k, const RowTriple& rows, std::ptrdiff_t first, std::ptrdiff_t end,
               std::uint8_t* out) {
    const auto divisor = static_cast<float>(k.divisor);
    std::ptrdiff_t i = first;
    for (; i + 8 <= end; i += 8) FilterEight<Lanes, thresholded>(k, rows, i, divisor, out + i);
    for (; i < end; ++i) out[i] = FilterByte(k, rows, i);
}

void FilterRowExact(const Kernel3x3& k, const RowTriple& rows, std::ptrdiff_t first,
                    std::ptrdiff_t end, std::uint8_t* out) {
    for (std::ptrdiff_t i = first; i < end; ++i) out[i] = FilterByte(k, rows, i);
}

using RowFilter = void (*)(const Kernel3x3&, const RowTriple&, std::ptrdiff_t, std::ptrdiff_t,
                           std::uint8_t*);

#if defined(__SSE2__)

// Eight 16-bit sums divided by the divisor, truncating toward zero; the
// sums are signed, or unsigned when no weight is negative.
template <bool unsignedSums> inline __m128i DivideShorts(__m128i sums, __m128 divisor) {
    __m128i low;
    __m128i high;
    if constexpr (unsignedSums) {
        low = _mm_unpacklo_epi16(sums, _mm_setzero_si128());
        high = _mm_unpackhi_epi16(sums, _mm_setzero_si128());
    } else {
        low = _mm_srai_epi32(_mm_unpacklo_epi16(sums, sums), 16);
        high = _mm_srai_epi32(_mm_unpackhi_epi16(sums, sums), 16);
    }
    const __m128i lowQuotient = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(low), divisor));
    const __m128i highQuotient = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(high), divisor));
    return _mm_packs_epi32(lowQuotient, highQuotient);
}

// Sixteen bytes at a time in 16-bit lanes: signed sums, or, for kernels
// without negative weights whose sums stay below 65536 (the sharper
// DeFocus kernels), unsigned ones; a 16-bit product keeps its low 16 bits
// either way. The quotient is packed to 16 bits with signed saturation,
// which keeps it beyond 255 or below 0 where it lay there. The bias is at
// most 255 either way, so its saturating addition keeps every result on the
// right side of 0 and 255, and the final pack clamps to 0..255.
template <bool thresholded, bool unsignedSums = false>
void FilterRowSse2(const Kernel3x3& k, const RowTriple& rows, std::ptrdiff_t first,
                   std::ptrdiff_t end, std::uint8_t* out) {
    const std::array<const std::uint8_t*, 3> source{rows.up, rows.mid, rows.down};
    __m128i weights[9];
    for (std::size_t n = 0; n < 9; ++n) weights[n] = _mm_set1_epi16(k.weights[n]);
    const __m128 divisor = _mm_set1_ps(static_cast<float>(k.divisor));
    const __m128i bias = _mm_set1_epi16(static_cast<std::int16_t>(k.bias));
    // A byte changes when its difference d > threshold, that is max(d, threshold + 1) = d.
    const __m128i least = _mm_set1_epi8(static_cast<char>(std::clamp(k.threshold + 1, 0, 255)));
    const __m128i zero = _mm_setzero_si128();
    std::ptrdiff_t i = first;
    for (; i + 16 <= end; i += 16) {
        __m128i low = zero;
        __m128i high = zero;
        for (std::size_t r = 0; r < 3; ++r)
            for (std::size_t c = 0; c < 3; ++c) {
                if (k.weights[3 * r + c] == 0) continue;
                const __m128i bytes = _mm_loadu_si128(
                    reinterpret_cast<const __m128i*>(source[r] + i + 3 * (std::ptrdiff_t(c) - 1)));
                low = _mm_add_epi16(
                    low, _mm_mullo_epi16(_mm_unpacklo_epi8(bytes, zero), weights[3 * r + c]));
                high = _mm_add_epi16(
                    high, _mm_mullo_epi16(_mm_unpackhi_epi8(bytes, zero), weights[3 * r + c]));
            }
        low = _mm_adds_epi16(DivideShorts<unsignedSums>(low, divisor), bias);
        high = _mm_adds_epi16(DivideShorts<unsignedSums>(high, divisor), bias);
        __m128i result = _mm_packus_epi16(low, high);
        if constexpr (thresholded) {
            const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows.mid + i));
            const __m128i change =
                _mm_or_si128(_mm_subs_epu8(result, old), _mm_subs_epu8(old, result));
            const __m128i take = _mm_cmpeq_epi8(_mm_max_epu8(change, least), change);
            result = _mm_or_si128(_mm_and_si128(take, result), _mm_andnot_si128(take, old));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), result);
    }
    for (; i < end; ++i) out[i] = FilterByte(k, rows, i);
}

#endif

RowFilter ChooseRowFilter(const Kernel3x3& k) {
    const std::int64_t largestSum = std::int64_t{255} * AbsoluteWeightSum(k);
    // A threshold of 0 changes exactly the bytes that differ, which is what
    // storing every result does.
    const bool thresholded = k.threshold > 0;
#if defined(__SSE2__)
    if (largestSum <= 32767 && std::abs(k.bias) <= 255)
        return thresholded ? FilterRowSse2<true> : FilterRowSse2<false>;
    const bool noNegativeWeight =
        std::all_of(k.weights.begin(), k.weights.end(), [](std::int16_t w) { return w >= 0; });
    if (noNegativeWeight && largestSum <= 65535 && std::abs(k.bias) <= 255)
        return thresholded ? FilterRowSse2<true, true> : FilterRowSse2<false, true>;
#endif
    // The vector paths add the bias in 32-bit lanes.
    if (std::abs(std::int64_t{k.bias}) >= kExactFloatSums) return FilterRowExact;
    if (largestSum <= 32767)
        return thresholded ? FilterRow<Short8, true> : FilterRow<Short8, false>;
    if (largestSum < kExactFloatSums)
        return thresholded ? FilterRow<Int8, true> : FilterRow<Int8, false>;
    return FilterRowExact;
}

} // namespace

void Spatial3x3(Bitmap& picture, const Kernel3x3& kernel) {
    if (picture.Format() != PixelFormat::Bits24)
        throw std::invalid_argument("the 3x3 filters need a 24-bit picture");
    const std::int32_t width = picture.Width();
    const std::int32_t height = picture.Height();
    // A threshold of 255 or more leaves every byte as it is.
    if (kernel.divisor == 0 || kernel.threshold >= 255 || width < 3 || height < 4) return;

    const RowFilter filter = ChooseRowFilter(kernel);
    const auto rowBytes = static_cast<std::size_t>(width) * 3;
    const std::ptrdiff_t first = 3;
    const auto end = static_cast<std::ptrdiff_t>(rowBytes) - 3;
    ParallelBands(
        picture, 1, height - 2,
        [&](const RowBand& band) { return SourceRows(picture, 1, 0, band.first, band.end); },
        [&](SourceRows& source, const RowBand& band) {
            for (std::int32_t y = band.first; y < band.end; ++y) {
                source.MoveTo(y);
                filter(kernel, RowTriple{source.Row(y - 1), source.Row(y), source.Row(y + 1)},
                       first, end, picture.ScanLine(y));
            }
        });
}

Kernel3x3 MeanRemovalKernel(int strength) {
    Kernel3x3 kernel;
    kernel.weights.fill(-1);
    kernel.weights[4] = static_cast<std::int16_t>(17 - strength);
    kernel.divisor = 9 - strength;
    return kernel;
}

void MeanRemoval(Bitmap& picture, int strength) {
    if (strength < 0 || strength > 8) return;
    Spatial3x3(picture, MeanRemovalKernel(strength));
}

Kernel3x3 HighPassMediumKernel(int strength) {
    Kernel3x3 kernel;
    kernel.weights = {0, -1, 0, -1, static_cast<std::int16_t>(9 - strength), -1, 0, -1, 0};
    kernel.divisor = 5 - strength;
    return kernel;
}

void HighPassMedium(Bitmap& picture, int strength) {
    if (strength < 1 || strength > 4) return;
    Spatial3x3(picture, HighPassMediumKernel(strength));
}

Kernel3x3 HighPassLightKernel(int strength) {
    Kernel3x3 kernel;
    kernel.weights = {1, -2, 1, -2, static_cast<std::int16_t>(9 - strength), -2, 1, -2, 1};
    kernel.divisor = 5 - strength;
    return kernel;
}

void HighPassLight(Bitmap& picture, int strength) {
    if (strength < 1 || strength > 4) return;
    Spatial3x3(picture, HighPassLightKernel(strength));
}

namespace {

Kernel3x3 WithSumDivisor(std::array<std::int16_t, 9> weights) {
    Kernel3x3 kernel;
    kernel.weights = weights;
    kernel.divisor = 0;
    for (const std::int16_t w : weights) kernel.divisor += w;
    return kernel;
}

} // namespace

Kernel3x3 SoftenKernel(int type) {
    constexpr std::int16_t kCentres[] = {32, 16, 8, 6, 5, 4, 3};
    switch (type) {
    case 8: return WithSumDivisor({10, 15, 10, 15, 20, 15, 10, 15, 10});
    case 9: return WithSumDivisor({12, 14, 12, 14, 16, 14, 12, 14, 12});
    case 10: return WithSumDivisor({13, 14, 13, 14, 15, 14, 13, 14, 13});
    default: break;
    }
    const std::int16_t c = kCentres[std::clamp(type, 1, 7) - 1];
    return WithSumDivisor({1, 2, 1, 2, c, 2, 1, 2, 1});
}

void Soften(Bitmap& picture, int type) {
    if (type < 1 || type > 10) return;
    Spatial3x3(picture, SoftenKernel(type));
}

Kernel3x3 DeFocusKernel(int amount) {
    int d = 12;
    while (d > 1 && amount < 25 * d) --d;
    int b = d * d;
    while ((100 * b) / (4 * d) < amount) ++b;
    const auto side = static_cast<std::int16_t>(d);
    return WithSumDivisor({1, side, 1, side, static_cast<std::int16_t>(b), side, 1, side, 1});
}

void DeFocus(Bitmap& picture, int amount) {
    if (amount < 0 || amount > 254) return;
    Spatial3x3(picture, DeFocusKernel(amount));
}

void GaussianBlur3x3(Bitmap& picture, int threshold, bool leaveOneOut, int divisor) {
    if (divisor <= 0) return;
    Kernel3x3 kernel;
    kernel.weights.fill(1);
    if (leaveOneOut) kernel.weights[7] = 0;
    kernel.divisor = divisor;
    kernel.threshold = threshold;
    Spatial3x3(picture, kernel);
}

} // namespace zv
