#include "processing/ArtisticOperations.h"

#include "formats/JpegCodec.h"
#include "processing/Border.h"
#include "processing/JpegArtifacts.h"
#include "processing/RandomNoise.h"
#include "processing/TextMarkLayout.h"

#include <algorithm>
#include <new>

namespace zv {

namespace {

void NoiseWork(ToolboxJob& job) {
    const EffectValues& v = job.values;
    RandomNoise(job.picture, v.V1, v.V2, v.V3, job.seed ? *job.seed : FreshSeed());
}

// A picture too large for the encoder, or no memory for the round trip,
// leaves the picture as it was.
void ArtifactWork(ToolboxJob& job) {
    try {
        AddArtifact(job.picture, ArtifactQuality(job.values.V1));
    } catch (const EJpegWriteError& e) {
        job.error = e.what();
    } catch (const EJpegError& e) {
        job.error = e.what();
    } catch (const EBitmapError& e) {
        job.error = e.what();
    } catch (const std::bad_alloc&) {
        job.error = "Not enough memory to add JPEG artifacts.";
    }
}

template <TextCorner corner> void TextMarkWork(ToolboxJob& job) {
    const std::string text = ExpandTextMarkCodes(job.text, job.date, job.fileName);
    if (text.empty()) return;
    if (!job.textPainter) {
        job.error = "Text marks need the window system's fonts, which are not at hand here.";
        return;
    }
    TextMark(job.picture, text, corner, *job.textPainter);
}

void BorderPass(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    MergeBorder(picture, static_cast<std::uint32_t>(v.V1), v.V2, v.V3);
}

void TopBottomPass(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    MergeBorder_TopBot(picture, static_cast<std::uint32_t>(v.V1), v.V2, v.V3);
}

constexpr EffectSlider NoiseSlider(const char* caption) {
    return {0, 255, 255, 16, 1, caption, "0 (none)", "100 (max)"};
}
constexpr EffectDialogLayout kNoiseDialog{
    "Add Random Noise", 3, {NoiseSlider("&Red  "), NoiseSlider("&Green"), NoiseSlider("&Blue ")}};

constexpr ParamRange kLevel{0, 255};
constexpr ParamRange kColourRef{0, 0xFFFFFF};
constexpr ParamRange kBorderSize{1, 239};

// Text marks and borders keep the picture's depth and take no colour steps.
constexpr unsigned kMarkSteps = kStepUndoCopy | kStepModified | kStepRecord;

constexpr ToolboxOperation kArtisticOperations[] = {
    // Batch scripts have no word for noise; the tool has.
    {.word = "NOISE",
     .effectCode = 114,
     .paramCount = 3,
     .ranges = {kLevel, kLevel, kLevel},
     .steps = kDialogSteps & ~kStepRecord,
     .dialog = &kNoiseDialog,
     .work = NoiseWork,
     .needs = kToolOnly},
    {.word = "ARTIFACT", .paramCount = 1, .status = "Adding artifacts ...", .work = ArtifactWork},
    {.word = "TEXTMARK_TOPLEFT",
     .steps = kMarkSteps,
     .work = TextMarkWork<TextCorner::TopLeft>,
     .needs = kAnyDepth},
    {.word = "TEXTMARK_TOPRIGHT",
     .steps = kMarkSteps,
     .work = TextMarkWork<TextCorner::TopRight>,
     .needs = kAnyDepth},
    {.word = "TEXTMARK_BOTTOMLEFT",
     .steps = kMarkSteps,
     .work = TextMarkWork<TextCorner::BottomLeft>,
     .needs = kAnyDepth},
    {.word = "TEXTMARK_BOTTOMRIGHT",
     .steps = kMarkSteps,
     .work = TextMarkWork<TextCorner::BottomRight>,
     .needs = kAnyDepth},
    {.word = "BORDER",
     .paramCount = 3,
     .ranges = {kColourRef, kBorderSize, kBorderSize},
     .steps = kMarkSteps,
     .pixels = BorderPass,
     .needs = kAnyDepth},
    // Batch only, and never recorded.
    {.word = "BORDER_TOPBOT",
     .paramCount = 3,
     .ranges = {kColourRef, kBorderSize, kBorderSize},
     .steps = kStepUndoCopy | kStepModified,
     .pixels = TopBottomPass,
     .needs = kAnyDepth},
};

} // namespace

int ArtifactQuality(int asked) {
    return std::clamp(asked, 1, 255);
}

std::span<const ToolboxOperation> ArtisticOperations() {
    return kArtisticOperations;
}

} // namespace zv
