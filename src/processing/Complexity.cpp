#include "processing/Complexity.h"

#include "formats/JpegWriter.h"
#include "processing/Kernel3x3.h"

#include <stdexcept>

namespace zv {

namespace {

constexpr long double kScale = 1e9L;

std::int64_t Scaled(std::int64_t bytes, std::int64_t divisor) {
    return static_cast<std::int64_t>(static_cast<long double>(bytes) / divisor * kScale);
}

} // namespace

std::int64_t JpegByteSize(const Bitmap& picture, int quality) {
    if (picture.Empty()) return 0;
    TJpegWriter writer;
    writer.quality = quality & 0x7F;
    return static_cast<std::int64_t>(writer.Compress(picture).size());
}

std::int64_t ComplexityIndex(Bitmap& picture, int quality, std::int64_t divisor) {
    if (picture.Format() != PixelFormat::Bits24)
        throw std::invalid_argument("the complexity measure needs a 24-bit picture");
    if (divisor <= 0 || picture.Empty()) return 0;
    const std::int64_t plain = JpegByteSize(picture, quality);
    MeanRemoval(picture, 0);
    const std::int64_t sharpened = JpegByteSize(picture, quality);
    return Scaled(plain, divisor) + Scaled(sharpened, divisor);
}

} // namespace zv
