#include "formats/Orientation.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace zv {

namespace {

// Where a stored pixel lands in the upright picture.
struct Placement {
    int orientation;
    std::int32_t width, height; // stored

    std::pair<std::int32_t, std::int32_t> operator()(std::int32_t x, std::int32_t y) const {
        const std::int32_t right = width - 1 - x, bottom = height - 1 - y;
        switch (orientation) {
        case 2: return {right, y};
        case 3: return {right, bottom};
        case 4: return {x, bottom};
        case 5: return {y, x};
        case 6: return {bottom, x};
        case 7: return {bottom, right};
        case 8: return {y, right};
        default: return {x, y};
        }
    }
};

// Pixels narrower than a byte: read and written one by one.
int SubBytePixel(const std::uint8_t* row, std::int32_t x, int bits) {
    const int perByte = 8 / bits;
    const int shift = 8 - bits * (x % perByte + 1);
    return row[x / perByte] >> shift & ((1 << bits) - 1);
}

void SetSubBytePixel(std::uint8_t* row, std::int32_t x, int bits, int value) {
    const int perByte = 8 / bits;
    const int shift = 8 - bits * (x % perByte + 1);
    const int mask = ((1 << bits) - 1) << shift;
    row[x / perByte] = static_cast<std::uint8_t>((row[x / perByte] & ~mask) | value << shift);
}

// As x grows along a stored row, the upright place moves one pixel along a
// row (orientations 1 to 4) or down or up a column (5 to 8).
std::ptrdiff_t PlaceStep(int orientation, int bytes, std::int64_t stride) {
    switch (orientation) {
    case 2:
    case 3: return -bytes;
    case 5:
    case 6: return static_cast<std::ptrdiff_t>(stride);
    case 7:
    case 8: return -static_cast<std::ptrdiff_t>(stride);
    default: return bytes;
    }
}

// Whole-byte pixels. A quarter turn writes down columns, so the rows are
// taken in square tiles that keep the columns written in the cache.
template <int Bytes> void MoveBytePixels(const Bitmap& from, Bitmap& to, const Placement& place) {
    const bool turns = place.orientation >= 5;
    const std::int32_t tile = turns ? 64 : std::max(from.Width(), 1);
    const std::ptrdiff_t step = PlaceStep(place.orientation, Bytes, to.Stride());
    std::uint8_t* const target = to.ScanLine(0);
    for (std::int32_t top = 0; top < from.Height(); top += tile)
        for (std::int32_t left = 0; left < from.Width(); left += tile) {
            const std::int32_t bottom = std::min(from.Height(), top + tile);
            const std::int32_t right = std::min(from.Width(), left + tile);
            for (std::int32_t y = top; y < bottom; ++y) {
                const auto [tx, ty] = place(left, y);
                std::ptrdiff_t at = static_cast<std::ptrdiff_t>(ty * to.Stride()) + tx * Bytes;
                const std::uint8_t* source = from.ScanLine(y) + std::int64_t{left} * Bytes;
                for (std::int32_t x = left; x < right; ++x, source += Bytes, at += step)
                    std::memcpy(target + at, source, Bytes);
            }
        }
}

void MoveSubBytePixels(const Bitmap& from, Bitmap& to, const Placement& place) {
    const int bits = from.BitsPerPixel();
    for (std::int32_t y = 0; y < from.Height(); ++y)
        for (std::int32_t x = 0; x < from.Width(); ++x) {
            const auto [tx, ty] = place(x, y);
            SetSubBytePixel(to.ScanLine(ty), tx, bits, SubBytePixel(from.ScanLine(y), x, bits));
        }
}

// --- EXIF ---

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;

// Where the orientation value sits in an APP1 segment's data, and whether
// the segment's numbers are little-endian.
struct TagValue {
    std::size_t at;
    bool little;
};

std::uint32_t Read(ByteSpan data, std::size_t at, int bytes, bool little) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        const std::uint32_t byte = data[at + static_cast<std::size_t>(i)];
        value |= little ? byte << (8 * i) : byte << (8 * (bytes - 1 - i));
    }
    return value;
}

