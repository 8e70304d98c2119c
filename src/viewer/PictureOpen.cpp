// The open the viewer runs: discard the old picture, load by route, and on
// failure put the descriptor and the path back.

#include "formats/PictureLists.h"
#include "platform/Extensions.h"
#include "viewer/PictureLoader.h"

#include <algorithm>

namespace zv {

namespace {

// The formats the format layer's readers load for the viewer.
bool IsLayerRoute(FormatId format) {
    switch (format) {
    case FormatId::Bmp:
    case FormatId::Png:
    case FormatId::Tiff:
    case FormatId::Tga:
    case FormatId::Pcx:
    case FormatId::Psd:
    case FormatId::Ico: return true;
    default: return false;
    }
}

} // namespace

void PictureLoader::ImageErr(PictureState& state) {
    state.ready = false;
    state.jpegError = false;
    services_.imaging.descriptor.ImageBits = previousImageBits_;
    state.path = state.fallbackPath;
}

void PictureLoader::OpenImage(PictureState& state, std::uint32_t) {
    ImagingContext& imaging = services_.imaging;
    LoadHost& host = services_.host;
    host.DiscardUndo();
    CloseLibraryImage();
    host.SetStatusText("Loading...");
    state.fullWidth = imaging.descriptor.ImageWidth;
    state.fullHeight = imaging.descriptor.ImageHeight;
    state.scaledDecode = false;
    state.jpegScale = 1;
    state.ready = false;
    ClearBitmap(imaging.current);

    const std::optional<FormatId> format = RouteFormatOf(state.path);
    bool loaded = false;
    if (format == FormatId::Jpeg) {
        if (state.jpegError) {
            host.SetStatusText("Ready.");
            ImageErr(state);
            return;
        }
        loaded = LoadJpeg(state);
    } else {
        host.SetStatusText("Ready.");
        const bool libraryOnly = format == FormatId::Dcx || format == FormatId::FlashPix;
        if (libraryOnly || tiffNeedsLibrary_)
            loaded = LoadPictureFile(state, true, 0);
        else if (format == FormatId::PhotoCd)
            loaded = LoadPhotoCd(state);
        else if (format && IsLayerRoute(*format))
            loaded = LoadPictureFile(state, false, 0);
        if (loaded && imaging.descriptor.ImageBits > 8 && imaging.descriptor.ScreenBits > 8 &&
            services_.settings.fastRefresh && services_.settings.autoReduce)
            imaging.current.SetStorage(StorageKind::DDB);
    }
    if (!loaded || imaging.current.Empty()) {
        ImageErr(state);
        return;
    }
    state.ready = true;
    state.jpegError = false;
    host.PictureShown();
}

} // namespace zv

namespace zv {

namespace {

// The largest size with the picture's proportions inside the area.
std::pair<int, int> FitInside(int width, int height, int areaWidth, int areaHeight) {
    if (std::int64_t{width} * areaHeight > std::int64_t{height} * areaWidth)
        return {areaWidth, std::max(1, static_cast<int>(std::int64_t{height} * areaWidth / width))};
    return {std::max(1, static_cast<int>(std::int64_t{width} * areaHeight / height)), areaHeight};
}

} // namespace

void PictureLoader::OpenSlideImage(PictureState& state, std::uint32_t background) {
    OpenImage(state, background);
    ImagingContext& imaging = services_.imaging;
    if (!state.ready) return;
    const ViewArea view = services_.host.ViewSize();
    if (view.width < 1 || view.height < 1) return;
    const auto [width, height] =
        FitInside(imaging.current.Width(), imaging.current.Height(), view.width, view.height);
    const ImgHandle handle = BitmapToLibraryImage(exchange_);
    const ImgHandle fitted =
        handle ? services_.library.ImgCopy(handle, width, height, nullptr, kCopySmooth) : 0;
    services_.library.ImgClose(handle);
    LibraryImage* image = services_.library.Image(fitted);
    if (!image) {
        imaging.LibraryHandle = 0;
        return;
    }
    Bitmap slide;
    slide.Create(view.width, view.height, PixelFormat::Bits24);
    FillTrueColour(slide, background);
    Bitmap picture = image->Picture();
    picture.SetPixelFormat(PixelFormat::Bits24);
    const int left = (view.width - width) / 2;
    const int top = (view.height - height) / 2;
    for (int y = 0; y < height; ++y)
        std::copy_n(picture.ScanLine(y), 3 * width, slide.ScanLine(top + y) + 3 * left);
    services_.library.ImgClose(fitted);
    imaging.LibraryHandle = 0;
    {
        std::lock_guard surface(imaging.current.Surface());
        imaging.current = std::move(slide);
    }
    SetDescriptor(view.width, view.height, 24);
    services_.host.PictureShown();
}

} // namespace zv
