#include "library/FaxQuality.h"

#include "platform/LittleEndian.h"

namespace zv {

ImgHandle FaxGreyCopy(ImageLibrary& library, ImgHandle page, int quality) {
    if (quality < 1 || quality > 3) return 0;
    std::array<std::uint8_t, 40> header{};
    if (!library.ImgGetInfoStruct(page, header)) return 0;
    const auto width = static_cast<std::int32_t>(GetLittle32(header.data() + 4));
    const auto height = static_cast<std::int32_t>(GetLittle32(header.data() + 8));
    const int depth = GetLittle16(header.data() + 12) * GetLittle16(header.data() + 14);
    if (depth != 1) return 0;
    const FaxCopy copy = FaxCopyFor(width, height, quality);
    if (copy.width < 1 || copy.height < 1) return 0;
    return library.ImgCopy(page, copy.width, copy.height, &copy.source, kCopyGreyAverage);
}

} // namespace zv
