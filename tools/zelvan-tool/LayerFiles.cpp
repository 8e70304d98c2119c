#include "LayerFiles.h"

#include "formats/GraphicClasses.h"
#include "formats/PSDGraphic.h"
#include "imaging/PackedDib.h"
#include "library/FaxQuality.h"
#include "library/ImageLibrary.h"
#include "library/PhotoCd.h"
#include "platform/Extensions.h"

#include <stdexcept>

namespace zvtool {

namespace {

// What the format layer leaves to the library.
constexpr const char* kLibraryExtensions = ".DCX.JPG.JPEG.JPE.JFIF";

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

LayerPicture ReadPhotoCd(const std::filesystem::path& path) {
    zv::PhotoCdLibrary library;
    const zv::PcdImport imported = zv::ImportPCD(library, path.string(), zv::kPcdDefaultStep, true);
    LayerPicture picture;
    picture.className = "PhotoCd";
    picture.pixels = zv::ParsePackedDib(imported.packedDib.data(), imported.packedDib.size());
    picture.bits = 24;
    picture.formatName = "Photo CD step " + std::to_string(imported.step);
    return picture;
}

std::string PageCountText(int pages, int page) {
    return std::to_string(pages) + " page(s), not page " + std::to_string(page);
}

LayerPicture ReadThroughLibrary(const std::filesystem::path& path, const ReadOptions& options) {
    zv::ImageLibrary library;
    library.ImgInit();
    const zv::ImgHandle handle = library.ImgOpenSolo(path.string(), 0);
    if (!handle) throw std::runtime_error(path.string() + ": " + library.LastError());
    LayerPicture picture;
    picture.pages = library.ImgPageCount(handle);
    if (!library.ImgSetPage(handle, options.page - 1))
        throw std::runtime_error(path.string() + " has " +
                                 PageCountText(picture.pages, options.page));
    zv::ImgHandle shown = handle;
    if (const zv::ImgHandle grey = zv::FaxGreyCopy(library, handle, options.faxQuality))
        shown = grey;
    const zv::LibraryImage* image = library.Image(shown);
    picture.className = "ImageLibrary";
    picture.pixels = image->Picture();
    picture.bits = picture.pixels.BitsPerPixel();
    picture.formatName =
        zv::UpperExtension(path.string()).substr(1) + " page " + std::to_string(options.page);
    picture.xDpi = image->xDpi;
    picture.yDpi = image->yDpi;
    return picture;
}

LayerPicture ReadThroughLayer(const std::filesystem::path& path, const zv::Bytes& bytes,
                              const ReadOptions& options) {
    LayerPicture picture;
    picture.image = zv::NewGraphicForExtension(zv::UpperExtension(path.string()));
    picture.pages = picture.image->ImageCount(bytes);
    if (options.page < 1 || options.page > picture.pages)
        throw std::runtime_error(path.string() + " has " +
                                 PageCountText(picture.pages, options.page));
    picture.image->imageToRead = options.page;
    picture.image->LoadFromStream(bytes);
    picture.className = picture.image->ClassName();
    picture.formatName = zv::ImageFormatName(picture.image->Format());
    picture.bits = picture.image->Bits();
    picture.xDpi = picture.image->XDpi();
    picture.yDpi = picture.image->YDpi();
    return picture;
}

bool IsTiff(const std::string& extension) {
    return extension == ".TIF" || extension == ".TIFF";
}

} // namespace

LayerPicture ReadLayerPicture(const std::filesystem::path& path, const ReadOptions& options) {
    const std::string extension = zv::UpperExtension(path.string());
    if (extension == ".PCD") return ReadPhotoCd(path);
    if (zv::ExtensionIn(extension, kLibraryExtensions)) return ReadThroughLibrary(path, options);

    const zv::Bytes bytes = zv::ReadWholeFile(path);
    if (extension == ".PSD" || zv::TPSDGraphic::CanRead(bytes)) return ReadPhotoshop(bytes);
    if (!zv::NewGraphicForExtension(extension))
        throw std::runtime_error("no reader for " + path.string() + " (extension \"" + extension +
                                 "\")");
    if (!IsTiff(extension)) return ReadThroughLayer(path, bytes, options);

    // TIFF: the layer reads what it can; fax pages in grey and what it
    // refuses (LZW and the like) go through the library.
    try {
        LayerPicture picture = ReadThroughLayer(path, bytes, options);
        if (options.faxQuality == 0 || picture.bits != 1) return picture;
    } catch (const std::exception&) {
    }
    return ReadThroughLibrary(path, options);
}

} // namespace zvtool
