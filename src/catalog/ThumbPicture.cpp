#include "catalog/ThumbPicture.h"

#include "imaging/BitmapFile.h"
#include "imaging/Palettes.h"
#include "platform/linux/AtomicFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace zv {

namespace {

constexpr std::uint32_t kSystemColourFlag = 0x80000000;
constexpr PaletteEntry kWindowColour{255, 255, 255, 0};

// round(a x b / c) with halves up, for a, b >= 0 and c > 0, without overflow.
std::int64_t RoundedScale(std::int64_t a, std::int64_t b, std::int64_t c) {
    using Wide = unsigned __int128;
    const Wide twice = Wide(2) * Wide(a) * Wide(b) + Wide(c);
    return static_cast<std::int64_t>(twice / (Wide(2) * Wide(c)));
}

// ---- scaling

// How the output pixels of one axis take from the source pixels: on a
// reduced axis each output pixel averages the source span it covers
// (partial pixels at its ends by their share); on an enlarged or kept axis it
// blends the two source pixels nearest to its centre.
struct Axis {
    int source = 0;
    int target = 0;
    double scale = 1; // source pixels per output pixel
    bool reduce = false;

    Axis(int sourceLength, int targetLength)
        : source(sourceLength), target(targetLength),
          scale(double(sourceLength) / double(targetLength)), reduce(targetLength < sourceLength) {}

    template <typename Take> void ForEachTap(int i, Take&& take) const {
        if (reduce) {
            const double lo = i * scale;
            const double hi = (i + 1) * scale;
            const int first = static_cast<int>(lo);
            const int end = std::min(static_cast<int>(std::ceil(hi)), source);
            for (int j = first; j < end; ++j) {
                const double cover = std::min(hi, j + 1.0) - std::max(lo, double(j));
                if (cover > 0) take(j, static_cast<float>(cover / scale));
            }
            return;
        }
        const double centre = std::clamp((i + 0.5) * scale - 0.5, 0.0, double(source - 1));
        const int left = static_cast<int>(centre);
        const float right = static_cast<float>(centre - left);
        take(left, 1.0f - right);
        if (right > 0 && left + 1 < source) take(left + 1, right);
    }
};

// Blue, green and red of the 256 palette entries of an 8-bit picture.
using ColourTable = std::array<std::uint8_t, 256 * 3>;

ColourTable ColourTableOf(const Palette& palette) {
    ColourTable table{};
    for (std::size_t i = 0; i < std::min<std::size_t>(palette.size(), 256); ++i) {
        table[3 * i] = palette[i].blue;
        table[3 * i + 1] = palette[i].green;
        table[3 * i + 2] = palette[i].red;
    }
    return table;
}

// One source row scaled along x into blue, green, red floats. kBytes is 3 or
// 4 for direct colour (blue, green, red first), 1 for palette indexes.
template <int kBytes>
void ScaleRow(const std::uint8_t* row, const Axis& across, const ColourTable& table, float* out) {
    for (int x = 0; x < across.target; ++x) {
        float blue = 0, green = 0, red = 0;
        across.ForEachTap(x, [&](int j, float weight) {
            const std::uint8_t* pixel = kBytes == 1 ? &table[3 * row[j]] : row + j * kBytes;
            blue += weight * pixel[0];
            green += weight * pixel[1];
            red += weight * pixel[2];
        });
        out[3 * x] = blue;
        out[3 * x + 1] = green;
        out[3 * x + 2] = red;
    }
}

// The last two source rows scaled along x: an output row reuses the rows it
// shares with the one before it, so each source row is scaled about once.
template <int kBytes> class ScaledRows {
public:
    ScaledRows(const Bitmap& source, const Axis& across)
        : source_(source), across_(across), table_(ColourTableOf(source.Colours())) {
        for (auto& row : rows_) row.resize(3 * std::size_t(across.target));
    }

    const float* Row(int y) {
        for (int slot = 0; slot < 2; ++slot) {
            if (index_[slot] == y) return rows_[slot].data();
        }
        const int slot = next_;
        next_ = 1 - next_;
        index_[slot] = y;
        ScaleRow<kBytes>(source_.ScanLine(y), across_, table_, rows_[slot].data());
        return rows_[slot].data();
    }

private:
    const Bitmap& source_;
    const Axis& across_;
    ColourTable table_;
    std::array<std::vector<float>, 2> rows_;
    std::array<int, 2> index_{-1, -1};
    int next_ = 0;
};

std::uint8_t ToByte(float value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f);
}

template <int kBytes>
void ScaleInto(const Bitmap& source, Bitmap& target, int left, int top, FittedSize size) {
    const Axis across(source.Width(), size.width);
    const Axis down(source.Height(), size.height);
    ScaledRows<kBytes> rows(source, across);
    std::vector<float> sum(3 * std::size_t(size.width));
    for (int y = 0; y < size.height; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        down.ForEachTap(y, [&](int j, float weight) {
            const float* row = rows.Row(j);
            for (std::size_t i = 0; i < sum.size(); ++i) sum[i] += weight * row[i];
        });
        std::uint8_t* out = target.ScanLine(top + y) + 3 * std::size_t(left);
        for (std::size_t i = 0; i < sum.size(); ++i) out[i] = ToByte(sum[i]);
    }
}

} // namespace

