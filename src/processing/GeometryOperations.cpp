#include "processing/GeometryOperations.h"

#include "library/PictureEdits.h"
#include "processing/BatchLine.h"
#include "processing/ColourDepth.h"
#include "processing/LentPicture.h"
#include "processing/Toolbox.h"

namespace zv {

namespace {

// The library turns counter-clockwise by `hundredths`; the picture stays
// until the turned one is made, so a result too large for memory leaves it
// as it was, with the library's error.
void TurnLeft(ToolboxJob& job, int hundredths) {
    LentPicture lent(job.picture);
    job.error = lent.Settle(lent.Library().ImgRotate(lent.Handle(), hundredths, job.background));
    if (job.error.empty()) NoteNewPicture(job);
}

// ROTATE=a turns the picture clockwise by a degrees.
void RotateWork(ToolboxJob& job) {
    TurnLeft(job, 36000 - 100 * job.values.V1);
}

// Rotate > Fine: clockwise by V1 hundredths.
void RotateFineWork(ToolboxJob& job) {
    TurnLeft(job, 36000 - job.values.V1);
}

template <bool topBottom> void MirrorWork(ToolboxJob& job) {
    MirrorPicture(job.picture, topBottom, !topBottom);
}

constexpr ParamRange kSide{1, 16384};
constexpr ParamRange kResampledSide{kSmallestResample, 16384};
constexpr ParamRange kMethod{0, 2}; // "Standard" .. "Optimal"

constexpr unsigned kGeometrySteps = kStepUndoCopy | kStepModified | kStepRecord;
constexpr unsigned kMirrorSteps = kStepUndoCopy | kStepModified;
// The poster reductions work on true colour.
constexpr unsigned kPosterSteps = kGeometrySteps | kStepTrueColour;

constexpr ToolboxOperation SizeEntry(const char* word, const char* status, ToolboxWork work,
                                     ParamRange side) {
    return {.word = word,
            .paramCount = 2,
            .ranges = {side, side},
            .status = status,
            .steps = kGeometrySteps,
            .work = work,
            .needs = kAnyDepth};
}

// The dither reductions have no batch word: their words are the tool's.
constexpr ToolboxOperation ReduceEntry(const char* word, ToolboxWork work) {
    return {.word = word,
            .paramCount = 1,
            .ranges = {kMethod},
            .status = "Converting...",
            .steps = kMirrorSteps,
            .work = work,
            .needs = kAnyDepth | kToolOnly};
}

constexpr ToolboxOperation kGeometryOperations[] = {
    SizeEntry("RESIZE", "Resizing...", ResizeWork, kSide),
    SizeEntry("RESAMPLE", "Resampling...", ResampleWork, kResampledSide),
    SizeEntry("DOWNSAMPLE", "Resampling...", DownsampleWork, kSide),
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
    {.word = "QUANTIZE16",
     .status = "Converting...",
     .steps = kPosterSteps,
     .work = Poster16Work,
     .needs = kAnyDepth},
    {.word = "QUANTIZE256",
     .status = "Converting...",
     .steps = kPosterSteps,
     .work = Poster256Work,
     .needs = kAnyDepth},
    ReduceEntry("REDUCE_256", ReduceWork<Reduction::Colours256>),
    ReduceEntry("REDUCE_GRAY256", ReduceWork<Reduction::Greys256>),
    ReduceEntry("REDUCE_16", ReduceWork<Reduction::Colours16>),
    ReduceEntry("REDUCE_BW", ReduceWork<Reduction::BlackWhite>),
};

// Resample without the modified mark; kept out of the registry, whose
// RESAMPLE is the entry above.
constexpr ToolboxOperation kAutoResize{.word = "RESAMPLE",
                                       .sharesWord = true,
                                       .paramCount = 2,
                                       .ranges = {kResampledSide, kResampledSide},
                                       .status = "Resampling...",
                                       .steps = kStepUndoCopy | kStepRecord,
                                       .work = ResampleWork,
                                       .needs = kAnyDepth};

// Rotate > Fine records its own line (RunRotateFine), so it has no word.
constexpr ToolboxOperation kRotateFine{.paramCount = 1,
                                       .ranges = {ParamRange{1, 35999}},
                                       .status = "Rotating...",
                                       .steps = kMirrorSteps,
                                       .work = RotateFineWork,
                                       .needs = kAnyDepth};

} // namespace

std::span<const ToolboxOperation> GeometryOperations() {
    return kGeometryOperations;
}

const ToolboxOperation& AutoResizeOperation() {
    return kAutoResize;
}

RunOutcome RunAutoResize(ToolboxHost& host, ToolboxContext& tb, PictureSize fitted) {
    return RunToolboxOperation(kAutoResize, host, tb, RunMode::Interactive,
                               {fitted.width, fitted.height, 0});
}

const ToolboxOperation& ResampleCommandFor(int imageBits) {
    return kGeometryOperations[imageBits < 8 ? 0 : 1];
}

const ToolboxOperation& RotateFineOperation() {
    return kRotateFine;
}

int RecordedDegrees(int hundredths) {
    const int degrees = 360 - (36000 - hundredths) / 100;
    return degrees >= 1 && degrees <= 359 ? degrees : 0;
}

RunOutcome RunRotateFine(ToolboxHost& host, ToolboxContext& tb, int hundredths) {
    const RunOutcome outcome =
        RunToolboxOperation(kRotateFine, host, tb, RunMode::Interactive, {hundredths, 0, 0});
    const int degrees = RecordedDegrees(hundredths);
    if (outcome == RunOutcome::Done && degrees != 0 && host.Recording())
        host.AppendBatchLine(FormatBatchLine("ROTATE", {degrees, 0, 0}, 1));
    return outcome;
}

} // namespace zv
