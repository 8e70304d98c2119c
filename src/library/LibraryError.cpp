#include "library/LibraryError.h"

namespace zv {

void CheckPictureSize(std::int64_t width, std::int64_t height, int bitsPerPixel) {
    try {
        CheckPictureBytes(width, height, bitsPerPixel);
    } catch (const EPictureSizeError& error) {
        throw ELibraryError(error.TooLarge() ? kImgNoMemory : kImgCorrupt, error.what());
    }
}

} // namespace zv
