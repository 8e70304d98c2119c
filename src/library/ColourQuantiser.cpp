#include "library/ColourQuantiser.h"

#include "imaging/Palettes.h"
#include "imaging/PixelConvert.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace zv {

namespace {

PaletteEntry Grey(int level) {
    const auto v = static_cast<std::uint8_t>(level);
    return {v, v, v, 0};
}

// The level i of `count` levels evenly from 0 to 255, rounded.
int EvenLevel(int i, int count) {
    return (255 * i + (count - 1) / 2) / (count - 1);
}

std::uint32_t Key(const std::uint8_t* bgr) {
    return (std::uint32_t{bgr[2]} << 16) | (std::uint32_t{bgr[1]} << 8) | bgr[0];
}

PaletteEntry FromKey(std::uint32_t key) {
    return {static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(key >> 8),
            static_cast<std::uint8_t>(key >> 16), 0};
}

// A small open-addressed set of colours that gives up once it holds more
// than its limit.
class ColourSet {
public:
    explicit ColourSet(int limit) : limit_(limit), slots_(1024, kEmpty) {}

    // False once more than the limit are held.
    bool Add(std::uint32_t key) {
        std::size_t at = (key * 0x9E3779B1u) >> 22;
        while (slots_[at] != kEmpty) {
            if (slots_[at] == key) return true;
            at = (at + 1) & (slots_.size() - 1);
        }
        slots_[at] = key;
        return ++held_ <= limit_;
    }

    std::vector<std::uint32_t> Sorted() const {
        std::vector<std::uint32_t> keys;
        for (std::uint32_t key : slots_) {
            if (key != kEmpty) keys.push_back(key);
        }
        std::sort(keys.begin(), keys.end());
        return keys;
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu; // no 24-bit colour
    int limit_;
    int held_ = 0;
    std::vector<std::uint32_t> slots_;
};

// Pixel counts and channel sums of one 8-level cell of the colour cube.
struct CellTally {
    std::uint64_t count = 0;
    std::array<std::uint64_t, 3> sum{}; // blue, green, red
};

PaletteEntry MeanOf(const CellTally& tally) {
    const auto mean = [&](int c) {
        return static_cast<std::uint8_t>((tally.sum[c] + tally.count / 2) / tally.count);
    };
    return {mean(0), mean(1), mean(2), 0};
}

// Squared distance from an entry to the nearest and the farthest colour of
// the cell whose channels start at low and span 7 levels.
int NearestInCell(const PaletteEntry& e, const std::array<int, 3>& low) {
    const std::array<int, 3> c = {e.blue, e.green, e.red};
    int sum = 0;
    for (int i = 0; i < 3; ++i) {
        const int d = c[i] < low[i] ? low[i] - c[i] : std::max(0, c[i] - low[i] - 7);
        sum += d * d;
    }
    return sum;
}

int FarthestInCell(const PaletteEntry& e, const std::array<int, 3>& low) {
    const std::array<int, 3> c = {e.blue, e.green, e.red};
    int sum = 0;
    for (int i = 0; i < 3; ++i) {
        const int d = std::max(c[i] - low[i], low[i] + 7 - c[i]);
        sum += d * d;
    }
    return sum;
}

} // namespace

TrueColourRows::TrueColourRows(const Bitmap& picture)
    : picture_(picture), direct_(picture.Format() == PixelFormat::Bits24),
      buffer_(direct_ ? 0 : static_cast<std::size_t>(picture.Width()) * 3) {}

const std::uint8_t* TrueColourRows::Row(std::int32_t y) {
    if (direct_) return picture_.ScanLine(y);
    DecodeRow(picture_, y, buffer_.data());
    return buffer_.data();
}

std::optional<Palette> ExactColours(const Bitmap& picture, int limit) {
    ColourSet seen(limit);
    TrueColourRows rows(picture);
    std::uint32_t last = 0xFFFFFFFFu;
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* bgr = rows.Row(y);
        for (std::int32_t x = 0; x < picture.Width(); ++x, bgr += 3) {
            const std::uint32_t key = Key(bgr);
            if (key == last) continue;
            if (!seen.Add(key)) return std::nullopt;
            last = key;
        }
    }
    Palette colours;
    for (std::uint32_t key : seen.Sorted()) colours.push_back(FromKey(key));
    return colours;
}

