// Two ways to the same medians, both 16 bytes at a time in vector registers:
//  - the 5-cell plus and the 3x3 square go through fixed min/max networks;
//  - the larger shapes drop the smallest and largest of a shrinking set of
//    cells (forgetful selection), which costs the same on any picture.
// Both read padded row copies (see SourceRows), so no read leaves a row.

#include "processing/Median.h"

#include "processing/FilterRows.h"
#include "processing/RowBands.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace zv {

namespace {

constexpr int kMaxRadius = 3;
constexpr int kMaxRows = 2 * kMaxRadius + 1;

// A window: its radius and, for each of its rows from the top, the half
// length of the run of cells taken around the centre column.
struct MedianWindow {
    int radius = 1;
    std::array<int, kMaxRows> half{};

    constexpr int Count() const {
        int count = 0;
        for (int k = 0; k < 2 * radius + 1; ++k) count += 2 * half[static_cast<std::size_t>(k)] + 1;
        return count;
    }
};

constexpr MedianWindow kWindows[] = {
    {},
    {1, {0, 1, 0}},             // 1: plus, 5 cells
    {1, {1, 1, 1}},             // 2: 3x3, 9
    {2, {0, 0, 2, 0, 0}},       // 3: plus of arm 2, 9
    {2, {0, 1, 2, 1, 0}},       // 4: diamond, 13
    {3, {0, 0, 1, 3, 1, 0, 0}}, // 5: 3x3 block with centre row and column, 17
    {2, {2, 2, 2, 2, 2}},       // 6: 5x5, 25
    {3, {0, 1, 2, 3, 2, 1, 0}}, // 7: diamond, 25
    {3, {1, 2, 3, 3, 3, 2, 1}}, // 8: 7x7 less the corners, 37
    {3, {3, 3, 3, 3, 3, 3, 3}}, // 9: 7x7, 49
};
static_assert(kWindows[1].Count() == 5 && kWindows[2].Count() == 9 && kWindows[3].Count() == 9 &&
              kWindows[4].Count() == 13 && kWindows[5].Count() == 17 && kWindows[6].Count() == 25 &&
              kWindows[7].Count() == 25 && kWindows[8].Count() == 37 && kWindows[9].Count() == 49);

// Which bytes take their median.
struct SpotRule {
    int threshold = 0;      // t
    std::uint8_t limit = 0; // 4|t|, below 255

