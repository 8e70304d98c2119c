#include "processing/Resize.h"

#include "formats/Scaling.h"
#include "processing/LentPicture.h"

#include <algorithm>

namespace zv {

namespace {

PictureSize SizeOf(const Bitmap& picture) {
    return {picture.Width(), picture.Height()};
}

// The library's copy through the intermediate when there is one and it can
// be made, else in one step.
ImgHandle ScaledCopy(ImageLibrary& library, ImgHandle source, PictureSize from, PictureSize to,
                     int mode, TwoStepRule rule) {
    const PictureSize middle = IntermediateSize(from, to, rule);
    if (middle.width > 0) {
        const ImgHandle between =
            library.ImgCopy(source, middle.width, middle.height, nullptr, mode);
        if (between != 0) {
            const ImgHandle result = library.ImgCopy(between, to.width, to.height, nullptr, mode);
            library.ImgClose(between);
            return result;
        }
    }
    return library.ImgCopy(source, to.width, to.height, nullptr, mode);
}

// The library's copy mode: 1-bit pictures may keep black (1) or white (2).
int CopyModeOf(const Bitmap& picture, int option) {
    const bool keeps = option == kCopyPreserveBlack || option == kCopyPreserveWhite;
    return keeps && picture.Format() == PixelFormat::Bits1 ? option : kCopySmooth;
}

void ResizeTo(ToolboxJob& job, PictureSize to, int mode, TwoStepRule rule) {
    if (to == SizeOf(job.picture)) return;
    job.error = ResizePicture(job.picture, to, mode, rule);
    if (job.error.empty()) NoteNewPicture(job);
}

} // namespace

// RESIZE=width,height; a third value picks the 1-bit copy option.
void ResizeWork(ToolboxJob& job) {
    ResizeTo(job, {job.values.V1, job.values.V2}, CopyModeOf(job.picture, job.values.V3),
             TwoStepRule::WidthOnly);
}

// RESAMPLE=width,height: smooth, at any depth.
void ResampleWork(ToolboxJob& job) {
    ResizeTo(job, {job.values.V1, job.values.V2}, kCopySmooth, TwoStepRule::AnyShrink);
}

// DOWNSAMPLE=width,height: the box is cut to the picture's size and the
// picture fitted into it.
void DownsampleWork(ToolboxJob& job) {
    const PictureSize from = SizeOf(job.picture);
    const PictureSize box{std::min(job.values.V1, from.width),
                          std::min(job.values.V2, from.height)};
    const PictureSize to = FitInside(from, box);
    if (to.width < kSmallestResample || to.height < kSmallestResample) return;
    ResizeTo(job, to, kCopySmooth, TwoStepRule::AnyShrink);
}

PictureSize IntermediateSize(PictureSize from, PictureSize to, TwoStepRule rule) {
    const bool twoSteps = rule == TwoStepRule::WidthOnly
                              ? to.height == from.height && to.width < from.width
                              : to.width < from.width || to.height < from.height;
    if (!twoSteps) return {};
    return {2 * to.width, 2 * to.height};
}

PictureSize FitInside(PictureSize picture, PictureSize box) {
    if (picture.width <= 0 || picture.height <= 0 || box.width <= 0 || box.height <= 0) return {};
    const std::int64_t w = picture.width;
    const std::int64_t h = picture.height;
    if (w * box.height >= h * box.width)
        return {box.width, static_cast<std::int32_t>(std::max<std::int64_t>(1, h * box.width / w))};
    return {static_cast<std::int32_t>(std::max<std::int64_t>(1, w * box.height / h)), box.height};
}

std::string ResizePicture(Bitmap& picture, PictureSize to, int mode, TwoStepRule rule) {
    const PictureSize from = SizeOf(picture);
    LentPicture lent(picture);
    return lent.Settle(ScaledCopy(lent.Library(), lent.Handle(), from, to, mode, rule));
}

} // namespace zv
