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

bool PictureLoader::AssignPicture(PictureState& state, const Bitmap& picture, int bits) {
    ImagingContext& imaging = services_.imaging;
    {
        std::lock_guard surface(imaging.current.Surface());
        imaging.current = picture;
        imaging.current.SetStorage(StorageKind::DIB);
    }
    SetDescriptor(picture.Width(), picture.Height(), bits);
    state.route = "layer";
    return !imaging.current.Empty();
}

bool PictureLoader::BringInThroughLibrary(PictureState& state, ImgHandle handle, bool refresh) {
    if (!handle) {
        services_.library.ImgErrBox(services_.dialogs);
        return false;
    }
    services_.imaging.LibraryHandle = handle;
    state.route = "library";
    return LibraryImageToBitmap(exchange_, refresh, false);
}

bool PictureLoader::BringInPacked(PictureState& state, const Bitmap& picture) {
    return BringInThroughLibrary(state, services_.library.ImgFromDIB(BuildPackedDib(picture)),
                                 true);
}

// On an 8-bit display with Auto Reduce a true-colour picture is held at 236 colours.
void PictureLoader::ReduceForPaletteDisplay(PictureState& state) {
    if (!PaletteDisplayWithReduce()) return;
    const ImgHandle handle = BitmapToLibraryImage(exchange_);
    if (!handle) return;
    const ImgHandle reduced =
        services_.library.ImgReduceColors(handle, kPaletteColours, kOptimalDithered);
    services_.library.ImgClose(handle);
    BringInThroughLibrary(state, reduced, true);
}

bool PictureLoader::LoadPictureFile(PictureState& state, bool useLibrary, int page) {
    if (!useLibrary && !tiffNeedsLibrary_) CloseLibraryImage();
    const std::optional<FormatId> format = RouteFormatOf(state.path);
    if (!format) return false;
    try {
        switch (*format) {
        case FormatId::Dcx:
        case FormatId::FlashPix: return useLibrary && LoadThroughLibrary(state, page);
        case FormatId::Tiff:
            return tiffNeedsLibrary_ ? useLibrary && LoadThroughLibrary(state, page)
                                     : LoadTiff(state);
        case FormatId::Bmp: return LoadBmp(state);
        case FormatId::Tga: return LoadTga(state);
        case FormatId::Png: return LoadPng(state);
        case FormatId::Pcx: return LoadPcx(state);
        case FormatId::Psd: return LoadPsd(state);
        case FormatId::Ico: return LoadIcon(state, page);
        default: return false;
        }
    } catch (const std::exception& error) {
        services_.dialogs.Error(error.what());
    }
    return false;
}

bool PictureLoader::LoadBmp(PictureState& state) {
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
            reader.LoadFromFile(state.path);
            Bitmap picture;
            reader.AssignTo(picture);
            return AssignPicture(state, picture, reader.Bits());
        } catch (const std::exception&) {
        }
    }
    if (BmpHasAlphaMask(state.path)) {
        TBmpGraphic reader; // the library would drop the alpha
        reader.keepAlpha = true;
        return LoadLayerPicture(state, reader);
    }
    const ImgHandle handle = services_.library.ImgOpenSolo(state.path, 0);
    if (handle) {
        if (PaletteDisplayWithReduce()) {
            const ImgHandle reduced =
                services_.library.ImgReduceColors(handle, kPaletteColours, kOptimalDithered);
            services_.library.ImgClose(handle);
            return BringInThroughLibrary(state, reduced, true);
        }
        return BringInThroughLibrary(state, handle, false);
    }
    TBmpGraphic reader;
    reader.LoadFromFile(state.path);
    Bitmap picture;
    reader.AssignTo(picture);
    const bool loaded =
        reader.Bits() == 24 ? AssignPicture(state, picture, 24) : BringInPacked(state, picture);
    ReduceForPaletteDisplay(state);
    return loaded;
}

// A picture the layer reads: true colour held as it is, fewer colours
// through the library.
bool PictureLoader::LoadLayerPicture(PictureState& state, TDibGraphic& reader) {
    reader.LoadFromFile(state.path);
    Bitmap picture;
    reader.AssignTo(picture);
    if (reader.Bits() != 24) return BringInPacked(state, picture);
    const bool loaded = AssignPicture(state, picture, 24);
    ReduceForPaletteDisplay(state);
    return loaded;
}

bool PictureLoader::LoadTga(PictureState& state) {
    TTgaGraphic reader;
    reader.keepAlpha = true; // shown over a checkerboard
    return LoadLayerPicture(state, reader);
}

// One image of an icon or cursor file: page 0 is the largest, deepest.
bool PictureLoader::LoadIcon(PictureState& state, int page) {
    TIconGraphic reader;
    reader.imageToRead = page + 1;
    const bool loaded = LoadLayerPicture(state, reader);
    state.page = page;
    if (reader.Damaged()) services_.host.SetStatusText(kDamagedJpegText);
    return loaded;
}