FittedSize FitThumbSize(std::int64_t W, std::int64_t H, int BW, int BH) {
    if (W <= 0 || H <= 0 || BW <= 0 || BH <= 0) return {};
    std::int64_t width, height;
    if (H < W) {
        width = BW;
        height = RoundedScale(H, BW, W);
    } else {
        height = BH;
        width = RoundedScale(W, BH, H);
    }
    if (width > BW) {
        height = RoundedScale(height, BW, width);
        width = BW;
    }
    if (height > BH) {
        width = RoundedScale(width, BH, height);
        height = BH;
    }
    return {static_cast<int>(std::max<std::int64_t>(width, 1)),
            static_cast<int>(std::max<std::int64_t>(height, 1))};
}

PaletteEntry ThumbBackground(std::uint32_t thumbColour) {
    if (thumbColour & kSystemColourFlag) return kWindowColour;
    return {static_cast<std::uint8_t>(thumbColour >> 16),
            static_cast<std::uint8_t>(thumbColour >> 8), static_cast<std::uint8_t>(thumbColour), 0};
}

Bitmap MakeThumbnail(const Bitmap& picture, ThumbBox box, std::uint32_t thumbColour) {
    Bitmap thumbnail;
    thumbnail.Create(std::max(box.ThumbWidth, 0), std::max(box.ThumbHeight, 0),
                     PixelFormat::Bits24);
    FillTrueColour(thumbnail, ThumbBackground(thumbColour));
    if (picture.Empty()) return thumbnail;

    const FittedSize size =
        FitThumbSize(picture.Width(), picture.Height(), box.ThumbWidth - 2, box.ThumbHeight - 2);
    if (size.width == 0) return thumbnail;
    const int left = (box.ThumbWidth - size.width) / 2;
    const int top = (box.ThumbHeight - size.height) / 2;

    switch (picture.Format()) {
    case PixelFormat::Bits24: ScaleInto<3>(picture, thumbnail, left, top, size); break;
    case PixelFormat::Bits32:
    case PixelFormat::Device: ScaleInto<4>(picture, thumbnail, left, top, size); break;
    case PixelFormat::Bits8: ScaleInto<1>(picture, thumbnail, left, top, size); break;
    default: {
        // 1, 4, 15 and 16 bits: rare for pictures worth a thumbnail; a true
        // colour copy keeps the scaling to the three layouts above.
        Bitmap trueColour = picture;
        trueColour.SetPixelFormat(PixelFormat::Bits24);
        ScaleInto<3>(trueColour, thumbnail, left, top, size);
    }
    }
    return thumbnail;
}

bool WithinThumbBudget(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0) return false;
    return width <= kThumbPixelBudget / height;
}

void SaveThumbnail(const std::filesystem::path& path, const Bitmap& thumbnail) {
    // A lost name after a crash only means the thumbnail is made again.
    const std::vector<std::uint8_t> bytes = BitmapFileBytes(thumbnail);
    WriteFileAtomically(path,
                        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                        FolderSync::No);
}

Bitmap ThumbAtDisplayDepth(const Bitmap& thumbnail, int screenBits, bool dither) {
    if (screenBits > 8 || thumbnail.Empty() || thumbnail.Format() != PixelFormat::Bits24)
        return thumbnail;
    const Palette& palette = HalftonePalette();
    PaletteMapper mapper(palette);
    Bitmap out;
    out.Create(thumbnail.Width(), thumbnail.Height(), PixelFormat::Bits8);
    out.SetPalette(palette);
    const int width = thumbnail.Width();
    // Errors carried to the next row, three channels a pixel, one pixel of margin each side.
    std::vector<int> below((width + 2) * 3, 0);
    std::vector<int> next((width + 2) * 3, 0);
    for (int y = 0; y < thumbnail.Height(); ++y) {
        const std::uint8_t* source = thumbnail.ScanLine(y);
        std::uint8_t* target = out.ScanLine(y);
        std::fill(next.begin(), next.end(), 0);
        std::array<int, 3> right{0, 0, 0};
        for (int x = 0; x < width; ++x) {
            std::array<int, 3> wanted{};
            for (int c = 0; c < 3; ++c) {
                const int carried = dither ? below[(x + 1) * 3 + c] + right[c] : 0;
                wanted[c] = std::clamp(source[x * 3 + c] + carried, 0, 255);
            }
            const std::uint8_t index = mapper.Map(static_cast<std::uint8_t>(wanted[0]),
                                                  static_cast<std::uint8_t>(wanted[1]),
                                                  static_cast<std::uint8_t>(wanted[2]));
            target[x] = index;
            if (!dither) continue;
            const PaletteEntry& got = palette[index];
            const std::array<int, 3> gotChannels{got.blue, got.green, got.red};
            for (int c = 0; c < 3; ++c) {
                const int error = wanted[c] - gotChannels[c];
                right[c] = error * 7 / 16;
                next[x * 3 + c] += error * 3 / 16;
                next[(x + 1) * 3 + c] += error * 5 / 16;
                next[(x + 2) * 3 + c] += error / 16;
            }
        }
        std::swap(below, next);
    }
    return out;
}

} // namespace zv
