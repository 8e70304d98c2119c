#include "formats/Scaling.h"

#include "formats/LayerPalettes.h"
#include "imaging/PixelTraits.h"
#include "platform/RowSplit.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace zv {

namespace {

// --- Reading and writing sub-byte pixels ---------------------------------

inline int Bit(const std::uint8_t* row, std::int64_t x) {
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}
inline void SetBit(std::uint8_t* row, std::int64_t x) {
    row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
}
inline int Nibble(const std::uint8_t* row, std::int64_t x) {
    return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
}
inline void SetNibble(std::uint8_t* row, std::int64_t x, int value) {
    row[x >> 1] = static_cast<std::uint8_t>(row[x >> 1] | (value << ((x & 1) ? 0 : 4)));
}

// --- Nearest pixel --------------------------------------------------------

// The source index at the centre of each of count target pixels.
std::vector<std::int32_t> CentreSamples(std::int32_t first, std::int32_t length,
                                        std::int32_t count) {
    std::vector<std::int32_t> samples(static_cast<std::size_t>(count));
    for (std::int64_t t = 0; t < count; ++t)
        samples[static_cast<std::size_t>(t)] =
            first + static_cast<std::int32_t>((2 * t + 1) * length / (2 * std::int64_t{count}));
    return samples;
}

template <PixelFormat F>
void NearestRow(const std::uint8_t* source, std::uint8_t* target,
                const std::vector<std::int32_t>& columns) {
    const auto count = static_cast<std::int64_t>(columns.size());
    for (std::int64_t x = 0; x < count; ++x) {
        const std::int64_t s = columns[static_cast<std::size_t>(x)];
        if constexpr (F == PixelFormat::Bits24) {
            std::memcpy(target + 3 * x, source + 3 * s, 3);
        } else if constexpr (F == PixelFormat::Bits8) {
            target[x] = source[s];
        } else if constexpr (F == PixelFormat::Bits4) {
            SetNibble(target, x, Nibble(source, s));
        } else {
            if (Bit(source, s)) SetBit(target, x);
        }
    }
}

template <PixelFormat F>
void NearestRows(const Bitmap& source, Bitmap& target, const std::vector<std::int32_t>& columns,
                 const std::vector<std::int32_t>& rows) {
    for (std::int32_t y = 0; y < target.Height(); ++y)
        NearestRow<F>(source.ScanLine(rows[static_cast<std::size_t>(y)]), target.ScanLine(y),
                      columns);
}

Bitmap Nearest(const Bitmap& source, std::int32_t width, std::int32_t height,
               const SourceRect& rect) {
    Bitmap target;
    target.Create(width, height, source.Format());
    target.SetPalette(source.Colours());
    const auto columns = CentreSamples(rect.left, rect.Width(), width);
    const auto rows = CentreSamples(rect.top, rect.Height(), height);
    switch (source.Format()) {
    case PixelFormat::Bits1: NearestRows<PixelFormat::Bits1>(source, target, columns, rows); break;
    case PixelFormat::Bits4: NearestRows<PixelFormat::Bits4>(source, target, columns, rows); break;
    case PixelFormat::Bits8: NearestRows<PixelFormat::Bits8>(source, target, columns, rows); break;
    default: NearestRows<PixelFormat::Bits24>(source, target, columns, rows); break;
    }
    return target;
}

// --- Keeping black or white in 1-bit pictures ----------------------------

// The source pixels [first, end) each target pixel covers; at least one.
struct Cover {
    std::vector<std::int32_t> first;
    std::vector<std::int32_t> end;
};

Cover CoveredSpans(std::int32_t first, std::int32_t length, std::int32_t count) {
    Cover cover;
    cover.first.resize(static_cast<std::size_t>(count));
    cover.end.resize(static_cast<std::size_t>(count));
    for (std::int64_t t = 0; t < count; ++t) {
        const auto lo = static_cast<std::int32_t>(t * length / count);
        const auto hi = static_cast<std::int32_t>((t + 1) * length / count);
        cover.first[static_cast<std::size_t>(t)] = first + lo;
        cover.end[static_cast<std::size_t>(t)] = first + std::max(hi, lo + 1);
    }
    return cover;
}

// The bit value to keep: the index of the darker entry for black, the
// lighter for white.
int KeptIndex(const Bitmap& source, bool keepBlack) {
    const Palette& palette = source.Colours();
    const bool firstIsDarker = palette.size() < 2 || Luminance(palette[0]) <= Luminance(palette[1]);
    const int dark = firstIsDarker ? 0 : 1;
    return keepBlack ? dark : 1 - dark;
}

Bitmap KeepColour(const Bitmap& source, std::int32_t width, std::int32_t height,
                  const SourceRect& rect, bool keepBlack) {
    Bitmap target;
    target.Create(width, height, PixelFormat::Bits1);
    target.SetPalette(source.Colours());
    const int kept = KeptIndex(source, keepBlack);
    const Cover columns = CoveredSpans(rect.left, rect.Width(), width);
    const Cover rows = CoveredSpans(rect.top, rect.Height(), height);
    // The covered rows folded into one: a bit equals kept there when it
    // equals kept in any of them (OR for ones, AND for zeros).
    std::vector<std::uint8_t> folded(static_cast<std::size_t>(source.Stride()));
    for (std::int32_t y = 0; y < height; ++y) {
        const auto row = static_cast<std::size_t>(y);
        std::memcpy(folded.data(), source.ScanLine(rows.first[row]), folded.size());
        for (std::int32_t s = rows.first[row] + 1; s < rows.end[row]; ++s) {
            const std::uint8_t* line = source.ScanLine(s);
            if (kept == 1)
                for (std::size_t i = 0; i < folded.size(); ++i) folded[i] |= line[i];
            else
                for (std::size_t i = 0; i < folded.size(); ++i) folded[i] &= line[i];
        }
        std::uint8_t* out = target.ScanLine(y);
        for (std::int32_t x = 0; x < width; ++x) {
            const auto column = static_cast<std::size_t>(x);
            bool found = false;
            for (std::int32_t s = columns.first[column]; s < columns.end[column] && !found; ++s)
                found = Bit(folded.data(), s) == kept;
            if ((found ? kept : 1 - kept) == 1) SetBit(out, x);
        }
    }
    return target;
}

// --- Area averaging -------------------------------------------------------

constexpr std::uint32_t kWeightOne = 1u << 16;

// For each target pixel, the source pixels it covers (relative to the
// rectangle) and how much of it each covers, in 1/65536ths summing to one.
struct Weights {
    std::vector<std::int32_t> first;
    std::vector<std::int32_t> count;
    std::vector<std::int32_t> offset;
    std::vector<std::uint32_t> weight;
};

Weights AreaWeights(std::int64_t length, std::int64_t count) {
    Weights w;
    w.first.resize(static_cast<std::size_t>(count));
    w.count.resize(static_cast<std::size_t>(count));
    w.offset.resize(static_cast<std::size_t>(count));
    w.weight.reserve(static_cast<std::size_t>(length + count));
    // Positions are counted in 1/count of a source pixel, so target t spans
    // [t * length, (t + 1) * length) and source s spans [s * count, (s + 1) * count).
    for (std::int64_t t = 0; t < count; ++t) {
        const std::int64_t lo = t * length;
        const std::int64_t hi = lo + length;
        const std::int64_t s0 = lo / count;
        const std::int64_t s1 = (hi - 1) / count;
        const auto index = static_cast<std::size_t>(t);
        w.first[index] = static_cast<std::int32_t>(s0);
        w.count[index] = static_cast<std::int32_t>(s1 - s0 + 1);
        w.offset[index] = static_cast<std::int32_t>(w.weight.size());
        std::uint32_t total = 0;
        std::size_t largest = w.weight.size();
        for (std::int64_t s = s0; s <= s1; ++s) {
            const std::int64_t overlap = std::min((s + 1) * count, hi) - std::max(s * count, lo);
            const auto share = static_cast<std::uint32_t>(overlap * kWeightOne / length);
            w.weight.push_back(share);
            if (share > w.weight[largest]) largest = w.weight.size() - 1;
            total += share;
        }
        w.weight[largest] += kWeightOne - total; // rounding losses go to the largest share
    }
    return w;
}

// One source row as 1 (grey) or 3 (blue, green, red) bytes a pixel over
// the rectangle's columns.
class RowSampler {
public:
    RowSampler(const Bitmap& source, const SourceRect& rect, bool grey)
        : source_(source), left_(rect.left), width_(rect.Width()), grey_(grey) {
        const Palette& palette = source.Colours();
        for (std::size_t i = 0; i < palette.size() && i < 256; ++i) {
            greys_[i] = Luminance(palette[i]);
            colours_[3 * i] = palette[i].blue;
            colours_[3 * i + 1] = palette[i].green;
            colours_[3 * i + 2] = palette[i].red;
        }
        if (!(source.Format() == PixelFormat::Bits24 && !grey))
            buffer_.resize(static_cast<std::size_t>(width_) * (grey ? 1 : 3));
    }

