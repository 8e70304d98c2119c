#include "formats/PictureLists.h"

#include "platform/Extensions.h"

namespace zv {

OwnFileKind OwnFileKindOf(std::string_view path) {
    const std::string extension = UpperExtension(path);
    if (extension == kArchiveExtensions) return OwnFileKind::Archive;
    if (extension == kAlbumScriptExtensions) return OwnFileKind::AlbumScript;
    if (extension == ".AVC") return OwnFileKind::AlbumCatalog;
    if (extension == ".ZVP") return OwnFileKind::PictureList;
    if (extension == kBatchScriptExtensions) return OwnFileKind::BatchScript;
    return OwnFileKind::None;
}

bool IsJpegExtension(const std::string& upperExtension) {
    return upperExtension.find(".JP") != std::string::npos;
}

} // namespace zv
