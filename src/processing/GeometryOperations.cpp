#include "processing/GeometryOperations.h"

#include "library/PictureEdits.h"
#include "library/PictureOps.h"

#include <new>

namespace zv {

namespace {

// ROTATE=a turns the picture clockwise by a degrees: the library turns
// counter-clockwise by 360 - a. The picture stays until the turned one is
// made, so a result too large for memory leaves it as it was.
void RotateWork(ToolboxJob& job) {
    try {
        Bitmap turned = RotatePicture(job.picture, 36000 - 100 * job.values.V1, job.background);
        job.picture = std::move(turned);
    } catch (const EBitmapError& e) {
        job.error = e.what();
    } catch (const std::bad_alloc&) {
        job.error = "Not enough memory to rotate the picture.";
    }
}

template <bool topBottom> void MirrorWork(ToolboxJob& job) {
    MirrorPicture(job.picture, topBottom, !topBottom);
}

constexpr unsigned kGeometrySteps = kStepUndoCopy | kStepModified | kStepRecord;
constexpr unsigned kMirrorSteps = kStepUndoCopy | kStepModified;

constexpr ToolboxOperation kGeometryOperations[] = {
    {.word = "ROTATE",
     .paramCount = 1,
     .ranges = {ParamRange{1, 359}},
     .status = "Rotating...",
     .steps = kGeometrySteps,
     .work = RotateWork,
     .needs = kAnyDepth},
    // Batch scripts have no words for mirroring; the tool has.
    {.word = "MIRROR_VERTICAL",
     .status = "Flipping...",
     .steps = kMirrorSteps,
     .work = MirrorWork<true>,
     .needs = kAnyDepth | kToolOnly},
    {.word = "MIRROR_HORIZONTAL",
     .status = "Flipping...",
     .steps = kMirrorSteps,
     .work = MirrorWork<false>,
     .needs = kAnyDepth | kToolOnly},
};

} // namespace

std::span<const ToolboxOperation> GeometryOperations() {
    return kGeometryOperations;
}

} // namespace zv
