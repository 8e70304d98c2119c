// The fitted palette: a histogram of the picture in cells of 8 levels a
// channel is turned into running sums of pixel count, channel sums and sum
// of squares, so that the totals of any box of cells cost eight look-ups.
// The box of largest variance is cut where the two halves keep the least
// variance between them, until there are as many boxes as colours or no box
// can be cut any more.

#include "library/ColourQuantiser.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace zv {

namespace {

constexpr int kSide = 33; // 32 cells a channel, and a row of zeros before them
constexpr std::size_t kSize = std::size_t{kSide} * kSide * kSide;

constexpr std::size_t At(int r, int g, int b) {
    return (static_cast<std::size_t>(r) * kSide + static_cast<std::size_t>(g)) * kSide +
           static_cast<std::size_t>(b);
}

// Totals over a set of pixels.
struct Moments {
    std::int64_t count = 0;
    std::array<std::int64_t, 3> sum{}; // red, green, blue
    std::int64_t squares = 0;

    Moments operator-(const Moments& o) const {
        return {count - o.count,
                {sum[0] - o.sum[0], sum[1] - o.sum[1], sum[2] - o.sum[2]},
                squares - o.squares};
    }
    // The squared length of the channel sums over the count: the part of the
    // sum of squares the box's mean explains.
    double Explained() const {
        if (count == 0) return 0.0;
        const double r = static_cast<double>(sum[0]);
        const double g = static_cast<double>(sum[1]);
        const double b = static_cast<double>(sum[2]);
        return (r * r + g * g + b * b) / static_cast<double>(count);
    }
};

// A box of cells: low bounds exclusive, high bounds inclusive, in 0..32 for
// red, green, blue.
struct Box {
    std::array<int, 3> low{};
    std::array<int, 3> high{};
    int Cells() const { return (high[0] - low[0]) * (high[1] - low[1]) * (high[2] - low[2]); }
};

class Histogram {
public:
    explicit Histogram(const Bitmap& picture) : cells_(kSize) {
        Count(picture);
        Accumulate();
    }

    Moments Of(const Box& box) const {
        const auto& lo = box.low;
        const auto& hi = box.high;
        Moments total = cells_[At(hi[0], hi[1], hi[2])];
        Add(total, cells_[At(hi[0], hi[1], lo[2])], -1);
        Add(total, cells_[At(hi[0], lo[1], hi[2])], -1);
        Add(total, cells_[At(hi[0], lo[1], lo[2])], 1);
        Add(total, cells_[At(lo[0], hi[1], hi[2])], -1);
        Add(total, cells_[At(lo[0], hi[1], lo[2])], 1);
        Add(total, cells_[At(lo[0], lo[1], hi[2])], 1);
        Add(total, cells_[At(lo[0], lo[1], lo[2])], -1);
        return total;
    }

private:
    static void Add(Moments& total, const Moments& m, int sign) {
        total.count += sign * m.count;
        for (int c = 0; c < 3; ++c) total.sum[c] += sign * m.sum[c];
        total.squares += sign * m.squares;
    }

    void Count(const Bitmap& picture) {
        TrueColourRows rows(picture);
        for (std::int32_t y = 0; y < picture.Height(); ++y) {
            const std::uint8_t* bgr = rows.Row(y);
            for (std::int32_t x = 0; x < picture.Width(); ++x, bgr += 3) {
                const int b = bgr[0];
                const int g = bgr[1];
                const int r = bgr[2];
                Moments& cell = cells_[At((r >> 3) + 1, (g >> 3) + 1, (b >> 3) + 1)];
                ++cell.count;
                cell.sum[0] += r;
                cell.sum[1] += g;
                cell.sum[2] += b;
                cell.squares += r * r + g * g + b * b;
            }
        }
    }

    // Each cell becomes the total of all cells at or below it on every axis.
    void Accumulate() {
        for (int axis = 0; axis < 3; ++axis) {
            for (int r = 1; r < kSide; ++r) {
                for (int g = 1; g < kSide; ++g) {
                    for (int b = 1; b < kSide; ++b) {
                        const std::array<int, 3> before = {r - (axis == 0), g - (axis == 1),
                                                           b - (axis == 2)};
                        Add(cells_[At(r, g, b)], cells_[At(before[0], before[1], before[2])], 1);
                    }
                }
            }
        }
    }

    std::vector<Moments> cells_;
};

double Variance(const Histogram& histogram, const Box& box) {
    if (box.Cells() <= 1) return 0.0; // a single cell cannot be cut
    const Moments m = histogram.Of(box);
    return static_cast<double>(m.squares) - m.Explained();
}

// Cuts box in two where the halves explain the most of its sum of squares;
// false when no cut leaves pixels on both sides.
bool Cut(const Histogram& histogram, Box& box, Box& upper) {
    const Moments whole = histogram.Of(box);
    double best = -1.0;
    int bestAxis = -1;
    int bestAt = 0;
    for (int axis = 0; axis < 3; ++axis) {
        for (int at = box.low[axis] + 1; at < box.high[axis]; ++at) {
            Box lower = box;
            lower.high[axis] = at;
            const Moments below = histogram.Of(lower);
            const Moments above = whole - below;
            if (below.count == 0 || above.count == 0) continue;
            const double score = below.Explained() + above.Explained();
            if (score > best) {
                best = score;
                bestAxis = axis;
                bestAt = at;
            }
        }
    }
    if (bestAxis < 0) return false;
    upper = box;
    box.high[bestAxis] = bestAt;
    upper.low[bestAxis] = bestAt;
    return true;
}

PaletteEntry MeanColour(const Moments& m) {
    const auto mean = [&](int c) {
        return static_cast<std::uint8_t>((m.sum[c] + m.count / 2) / m.count);
    };
    return {mean(2), mean(1), mean(0), 0};
}

} // namespace

Palette FittedColours(const Bitmap& picture, int count) {
    if (count < 1 || count > 256) throw std::invalid_argument("a palette has 1 to 256 colours");
    if (picture.Empty()) return {};
    const Histogram histogram(picture);
    std::vector<Box> boxes = {Box{{0, 0, 0}, {32, 32, 32}}};
    std::vector<double> variance = {Variance(histogram, boxes[0])};
    while (boxes.size() < static_cast<std::size_t>(count)) {
        const auto widest = static_cast<std::size_t>(
            std::max_element(variance.begin(), variance.end()) - variance.begin());
        if (variance[widest] <= 0.0) break;
        Box upper;
        if (!Cut(histogram, boxes[widest], upper)) {
            variance[widest] = 0.0;
            continue;
        }
        boxes.push_back(upper);
        variance[widest] = Variance(histogram, boxes[widest]);
        variance.push_back(Variance(histogram, upper));
    }
    Palette colours;
    for (const Box& box : boxes) colours.push_back(MeanColour(histogram.Of(box)));
    return colours;
}

} // namespace zv
