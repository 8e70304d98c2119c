#include "formats/GbmCodec.h"

#include "imaging/PixelConvert.h"

#include <fstream>

namespace zv::gbm {

void Fail(const char* message, const std::string& reason) {
    throw ECodecError(message, reason);
}

void CheckStorage(std::int64_t width, std::int64_t height, int bits, std::int64_t fillable) {
    const std::int64_t stride = RowStride(width, bits);
    if (height > kMostImageBytes / stride)
        Fail(kReadDataFailed, "the picture would need more than 1 GiB");
    if (stride * height > fillable)
        Fail(kReadDataFailed, "the picture is larger than its data can fill");
}

Bytes ReadHead(const std::filesystem::path& path, std::size_t maxBytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail(kReadHeaderFailed, "cannot open " + path.string());
    Bytes head(maxBytes);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(maxBytes));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head;
}

int Brightness(const PaletteEntry& entry) {
    return 299 * entry.red + 587 * entry.green + 114 * entry.blue;
}

void Put555(std::uint16_t pixel, std::uint8_t* bgr) {
    bgr[0] = WidenChannel(pixel & 0x1F, 5);
    bgr[1] = WidenChannel((pixel >> 5) & 0x1F, 5);
    bgr[2] = WidenChannel((pixel >> 10) & 0x1F, 5);
}

} // namespace zv::gbm