    std::uint8_t operator()(std::uint8_t old, std::uint8_t median) const {
        if (threshold == 0) return median;
        if (old <= limit) return old;
        return (threshold > 0 ? old > median : old < median) ? median : old;
    }
};

// The padded copies of the window's rows for one output row, top first.
using WindowRows = std::array<const std::uint8_t*, kMaxRows>;

// One byte by the definition: gather, order, take the middle.
std::uint8_t MedianByte(const MedianWindow& window, const WindowRows& rows, std::ptrdiff_t i) {
    std::array<std::uint8_t, kMaxRows * kMaxRows> cells;
    std::size_t count = 0;
    const int r = window.radius;
    for (int k = 0; k < 2 * r + 1; ++k) {
        const int half = window.half[static_cast<std::size_t>(k)];
        for (int dx = -half; dx <= half; ++dx)
            cells[count++] = rows[static_cast<std::size_t>(k)][i + 3 * dx];
    }
    const auto middle = cells.begin() + static_cast<std::ptrdiff_t>((count - 1) / 2);
    std::nth_element(cells.begin(), middle, cells.begin() + static_cast<std::ptrdiff_t>(count));
    return *middle;
}

// ---- Networks ----

using Bytes16 = std::uint8_t __attribute__((vector_size(16)));

inline Bytes16 Load(const std::uint8_t* p) {
    Bytes16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void Order(Bytes16& a, Bytes16& b) {
    const Bytes16 low = a < b ? a : b;
    b = a < b ? b : a;
    a = low;
}

inline Bytes16 Replace(const SpotRule& rule, Bytes16 old, Bytes16 median) {
    if (rule.threshold == 0) return median;
    const Bytes16 limit = Bytes16{} + rule.limit;
    const auto take = (old > limit) & (rule.threshold > 0 ? old > median : old < median);
    return take ? median : old;
}

// The median of five: seven exchanges.
inline Bytes16 MedianOf5(Bytes16 p0, Bytes16 p1, Bytes16 p2, Bytes16 p3, Bytes16 p4) {
    Order(p0, p1);
    Order(p3, p4);
    Order(p0, p3);
    Order(p1, p4);
    Order(p1, p2);
    Order(p2, p3);
    Order(p1, p2);
    return p2;
}

// The median of nine: nineteen exchanges.
inline Bytes16 MedianOf9(std::array<Bytes16, 9> p) {
    Order(p[1], p[2]);
    Order(p[4], p[5]);
    Order(p[7], p[8]);
    Order(p[0], p[1]);
    Order(p[3], p[4]);
    Order(p[6], p[7]);
    Order(p[1], p[2]);
    Order(p[4], p[5]);
    Order(p[7], p[8]);
    Order(p[0], p[3]);
    Order(p[5], p[8]);
    Order(p[4], p[7]);
    Order(p[3], p[6]);
    Order(p[1], p[4]);
    Order(p[2], p[5]);
    Order(p[4], p[7]);
    Order(p[4], p[2]);
    Order(p[6], p[4]);
    Order(p[4], p[2]);
    return p[4];
}

// Bytes 0 .. end-1 of one output row through the network of shape 1 or 2;
// rows point at the output row's first pixel in each padded copy.
template <int shape>
void NetworkRow(const WindowRows& rows, std::ptrdiff_t end, const SpotRule& rule,
                std::uint8_t* out) {
    const std::uint8_t* up = rows[0];
    const std::uint8_t* mid = rows[1];
    const std::uint8_t* down = rows[2];
    std::ptrdiff_t i = 0;
    for (; i + 16 <= end; i += 16) {
        const Bytes16 centre = Load(mid + i);
        Bytes16 median;
        if constexpr (shape == 1) {
            median = MedianOf5(Load(up + i), Load(mid + i - 3), centre, Load(mid + i + 3),
                               Load(down + i));
        } else {
            median = MedianOf9({Load(up + i - 3), Load(up + i), Load(up + i + 3), Load(mid + i - 3),
                                centre, Load(mid + i + 3), Load(down + i - 3), Load(down + i),
                                Load(down + i + 3)});
        }
        const Bytes16 result = Replace(rule, centre, median);
        std::memcpy(out + i, &result, sizeof result);
    }
    for (; i < end; ++i) out[i] = rule(mid[i], MedianByte(kWindows[shape], rows, i));
}

// The median of a larger window by forgetful selection: of the first
// count/2 + 2 cells neither the smallest nor the largest can be the median,
// so both are dropped and the next cell joins; when the cells run out one
// value is left, the median. Every step is a min/max pass over 16 bytes.
template <int count, class Cell> inline Bytes16 ForgetfulMedian(Cell cell) {
    constexpr int kept = (count - 1) / 2 + 2;
    std::array<Bytes16, kept> w;
#pragma GCC unroll 32
    for (int c = 0; c < kept; ++c) w[static_cast<std::size_t>(c)] = cell(c);
    int lo = 0, hi = kept - 1;
#pragma GCC unroll 32
    for (int next = kept; next <= count; ++next) {
        Order(w[static_cast<std::size_t>(lo)], w[static_cast<std::size_t>(hi)]);
#pragma GCC unroll 32
        for (int j = lo + 1; j < hi; ++j) {
            Order(w[static_cast<std::size_t>(lo)], w[static_cast<std::size_t>(j)]);
            Order(w[static_cast<std::size_t>(j)], w[static_cast<std::size_t>(hi)]);
        }
        ++lo;
        if (next < count) w[static_cast<std::size_t>(hi)] = cell(next);
    }
    return w[static_cast<std::size_t>(lo)];
}

// A window's cells as (row, byte offset from the centre) pairs.
template <int shape> constexpr auto CellsOf() {
    constexpr MedianWindow window = kWindows[shape];
    std::array<std::pair<int, int>, window.Count()> cells{};
    std::size_t c = 0;
    for (int k = 0; k < 2 * window.radius + 1; ++k) {
        const int half = window.half[static_cast<std::size_t>(k)];
        for (int dx = -half; dx <= half; ++dx) cells[c++] = {k, 3 * dx};
    }
    return cells;
}

template <int shape>
void SelectionRow(const WindowRows& rows, std::int32_t width, const SpotRule& rule,
                  std::uint8_t* out) {
    static constexpr auto kCells = CellsOf<shape>();
    const std::uint8_t* mid = rows[static_cast<std::size_t>(kWindows[shape].radius)];
    const std::ptrdiff_t end = 3 * static_cast<std::ptrdiff_t>(width);
    std::ptrdiff_t i = 0;
    for (; i + 16 <= end; i += 16) {
        const Bytes16 median = ForgetfulMedian<static_cast<int>(kCells.size())>([&](int c) {
            const auto& [k, offset] = kCells[static_cast<std::size_t>(c)];
            return Load(rows[static_cast<std::size_t>(k)] + i + offset);
        });
        const Bytes16 result = Replace(rule, Load(mid + i), median);
        std::memcpy(out + i, &result, sizeof result);
    }
    for (; i < end; ++i) out[i] = rule(mid[i], MedianByte(kWindows[shape], rows, i));
}

using RowFilter = void (*)(const WindowRows&, std::int32_t, const SpotRule&, std::uint8_t*);

template <int shape>
void NetworkRowOfPixels(const WindowRows& rows, std::int32_t width, const SpotRule& rule,
                        std::uint8_t* out) {
    NetworkRow<shape>(rows, 3 * static_cast<std::ptrdiff_t>(width), rule, out);
}

RowFilter RowFilterFor(int shape) {
    switch (shape) {
    case 2: return NetworkRowOfPixels<2>;
    case 3: return SelectionRow<3>;
    case 4: return SelectionRow<4>;
    case 5: return SelectionRow<5>;
    case 6: return SelectionRow<6>;
    case 7: return SelectionRow<7>;
    case 8: return SelectionRow<8>;
    case 9: return SelectionRow<9>;
    default: return NetworkRowOfPixels<1>;
    }
}

} // namespace

void Median(Bitmap& picture, int shape, int spotThreshold) {
    if (picture.Format() != PixelFormat::Bits24)
        throw std::invalid_argument("the median filters need a 24-bit picture");
    if (picture.Empty()) return;
    const std::int64_t limit = 4 * std::abs(std::int64_t{spotThreshold});
    // No byte lies above 255.
    if (spotThreshold != 0 && limit >= 255) return;
    const SpotRule rule{spotThreshold, static_cast<std::uint8_t>(limit)};
    const int s = shape >= 2 && shape <= 9 ? shape : 1;
    const MedianWindow& window = kWindows[s];
    const RowFilter filter = RowFilterFor(s);

    const std::int32_t width = picture.Width();
    const std::int32_t height = picture.Height();
    const std::int32_t r = window.radius;
    ParallelBands(
        picture, 0, height,
        [&](const RowBand& band) { return SourceRows(picture, r, r, band.first, band.end); },
        [&](SourceRows& source, const RowBand& band) {
            WindowRows rows{};
            for (std::int32_t y = band.first; y < band.end; ++y) {
                source.MoveTo(y);
                for (std::int32_t k = 0; k < 2 * r + 1; ++k)
                    rows[static_cast<std::size_t>(k)] =
                        source.Row(std::clamp(y - r + k, 0, height - 1));
                filter(rows, width, rule, picture.ScanLine(y));
            }
        });
}

} // namespace zv
