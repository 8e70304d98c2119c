// JPEG pictures: the shared reader decodes them, scaled to the view when the
// picture is shown fitted or in a slideshow.

#include "viewer/PictureLoader.h"

#include "formats/Orientation.h"

#include <chrono>

namespace zv {

namespace {

// What the display and the options ask of the decode.
struct JpegPlan {
    bool scaled = false;
    JpegOutput output = JpegOutput::Bits24;
    bool paletteDisplayReduce = false;
};

} // namespace

// The orientation the picture is turned upright from: the file's EXIF one
// when the option asks for it.
int PictureLoader::UprightTurn() const {
    return services_.settings.exifOrientation ? jpeg_->ExifOrientation() : kUpright;
}

void PictureLoader::RenewJpegReader() {
    jpeg_ = std::make_unique<TJpegReader>();
}

bool PictureLoader::ProbeJpeg(PictureState& state) {
    try {
        jpeg_->ReadHeader(std::filesystem::path(state.path));
        const bool swapped = SwapsSides(UprightTurn());
        SetDescriptor(swapped ? jpeg_->Height() : jpeg_->Width(),
                      swapped ? jpeg_->Width() : jpeg_->Height(), jpeg_->ImageBits());
        return true;
    } catch (const std::exception&) {
        RenewJpegReader();
        return false;
    }
}

bool PictureLoader::LoadJpeg(PictureState& state) {
    ImagingContext& imaging = services_.imaging;
    const LoadSettings& settings = services_.settings;
    LoadHost& host = services_.host;
    const auto started = std::chrono::steady_clock::now();
    const int screenBits = imaging.descriptor.ScreenBits;
    const bool slideshow = host.SlideshowRunning();
    const bool fit = settings.fitToWindow;
    const bool grey = imaging.descriptor.ImageBits == 8;

    JpegPlan plan;
    if (settings.jpegScale != 0) {
        plan.scaled = true;
    } else if (screenBits == 8) {
        plan.scaled = fit || slideshow;
    } else if (fit || slideshow || !settings.autoReduce) {
        plan.scaled = fit || slideshow || settings.halfJpeg;
    }
    if (settings.autoReduce && screenBits > 8 && !grey) {
        plan.output = JpegOutput::Device;
    } else if ((screenBits == 8 && settings.autoReduce) || grey) {
        plan.output = JpegOutput::Bits8;
        imaging.descriptor.ImageBits = 8;
    }
    jpeg_->output = plan.output;
    jpeg_->performance = screenBits == 8 && settings.jpegPalette >= 2 ? JpegPerformance::Quality
                                                                      : JpegPerformance::Speed;
    jpeg_->palette = static_cast<JpegPalette>(settings.jpegPalette);
    jpeg_->paletteColours = screenBits == 8 ? 236 : 256;
    // A damaged or cut-off file shows what it holds, as browsers do, and the
    // status says so; only a file with nothing to show is an error.
    jpeg_->failWhenCut = false;

    try {
        if (!jpeg_->Holds(state.path)) jpeg_->ReadHeader(std::filesystem::path(state.path));
        int scale = 1;
        if (settings.jpegScale != 0) {
            scale = settings.jpegScale;
        } else if (plan.scaled) {
            const ViewArea view = host.ViewSize();
            scale = ChooseJpegScale(jpeg_->Width(), jpeg_->Height(), view.width, view.height,
                                    settings.halfJpeg);
        }
        jpeg_->SetScale(scale);
        const JpegSize size = jpeg_->ScaledSize();
        imaging.descriptor.ImageWidth = size.width;
        imaging.descriptor.ImageHeight = size.height;
        state.scaledDecode = scale != 1;
        state.jpegScale = scale;
        const JpegProgress progress =
            slideshow ? JpegProgress{}
                      : JpegProgress([&host](int percent) { host.DrawProgress(percent); });
        std::lock_guard surface(imaging.current.Surface());
        jpeg_->Decode(imaging.current, progress);
        OrientUpright(imaging.current, UprightTurn());
        imaging.descriptor.ImageWidth = imaging.current.Width();
        imaging.descriptor.ImageHeight = imaging.current.Height();
    } catch (const std::exception&) {
        // The program-wide handler shows the error; the next JPEG open fails at once.
        state.jpegError = true;
        RenewJpegReader();
        throw;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    host.SetStatusText(jpeg_->Warnings() > 0 ? kDamagedJpegText : LoadedText(elapsed.count()));
    state.route = "jpeg";
    return !imaging.current.Empty();
}

} // namespace zv
