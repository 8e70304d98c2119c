#include "processing/Border.h"

#include "processing/AnyDepthPixels.h"

namespace zv {

void MergeBorder_TopBot(Bitmap& picture, std::uint32_t colour, std::int32_t top,
                        std::int32_t bottom) {
    const std::int32_t w = picture.Width(), h = picture.Height();
    PixelWriter writer(picture);
    writer.Fill({0, 0, w, top}, ColourOfRef(colour));
    writer.Fill({0, h - bottom, w, h}, ColourOfRef(colour));
}

void MergeBorder(Bitmap& picture, std::uint32_t colour, std::int32_t width, std::int32_t height) {
    MergeBorder_TopBot(picture, colour, height, height);
    const std::int32_t w = picture.Width(), h = picture.Height();
    PixelWriter writer(picture);
    writer.Fill({0, 0, width, h}, ColourOfRef(colour));
    writer.Fill({w - width, 0, w, h}, ColourOfRef(colour));
}

} // namespace zv
