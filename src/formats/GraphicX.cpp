#include "formats/GraphicX.h"

#include "formats/DibGraphic.h"
#include "formats/GraphicErrors.h"

namespace zv {

void TGraphicX::LoadFromFile(const std::filesystem::path& path) {
    const Bytes bytes = ReadWholeFile(path);
    Load(bytes);
}

void TGraphicX::ResetInfo() {
    info_ = InfoBlock{};
    scaleFactor_ = 1.0;
}

void TGraphicX::NewPicture(std::int32_t width, std::int32_t height) {
    const std::optional<PixelFormat> format = converter_.TargetPixelFormat();
    if (!format) throw EColorConversionError("Color conversion failed.");
    picture_.Create(width, height, *format);
}

} // namespace zv
