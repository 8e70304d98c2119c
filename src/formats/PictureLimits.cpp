#include "formats/PictureLimits.h"

#include "imaging/Bitmap.h"

namespace zv {

void CheckPictureBytes(std::int64_t width, std::int64_t height, int bitsPerPixel) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width <= 0 || height <= 0 || width > 0x7fffffff || height > 0x7fffffff)
        throw EPictureSizeError("Corrupt image data: a picture of " + size + " pixels.", false);
    // The stride is below 2^37 and the height below 2^31, so compare by division.
    if (RowStride(width, bitsPerPixel) > kMaxPictureBytes / height)
        throw EPictureSizeError("Picture too large: " + size + " pixels at " +
                                    std::to_string(bitsPerPixel) + " bits per pixel.",
                                true);
}

} // namespace zv
