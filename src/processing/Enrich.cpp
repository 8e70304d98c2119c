#include "processing/Enrich.h"

#include "formats/Scaling.h"
#include "library/ImageLibrary.h"
#include "processing/Filter5x5.h"
#include "processing/Median.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace zv {

namespace {

// Enlarges by (1 + whole + 1/2) in each direction, runs `filter` on the
// enlarged copy and scales the result back into the picture.
template <typename Filter> bool ThroughEnlargement(Bitmap& picture, int whole, Filter filter) {
    if (picture.Format() != PixelFormat::Bits24)
        throw std::invalid_argument("Enrich and DeLace need a 24-bit picture");
    if (picture.Empty()) return true;
    const std::int32_t width = picture.Width();
    const std::int32_t height = picture.Height();
    const std::int64_t bigWidth = std::int64_t{width} * (1 + whole) + width / 2;
    const std::int64_t bigHeight = std::int64_t{height} * (1 + whole) + height / 2;
    constexpr std::int64_t kLargest = std::numeric_limits<std::int32_t>::max();
    if (bigWidth > kLargest || bigHeight > kLargest) return false;
    try {
        Bitmap big =
            ScalePicture(picture, static_cast<std::int32_t>(bigWidth),
                         static_cast<std::int32_t>(bigHeight), {0, 0, width, height}, kCopyPlain);
        filter(big);
        const Bitmap back =
            ScalePicture(big, width, height, {0, 0, big.Width(), big.Height()}, kCopySmooth);
        if (back.Format() != PixelFormat::Bits24 || back.Width() != width ||
            back.Height() != height)
            return false;
        const auto rowBytes = 3 * static_cast<std::size_t>(width);
        for (std::int32_t y = 0; y < height; ++y)
            std::memcpy(picture.ScanLine(y), back.ScanLine(y), rowBytes);
    } catch (const EBitmapError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

} // namespace

bool Enrich(Bitmap& picture) {
    return ThroughEnlargement(picture, 1, [](Bitmap& big) { SharpGaussianBlur5x5(big, 239, 96); });
}

bool DeLace(Bitmap& picture) {
    return ThroughEnlargement(picture, 0, [](Bitmap& big) { Median(big, 4, 0); });
}

} // namespace zv
