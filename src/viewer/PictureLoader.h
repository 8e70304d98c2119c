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
#include "viewer/PictureState.h"

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

// The loader keeps no picture state of its own: the caller's PictureState
// names the file and receives how the load went. What it does keep is the
// work one call hands to the next: the TIFF the probe read and whether the
// probe found it needs the library, the shared JPEG reader, the depth to
// restore when an open fails.
class PictureLoader {
public:
    explicit PictureLoader(LoadServices services);
    ~PictureLoader();

    // Classifies state.path and reads its size and depth into the
    // descriptor (and the page count into state).
    int ProbePicture(PictureState& state);
    bool LoadPictureFile(PictureState& state, bool useLibrary, int page);
    // A JPEG decode error propagates (after state.jpegError is set and the
    // reader renewed) to the program-wide handler, which shows it.
    void OpenImage(PictureState& state, std::uint32_t slideshowBackground = 0);
    // Page count, width, height and depth of the library image of the
    // current file; with reopen the file is opened for the question and
    // closed again. False when there is no library image.
    bool ImagemanInfo(PictureState& state, bool reopen);
    // The open for views that do not show pictures 1:1: the picture fitted
    // into the view area, centred on the background, as a 24-bit picture of
    // the view's size.
    void OpenSlideImage(PictureState& state, std::uint32_t background);
    // The failure exit: not ready, ImageBits and the path put back.
    void ImageErr(PictureState& state);
    // Closes the library image of the file, when one is open.
    void CloseLibraryImage();
    // Whether the last probe found a TIFF only the library reads.
    bool TiffNeedsLibrary() const { return tiffNeedsLibrary_; }

private:
    bool ProbeBmp(PictureState& state);
    bool ProbeHeaderOf(PictureState& state, FormatId format);
    bool ProbePsd(PictureState& state);
    bool ProbeIcon(PictureState& state);
    void ProbeTiff(PictureState& state);
    bool ProbeThroughLibrary(PictureState& state);
    bool ProbePhotoCd(PictureState& state);

    bool LoadBmp(PictureState& state);
    bool LoadTga(PictureState& state);
    bool LoadPng(PictureState& state);
    bool LoadPcx(PictureState& state);
    bool LoadPsd(PictureState& state);
    bool LoadIcon(PictureState& state, int page);
    bool LoadLayerPicture(PictureState& state, TDibGraphic& reader);
    bool LoadTiff(PictureState& state);
    bool LoadThroughLibrary(PictureState& state, int page);
    bool LoadPhotoCd(PictureState& state);
    bool LoadJpeg(PictureState& state);
    bool ProbeJpeg(PictureState& state);
    int UprightTurn() const;
    void RenewJpegReader();

    bool AssignPicture(PictureState& state, const Bitmap& picture, int bits);
    bool BringInThroughLibrary(PictureState& state, ImgHandle handle, bool refresh);
    bool BringInPacked(PictureState& state, const Bitmap& picture);
    void ReduceForPaletteDisplay(PictureState& state);
    bool EnsureLibraryImage(PictureState& state, int page);
    void SetDescriptor(std::int32_t width, std::int32_t height, int depth);
    bool PaletteDisplayWithReduce() const;

    LoadServices services_;
    LibraryExchange exchange_;
    std::int16_t previousImageBits_ = 0; // the depth an open that fails puts back
    bool tiffNeedsLibrary_ = false;
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