Palette GreyLevels(int count) {
    if (count < 2 || count > 256) throw std::invalid_argument("a grey ramp has 2 to 256 levels");
    Palette levels;
    for (int i = 0; i < count; ++i) levels.push_back(Grey(EvenLevel(i, count)));
    return levels;
}

Palette FixedColours(int count) {
    if (count < 2 || count > 256) throw std::invalid_argument("a palette has 2 to 256 colours");
    if (count == 16) return StandardPalette16();
    if (count < 8) {
        // Black and white first, then the primaries and their mixes.
        const Palette corners = {Grey(0),          Grey(255),       {0, 0, 255, 0},
                                 {0, 255, 0, 0},   {255, 0, 0, 0},  {0, 255, 255, 0},
                                 {255, 255, 0, 0}, {255, 0, 255, 0}};
        return Palette(corners.begin(), corners.begin() + count);
    }
    int side = 2;
    while ((side + 1) * (side + 1) * (side + 1) <= count) ++side;
    Palette colours;
    for (int r = 0; r < side; ++r) {
        for (int g = 0; g < side; ++g) {
            for (int b = 0; b < side; ++b) {
                colours.push_back({static_cast<std::uint8_t>(EvenLevel(b, side)),
                                   static_cast<std::uint8_t>(EvenLevel(g, side)),
                                   static_cast<std::uint8_t>(EvenLevel(r, side)), 0});
            }
        }
    }
    const int greys = count - side * side * side;
    for (int i = 1; i <= greys; ++i) colours.push_back(Grey((255 * i + greys / 2) / (greys + 1)));
    return colours;
}

Palette PopularColours(const Bitmap& picture, int count) {
    std::vector<CellTally> cells(32 * 32 * 32);
    TrueColourRows rows(picture);
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* bgr = rows.Row(y);
        for (std::int32_t x = 0; x < picture.Width(); ++x, bgr += 3) {
            CellTally& cell = cells[(std::size_t{bgr[2]} >> 3 << 10) |
                                    (std::size_t{bgr[1]} >> 3 << 5) | (bgr[0] >> 3)];
            ++cell.count;
            for (int c = 0; c < 3; ++c) cell.sum[c] += bgr[c];
        }
    }
    std::vector<std::uint32_t> used;
    for (std::uint32_t i = 0; i < cells.size(); ++i) {
        if (cells[i].count > 0) used.push_back(i);
    }
    const auto keep = std::min(used.size(), static_cast<std::size_t>(count));
    // Most pixels first; equal counts in cell order, so the choice is stable.
    std::partial_sort(used.begin(), used.begin() + static_cast<std::ptrdiff_t>(keep), used.end(),
                      [&](std::uint32_t a, std::uint32_t b) {
                          if (cells[a].count != cells[b].count)
                              return cells[a].count > cells[b].count;
                          return a < b;
                      });
    Palette colours;
    for (std::size_t i = 0; i < keep; ++i) colours.push_back(MeanOf(cells[used[i]]));
    return colours;
}

NearestColourTable::NearestColourTable(const Palette& palette)
    : palette_(palette), cellOf_(kCells, -1) {
    if (palette_.empty() || palette_.size() > 256) {
        throw std::invalid_argument("a palette to map onto has 1 to 256 entries");
    }
}

// The entries whose distance to some colour of the cell can be the smallest:
// those whose nearest point of the cell is no farther than the smallest
// farthest point of any entry. They are kept in index order so the search
// finds the first of equals.
std::int32_t NearestColourTable::OpenCell(std::size_t cell) {
    const std::array<int, 3> low = {static_cast<int>(cell & 31) << 3,
                                    static_cast<int>((cell >> 5) & 31) << 3,
                                    static_cast<int>(cell >> 10) << 3};
    int bound = 1 << 30;
    for (const PaletteEntry& e : palette_) bound = std::min(bound, FarthestInCell(e, low));
    OpenedCell opened{static_cast<std::uint32_t>(candidates_.size()), 0, -1};
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        const PaletteEntry& e = palette_[i];
        if (NearestInCell(e, low) <= bound) {
            candidates_.push_back({e.blue, e.green, e.red, static_cast<std::uint8_t>(i)});
            ++opened.count;
        }
    }
    if (opened.count > kSearchedDirectly) {
        opened.answers = static_cast<std::int64_t>(answers_.size());
        answers_.resize(answers_.size() + kCellColours, kUnknown);
    }
    const auto open = static_cast<std::int32_t>(opened_.size());
    opened_.push_back(opened);
    cellOf_[cell] = open;
    return open;
}

} // namespace zv
