// Colour reduction: a palette is chosen for the picture (ColourQuantiser.h)
// and each row is mapped onto it, plainly, through an 8 x 8 ordered dither,
// or with Floyd-Steinberg error diffusion along alternating directions.
// Grey reductions (black and white among them) work on each pixel's
// brightness and map it through a 256-entry table.

#include "library/PictureOps.h"

#include "imaging/Palettes.h"
#include "library/ColourQuantiser.h"
#include "library/ImageLibrary.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zv {

namespace {

enum class Dither { None, Ordered, Diffuse };

Dither DitherOf(int mode) {
    if (mode & kReduceDiffuse) return Dither::Diffuse;
    if (mode & kReduceOrdered) return Dither::Ordered;
    return Dither::None;
}

PixelFormat IndexedFormatFor(std::size_t colours) {
    if (colours <= 2) return PixelFormat::Bits1;
    if (colours <= 16) return PixelFormat::Bits4;
    return PixelFormat::Bits8;
}

// Brightness with the weights 0.299, 0.587 and 0.114 (in 65536ths), so a
// grey keeps its level.
inline int Brightness(const std::uint8_t* bgr) {
    return (7471 * bgr[0] + 38470 * bgr[1] + 19595 * bgr[2] + 32768) >> 16;
}

inline int Clamp255(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// The 8 x 8 Bayer matrix: the rank 0..63 at which each position turns on.
constexpr int BayerRank(int x, int y) {
    int rank = 0;
    for (int bit = 0; bit < 3; ++bit) {
        rank |= (((x ^ y) >> bit) & 1) << (5 - 2 * bit);
        rank |= ((y >> bit) & 1) << (4 - 2 * bit);
    }
    return rank;
}

// What the ordered dither adds at each position: ranks spread evenly over
// one palette step, centred on zero.
using DitherOffsets = std::array<std::array<int, 8>, 8>;

DitherOffsets OffsetsFor(double step) {
    DitherOffsets offsets{};
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            offsets[y][x] =
                static_cast<int>(std::lround(step * ((BayerRank(x, y) + 0.5) / 64.0 - 0.5)));
        }
    }
    return offsets;
}

// The distance between neighbouring colours of a palette of this size spread
// evenly over the colour cube.
double ColourStep(std::size_t colours) {
    const double side = std::cbrt(static_cast<double>(colours));
    return side <= 2.0 ? 255.0 : 255.0 / (side - 1.0);
}

// Floyd-Steinberg error diffusion over rows of N channels, each row walked
// the other way from the one before. Errors are held in sixteenths; a cell
// of padding at each end catches what falls off the row, and that is handed
// to the end pixel of the next row, so a flat area keeps its mean.
template <int N> class Diffuser {
public:
    explicit Diffuser(std::int32_t width)
        : width_(width), current_((static_cast<std::size_t>(width) + 2) * N),
          next_(current_.size()) {}

    // quantise(values) gives the index for N channel values; level(index, c)
    // the palette's value of channel c.
    template <typename Quantise, typename Level>
    void Row(const std::uint8_t* values, std::int32_t y, std::uint8_t* indices, Quantise quantise,
             Level level) {
        const bool forward = (y & 1) == 0;
        const std::ptrdiff_t step = forward ? 1 : -1;
        for (std::int32_t i = 0; i < width_; ++i) {
            const std::int32_t x = forward ? i : width_ - 1 - i;
            int* here = current_.data() + (static_cast<std::size_t>(x) + 1) * N;
            int* below = next_.data() + (static_cast<std::size_t>(x) + 1) * N;
            std::array<int, N> v;
            const std::uint8_t* value = values + static_cast<std::size_t>(x) * N;
            for (int c = 0; c < N; ++c) v[c] = Clamp255(value[c] + ((here[c] + 8) >> 4));
            const std::uint8_t index = quantise(v);
            indices[x] = index;
            for (int c = 0; c < N; ++c) {
                const int error = v[c] - level(index, c);
                here[step * N + c] += 7 * error;
                below[-step * N + c] += 3 * error;
                below[c] += 5 * error;
                below[step * N + c] += error;
            }
        }
        KeepEdgeErrors();
        current_.swap(next_);
        std::fill(next_.begin(), next_.end(), 0);
    }

private:
    void KeepEdgeErrors() {
        const std::size_t last = static_cast<std::size_t>(width_) * N;
        for (std::size_t c = 0; c < N; ++c) {
            next_[N + c] += next_[c] + current_[c];
            next_[last + c] += next_[last + N + c] + current_[last + N + c];
            next_[c] = 0;
            next_[last + N + c] = 0;
        }
    }

    std::int32_t width_;
    std::vector<int> current_;
    std::vector<int> next_;
};

// Writes a row of palette indices into a row of the indexed format.
void PackRow(const std::uint8_t* indices, std::int32_t width, PixelFormat format,
             std::uint8_t* row) {
    switch (format) {
    case PixelFormat::Bits1:
        for (std::int32_t x = 0; x < width; ++x) {
            row[x >> 3] |= static_cast<std::uint8_t>((indices[x] & 1) << (7 - (x & 7)));
        }
        break;
    case PixelFormat::Bits4:
        for (std::int32_t x = 0; x < width; ++x) {
            row[x >> 1] |= static_cast<std::uint8_t>((indices[x] & 15) << ((x & 1) ? 0 : 4));
        }
        break;
    default: std::copy(indices, indices + width, row); break;
    }
}

