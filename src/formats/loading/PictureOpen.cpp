// The open the viewer runs: discard the old picture, load by route, and on
// failure put the descriptor and the path back.

#include "formats/loading/PictureLists.h"
#include "formats/loading/PictureLoader.h"
#include "platform/Extensions.h"

namespace zv {

void PictureLoader::ImageErr() {
    pictureReady = false;
    jpegError = false;
    services_.imaging.descriptor.ImageBits = PreviousImageBits;
    currentPath = startFile;
}

void PictureLoader::OpenImage(std::uint32_t) {
    ImagingContext& imaging = services_.imaging;
    LoadHost& host = services_.host;
    host.DiscardUndo();
    CloseLibraryImage();
    host.SetStatusText("Loading...");
    fullWidth = imaging.descriptor.ImageWidth;
    fullHeight = imaging.descriptor.ImageHeight;
    scaledDecode = false;
    JpegScale = 1;
    pictureReady = false;
    ClearBitmap(imaging.current);

    const std::string extension = UpperExtension(currentPath);
    bool loaded = false;
    if (IsJpegExtension(extension)) {
        if (jpegError) {
            host.SetStatusText("Ready.");
            ImageErr();
            return;
        }
        loaded = LoadJpeg();
    } else {
        host.SetStatusText("Ready.");
        if (ExtensionIn(extension, kLibraryOnlyExtensions) || TiffNeedsLibrary)
            loaded = LoadPictureFile(true, 0);
        else if (extension == ".PCD")
            loaded = LoadPhotoCd();
        else if (ExtensionIn(extension, kLayerExtensions))
            loaded = LoadPictureFile(false, 0);
        if (loaded && imaging.descriptor.ImageBits > 8 && imaging.descriptor.ScreenBits > 8 &&
            services_.settings.fastRefresh && services_.settings.autoReduce)
            imaging.current.SetStorage(StorageKind::DDB);
    }
    if (!loaded || imaging.current.Empty()) {
        ImageErr();
        return;
    }
    pictureReady = true;
    jpegError = false;
    host.PictureShown();
}

} // namespace zv
