#include "LayerFiles.h"

#include "formats/GraphicClasses.h"
#include "formats/PSDGraphic.h"
#include "platform/Extensions.h"

#include <stdexcept>

namespace zvtool {

namespace {

LayerPicture ReadPhotoshop(const zv::Bytes& bytes) {
    zv::TPSDGraphic psd;
    psd.LoadFromStream(bytes);
    LayerPicture picture;
    picture.className = psd.ClassName();
    picture.pixels = psd.Pixels();
    picture.bits = picture.pixels.BitsPerPixel();
    picture.formatName = "Photoshop " + std::to_string(psd.Header().bitsPerSample) + "-bit";
    picture.xDpi = zv::PixelsPerMetreToDpi(psd.Info().xPixelsPerMetre);
    picture.yDpi = zv::PixelsPerMetreToDpi(psd.Info().yPixelsPerMetre);
    return picture;
}

} // namespace

LayerPicture ReadLayerPicture(const std::filesystem::path& path, int page) {
    const zv::Bytes bytes = zv::ReadWholeFile(path);
    const std::string extension = zv::UpperExtension(path.string());
    if (extension == ".PSD" || zv::TPSDGraphic::CanRead(bytes)) return ReadPhotoshop(bytes);

    LayerPicture picture;
    picture.image = zv::NewGraphicForExtension(extension);
    if (!picture.image)
        throw std::runtime_error("no reader for " + path.string() + " (extension \"" +
                                 extension + "\")");
    picture.pages = picture.image->ImageCount(bytes);
    if (page < 1 || page > picture.pages)
        throw std::runtime_error(path.string() + " has " + std::to_string(picture.pages) +
                                 " page(s), not page " + std::to_string(page));
    picture.image->imageToRead = page;
    picture.image->LoadFromStream(bytes);
    picture.className = picture.image->ClassName();
    picture.formatName = zv::ImageFormatName(picture.image->Format());
    picture.bits = picture.image->Bits();
    picture.xDpi = picture.image->XDpi();
    picture.yDpi = picture.image->YDpi();
    return picture;
}

} // namespace zvtool