bool PictureLoader::LoadPng(PictureState& state) {
    TPngGraphic reader;
    reader.backgroundColour = services_.settings.backColour;
    reader.keepAlpha = true; // shown over a checkerboard
    try {
        reader.LoadFromFile(state.path);
    } catch (const std::exception&) {
        services_.host.ShowEmptyPicture();
        return false;
    }
    Bitmap picture;
    reader.AssignTo(picture);
    SetDescriptor(reader.Width(), reader.Height(), reader.Bits());
    if (reader.HasAlpha()) return AssignPicture(state, picture, 24);
    if (reader.Bits() == 24 && reader.Width() > 128 && reader.Height() > 128)
        return AssignPicture(state, picture, 24);
    if (reader.Bits() == 24) return BringInPacked(state, picture);
    // Palette and grey pictures reach the library as an uncompressed TIFF in memory.
    TTiffGraphic writer;
    writer.Assign(reader);
    writer.SetCompression(TiffCompression::None);
    Bytes stream;
    writer.SaveToStream(stream);
    return BringInThroughLibrary(state, services_.library.ImgOpenMem(stream, "TIF"), true);
}

bool PictureLoader::LoadPcx(PictureState& state) {
    TPcxGraphic reader;
    reader.LoadFromFile(state.path);
    if (services_.imaging.descriptor.ScreenBits <= 8 || reader.Bits() <= 8) {
        const ImgHandle handle = services_.library.ImgOpenSolo(state.path, 0);
        if (handle && PaletteDisplayWithReduce()) {
            const ImgHandle reduced =
                services_.library.ImgReduceColors(handle, kPaletteColours, kOptimalDithered);
            services_.library.ImgClose(handle);
            return BringInThroughLibrary(state, reduced, true);
        }
        return BringInThroughLibrary(state, handle, true);
    }
    Bitmap picture;
    reader.AssignTo(picture);
    return AssignPicture(state, picture, 24);
}

bool PictureLoader::LoadPsd(PictureState& state) {
    TPSDGraphic reader;
    reader.LoadFromFile(state.path);
    const int bits = reader.Pixels().BitsPerPixel() > 8 ? 24 : reader.Pixels().BitsPerPixel();
    Bitmap picture = reader.Pixels();
    if (picture.Format() == PixelFormat::Bits32) picture.SetPixelFormat(PixelFormat::Bits24);
    const bool loaded = AssignPicture(state, picture, bits);
    ReduceForPaletteDisplay(state);
    return loaded;
}

bool PictureLoader::LoadTiff(PictureState& state) {
    std::unique_ptr<TTiffGraphic> reader;
    if (probedTiff_ && probedTiffPath_ == state.path) {
        reader = std::move(probedTiff_); // the probe read the whole picture already
    } else {
        reader = std::make_unique<TTiffGraphic>();
        reader->LoadFromFile(state.path);
    }
    Bitmap picture;
    reader->AssignTo(picture);
    const bool loaded =
        reader->Bits() == 24 ? AssignPicture(state, picture, 24) : BringInPacked(state, picture);
    ReduceForPaletteDisplay(state);
    return loaded;
}

bool PictureLoader::EnsureLibraryImage(PictureState& state, int page) {
    ImagingContext& imaging = services_.imaging;
    ImageLibrary& library = services_.library;
    const bool flashPix = RouteFormatOf(state.path) == FormatId::FlashPix;
    if (!imaging.LibraryHandle) {
        imaging.LibraryHandle = library.ImgOpenSolo(state.path, 0);
        if (!imaging.LibraryHandle) return false;
        state.pageCount = std::max(1, library.ImgPageCount(imaging.LibraryHandle));
        page = flashPix ? std::max(0, state.pageCount - 2) : 0;
    } else if (flashPix && page == 0) {
        page = 1;
    }
    if (!library.ImgSetPage(imaging.LibraryHandle, page)) return false;
    state.page = page;
    return true;
}

bool PictureLoader::LoadThroughLibrary(PictureState& state, int page) {
    ImagingContext& imaging = services_.imaging;
    ImageLibrary& library = services_.library;
    if (!EnsureLibraryImage(state, page)) {
        library.ImgErrBox(services_.dialogs);
        return false;
    }
    state.route = "library";
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

bool PictureLoader::LoadPhotoCd(PictureState& state) {
    const PcdImport imported =
        ImportPCD(services_.photoCd, state.path, services_.settings.photoCdStep,
                  services_.host.SlideshowRunning());
    SetDescriptor(imported.width, imported.height, 24);
    state.route = "photo cd";
    return BringInThroughLibrary(state, services_.library.ImgFromDIB(imported.packedDib), true);
}

} // namespace zv
