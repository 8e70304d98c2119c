// JPEG pictures: decoded through the library until the shared reader takes over.

#include "formats/loading/PictureLoader.h"

namespace zv {

bool PictureLoader::LoadJpeg() {
    const ImgHandle handle = services_.library.ImgOpenSolo(currentPath, 0);
    if (!handle) {
        jpegError = true;
        return false;
    }
    return BringInThroughLibrary(handle, true);
}

} // namespace zv
