// The loader's routes: how each kind of file becomes the current picture.

#include "formats/BmpGraphic.h"
#include "formats/IconGraphic.h"
#include "formats/PSDGraphic.h"
#include "formats/PcxGraphic.h"
#include "formats/PictureLists.h"
#include "formats/PngGraphic.h"
#include "formats/TgaGraphic.h"
#include "imaging/MemoryCheck.h"
#include "imaging/PackedDib.h"
#include "library/FaxQuality.h"
#include "platform/Extensions.h"
#include "viewer/PictureLoader.h"

namespace zv {

namespace {
constexpr int kPaletteColours = 236;
constexpr int kOptimalDithered = kReduceOptimal | kReduceDiffuse;
} // namespace

bool PictureLoader::AssignPicture(const Bitmap& picture, int bits) {
    ImagingContext& imaging = services_.imaging;
    {
        std::lock_guard surface(imaging.current.Surface());
        imaging.current = picture;
        imaging.current.SetStorage(StorageKind::DIB);
    }
    SetDescriptor(picture.Width(), picture.Height(), bits);
    lastRoute = "layer";
    return !imaging.current.Empty();
}

bool PictureLoader::BringInThroughLibrary(ImgHandle handle, bool refresh) {
    if (!handle) {
        services_.library.ImgErrBox(services_.dialogs);
        return false;
    }
    services_.imaging.LibraryHandle = handle;
    lastRoute = "library";
    return LibraryImageToBitmap(exchange_, refresh, false);
}

bool PictureLoader::BringInPacked(const Bitmap& picture) {
    return BringInThroughLibrary(services_.library.ImgFromDIB(BuildPackedDib(picture)), true);
}

// On an 8-bit display with Auto Reduce a true-colour picture is held at 236 colours.
void PictureLoader::ReduceForPaletteDisplay() {
    if (!PaletteDisplayWithReduce()) return;
    const ImgHandle handle = BitmapToLibraryImage(exchange_);
    if (!handle) return;
    const ImgHandle reduced =
        services_.library.ImgReduceColors(handle, kPaletteColours, kOptimalDithered);
    services_.library.ImgClose(handle);
    BringInThroughLibrary(reduced, true);
}

bool PictureLoader::LoadPictureFile(bool useLibrary, int page) {
    if (!useLibrary && !TiffNeedsLibrary) CloseLibraryImage();
    const std::optional<FormatId> format = RouteFormatOf(currentPath);
    if (!format) return false;
    try {
        switch (*format) {
        case FormatId::Dcx:
        case FormatId::FlashPix: return useLibrary && LoadThroughLibrary(page);
        case FormatId::Tiff:
            return TiffNeedsLibrary ? useLibrary && LoadThroughLibrary(page) : LoadTiff();
        case FormatId::Bmp: return LoadBmp();
        case FormatId::Tga: return LoadTga();
        case FormatId::Png: return LoadPng();
        case FormatId::Pcx: return LoadPcx();
        case FormatId::Psd: return LoadPsd();
        case FormatId::Ico: return LoadIcon(page);
        default: return false;
        }
    } catch (const std::exception& error) {
        services_.dialogs.Error(error.what());
    }
    return false;
}

bool PictureLoader::LoadBmp() {
    ImagingContext& imaging = services_.imaging;
    ClearBitmap(imaging.current);
    const bool direct =
        ImageByteSize(imaging.descriptor, imaging.autoReduce) > kLibraryMemoryLimit ||
        imaging.descriptor.ImageBits == 4;
    if (direct) {
        services_.host.DiscardUndo();
        CloseLibraryImage();
        ClearBitmap(imaging.ScratchBitmap);
        ClearBitmap(imaging.BackupBitmap);
        try {
            TBmpGraphic reader;
            reader.keepAlpha = true; // shown over a checkerboard
            reader.LoadFromFile(currentPath);
            Bitmap picture;
            reader.AssignTo(picture);
            return AssignPicture(picture, reader.Bits());
        } catch (const std::exception&) {
        }
    }
    if (BmpHasAlphaMask(currentPath)) {
        TBmpGraphic reader; // the library would drop the alpha
        reader.keepAlpha = true;
        return LoadLayerPicture(reader);
    }
    const ImgHandle handle = services_.library.ImgOpenSolo(currentPath, 0);
    if (handle) {
        if (PaletteDisplayWithReduce()) {
            const ImgHandle reduced =
                services_.library.ImgReduceColors(handle, kPaletteColours, kOptimalDithered);
            services_.library.ImgClose(handle);
            return BringInThroughLibrary(reduced, true);
        }
        return BringInThroughLibrary(handle, false);
    }
    TBmpGraphic reader;
    reader.LoadFromFile(currentPath);
    Bitmap picture;
    reader.AssignTo(picture);
    const bool loaded = reader.Bits() == 24 ? AssignPicture(picture, 24) : BringInPacked(picture);
    ReduceForPaletteDisplay();
    return loaded;
}

// A picture the layer reads: true colour held as it is, fewer colours
// through the library.
bool PictureLoader::LoadLayerPicture(TDibGraphic& reader) {
    reader.LoadFromFile(currentPath);
    Bitmap picture;
    reader.AssignTo(picture);
    if (reader.Bits() != 24) return BringInPacked(picture);
    const bool loaded = AssignPicture(picture, 24);
    ReduceForPaletteDisplay();
    return loaded;
}

bool PictureLoader::LoadTga() {
    TTgaGraphic reader;
    reader.keepAlpha = true; // shown over a checkerboard
    return LoadLayerPicture(reader);
}

// One image of an icon or cursor file: page 0 is the largest, deepest.
bool PictureLoader::LoadIcon(int page) {
    TIconGraphic reader;
    reader.imageToRead = page + 1;
    const bool loaded = LoadLayerPicture(reader);
    currentPage = page;
    if (reader.Damaged()) services_.host.SetStatusText(kDamagedJpegText);
    return loaded;
}

bool PictureLoader::LoadPng() {
    TPngGraphic reader;
    reader.backgroundColour = services_.settings.backColour;
    reader.keepAlpha = true; // shown over a checkerboard
    try {
        reader.LoadFromFile(currentPath);
    } catch (const std::exception&) {
        services_.host.ShowEmptyPicture();
        return false;
    }
    Bitmap picture;
    reader.AssignTo(picture);
    SetDescriptor(reader.Width(), reader.Height(), reader.Bits());
    if (reader.HasAlpha()) return AssignPicture(picture, 24);
    if (reader.Bits() == 24 && reader.Width() > 128 && reader.Height() > 128)
        return AssignPicture(picture, 24);
    if (reader.Bits() == 24) return BringInPacked(picture);
    // Palette and grey pictures reach the library as an uncompressed TIFF in memory.
    TTiffGraphic writer;
    writer.Assign(reader);
    writer.SetCompression(TiffCompression::None);
    Bytes stream;
    writer.SaveToStream(stream);
    return BringInThroughLibrary(services_.library.ImgOpenMem(stream, "TIF"), true);
}

bool PictureLoader::LoadPcx() {
    TPcxGraphic reader;
    reader.LoadFromFile(currentPath);
    if (services_.imaging.descriptor.ScreenBits <= 8 || reader.Bits() <= 8) {
        const ImgHandle handle = services_.library.ImgOpenSolo(currentPath, 0);
        if (handle && PaletteDisplayWithReduce()) {
            const ImgHandle reduced =
                services_.library.ImgReduceColors(handle, kPaletteColours, kOptimalDithered);
            services_.library.ImgClose(handle);
            return BringInThroughLibrary(reduced, true);
        }
        return BringInThroughLibrary(handle, true);
    }
    Bitmap picture;
    reader.AssignTo(picture);
    return AssignPicture(picture, 24);
}

bool PictureLoader::LoadPsd() {
    TPSDGraphic reader;
    reader.LoadFromFile(currentPath);
    const int bits = reader.Pixels().BitsPerPixel() > 8 ? 24 : reader.Pixels().BitsPerPixel();
    Bitmap picture = reader.Pixels();
    if (picture.Format() == PixelFormat::Bits32) picture.SetPixelFormat(PixelFormat::Bits24);
    const bool loaded = AssignPicture(picture, bits);
    ReduceForPaletteDisplay();
    return loaded;
}

bool PictureLoader::LoadTiff() {
    std::unique_ptr<TTiffGraphic> reader;
    if (probedTiff_ && probedTiffPath_ == currentPath) {
        reader = std::move(probedTiff_); // the probe read the whole picture already
    } else {
        reader = std::make_unique<TTiffGraphic>();
        reader->LoadFromFile(currentPath);
    }
    Bitmap picture;
    reader->AssignTo(picture);
    const bool loaded = reader->Bits() == 24 ? AssignPicture(picture, 24) : BringInPacked(picture);
    ReduceForPaletteDisplay();
    return loaded;
}

bool PictureLoader::EnsureLibraryImage(int page) {
    ImagingContext& imaging = services_.imaging;
    ImageLibrary& library = services_.library;
    const bool flashPix = RouteFormatOf(currentPath) == FormatId::FlashPix;
    if (!imaging.LibraryHandle) {
        imaging.LibraryHandle = library.ImgOpenSolo(currentPath, 0);
        if (!imaging.LibraryHandle) return false;
        pageCount = std::max(1, library.ImgPageCount(imaging.LibraryHandle));
        page = flashPix ? std::max(0, pageCount - 2) : 0;
    } else if (flashPix && page == 0) {
        page = 1;
    }
    if (!library.ImgSetPage(imaging.LibraryHandle, page)) return false;
    currentPage = page;
    return true;
}

bool PictureLoader::LoadThroughLibrary(int page) {
    ImagingContext& imaging = services_.imaging;
    ImageLibrary& library = services_.library;
    if (!EnsureLibraryImage(page)) {
        library.ImgErrBox(services_.dialogs);
        return false;
    }
    lastRoute = "library";
    if (services_.settings.faxQuality != 0 && imaging.descriptor.ImageBits == 1) {
        const ImgHandle original = imaging.LibraryHandle;
        if (const ImgHandle grey = FaxGreyCopy(library, original, services_.settings.faxQuality)) {
            imaging.LibraryHandle = grey;
            const bool loaded = LibraryImageToBitmap(exchange_, true, false);
            imaging.LibraryHandle = original;
            return loaded;
        }
        library.ImgErrBox(services_.dialogs);
    }
    return LibraryImageToBitmap(exchange_, true, true) && imaging.descriptor.ImageBits != 0;
}

bool PictureLoader::LoadPhotoCd() {
    const PcdImport imported =
        ImportPCD(services_.photoCd, currentPath, services_.settings.photoCdStep,
                  services_.host.SlideshowRunning());
    SetDescriptor(imported.width, imported.height, 24);
    lastRoute = "photo cd";
    return BringInThroughLibrary(services_.library.ImgFromDIB(imported.packedDib), true);
}

} // namespace zv
