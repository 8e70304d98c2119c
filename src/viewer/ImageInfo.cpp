#include "viewer/ImageInfo.h"

#include "platform/FileCrc.h"
#include "platform/FileDate.h"

#include <filesystem>

namespace zv {

std::int64_t PictureUses(const Bitmap& picture, int screenBits) {
    const std::int64_t pixels = std::int64_t{picture.Width()} * picture.Height();
    const int bits = picture.Storage() == StorageKind::DDB ? screenBits : picture.BitsPerPixel();
    switch (bits) {
    case 1: return pixels / 8;
    case 4: return pixels / 2;
    default: return pixels * ((bits + 7) / 8);
    }
}

std::string PictureLine(const PictureState& picture, const ImagingContext& imaging) {
    const bool scaled = picture.scaledDecode;
    const std::int32_t width = scaled ? picture.fullWidth : imaging.descriptor.ImageWidth;
    const std::int32_t height = scaled ? picture.fullHeight : imaging.descriptor.ImageHeight;
    std::string line = std::to_string(width) + "x" + std::to_string(height) + "(" +
                       std::to_string(imaging.descriptor.ImageBits) + ")";
    if (scaled) line += " [1:" + std::to_string(picture.jpegScale) + "]";
    line += imaging.current.Storage() == StorageKind::DDB ? " ddb" : " dib";
    return line;
}

ImageInfoText BuildImageInfo(const ImageInfoRequest& request, const PictureState& picture,
                             const ImagingContext& imaging) {
    ImageInfoText info;
    if (request.path.empty() || request.path == "Untitled") return info;
    const std::filesystem::path path(request.path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        info.missing = true;
        info.text = path.filename().string() + " not found.";
        return info;
    }
    std::string text = PictureLine(picture, imaging);
    if (!request.commentText) {
        text += "\nName: " + path.filename().string();
        text += "\nPath: " + path.parent_path().string() + "/";
    }
    text += "\nDate: " + FileDateText(path);
    text += "\nSize: " + std::to_string(std::filesystem::file_size(path, error)) + " bytes";
    if (const auto crc = FileAlbumCrc(path)) text += "\nCRC: " + CrcText(*crc);
    if (picture.pageCount > 1) text += "\nPages: " + std::to_string(picture.pageCount);
    text +=
        "\nUses: " + std::to_string(PictureUses(imaging.current, imaging.descriptor.ScreenBits)) +
        " bytes";
    text += "\nVideo: " + std::to_string(imaging.descriptor.ScreenBits) + " bpp";
    if (!request.photoCdText.empty()) text += "\n" + request.photoCdText;
    info.text = text;
    return info;
}

} // namespace zv
