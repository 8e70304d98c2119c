#include "LayerFiles.h"

#include "platform/Extensions.h"
#include "viewer/PictureSave.h"

namespace zvtool {

zv::DecodedPicture OpenPicture(const std::string& path, zv::ImagingContext& imaging, int page,
                               const zv::DecodeOptions& options) {
    zv::DecodedPicture picture = zv::DecodeFile(path, page, options);
    zv::Bitmap& current = imaging.current;
    current = std::move(picture.pixels);
    // Alpha stays only when it was asked for.
    if (current.Format() == zv::PixelFormat::Bits32 && !(options.keepAlpha && current.HasAlpha()))
        current.SetPixelFormat(zv::PixelFormat::Bits24);
    imaging.descriptor.ImageWidth = current.Width();
    imaging.descriptor.ImageHeight = current.Height();
    imaging.descriptor.ImageBits = zv::ImageBitsOf(current.Format());
    return picture;
}

std::optional<int> SaveTypeForFile(const std::string& path) {
    // The names "Save as" gives its types, whole entries only (".JPE" is not one).
    constexpr std::string_view kSaveExtensions = ".BMP.PCX.PNG.JPG.JPEG.TGA.TIF.TIFF.";
    const std::string extension = zv::UpperExtension(path);
    const zv::FormatRow* row = zv::FormatForExtension(extension);
    if (!row || kSaveExtensions.find(extension + ".") == std::string_view::npos)
        return std::nullopt;
    switch (row->id) {
    case zv::FormatId::Bmp: return zv::kSaveBmp;
    case zv::FormatId::Pcx: return zv::kSavePcx;
    case zv::FormatId::Png: return zv::kSavePng;
    case zv::FormatId::Jpeg: return zv::kSaveJpegColour;
    case zv::FormatId::Tga: return zv::kSaveTga;
    case zv::FormatId::Tiff: return zv::kSaveTiff;
    default: return std::nullopt;
    }
}

} // namespace zvtool
