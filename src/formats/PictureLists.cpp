#include "formats/PictureLists.h"

namespace zv {

bool IsJpegExtension(const std::string& upperExtension) {
    return upperExtension.find(".JP") != std::string::npos;
}

} // namespace zv
