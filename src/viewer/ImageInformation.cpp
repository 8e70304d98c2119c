#include "viewer/ImageInformation.h"

#include "platform/FileCrc.h"

namespace zv {

std::string ImageSizeLine(const ImageInformation& info) {
    std::string line = std::to_string(info.width) + "x" + std::to_string(info.height) + "(" +
                       std::to_string(info.imageBits) + ")";
    if (info.scaledDecode) line += " [1:" + std::to_string(info.jpegScale) + "]";
    line += info.deviceStorage ? " ddb" : " dib";
    return line;
}

std::string ImageInformationText(const ImageInformation& info, bool withNameAndPath) {
    std::string text = ImageSizeLine(info);
    if (withNameAndPath) text += "\nName: " + info.name + "\nPath: " + info.path;
    text += "\nDate: " + info.date;
    text += "\nSize: " + std::to_string(info.fileSize) + " bytes";
    text += "\nCRC: " + (info.crc ? CrcText(*info.crc) : std::string("?"));
    if (info.pages > 1) text += "\nPages: " + std::to_string(info.pages);
    text += "\nUses: " + std::to_string(info.usesBytes) + " bytes";
    text += "\nVideo: " + std::to_string(info.screenBits) + " bpp";
    return text;
}

std::int64_t PictureMemoryBytes(std::int64_t width, std::int64_t height, int bits) {
    const std::int64_t pixels = width * height;
    switch (bits) {
    case 1: return pixels / 8;
    case 4: return pixels / 2;
    default: return pixels * ((bits + 7) / 8);
    }
}

} // namespace zv