    const std::uint8_t* Row(std::int32_t y) {
        const std::uint8_t* row = source_.ScanLine(y);
        switch (source_.Format()) {
        case PixelFormat::Bits1: return Expand<PixelFormat::Bits1>(row);
        case PixelFormat::Bits4: return Expand<PixelFormat::Bits4>(row);
        case PixelFormat::Bits8: return Expand<PixelFormat::Bits8>(row);
        default: return grey_ ? GreyOf24(row) : row + 3 * std::int64_t{left_};
        }
    }

private:
    template <PixelFormat F> const std::uint8_t* Expand(const std::uint8_t* row) {
        std::uint8_t* out = buffer_.data();
        for (std::int64_t x = 0; x < width_; ++x) {
            const std::int64_t s = left_ + x;
            int index = 0;
            if constexpr (F == PixelFormat::Bits1)
                index = Bit(row, s);
            else if constexpr (F == PixelFormat::Bits4)
                index = Nibble(row, s);
            else
                index = row[s];
            if (grey_) {
                out[x] = greys_[static_cast<std::size_t>(index)];
            } else {
                std::memcpy(out + 3 * x, &colours_[3 * static_cast<std::size_t>(index)], 3);
            }
        }
        return out;
    }

    const std::uint8_t* GreyOf24(const std::uint8_t* row) {
        const std::uint8_t* p = row + 3 * std::int64_t{left_};
        for (std::int64_t x = 0; x < width_; ++x, p += 3)
            buffer_[static_cast<std::size_t>(x)] = Luminance(PaletteEntry{p[0], p[1], p[2], 0});
        return buffer_.data();
    }

