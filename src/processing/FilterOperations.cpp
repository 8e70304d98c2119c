#include "processing/FilterOperations.h"

#include "processing/Descreen.h"
#include "processing/Enrich.h"
#include "processing/Filter5x5.h"
#include "processing/Kernel3x3.h"
#include "processing/Median.h"

namespace zv {

namespace {

// ---- Parameter ranges ----

constexpr ParamRange kStrength255{1, 255};
constexpr ParamRange kLevel{0, 255};
constexpr std::array<ParamRange, 3> kOneOf255{kStrength255};
constexpr std::array<ParamRange, 3> kTwoLevels{kLevel, kLevel};

// ---- Dialogs ----

constexpr EffectSlider Weak255(int start) {
    return {1, 255, start, 16, 1, "&Filter", "1 (weak)", "255 (strong)"};
}
constexpr EffectSlider WeakTo(int max, int start, const char* maxLabel) {
    return {1, max, start, 1, 1, "&Filter", "1 (weak)", maxLabel};
}

constexpr EffectDialogLayout kGaussianDialog{
    "Set Smoothing (Gaussian) effect to", 1, {Weak255(192)}};
constexpr EffectDialogLayout kDeFocusDialog{"Set Smoothing (Defocus) effect to", 1, {Weak255(112)}};
constexpr EffectDialogLayout kSoftenDialog{
    "Set Soften (Low Pass) effect to", 1, {WeakTo(10, 7, "10 (strong)")}};
constexpr EffectDialogLayout kOutlierDialog{"Set Outlier effect to", 1, {Weak255(255)}};
constexpr EffectDialogLayout kDespeckleDialog{
    "Set Despeckle (Median) effect to", 1, {WeakTo(9, 4, "9 (strong)")}};
constexpr EffectDialogLayout kUnSpotDialog{
    "Set Spot Remover to clean",
    1,
    {EffectSlider{-8, 8, -7, 1, 1, "&Filter", "-8 pepper", "+8 salt"}}};
// The second slider starts at the remembered second value; these are its
// values when the program starts.
constexpr EffectDialogLayout kCleanDialog{
    "Set Cleaning Mask effect to",
    2,
    {Weak255(240), EffectSlider{1, 255, 64, 16, 1, "&Effect", "1 (weak)", "255 (strong)"}}};
constexpr EffectDialogLayout kUnsharpDialog{
    "Set UnSharp Mask effect to",
    2,
    {Weak255(160), EffectSlider{1, 255, 48, 16, 1, "&Effect", "1 (weak)", "255 (strong)"}}};
constexpr EffectDialogLayout kMeanRemovalDialog{
    "Set Sharpening (Mean Removal) effect to", 1, {WeakTo(8, 4, "8 (strong)")}};
constexpr EffectDialogLayout kHighPassMediumDialog{
    "Set Sharpening (Medium High Pass) effect to", 1, {WeakTo(4, 3, "4 (strong)")}};
constexpr EffectDialogLayout kHighPassLightDialog{
    "Set Sharpening (Light High Pass) effect to", 1, {WeakTo(4, 3, "4 (strong)")}};

// ---- Pixel work ----
// Slider and batch values run from weak to strong; where a filter takes a
// threshold or amount the other way round, the value is turned as 255 - v.

void Gaussian(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    GaussianBlur3x3(picture, 255 - v.V1, false, 9);
}
void Outlier(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    GaussianBlur3x3(picture, 255 - v.V1, true, 8);
}
void DeFocusPass(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    DeFocus(picture, 255 - v.V1);
}
void SoftenPass(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    Soften(picture, v.V1);
}
void Despeckle(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    Median(picture, v.V1, 0);
}
void UnSpot(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    Median(picture, 1, v.V1);
}
void Clean(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    SharpGaussianBlur5x5(picture, v.V1, v.V2);
}
void UnsharpMask(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    UnSharpGaussianBlur5x5(picture, 255 - v.V1, v.V2);
}
void MeanRemovalPass(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    MeanRemoval(picture, v.V1);
}
void HighPassMediumPass(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    HighPassMedium(picture, v.V1);
}
void HighPassLightPass(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    HighPassLight(picture, v.V1);
}
void DescreenLight(Bitmap& picture, ToolboxContext&, const EffectValues&) {
    Soften(picture, 7);
}
template <int mode> void Descreen(Bitmap& picture, ToolboxContext&, const EffectValues&) {
    DeScreen5x5(picture, mode);
}
// A picture too large to enlarge stays as it was.
void EnrichPass(Bitmap& picture, ToolboxContext&, const EffectValues&) {
    Enrich(picture);
}
void DeLacePass(Bitmap& picture, ToolboxContext&, const EffectValues&) {
    DeLace(picture);
}
void AutoClean(Bitmap& picture, ToolboxContext&, const EffectValues&) {
    SharpGaussianBlur5x5(picture, 95, 240);
}
void AutoSharpen(Bitmap& picture, ToolboxContext&, const EffectValues&) {
    UnSharpGaussianBlur5x5(picture, 160, 48);
}

constexpr const char* kCleaning = "Cleaning ...";
constexpr const char* kSharpening = "Sharpening ...";
constexpr const char* kDescreening = "Descreening...";

// The Descreen commands take the undo copy and make the picture true colour,
// without the 256-colour warning.
constexpr unsigned kDescreenSteps = kPlainSteps & ~kStepColourWarning;
// The Auto items record nothing. They take the undo copy like every other
// command that changes the picture, so Undo brings it back.
constexpr unsigned kAutoSteps = kPlainSteps & ~kStepRecord;

constexpr ToolboxOperation kFilterOperations[] = {
    {.word = "GAUSSIAN",
     .effectCode = 30,
     .paramCount = 1,
     .ranges = kOneOf255,
     .status = "Blurring ...",
     .steps = kDialogSteps,
     .pixels = Gaussian,
     .dialog = &kGaussianDialog},
    {.word = "DEFOCUS",
     .effectCode = 31,
     .paramCount = 1,
     .ranges = kOneOf255,
     .status = "Defocusing ...",
     .steps = kDialogSteps,
     .pixels = DeFocusPass,
     .dialog = &kDeFocusDialog},
    {.word = "SOFTEN",
     .effectCode = 3,
     .paramCount = 1,
     .ranges = {ParamRange{1, 10}},
     .status = "Softening ...",
     .steps = kDialogSteps,
     .pixels = SoftenPass,
     .dialog = &kSoftenDialog},
    {.word = "OUTLIER",
     .effectCode = 1,
     .paramCount = 1,
     .ranges = kOneOf255,
     .status = kCleaning,
     .steps = kDialogSteps,
     .pixels = Outlier,
     .dialog = &kOutlierDialog},
    {.word = "DESPECKLE",
     .effectCode = 4,
     .paramCount = 1,
     .ranges = {ParamRange{1, 9}},
     .status = kCleaning,
     .steps = kDialogSteps,
     .pixels = Despeckle,
     .dialog = &kDespeckleDialog},
    {.word = "UNSPOT",
     .effectCode = 36,
     .paramCount = 1,
     .ranges = {ParamRange{-127, 127}},
     .status = kCleaning,
     .steps = kDialogSteps,
     .pixels = UnSpot,
     .dialog = &kUnSpotDialog},
    {.word = "CLEAN",
     .effectCode = 231,
     .paramCount = 2,
     .ranges = kTwoLevels,
     .status = "Cleaning mask ...",
     .steps = kDialogSteps,
     .pixels = Clean,
     .dialog = &kCleanDialog},
    {.word = "UNSHARPMASK",
     .effectCode = 230,
     .paramCount = 2,
     .ranges = kTwoLevels,
     .status = "Unsharp mask ...",
     .steps = kDialogSteps,
     .pixels = UnsharpMask,
     .dialog = &kUnsharpDialog},
    {.word = "MEANREMOVAL",
     .effectCode = 32,
     .paramCount = 1,
     .ranges = {ParamRange{1, 8}},
     .status = kSharpening,
     .steps = kDialogSteps,
     .pixels = MeanRemovalPass,
     .dialog = &kMeanRemovalDialog},
    {.word = "HIGHPASSMEDIUM",
     .effectCode = 33,
     .paramCount = 1,
     .ranges = {ParamRange{1, 4}},
     .status = kSharpening,
     .steps = kDialogSteps,
     .pixels = HighPassMediumPass,
     .dialog = &kHighPassMediumDialog},
    {.word = "HIGHPASSLIGHT",
     .effectCode = 34,
     .paramCount = 1,
     .ranges = {ParamRange{1, 4}},
     .status = kSharpening,
     .steps = kDialogSteps,
     .pixels = HighPassLightPass,
     .dialog = &kHighPassLightDialog},

    {.word = "DESCREEN_LIGHT",
     .status = kDescreening,
     .steps = kDescreenSteps,
     .pixels = DescreenLight},
    {.word = "DESCREEN_MEDIUM",
     .status = kDescreening,
     .steps = kDescreenSteps,
     .pixels = Descreen<0>},
    {.word = "DESCREEN_STRONG",
     .status = kDescreening,
     .steps = kDescreenSteps,
     .pixels = Descreen<1>},
    {.word = "DESCREEN_HIGH",
     .status = kDescreening,
     .steps = kDescreenSteps,
     .pixels = Descreen<2>},

    {.word = "ENRICH", .status = "Enriching...", .pixels = EnrichPass},
    {.word = "DELACE", .status = "Delacing...", .pixels = DeLacePass},

    // Auto > Clean and Auto > Sharpen, last: no word, reached by position.
    {.steps = kAutoSteps, .pixels = AutoClean},
    {.steps = kAutoSteps, .pixels = AutoSharpen},
};

} // namespace

std::span<const ToolboxOperation> FilterOperations() {
    return kFilterOperations;
}

const ToolboxOperation& AutoCleanOperation() {
    return std::end(kFilterOperations)[-2];
}

const ToolboxOperation& AutoSharpenOperation() {
    return std::end(kFilterOperations)[-1];
}

} // namespace zv
