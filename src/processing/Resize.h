#pragma once
// Resizing the whole picture: the work of Interpolate (RESIZE), Resample
// (RESAMPLE), DOWNSAMPLE and Auto > Resize, through the imaging library's
// scaled copies, at any depth. Their registry entries are in
// GeometryOperations.cpp.

#include "processing/Toolbox.h"

#include <cstdint>
#include <string>

namespace zv {

struct PictureSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// When a shrinking resize goes through a copy at twice the new size, which
// keeps more of the picture than one step does.
enum class TwoStepRule {
    WidthOnly, // Interpolate: the height is kept and only the width shrinks
    AnyShrink, // Resample: either side shrinks
};
// The 2w x 2h copy a resize from `from` to `to` first makes; 0 x 0 when it
// goes in one step.
PictureSize IntermediateSize(PictureSize from, PictureSize to, TwoStepRule rule);

// The largest size with the picture's proportions inside the box (the
// viewer's fit), at least 1 x 1.
PictureSize FitInside(PictureSize picture, PictureSize box);

// The picture resized to `to` by the library's copy mode (formats/Scaling.h)
// and the rule. A 2w x 2h copy that cannot be made gives way to one step.
// Returns "" when done; otherwise the library's error, and the picture is
// as it was.
std::string ResizePicture(Bitmap& picture, PictureSize to, int mode, TwoStepRule rule);

// Sides of 15 pixels or less are not resampled to.
inline constexpr std::int32_t kSmallestResample = 16;

// RESIZE=width,height: by the two-step rule of Interpolate; a third value
// of 1 or 2 keeps black or white in a 1-bit picture, anything else
// averages. RESAMPLE=width,height: smooth, by Resample's rule.
// DOWNSAMPLE=width,height: the box cut to the picture's size, the picture
// fitted into it and resampled. An unchanged size does nothing; a failure
// leaves the picture and sets the job's error.
void ResizeWork(ToolboxJob& job);
void ResampleWork(ToolboxJob& job);
void DownsampleWork(ToolboxJob& job);

} // namespace zv