Bitmap IndexedPicture(const Bitmap& picture, const Palette& palette, PixelFormat format) {
    Bitmap result;
    result.Create(picture.Width(), picture.Height(), format);
    result.SetPalette(palette);
    return result;
}

// The picture on count evenly spaced greys, by brightness.
Bitmap ReduceToGreys(const Bitmap& picture, int count, Dither dither, PixelFormat format) {
    const Palette greys = GreyLevels(count);
    std::array<std::uint8_t, 256> nearest{};
    for (int v = 0; v < 256; ++v) {
        const auto grey = static_cast<std::uint8_t>(v);
        nearest[v] = static_cast<std::uint8_t>(NearestIndex(greys, {grey, grey, grey, 0}));
    }
    const auto level = [&](std::uint8_t index, int) { return int{greys[index].blue}; };
    const auto quantise = [&](const std::array<int, 1>& v) { return nearest[v[0]]; };
    const DitherOffsets offsets = OffsetsFor(255.0 / (count - 1));

    Bitmap result = IndexedPicture(picture, greys, format);
    const std::int32_t width = picture.Width();
    TrueColourRows rows(picture);
    std::vector<std::uint8_t> brightness(static_cast<std::size_t>(width));
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(width));
    Diffuser<1> diffuser(dither == Dither::Diffuse ? width : 0);
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* bgr = rows.Row(y);
        for (std::int32_t x = 0; x < width; ++x, bgr += 3) {
            brightness[x] = static_cast<std::uint8_t>(Brightness(bgr));
        }
        switch (dither) {
        case Dither::None:
            for (std::int32_t x = 0; x < width; ++x) indices[x] = nearest[brightness[x]];
            break;
        case Dither::Ordered:
            for (std::int32_t x = 0; x < width; ++x) {
                indices[x] = nearest[Clamp255(brightness[x] + offsets[y & 7][x & 7])];
            }
            break;
        case Dither::Diffuse:
            diffuser.Row(brightness.data(), y, indices.data(), quantise, level);
            break;
        }
        PackRow(indices.data(), width, format, result.ScanLine(y));
    }
    return result;
}

// The picture mapped onto palette by nearest colour.
Bitmap MapColours(const Bitmap& picture, const Palette& palette, Dither dither,
                  PixelFormat format) {
    NearestColourTable table(palette);
    const auto level = [&](std::uint8_t index, int c) {
        const PaletteEntry& e = palette[index];
        return int{c == 0 ? e.blue : (c == 1 ? e.green : e.red)};
    };
    const auto quantise = [&](const std::array<int, 3>& v) {
        return table.Map(static_cast<std::uint8_t>(v[0]), static_cast<std::uint8_t>(v[1]),
                         static_cast<std::uint8_t>(v[2]));
    };
    const DitherOffsets offsets = OffsetsFor(ColourStep(palette.size()));

    Bitmap result = IndexedPicture(picture, palette, format);
    const std::int32_t width = picture.Width();
    TrueColourRows rows(picture);
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(width));
    Diffuser<3> diffuser(dither == Dither::Diffuse ? width : 0);
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* bgr = rows.Row(y);
        switch (dither) {
        case Dither::None:
            for (std::int32_t x = 0; x < width; ++x, bgr += 3) {
                indices[x] = table.Map(bgr[0], bgr[1], bgr[2]);
            }
            break;
        case Dither::Ordered:
            for (std::int32_t x = 0; x < width; ++x, bgr += 3) {
                const int offset = offsets[y & 7][x & 7];
                indices[x] = quantise({Clamp255(bgr[0] + offset), Clamp255(bgr[1] + offset),
                                       Clamp255(bgr[2] + offset)});
            }
            break;
        case Dither::Diffuse: diffuser.Row(bgr, y, indices.data(), quantise, level); break;
        }
        PackRow(indices.data(), width, format, result.ScanLine(y));
    }
    return result;
}

bool AsksForColour(int mode) {
    return (mode & (kReduceFixed | kReducePopularity | kReduceOptimal)) != 0;
}

Palette ChosenPalette(const Bitmap& picture, int colours, int mode) {
    if (mode & kReduceOptimal) return FittedColours(picture, colours);
    if (mode & kReducePopularity) return PopularColours(picture, colours);
    return FixedColours(colours);
}

} // namespace

Bitmap ReduceColours(const Bitmap& picture, int colours, int mode) {
    if (colours < 2 || colours > 256) {
        throw std::invalid_argument("a picture can be reduced to 2 to 256 colours, not " +
                                    std::to_string(colours));
    }
    const PixelFormat format = IndexedFormatFor(static_cast<std::size_t>(colours));
    const Dither dither = DitherOf(mode);
    // Two colours without a palette kind asked for means black and white.
    if ((mode & kReduceGrey) || (colours == 2 && !AsksForColour(mode))) {
        return ReduceToGreys(picture, colours, dither, format);
    }
    if (std::optional<Palette> own = ExactColours(picture, colours)) {
        if (own->empty()) own->push_back({}); // an empty picture still gets a palette
        return MapColours(picture, *own, Dither::None, format);
    }
    return MapColours(picture, ChosenPalette(picture, colours, mode), dither, format);
}

Bitmap ReduceOntoPalette(const Bitmap& picture, const Palette& palette, bool diffuse) {
    if (palette.empty() || palette.size() > 256) {
        throw std::invalid_argument("a palette to reduce onto has 1 to 256 entries");
    }
    return MapColours(picture, palette, diffuse ? Dither::Diffuse : Dither::None,
                      IndexedFormatFor(palette.size()));
}

} // namespace zv