// The segment's first directory (IFD0) is searched; every offset is checked
// against the segment before it is followed.
std::optional<TagValue> FindOrientation(ByteSpan segment) {
    constexpr std::size_t kTiff = 6; // after "Exif\0\0"
    if (segment.size() < kTiff + 8 || std::memcmp(segment.data(), "Exif\0\0", 6) != 0)
        return std::nullopt;
    const ByteSpan tiff = segment.subspan(kTiff);
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return std::nullopt;
    if (Read(tiff, 2, 2, little) != 42) return std::nullopt;
    const std::uint64_t directory = Read(tiff, 4, 4, little);
    if (directory + 2 > tiff.size()) return std::nullopt;
    const std::uint32_t count = Read(tiff, directory, 2, little);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = directory + 2 + std::uint64_t{12} * i;
        if (entry + 12 > tiff.size()) return std::nullopt;
        if (Read(tiff, entry, 2, little) != kOrientationTag) continue;
        if (Read(tiff, entry + 2, 2, little) != kShortType) return std::nullopt;
        return TagValue{kTiff + entry + 8, little};
    }
    return std::nullopt;
}

int OrientationIn(ByteSpan segment) {
    const std::optional<TagValue> value = FindOrientation(segment);
    if (!value) return kUpright;
    const auto orientation = static_cast<int>(Read(segment, value->at, 2, value->little));
    return orientation >= 1 && orientation <= 8 ? orientation : kUpright;
}

constexpr std::uint8_t kApp1 = 0xE1;

} // namespace

bool SwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

void OrientUpright(Bitmap& picture, int orientation) {
    if (orientation <= kUpright || orientation > 8 || picture.Empty()) return;
    const bool swap = SwapsSides(orientation);
    Bitmap upright;
    upright.Create(swap ? picture.Height() : picture.Width(),
                   swap ? picture.Width() : picture.Height(), picture.Format());
    if (!picture.Colours().empty()) upright.SetPalette(picture.Colours());
    upright.SetStorage(picture.Storage());
    const Placement place{orientation, picture.Width(), picture.Height()};
    switch (picture.BitsPerPixel()) {
    case 8: MoveBytePixels<1>(picture, upright, place); break;
    case 16: MoveBytePixels<2>(picture, upright, place); break;
    case 24: MoveBytePixels<3>(picture, upright, place); break;
    case 32: MoveBytePixels<4>(picture, upright, place); break;
    default: MoveSubBytePixels(picture, upright, place); break;
    }
    picture = std::move(upright);
}

int JpegExifOrientation(ByteSpan jpeg) {
    std::size_t at = 2;
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return kUpright;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        const std::uint8_t marker = jpeg[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;
        const std::size_t length = Read(jpeg, at + 2, 2, false);
        if (length < 2 || at + 2 + length > jpeg.size()) break;
        const ByteSpan segment = jpeg.subspan(at + 4, length - 2);
        if (marker == kApp1 && FindOrientation(segment)) return OrientationIn(segment);
        at += 2 + length;
    }
    return kUpright;
}

int ExifOrientationOf(const std::vector<JpegMarker>& markers) {
    for (const JpegMarker& marker : markers)
        if (marker.code == kApp1 && FindOrientation(marker.data)) return OrientationIn(marker.data);
    return kUpright;
}

bool ResetExifOrientation(std::vector<JpegMarker>& markers) {
    bool changed = false;
    for (JpegMarker& marker : markers) {
        if (marker.code != kApp1) continue;
        const std::optional<TagValue> value = FindOrientation(marker.data);
        if (!value || Read(marker.data, value->at, 2, value->little) == kUpright) continue;
        marker.data[value->at] = value->little ? 1 : 0;
        marker.data[value->at + 1] = value->little ? 0 : 1;
        changed = true;
    }
    return changed;
}

} // namespace zv
