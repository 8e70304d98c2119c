#pragma once
// Choosing the palette a picture is reduced onto (its own colours when it has
// few enough, grey levels, a fixed colour cube, its most frequent colours, or
// a palette fitted to it), and the exact nearest-colour lookup that maps its
// pixels onto that palette.

#include "imaging/Bitmap.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace zv {

// The rows of any picture as blue, green, red triples; Bits24 rows are handed
// out in place, others are decoded into one row buffer (so the pointer is
// valid until the next call).
class TrueColourRows {
public:
    explicit TrueColourRows(const Bitmap& picture);
    const std::uint8_t* Row(std::int32_t y);

private:
    const Bitmap& picture_;
    bool direct_;
    std::vector<std::uint8_t> buffer_;
};

// Every colour of the picture, in rising 0xRRGGBB order, when it has at most
// `limit` of them; nothing when it has more.
std::optional<Palette> ExactColours(const Bitmap& picture, int limit);
// `count` (2..256) greys evenly from black to white.
Palette GreyLevels(int count);
// About `count` colours spread evenly over the colour cube: the 16 standard
// colours for 16; otherwise the largest k x k x k cube that fits, the rest
// filled with greys between its levels.
Palette FixedColours(int count);
// The picture's `count` most frequent colours, counted in cells of 8 levels a
// channel; each is the mean of its cell's pixels.
Palette PopularColours(const Bitmap& picture, int count);
// At most `count` colours fitted to the picture: the colour space, in cells
// of 8 levels a channel, is cut into boxes, always cutting the box of largest
// variance where the cut leaves the least; each colour is its box's mean.
Palette FittedColours(const Bitmap& picture, int count);

// The nearest entry of a palette (1..256 entries) by squared distance in red,
// green and blue, the first of equals. Colours live in cells of 8 levels a
// channel; a cell is opened on first use with the few entries that can be
// nearest anywhere in it (usually one to six), which are then searched
// directly; a cell with many remembers each colour's answer once found. Not
// thread-safe.
class NearestColourTable {
public:
    explicit NearestColourTable(const Palette& palette);

    std::uint8_t Map(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
        const std::size_t cell = (std::size_t{red} >> 3 << 10) | (std::size_t{green} >> 3 << 5) |
                                 (std::size_t{blue} >> 3);
        std::int32_t open = cellOf_[cell];
        if (open < 0) open = OpenCell(cell);
        const OpenedCell& opened = opened_[static_cast<std::size_t>(open)];
        if (opened.answers < 0) return Search(opened, blue, green, red);
        std::uint16_t& known = answers_[static_cast<std::size_t>(opened.answers) +
                                        (((red & 7u) << 6) | ((green & 7u) << 3) | (blue & 7u))];
        if (known == kUnknown) known = Search(opened, blue, green, red);
        return static_cast<std::uint8_t>(known);
    }

private:
    static constexpr std::size_t kCells = 32 * 32 * 32;
    static constexpr std::size_t kCellColours = 8 * 8 * 8;
    static constexpr std::uint32_t kSearchedDirectly = 8; // candidates at most
    static constexpr std::uint16_t kUnknown = 0xFFFF;
    struct Candidate {
        std::uint8_t blue;
        std::uint8_t green;
        std::uint8_t red;
        std::uint8_t index;
    };
    struct OpenedCell {
        std::uint32_t first; // into candidates_
        std::uint32_t count;
        std::int64_t answers; // into answers_, or -1 when searched directly
    };

    std::int32_t OpenCell(std::size_t cell);

    std::uint8_t Search(const OpenedCell& cell, int blue, int green, int red) const {
        const Candidate* c = candidates_.data() + cell.first;
        const Candidate* end = c + cell.count;
        std::uint8_t best = c->index;
        int bestDistance = 1 << 30;
        for (; c != end; ++c) {
            const int db = c->blue - blue;
            const int dg = c->green - green;
            const int dr = c->red - red;
            const int distance = db * db + dg * dg + dr * dr;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = c->index;
            }
        }
        return best;
    }

    Palette palette_;
    std::vector<std::int32_t> cellOf_; // -1 until the cell is opened
    std::vector<OpenedCell> opened_;
    std::vector<Candidate> candidates_;  // in index order within a cell
    std::vector<std::uint16_t> answers_; // kCellColours for each cell with many candidates
};

} // namespace zv
