#pragma once
// Picture loading: the probe that classifies a file and reads its size and
// depth, the loader that decodes it by its route (the format layer's reader,
// our imaging library or the Photo CD reader), and the open that wraps them
// for the viewer with its status texts and failure exit.

#include "formats/FormatTable.h"
#include "formats/JpegReader.h"
#include "formats/TiffGraphic.h"
#include "imaging/ImagingContext.h"
#include "imaging/TempNames.h"
#include "library/ImageLibrary.h"
#include "library/LibraryExchange.h"
#include "library/PhotoCd.h"
#include "platform/Dialogs.h"
#include "viewer/LoadHost.h"

#include <memory>
#include <optional>
#include <string>

namespace zv {

// The viewer's options that steer the routes.
struct LoadSettings {
    int faxQuality = 2;  // 0 b/w, 1 "4 shades", 2 "16 shades", 3 "64 shades"
    int jpegPalette = 3; // 8-bit displays: 0..3
    int photoCdStep = 3;
    bool autoReduce = false;
    bool fastRefresh = true;
    bool halfJpeg = false;
    int jpegScale = 0; // 0 chooses from the view; 1, 2, 4 or 8 fixes the JPEG scale
    bool fitToWindow = false;
    std::uint32_t backColour = 0; // the view area's colour, for transparent pixels
    bool exifOrientation = true;  // "Rotate by EXIF orientation"
};

// The services loading works with.
struct LoadServices {
    ImagingContext& imaging;
    ImageLibrary& library;
    PhotoCdLibrary& photoCd;
    TempNames& tempNames;
    Dialogs& dialogs;
    LoadHost& host;
    LoadSettings& settings;
};

// ProbePicture's answers.
enum ProbeResult : int {
    kProbeMedia = 2,
    kProbePicture = 1,
    kProbeNoRoute = 0,
    kProbeFailed = -1,
    kProbeText = -10,
    kProbeVector = -11,
};

class PictureLoader {
public:
    explicit PictureLoader(LoadServices services);
    ~PictureLoader();

    std::string currentPath;
    std::string startFile = "*";
    std::int16_t PreviousImageBits = 0;
    int pageCount = 1;
    int currentPage = 0;
    bool TiffNeedsLibrary = false;
    bool pictureReady = false;
    bool jpegError = false;
    std::int32_t fullWidth = 0; // FullSize: the size before a scaled decode
    std::int32_t fullHeight = 0;
    int JpegScale = 1;
    bool scaledDecode = false;
    // How the last load went, for the information text and for tests:
    // "layer", "library", "photo cd" or "jpeg".
    std::string lastRoute;

    int ProbePicture();
    bool LoadPictureFile(bool useLibrary, int page);
    // A JPEG decode error propagates (after the error flag is set and the
    // reader renewed) to the program-wide handler, which shows it.
    void OpenImage(std::uint32_t slideshowBackground = 0);
    // Page count, width, height and depth of the library image of the
    // current file; with reopen the file is opened for the question and
    // closed again. False when there is no library image.
    bool ImagemanInfo(bool reopen);
    // The open for views that do not show pictures 1:1: the picture fitted
    // into the view area, centred on the background, as a 24-bit picture of
    // the view's size.
    void OpenSlideImage(std::uint32_t background);
    // The failure exit: not ready, ImageBits and the path put back.
    void ImageErr();
    // Closes the library image of the file, when one is open.
    void CloseLibraryImage();

private:
    bool ProbeBmp();
    bool ProbeHeaderOf(FormatId format);
    bool ProbePsd();
    bool ProbeIcon();
    void ProbeTiff();
    bool ProbeThroughLibrary();
    bool ProbePhotoCd();

    bool LoadBmp();
    bool LoadTga();
    bool LoadPng();
    bool LoadPcx();
    bool LoadPsd();
    bool LoadIcon(int page);
    bool LoadLayerPicture(TDibGraphic& reader);
    bool LoadTiff();
    bool LoadThroughLibrary(int page);
    bool LoadPhotoCd();
    bool LoadJpeg();
    bool ProbeJpeg();
    int UprightTurn() const;
    void RenewJpegReader();

    bool AssignPicture(const Bitmap& picture, int bits);
    bool BringInThroughLibrary(ImgHandle handle, bool refresh);
    bool BringInPacked(const Bitmap& picture);
    void ReduceForPaletteDisplay();
    bool EnsureLibraryImage(int page);
    void SetDescriptor(std::int32_t width, std::int32_t height, int depth);
    bool PaletteDisplayWithReduce() const;

    LoadServices services_;
    LibraryExchange exchange_;
    std::unique_ptr<TTiffGraphic> probedTiff_; // the TIFF the probe read, kept for the load
    std::string probedTiffPath_;
    std::unique_ptr<TJpegReader> jpeg_; // the shared reader, renewed after any error
    bool libraryStarted_ = false;
};

// The format a file takes its route by: JPEG for any extension with ".JP"
// (the viewer's rule), otherwise the format table's row for the extension;
// nothing for an extension no format has.
std::optional<FormatId> RouteFormatOf(const std::string& path);

// Width, height and depth (bits x planes when planes > 1) from a BMP file's
// two headers. True when they cannot be read, as the program has always
// answered.
bool GetBMPinfo(const std::string& path, int& width, int& height, int& depth);

} // namespace zv
