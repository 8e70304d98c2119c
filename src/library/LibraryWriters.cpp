#include "library/LibraryWriters.h"

#include "formats/BmpGraphic.h"
#include "formats/PcxGraphic.h"
#include "formats/PngGraphic.h"
#include "formats/TgaGraphic.h"
#include "formats/TiffGraphic.h"
#include "library/LibraryJpeg.h"
#include "platform/linux/AtomicFile.h"

#include <algorithm>
#include <cctype>
#include <new>

namespace zv {

namespace {

const PaletteEntry kBlack{0, 0, 0, 0};
const PaletteEntry kWhite{255, 255, 255, 0};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Targa files hold 8 or 24 bits: 1- and 4-bit pictures are widened to one
// byte a pixel on the same palette.
Bitmap WidenToBits8(const Bitmap& picture) {
    Bitmap wide;
    wide.Create(picture.Width(), picture.Height(), PixelFormat::Bits8);
    wide.SetPalette(picture.Colours());
    const bool oneBit = picture.Format() == PixelFormat::Bits1;
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* source = picture.ScanLine(y);
        std::uint8_t* target = wide.ScanLine(y);
        if (oneBit)
            for (std::int32_t x = 0; x < picture.Width(); ++x)
                target[x] = static_cast<std::uint8_t>((source[x >> 3] >> (7 - (x & 7))) & 1);
        else
            for (std::int32_t x = 0; x < picture.Width(); ++x)
                target[x] = static_cast<std::uint8_t>((source[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
    }
    return wide;
}

template <typename Graphic>
void WriteThroughLayer(const std::string& path, const Bitmap& picture, const LibraryImage& image) {
    Graphic graphic;
    graphic.Assign(picture, image.xDpi, image.yDpi);
    graphic.SaveToFile(path);
}

void WriteTarga(const std::string& path, const Bitmap& picture, const LibraryImage& image) {
    const bool narrow =
        picture.Format() == PixelFormat::Bits1 || picture.Format() == PixelFormat::Bits4;
    WriteThroughLayer<TTgaGraphic>(path, narrow ? WidenToBits8(picture) : picture, image);
}

// 1-bit pictures go out as fax pages, which know only black and white; any
// other two colours are kept by writing a palette page instead.
void WriteTiff(const std::string& path, const Bitmap& picture, const LibraryImage& image) {
    TTiffGraphic tiff;
    tiff.Assign(picture, image.xDpi, image.yDpi);
    const Palette& colours = picture.Colours();
    const bool blackAndWhite =
        colours.size() == 2 && ((colours[0] == kBlack && colours[1] == kWhite) ||
                                (colours[0] == kWhite && colours[1] == kBlack));
    if (picture.Format() == PixelFormat::Bits1 && !blackAndWhite)
        tiff.SetCompression(TiffCompression::Packbits);
    tiff.SaveToFile(path);
}

void WriteJpeg(const std::string& path, const Bitmap& picture, const LibraryImage& image) {
    const Bytes bytes = EncodeJpeg(picture, kDefaultJpegQuality, image.xDpi, image.yDpi);
    WriteFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void WriteByType(const std::string& path, const std::string& type, const LibraryImage& image) {
    const Bitmap& picture = image.Picture();
    if (type == "bmp" || type == "dib") return WriteThroughLayer<TBmpGraphic>(path, picture, image);
    if (type == "pcx") return WriteThroughLayer<TPcxGraphic>(path, picture, image);
    if (type == "tga") return WriteTarga(path, picture, image);
    if (type == "png") return WriteThroughLayer<TPngGraphic>(path, picture, image);
    if (type == "tif" || type == "tiff") return WriteTiff(path, picture, image);
    if (type == "jpg" || type == "jpeg") return WriteJpeg(path, picture, image);
    throw ELibraryError(kImgUnsupported, "Cannot write pictures of type \"" + type + "\".");
}

} // namespace

void WritePicture(const std::string& path, const std::string& type, const LibraryImage& image) {
    if (path.empty()) throw ELibraryError(kImgCannotWrite, "Cannot write a file without a name.");
    if (image.Picture().Empty())
        throw ELibraryError(kImgBadArgument, "There is no picture to write.");
    std::string kind = Lower(type);
    if (!kind.empty() && kind.front() == '.') kind.erase(0, 1);
    try {
        WriteByType(path, kind, image);
    } catch (const ELibraryError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw ELibraryError(kImgNoMemory, "Not enough memory to write " + path + ".");
    } catch (const std::exception& error) {
        throw ELibraryError(kImgCannotWrite, "Cannot write file " + path + ": " + error.what());
    }
}

} // namespace zv
