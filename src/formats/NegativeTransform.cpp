#include "formats/NegativeTransform.h"

#include "formats/DibGraphic.h"

namespace zv {

namespace {

void InvertRows(TDibGraphic& image, const std::function<void(int)>& onProgress) {
    const std::int64_t rowBytes = (std::int64_t{image.Width()} * image.Bits() + 7) / 8;
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        std::uint8_t* row = image.ScanLine(y);
        for (std::int64_t i = 0; i < rowBytes; ++i) row[i] = static_cast<std::uint8_t>(~row[i]);
        if (onProgress) onProgress(static_cast<int>((std::int64_t{y} + 1) * 100 / image.Height()));
    }
}

void InvertPalette(TDibGraphic& image) {
    Palette palette = image.Colours();
    for (PaletteEntry& entry : palette) {
        entry.red = static_cast<std::uint8_t>(255 - entry.red);
        entry.green = static_cast<std::uint8_t>(255 - entry.green);
        entry.blue = static_cast<std::uint8_t>(255 - entry.blue);
    }
    image.SetPalette(palette);
}

} // namespace

void TNegativeTransform::ApplyOnImage(TDibGraphic& image) const {
    if (onProgress) onProgress(0);
    if (image.Empty()) {
        if (onProgress) onProgress(100);
        return;
    }
    switch (image.Format()) {
    case ImageFormat::BW:
    case ImageFormat::Gray4:
    case ImageFormat::Gray8:
    case ImageFormat::Color24: InvertRows(image, onProgress); break;
    case ImageFormat::Color4:
    case ImageFormat::Color8: InvertPalette(image); break;
    }
    if (onProgress) onProgress(100);
}

void TNegativeTransform::ApplyOnDest(const TDibGraphic&, TDibGraphic&) const {
    throw EInvalidGraphic(FormatMessage("Method %s not implemented for %s class", "\"ApplyOnDest\"",
                                        "TNegativeTransform"));
}

} // namespace zv
