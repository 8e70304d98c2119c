#include "catalog/ThumbMaker.h"

#include "catalog/ThumbPicture.h"
#include "catalog/ThumbStates.h"
#include "formats/DecodeFile.h"
#include "formats/JpegReader.h"
#include "formats/PictureLists.h"
#include "platform/Extensions.h"

#include <exception>

namespace zv {

namespace {

ThumbResult Outcome(ThumbOutcome outcome) {
    ThumbResult result;
    result.outcome = outcome;
    return result;
}

bool IsJpegName(const std::string& path) {
    return IsJpegExtension(UpperExtension(path));
}

// Whether the viewer opens the file as a picture, by its name.
bool ViewerPicture(const std::string& path) {
    const std::string extension = UpperExtension(path);
    return ExtensionIn(extension, kAcceptedExtensions) && !ExtensionIn(extension, kMediaExtensions);
}

// A picture with alpha laid over the thumbnail background, as 24 bits:
// clear parts show the background, not the colour stored under them.
Bitmap OverBackground(const Bitmap& picture, PaletteEntry background) {
    Bitmap flat;
    flat.Create(picture.Width(), picture.Height(), PixelFormat::Bits24);
    const int under[3] = {background.blue, background.green, background.red};
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* in = picture.ScanLine(y);
        std::uint8_t* out = flat.ScanLine(y);
        for (std::int32_t x = 0; x < picture.Width(); ++x, in += 4, out += 3) {
            const int alpha = in[3];
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<std::uint8_t>(
                    (in[c] * alpha + under[c] * (255 - alpha) + 127) / 255);
        }
    }
    return flat;
}

ThumbResult MakeDecodedThumb(const std::string& path, ThumbBox box, std::uint32_t thumbColour,
                             bool exifOrientation) {
    ThumbResult result;
    DecodeOptions options;
    options.exifOrientation = exifOrientation;
    options.jpegScale = 0;
    options.fitWidth = box.ThumbWidth;
    options.fitHeight = box.ThumbHeight;
    options.pixelBudget = kThumbPixelBudget;
    options.keepAlpha = true; // laid over the thumbnail colour below
    DecodedPicture picture = DecodeFile(path, 1, options);
    result.loadFailed = false;
    result.fullWidth = picture.fullWidth;
    result.fullHeight = picture.fullHeight;
    result.bits = picture.bits > 15 ? 24 : picture.bits;
    if (picture.format && picture.format->id == FormatId::Jpeg) result.jpegScale = picture.scale;
    if (picture.tooLarge) {
        result.outcome = ThumbOutcome::TooLarge;
        return result;
    }
    if (picture.pixels.HasAlpha())
        picture.pixels = OverBackground(picture.pixels, ThumbBackground(thumbColour));
    result.thumbnail = MakeThumbnail(picture.pixels, box, thumbColour);
    result.outcome = ThumbOutcome::Made;
    return result;
}

} // namespace

std::int16_t ThumbResult::State() const {
    switch (outcome) {
    case ThumbOutcome::Made: return kThumbMade;
    case ThumbOutcome::TooLarge: return kThumbTooLarge;
    case ThumbOutcome::Failed: break;
    }
    return kThumbFailed;
}

int ThumbJpegScale(std::int64_t width, std::int64_t height, ThumbBox box) {
    return ChooseJpegScale(width, height, box.ThumbWidth, box.ThumbHeight, false);
}

ThumbResult MakeThumbFor(const std::string& path, ThumbBox box, std::uint32_t thumbColour,
                         bool exifOrientation) {
    const bool jpeg = IsJpegName(path);
    if (!jpeg && !ViewerPicture(path)) {
        ThumbResult result = Outcome(ThumbOutcome::Failed);
        result.loadFailed = true;
        return result;
    }
    try {
        return MakeDecodedThumb(path, box, thumbColour, exifOrientation);
    } catch (const std::exception&) {
        // A broken or unreadable file gets the failed thumbnail (or, when it
        // is not a JPEG, its icon); the folder goes on.
        ThumbResult result = Outcome(ThumbOutcome::Failed);
        result.loadFailed = !jpeg;
        return result;
    }
}

} // namespace zv
