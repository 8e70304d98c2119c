#include "processing/CorrectionOperations.h"

#include "processing/AutoCorrections.h"
#include "processing/Center.h"
#include "processing/ConformGamma.h"
#include "processing/Defog.h"
#include "processing/Normalize.h"

namespace zv {

namespace {

// ---- Parameter ranges ----

constexpr ParamRange kConformLevel{1, 254};
constexpr ParamRange kDefogLevel{0, 255};

constexpr std::array<ParamRange, 3> kConformRanges{kConformLevel, kConformLevel, kConformLevel};
constexpr std::array<ParamRange, 3> kDefogRanges{kDefogLevel, kDefogLevel, kDefogLevel};

// ---- Dialogs ----

// The Map dialogs start at the channel's own rounded mean and deviation
// (Tune RGB at 128 and 64). Map > Equalize gives the operation the two
// slider positions; the channel items and Tune RGB give each position less
// its start, the change a batch line replays on another picture.
constexpr EffectSlider CentreSlider(const char* caption, int start) {
    return {8, 240, start, 8, 1, caption, "8 (min)", "240 (max)"};
}
constexpr EffectSlider BandSlider(const char* caption, int start) {
    return {3, 127, start, 8, 1, caption, "3 (min)", "127 (max)"};
}
constexpr std::array<EffectSlider, 3> kMapSliders{CentreSlider("&Center", 128),
                                                  BandSlider("&Band", 64)};

constexpr EffectDialogLayout kMapEqualizeDialog{"Normalize Map (Equalize)", 2, kMapSliders};
constexpr EffectDialogLayout kMapRedDialog{"Normalize Map (Red)", 2, kMapSliders};
constexpr EffectDialogLayout kMapGreenDialog{"Normalize Map (Green)", 2, kMapSliders};
constexpr EffectDialogLayout kMapBlueDialog{"Normalize Map (Blue)", 2, kMapSliders};
constexpr EffectDialogLayout kMapSaturationDialog{"Normalize Map (Saturation)", 2, kMapSliders};
constexpr EffectDialogLayout kMapLightingDialog{"Normalize Map (Lighting)", 2, kMapSliders};
constexpr EffectDialogLayout kTuneRgbDialog{
    "Tune RGB color map", 2, {CentreSlider("&Brightness", 128), BandSlider("&Contrast", 64)}};

// The second slider starts at the value DeFog last used (64 at first),
// which the dialog keeps.
constexpr EffectDialogLayout kDefogDialog{
    "Set DeFog effect to",
    2,
    {EffectSlider{1, 255, 255, 16, 1, "&Filter", "1 (weak)", "255 (strong)"},
     EffectSlider{1, 255, 64, 16, 1, "&Effect", "1 (weak)", "255 (strong)"}}};

// ---- Dialog start positions ----

NormalizeTarget Rounded(const NormalizeSource& source) {
    return {RoundLevel(source.mean), RoundLevel(source.sd)};
}

EffectValues MapEqualizeStart(const Bitmap& picture, ToolboxContext& tb) {
    ResetMaps(tb);
    const ImageHistogram histogram = NormalizeStatistics(picture, false);
    return {RoundLevel(ChannelMean(histogram.brightest, histogram.pixels)),
            RoundLevel(ChannelSd(histogram.brightest, histogram.pixels)), 0};
}

template <int channel> EffectValues MapChannelStart(const Bitmap& picture, ToolboxContext& tb) {
    ResetMaps(tb);
    const NormalizeTarget start =
        Rounded(SourceOf(NormalizeStatistics(picture, channel == kNormalizeSaturation), channel));
    return {start.mean, start.sd, 0};
}

EffectValues TuneRgbStart(const Bitmap&, ToolboxContext& tb) {
    ResetMaps(tb);
    return {128, 64, 0};
}

// ---- Pixel work ----

void RunAutoWhite(Bitmap& picture, ToolboxContext& tb, const EffectValues&) {
    AutoWhite(picture, tb);
}
void RunAutoBalance(Bitmap& picture, ToolboxContext& tb, const EffectValues&) {
    AutoBalance(picture, tb);
}
void RunAutoContrast(Bitmap& picture, ToolboxContext& tb, const EffectValues&) {
    AutoContrast(picture, tb);
}
void RunAutoLighting(Bitmap& picture, ToolboxContext& tb, const EffectValues&) {
    AutoLighting(picture, tb);
}
void RunAutoSaturate(Bitmap& picture, ToolboxContext& tb, const EffectValues&) {
    AutoSaturate(picture, tb);
}
void RunAutoGamma(Bitmap& picture, ToolboxContext& tb, const EffectValues&) {
    AutoGamma(picture, tb);
}
// The first value selects the trial; from the menu it is 0, Optimize.
void RunAutoFlash(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    AutoFlash(picture, tb, FlashTrialFor(v.V1));
}
void RunConformGamma(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    DoConformGamma(picture, tb, v.V1);
}
void RunConformGammaRgb(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    DoConformGammaRGB(picture, tb, {v.V1, v.V2, v.V3});
}
void RunNormalize(Bitmap& picture, ToolboxContext& tb, const EffectValues&) {
    NormalizeToBrightest(picture, tb);
}
void RunEqualize(Bitmap& picture, ToolboxContext& tb, const EffectValues&) {
    EqualizeChannels(picture, tb);
}
void RunOptimize(Bitmap& picture, ToolboxContext& tb, const EffectValues&) {
    Optimize(picture, tb);
}
void RunMapEqualize(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    MapEqualize(picture, tb, {v.V1, v.V2});
}
template <int channel>
void RunMapChannel(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    MapChannel(picture, tb, channel, v.V1, v.V2);
}
void RunMapRgb(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    MapRgb(picture, tb, v.V1, v.V2);
}
template <int channel> void RunConform(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    ConformChannel(picture, tb, channel, {v.V1, v.V2});
}
void RunCenter(Bitmap& picture, ToolboxContext& tb, const EffectValues&) {
    CenterChannels(picture, tb);
}
void RunDefog(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    DoDefog(picture, v.V1, v.V2);
}

constexpr const char* kEnhanceStatus = "Enhancing ...";
constexpr const char* kRemapStatus = "Remapping ...";

constexpr ToolboxOperation kCorrectionOperations[] = {
    {.word = "AUTO_WHITE", .pixels = RunAutoWhite},
    {.word = "AUTO_BALANCE", .pixels = RunAutoBalance},
    {.word = "AUTO_CONTRAST", .status = kEnhanceStatus, .pixels = RunAutoContrast},
    {.word = "AUTO_LIGHTING", .status = kEnhanceStatus, .pixels = RunAutoLighting},
    {.word = "AUTO_SATURATE", .status = kEnhanceStatus, .pixels = RunAutoSaturate},
    {.word = "AUTO_GAMMA", .pixels = RunAutoGamma},
    // Recorded with its selector, so that a replay does not take the
    // numbers an earlier line left behind.
    {.word = "AUTO_FLASH", .paramCount = 1, .pixels = RunAutoFlash},
    {.word = "CONFORM_GAMMA", .paramCount = 1, .ranges = kConformRanges, .pixels = RunConformGamma},
    {.word = "CONFORM_GAMMA_RGB", .paramCount = 3, .pixels = RunConformGammaRgb},

    {.word = "NORMALIZE", .status = kRemapStatus, .pixels = RunNormalize},
    {.word = "EQUALIZE", .pixels = RunEqualize},
    {.word = "OPTIMIZE", .pixels = RunOptimize},

    {.word = "MAP_EQ",
     .effectCode = 410,
     .paramCount = 2,
     .status = kRemapStatus,
     .steps = kDialogSteps,
     .pixels = RunMapEqualize,
     .prepare = MapEqualizeStart,
     .dialog = &kMapEqualizeDialog},
    {.word = "MAP_RED",
     .effectCode = 411,
     .paramCount = 2,
     .status = kRemapStatus,
     .steps = kDialogSteps,
     .pixels = RunMapChannel<0>,
     .prepare = MapChannelStart<0>,
     .dialog = &kMapRedDialog},
    {.word = "MAP_GRN",
     .effectCode = 412,
     .paramCount = 2,
     .status = kRemapStatus,
     .steps = kDialogSteps,
     .pixels = RunMapChannel<1>,
     .prepare = MapChannelStart<1>,
     .dialog = &kMapGreenDialog},
    {.word = "MAP_BLU",
     .effectCode = 413,
     .paramCount = 2,
     .status = kRemapStatus,
     .steps = kDialogSteps,
     .pixels = RunMapChannel<2>,
     .prepare = MapChannelStart<2>,
     .dialog = &kMapBlueDialog},
    {.word = "MAP_SAT",
     .effectCode = 414,
     .paramCount = 2,
     .status = kRemapStatus,
     .steps = kDialogSteps,
     .pixels = RunMapChannel<kNormalizeSaturation>,
     .prepare = MapChannelStart<kNormalizeSaturation>,
     .dialog = &kMapSaturationDialog},
    {.word = "MAP_LIT",
     .effectCode = 415,
     .paramCount = 2,
     .status = kRemapStatus,
     .steps = kDialogSteps,
     .pixels = RunMapChannel<kNormalizeLightness>,
     .prepare = MapChannelStart<kNormalizeLightness>,
     .dialog = &kMapLightingDialog},
    {.word = "MAP_RGB",
     .effectCode = 416,
     .paramCount = 2,
     .status = kRemapStatus,
     .steps = kDialogSteps,
     .pixels = RunMapRgb,
     .prepare = TuneRgbStart,
     .dialog = &kTuneRgbDialog},

    {.word = "CONFORM_RED", .paramCount = 2, .ranges = kConformRanges, .pixels = RunConform<0>},
    {.word = "CONFORM_GRN", .paramCount = 2, .ranges = kConformRanges, .pixels = RunConform<1>},
    {.word = "CONFORM_BLU", .paramCount = 2, .ranges = kConformRanges, .pixels = RunConform<2>},
    {.word = "CONFORM_LIT",
     .paramCount = 2,
     .ranges = kConformRanges,
     .pixels = RunConform<kNormalizeLightness>},
    {.word = "CONFORM_SAT",
     .paramCount = 2,
     .ranges = kConformRanges,
     .pixels = RunConform<kNormalizeSaturation>},

    {.word = "CENTER", .pixels = RunCenter},
    {.word = "DEFOG",
     .effectCode = 241,
     .paramCount = 2,
     .ranges = kDefogRanges,
     .status = "Defogging ...",
     .steps = kDialogSteps,
     .pixels = RunDefog,
     .dialog = &kDefogDialog},
};

} // namespace

std::span<const ToolboxOperation> CorrectionOperations() {
    return kCorrectionOperations;
}

} // namespace zv
