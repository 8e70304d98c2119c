#include "formats/FaxGrey.h"

#include "formats/PictureLimits.h"
#include "formats/Scaling.h"

#include <cstdint>

namespace zv {

FaxCopy FaxCopyFor(int width, int height, int quality) {
    const int w = (width - 1) / 8 * 8;
    const int h = (height - 1) / 8 * 8;
    FaxCopy copy{{0, 0, w, h}, w, h};
    switch (quality) {
    case 1:
        copy.width = w / 2;
        copy.height = h / 2;
        break;
    case 2:
        copy.width = static_cast<int>(std::int64_t{w} * 3333 / 10000);
        copy.height = static_cast<int>(std::int64_t{h} * 3333 / 10000);
        break;
    case 3:
        copy.width = w / 4;
        copy.height = h / 4;
        break;
    default: break;
    }
    return copy;
}

Bitmap FaxGreyPicture(const Bitmap& page, int quality) {
    if (quality < 1 || quality > 3 || page.Format() != PixelFormat::Bits1) return {};
    const FaxCopy copy = FaxCopyFor(page.Width(), page.Height(), quality);
    if (copy.width < 1 || copy.height < 1) return {};
    CheckPictureBytes(copy.width, copy.height, 24);
    const SourceRect rect{copy.source[0], copy.source[1], copy.source[2], copy.source[3]};
    return ScalePicture(page, copy.width, copy.height, rect, kCopyGreyAverage);
}

} // namespace zv