    const Bitmap& source_;
    std::int32_t left_;
    std::int32_t width_;
    bool grey_;
    std::array<std::uint8_t, 256> greys_{};
    std::array<std::uint8_t, 768> colours_{};
    std::vector<std::uint8_t> buffer_;
};

template <int Channels>
void HorizontalPass(const std::uint8_t* row, const Weights& w, std::uint32_t* out) {
    const std::size_t count = w.first.size();
    for (std::size_t t = 0; t < count; ++t, out += Channels) {
        const std::uint8_t* p = row + std::int64_t{w.first[t]} * Channels;
        const std::uint32_t* weight = w.weight.data() + w.offset[t];
        std::uint32_t sums[Channels] = {};
        for (std::int32_t k = 0; k < w.count[t]; ++k, p += Channels)
            for (int c = 0; c < Channels; ++c) sums[c] += p[c] * weight[k];
        for (int c = 0; c < Channels; ++c) out[c] = sums[c];
    }
}

// Halving a true-colour picture: each target byte is the mean of a 2 x 2
// block, (sum + 2) div 4, which is what the weights of the general pass give
// for a ratio of exactly 2 (each share 1/2, the sums scaled by 2^32).
void HalveRows(const Bitmap& source, Bitmap& target, const SourceRect& rect, std::int32_t first,
               std::int32_t end) {
    const std::int64_t values = std::int64_t{target.Width()} * 3;
    for (std::int32_t y = first; y < end; ++y) {
        const std::uint8_t* upper = source.ScanLine(rect.top + 2 * y) + 3 * std::int64_t{rect.left};
        const std::uint8_t* lower =
            source.ScanLine(rect.top + 2 * y + 1) + 3 * std::int64_t{rect.left};
        std::uint8_t* out = target.ScanLine(y);
        for (std::int64_t i = 0; i < values; i += 3, upper += 6, lower += 6) {
            for (int c = 0; c < 3; ++c)
                out[i + c] = static_cast<std::uint8_t>(
                    (upper[c] + upper[c + 3] + lower[c] + lower[c + 3] + 2) >> 2);
        }
    }
}

// Target rows first .. end-1 of an area average.
template <int Channels>
void AverageRows(const Bitmap& source, Bitmap& target, const SourceRect& rect,
                 const Weights& columns, const Weights& rows, std::int32_t first,
                 std::int32_t end) {
    constexpr bool grey = Channels == 1;
    RowSampler sampler(source, rect, grey);
    const std::size_t values = static_cast<std::size_t>(target.Width()) * Channels;
    std::vector<std::uint32_t> horizontal(values);
    std::vector<std::uint64_t> sums(values);
    std::int32_t filtered = -1; // the source row now in horizontal
    for (std::int32_t y = first; y < end; ++y) {
        const auto t = static_cast<std::size_t>(y);
        std::fill(sums.begin(), sums.end(), 0);
        for (std::int32_t k = 0; k < rows.count[t]; ++k) {
            const std::int32_t s = rect.top + rows.first[t] + k;
            if (s != filtered) {
                HorizontalPass<Channels>(sampler.Row(s), columns, horizontal.data());
                filtered = s;
            }
            const std::uint64_t weight = rows.weight[static_cast<std::size_t>(rows.offset[t] + k)];
            for (std::size_t i = 0; i < values; ++i) sums[i] += horizontal[i] * weight;
        }
        std::uint8_t* out = target.ScanLine(y);
        for (std::size_t i = 0; i < values; ++i)
            out[i] = static_cast<std::uint8_t>(
                std::min<std::uint64_t>((sums[i] + (1ull << 31)) >> 32, 255));
    }
}

// Target rows in bands on every core (platform/RowSplit.h); each band reads
// the source only, so the bytes are those of one thread.
template <int Channels>
Bitmap AreaAverage(const Bitmap& source, std::int32_t width, std::int32_t height,
                   const SourceRect& rect) {
    constexpr bool grey = Channels == 1;
    Bitmap target;
    target.Create(width, height, grey ? PixelFormat::Bits8 : PixelFormat::Bits24);
    if (grey) target.SetPalette(Grey256Palette());
    const std::int64_t work = std::int64_t{rect.Width()} * rect.Height();
    const bool halves = !grey && source.Format() == PixelFormat::Bits24 &&
                        rect.Width() == 2 * std::int64_t{width} &&
                        rect.Height() == 2 * std::int64_t{height};
    if (halves) {
        SplitRows(height, work, [&](std::int32_t first, std::int32_t end) {
            HalveRows(source, target, rect, first, end);
        });
        return target;
    }
    const Weights columns = AreaWeights(rect.Width(), width);
    const Weights rows = AreaWeights(rect.Height(), height);
    SplitRows(height, work, [&](std::int32_t first, std::int32_t end) {
        AverageRows<Channels>(source, target, rect, columns, rows, first, end);
    });
    return target;
}

} // namespace

Bitmap ScalePicture(const Bitmap& source, std::int32_t width, std::int32_t height,
                    const SourceRect& rect, int mode) {
    const bool oneBit = source.Format() == PixelFormat::Bits1;
    if (mode == kCopySmooth || mode == kCopyGreyAverage) {
        const bool grey = HasGreyPalette(source) || (mode == kCopyGreyAverage && oneBit);
        return grey ? AreaAverage<1>(source, width, height, rect)
                    : AreaAverage<3>(source, width, height, rect);
    }
    if (oneBit && (mode == kCopyPreserveBlack || mode == kCopyPreserveWhite))
        return KeepColour(source, width, height, rect, mode == kCopyPreserveBlack);
    return Nearest(source, width, height, rect);
}

} // namespace zv
