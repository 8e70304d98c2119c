#include "processing/ToneOperations.h"

#include "processing/Histogram.h"

#include <limits>

namespace zv {

namespace {

// ---- Parameter ranges ----

constexpr ParamRange kGammaRange{1, 500};
constexpr ParamRange kSignedRange{-127, 127};
constexpr ParamRange kLevelRange{0, 255};
constexpr ParamRange kBandRange{7, 127};
constexpr ParamRange kBalanceRange{-127, 254};
constexpr ParamRange kAnyPositive{1, std::numeric_limits<int>::max()};

constexpr std::array<ParamRange, 3> kGammaRanges{kGammaRange, kGammaRange, kGammaRange};
constexpr std::array<ParamRange, 3> kSignedRanges{kSignedRange, kSignedRange, kSignedRange};
constexpr std::array<ParamRange, 3> kLevelRanges{kLevelRange, kLevelRange, kLevelRange};
constexpr std::array<ParamRange, 3> kEqRanges{kLevelRange, kBandRange, kSignedRange};
constexpr std::array<ParamRange, 3> kBalanceRanges{kBalanceRange, kBalanceRange, kBalanceRange};

// Limit levels must rise strictly: shadow below median below highlight.
bool RisingLevels(const EffectValues& v) {
    return v.V1 < v.V2 && v.V2 < v.V3;
}

// ---- Dialogs ----

constexpr EffectSlider GammaSlider(const char* caption, const char* low, const char* high) {
    return {1, 500, 100, 10, 1, caption, low, high};
}
constexpr EffectSlider SignedSlider(const char* caption) {
    return {-127, 127, 0, 8, 1, caption, "-127 (less)", "+127 (more)"};
}
constexpr EffectSlider ShadowSlider(const char* caption) {
    return {0, 255, 0, 8, 1, caption, "0 (less)", "255 (more)"};
}
constexpr EffectSlider HighlightSlider(const char* caption) {
    return {0, 255, 255, 8, 1, caption, "0 (more)", "255 (less)"};
}

constexpr EffectDialogLayout kGammaRgbDialog{"Adjust Gamma (1/100)",
                                             3,
                                             {GammaSlider("&Red  ", "1 (dark)", "500 (bright)"),
                                              GammaSlider("&Green", "1 (dark)", "500 (bright)"),
                                              GammaSlider("&Blue ", "1 (dark)", "500 (bright)")}};
constexpr EffectDialogLayout kGammaGlobalDialog{
    "Adjust Gamma (1/100)", 1, {GammaSlider("&Filter", "1 (dark)", "500 (bright)")}};
constexpr EffectDialogLayout kGammaSuppressDialog{
    "Suppress Gamma (1/100)",
    3,
    {GammaSlider("&Red  ", "1 (bright)", "500 (dark)"),
     GammaSlider("&Green", "1 (bright)", "500 (dark)"),
     GammaSlider("&Blue ", "1 (bright)", "500 (dark)")}};
constexpr EffectDialogLayout kGammaSaturationDialog{
    "Saturation  Gamma (1/100)", 1, {GammaSlider("&Filter", "1 (less)", "500 (more)")}};

constexpr EffectDialogLayout kBrightnessRgbDialog{
    "Adjust Brightness",
    3,
    {SignedSlider("&Red  "), SignedSlider("&Green"), SignedSlider("&Blue ")}};
constexpr EffectDialogLayout kBrightnessGlobalDialog{
    "Adjust Brightness", 1, {SignedSlider("&Filter")}};
constexpr EffectDialogLayout kShiftDialog{
    "Adjust Brightness (by Shifting)",
    3,
    {SignedSlider("&Red  "), SignedSlider("&Green"), SignedSlider("&Blue ")}};
constexpr EffectDialogLayout kContrastRgbDialog{
    "Adjust Contrast", 3, {SignedSlider("&Red  "), SignedSlider("&Green"), SignedSlider("&Blue ")}};
constexpr EffectDialogLayout kContrastGlobalDialog{"Adjust Contrast", 1, {SignedSlider("&Filter")}};

constexpr EffectDialogLayout kEnhanceGlobalDialog{
    "Enhance Shadows/Highlights (Global)",
    2,
    {ShadowSlider("&Shadows"), HighlightSlider("High&Light")}};
constexpr EffectDialogLayout kEnhanceLightingDialog{
    "Enhance Shadows/Highlights (Lighting)",
    2,
    {ShadowSlider("&Shadows"), HighlightSlider("High&Light")}};
constexpr EffectDialogLayout kEnhanceSaturationDialog{
    "Enhance Shadows/Highlights (Saturation)",
    2,
    {ShadowSlider("&Shadows"), HighlightSlider("High&Light")}};
constexpr EffectDialogLayout kSuppressDialog{
    "Supress Shadows/Highlights", 2, {ShadowSlider("&Shadows"), HighlightSlider("High&Light")}};
constexpr EffectDialogLayout kShadowsDialog{
    "Enhance Shadows (RGB)",
    3,
    {ShadowSlider("&Red  "), ShadowSlider("&Green"), ShadowSlider("&Blue ")}};
constexpr EffectDialogLayout kHighlightsDialog{
    "Enhance Highlights (RGB)",
    3,
    {HighlightSlider("&Red  "), HighlightSlider("&Green"), HighlightSlider("&Blue ")}};

constexpr std::array<EffectSlider, 3> kEqSliders{
    EffectSlider{0, 255, 127, 8, 1, "&Center", "0 (dark)", "255 (bright)"},
    EffectSlider{7, 127, 63, 8, 1, "&Band", "7 (narrow)", "127 (wide)"},
    EffectSlider{-127, 127, 0, 8, 1, "&Gain", "-127 (cut)", "+127 (boost)"}};
constexpr EffectDialogLayout kEqAllDialog{"Parametric Equalizer [All channels]", 3, kEqSliders};
constexpr EffectDialogLayout kEqRedDialog{"Parametric Equalizer [Red channel]", 3, kEqSliders};
constexpr EffectDialogLayout kEqGreenDialog{"Parametric Equalizer [Green channel]", 3, kEqSliders};
constexpr EffectDialogLayout kEqBlueDialog{"Parametric Equalizer [Blue channel]", 3, kEqSliders};

constexpr std::array<EffectSlider, 3> kLimitSliders{
    ShadowSlider("&Shadows"), EffectSlider{0, 255, 128, 8, 1, "&Median", "0 (low)", "255 (high)"},
    HighlightSlider("High&Light")};
constexpr EffectDialogLayout kLimitAllDialog{"Limit Intensities (All)", 3, kLimitSliders};
constexpr EffectDialogLayout kLimitRedDialog{"Limit Intensities (Red)", 3, kLimitSliders};
constexpr EffectDialogLayout kLimitGreenDialog{"Limit Intensities (Green)", 3, kLimitSliders};
constexpr EffectDialogLayout kLimitBlueDialog{"Limit Intensities (Blue)", 3, kLimitSliders};

constexpr EffectDialogLayout kBalanceDialog{"White Balance", 1, {SignedSlider("&Match")}};

// ---- Pixel work ----

void Gamma(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    for (int n = 0; n < 3; ++n) SetGammaLUT(tb, v[n], n);
    ColorFilter(picture, tb);
}

void GammaSuppress(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    for (int n = 0; n < 3; ++n) SetGammaLUT(tb, v[n], n);
    NegColorFilter(picture, tb);
}

void GammaSaturation(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    SetStretchLUT(tb, 0, 255, 1);
    SetGammaLUT(tb, v.V1, 2);
    SaturationFilter(picture, tb);
}

void Brightness(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    for (int n = 0; n < 3; ++n) SetBrightLUT(tb, v[n], n);
    ColorFilter(picture, tb);
}

void Shift(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    for (int n = 0; n < 3; ++n) SetShiftLUT(tb, v[n], n);
    ColorFilter(picture, tb);
}

void Contrast(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    for (int n = 0; n < 3; ++n) SetContrastLUT(tb, v[n], n);
    ColorFilter(picture, tb);
}

void Enhance(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    for (int n = 0; n < 3; ++n) SetStretchLUT(tb, v.V1, v.V2, n);
    ColorFilter(picture, tb);
}

void Lighting(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    SetStretchLUT(tb, v.V1, v.V2, 1);
    LuminanceFilter(picture, tb);
}

void Saturation(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    SetStretchLUT(tb, v.V1, v.V2, 1);
    SetGammaLUT(tb, 100, 2);
    SaturationFilter(picture, tb);
}

void Suppress(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    for (int n = 0; n < 3; ++n) SetSupressLUT(tb, v.V1, v.V2, n);
    ColorFilter(picture, tb);
}

void Shadows(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    for (int n = 0; n < 3; ++n) SetStretchLUT(tb, v[n], 255, n);
    ColorFilter(picture, tb);
}

void Highlights(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    for (int n = 0; n < 3; ++n) SetStretchLUT(tb, 0, v[n], n);
    ColorFilter(picture, tb);
}

// The equaliser on the channels from `first` to `last`.
template <int first, int last>
void Equalize(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    SetEqLUT(tb, v.V1, v.V2, 0, 0);
    for (int n = first; n <= last; ++n) SetEqLUT(tb, v.V1, v.V2, n, v.V3);
    ColorFilter(picture, tb);
}

// Limit: levels V1..V2 spread over 0..V2, then V2..V3 over V2..255, as two
// passes; each only when its range is wider than 3 levels. The maps start
// from the identity, so a skipped low range leaves the lower levels as they
// were whatever an earlier command left in the maps. The second pass runs
// on maps that still hold the low remap, so the lower levels take it twice.
template <int first, int last>
void Limit(Bitmap& picture, ToolboxContext& tb, const EffectValues& v) {
    ResetMaps(tb);
    if (v.V2 - v.V1 > 3) {
        for (int n = first; n <= last; ++n) SetLoRemap(tb, v.V1, v.V2, n);
        ColorFilter(picture, tb);
    }
    if (v.V3 - v.V2 > 3) {
        for (int n = first; n <= last; ++n) SetHiRemap(tb, v.V3, v.V2, n);
        ColorFilter(picture, tb);
    }
}

const ImageHistogram::Counts& ChannelCounts(const ImageHistogram& histogram, int ch) {
    return ch == 0 ? histogram.red : ch == 1 ? histogram.green : histogram.blue;
}

// Zero: each channel shifted down by its lowest level that more than 48
// pixels have.
EffectValues ZeroShifts(const Bitmap& picture, ToolboxContext&) {
    ImageHistogram histogram;
    DoCalcHistogram(picture, histogram, false, false, false);
    return {-LowestLevelAbove(histogram.red.data(), 48),
            -LowestLevelAbove(histogram.green.data(), 48),
            -LowestLevelAbove(histogram.blue.data(), 48)};
}

void MapZero(Bitmap& picture, ToolboxContext& tb, const EffectValues&) {
    ImageHistogram histogram;
    DoCalcHistogram(picture, histogram, false, false, false);
    ResetMaps(tb);
    for (int n = 0; n < 3; ++n) SetZeroMapLUT(tb, ChannelCounts(histogram, n).data(), n);
    ColorFilter(picture, tb);
}

// The Enhance dialogs start at the shadow and highlight levels of the grey
// histogram; the saturation variant at those of the saturation histogram.
EnhanceLevels GreyLevels(const Bitmap& picture) {
    ImageHistogram histogram;
    DoCalcHistogram(picture, histogram, false, false, false);
    return FindEnhanceLevels(histogram.gray.data(), 255, 0);
}

EffectValues EnhanceStart(const Bitmap& picture, ToolboxContext&) {
    const EnhanceLevels levels = GreyLevels(picture);
    return {levels.low, levels.high, 0};
}

EffectValues ShadowsStart(const Bitmap& picture, ToolboxContext&) {
    const EnhanceLevels levels = GreyLevels(picture);
    return {levels.low, levels.low, levels.low};
}

EffectValues HighlightsStart(const Bitmap& picture, ToolboxContext&) {
    const EnhanceLevels levels = GreyLevels(picture);
    return {levels.high, levels.high, levels.high};
}

EffectValues SaturationStart(const Bitmap& picture, ToolboxContext& tb) {
    ResetMaps(tb);
    ImageHistogram histogram;
    DoCalcHistogram(picture, histogram, true, false, false);
    const EnhanceLevels levels = FindEnhanceLevels(histogram.saturation.data(), 250, 4);
    return {levels.low, levels.high, 0};
}

void UnWash(Bitmap& picture, ToolboxContext&, const EffectValues&) {
    UnWashFilter(picture);
}
void UnCook(Bitmap& picture, ToolboxContext&, const EffectValues&) {
    UnCookFilter(picture);
}
void Attenuate(Bitmap& picture, ToolboxContext&, const EffectValues&) {
    AttenuateFilter(picture);
}

constexpr const char* kGammaStatus = "Gamma ...";
constexpr const char* kBrightnessStatus = "Adjusting  Brightness ...";
constexpr const char* kContrastStatus = "Adjusting  Contrast ...";
constexpr const char* kEnhanceStatus = "Enhancing ...";
constexpr const char* kEqStatus = "Parametric EQ ...";
constexpr const char* kLimitStatus = "Limiting ...";
constexpr const char* kRising = "P1 < P2 < P3";

// The commands made once for all channels and once for each: what the four
// entries share, and one entry made from it.
constexpr ToolboxOperation kEqShape{
    .paramCount = 3, .ranges = kEqRanges, .status = kEqStatus, .steps = kDialogSteps};
constexpr ToolboxOperation kLimitShape{.paramCount = 3,
                                       .ranges = kLevelRanges,
                                       .accepts = RisingLevels,
                                       .acceptsText = kRising,
                                       .status = kLimitStatus,
                                       .steps = kDialogSteps};

constexpr ToolboxOperation ChannelEntry(ToolboxOperation shape, const char* word, int effectCode,
                                        ToolboxPixels pixels, const EffectDialogLayout& dialog) {
    shape.word = word;
    shape.effectCode = effectCode;
    shape.pixels = pixels;
    shape.dialog = &dialog;
    return shape;
}

// Where a menu item of one handler shares its word with another (Global and
// RGB), the three-value item is listed first and owns the word.
constexpr ToolboxOperation kToneOperations[] = {
    {.word = "GAMMA",
     .effectCode = 100,
     .paramCount = 3,
     .ranges = kGammaRanges,
     .status = kGammaStatus,
     .steps = kDialogSteps,
     .pixels = Gamma,
     .dialog = &kGammaRgbDialog},
    {.word = "GAMMA",
     .sharesWord = true,
     .effectCode = 101,
     .paramCount = 3,
     .ranges = kGammaRanges,
     .status = kGammaStatus,
     .steps = kDialogSteps,
     .pixels = Gamma,
     .dialog = &kGammaGlobalDialog},
    {.word = "GAMMA_SUPRESS",
     .alias = "GAMMA_SUPPRESS",
     .effectCode = 102,
     .paramCount = 3,
     .ranges = kGammaRanges,
     .status = kGammaStatus,
     .steps = kDialogSteps,
     .pixels = GammaSuppress,
     .dialog = &kGammaSuppressDialog},
    {.word = "GAMMA_SATURATION",
     .effectCode = 103,
     .paramCount = 1,
     .ranges = kGammaRanges,
     .status = kGammaStatus,
     .steps = kDialogSteps,
     .pixels = GammaSaturation,
     .dialog = &kGammaSaturationDialog},

    {.word = "BRIGHTNESS",
     .effectCode = 110,
     .paramCount = 3,
     .ranges = kSignedRanges,
     .status = kBrightnessStatus,
     .steps = kDialogSteps,
     .pixels = Brightness,
     .dialog = &kBrightnessRgbDialog},
    {.word = "BRIGHTNESS",
     .sharesWord = true,
     .effectCode = 111,
     .paramCount = 3,
     .ranges = kSignedRanges,
     .status = kBrightnessStatus,
     .steps = kDialogSteps,
     .pixels = Brightness,
     .dialog = &kBrightnessGlobalDialog},
    {.word = "SHIFT",
     .effectCode = 112,
     .paramCount = 3,
     .ranges = kSignedRanges,
     .status = kBrightnessStatus,
     .steps = kDialogSteps,
     .pixels = Shift,
     .dialog = &kShiftDialog},
    {.word = "ZERO",
     .effectCode = 113,
     .paramCount = 0,
     .status = kBrightnessStatus,
     .steps = kDialogSteps,
     .pixels = Shift,
     .prepare = ZeroShifts,
     .dialog = &kShiftDialog},
    {.word = "CONTRAST",
     .effectCode = 120,
     .paramCount = 3,
     .ranges = kSignedRanges,
     .status = kContrastStatus,
     .steps = kDialogSteps,
     .pixels = Contrast,
     .dialog = &kContrastRgbDialog},
    {.word = "CONTRAST",
     .sharesWord = true,
     .effectCode = 121,
     .paramCount = 3,
     .ranges = kSignedRanges,
     .status = kContrastStatus,
     .steps = kDialogSteps,
     .pixels = Contrast,
     .dialog = &kContrastGlobalDialog},

    {.word = "ENHANCE",
     .effectCode = 130,
     .paramCount = 2,
     .ranges = kLevelRanges,
     .status = kEnhanceStatus,
     .steps = kDialogSteps,
     .pixels = Enhance,
     .prepare = EnhanceStart,
     .dialog = &kEnhanceGlobalDialog},
    {.word = "SHADOWS",
     .effectCode = 131,
     .paramCount = 3,
     .ranges = kLevelRanges,
     .status = kEnhanceStatus,
     .steps = kDialogSteps,
     .pixels = Shadows,
     .prepare = ShadowsStart,
     .dialog = &kShadowsDialog},
    {.word = "HIGHLIGHTS",
     .effectCode = 132,
     .paramCount = 3,
     .ranges = kLevelRanges,
     .status = kEnhanceStatus,
     .steps = kDialogSteps,
     .pixels = Highlights,
     .prepare = HighlightsStart,
     .dialog = &kHighlightsDialog},
    {.word = "LIGHTING",
     .effectCode = 133,
     .paramCount = 2,
     .ranges = kLevelRanges,
     .status = kEnhanceStatus,
     .steps = kDialogSteps,
     .pixels = Lighting,
     .prepare = EnhanceStart,
     .dialog = &kEnhanceLightingDialog},
    {.word = "SUPRESS",
     .alias = "SUPPRESS",
     .effectCode = 134,
     .paramCount = 2,
     .ranges = kLevelRanges,
     .status = kEnhanceStatus,
     .steps = kDialogSteps,
     .pixels = Suppress,
     .prepare = EnhanceStart,
     .dialog = &kSuppressDialog},
    {.word = "SATURATION",
     .effectCode = 135,
     .paramCount = 2,
     .ranges = kLevelRanges,
     .status = kEnhanceStatus,
     .steps = kDialogSteps,
     .pixels = Saturation,
     .prepare = SaturationStart,
     .dialog = &kEnhanceSaturationDialog},

    ChannelEntry(kEqShape, "PARAMETRIC_EQ_ALL", 140, Equalize<0, 2>, kEqAllDialog),
    ChannelEntry(kEqShape, "PARAMETRIC_EQ_RED", 141, Equalize<0, 0>, kEqRedDialog),
    ChannelEntry(kEqShape, "PARAMETRIC_EQ_GRN", 142, Equalize<1, 1>, kEqGreenDialog),
    ChannelEntry(kEqShape, "PARAMETRIC_EQ_BLU", 143, Equalize<2, 2>, kEqBlueDialog),

    ChannelEntry(kLimitShape, "LIMIT_ALL", 400, Limit<0, 2>, kLimitAllDialog),
    ChannelEntry(kLimitShape, "LIMIT_RED", 401, Limit<0, 0>, kLimitRedDialog),
    ChannelEntry(kLimitShape, "LIMIT_GRN", 402, Limit<1, 1>, kLimitGreenDialog),
    ChannelEntry(kLimitShape, "LIMIT_BLU", 403, Limit<2, 2>, kLimitBlueDialog),

    {.word = "WHITEBALANCE",
     .effectCode = 160,
     .paramCount = 3,
     .ranges = kBalanceRanges,
     .status = "White balance ...",
     .steps = kDialogSteps,
     .pixels = Brightness,
     .dialog = &kBalanceDialog},

    {.word = "ZEROMAP", .pixels = MapZero},
    {.word = "UNWASH", .pixels = UnWash},
    {.word = "UNCOOK", .pixels = UnCook},
    {.word = "ATTENUATE", .pixels = Attenuate},

    // The screen gamma after loading: no word, and none of the command steps.
    {.paramCount = 3,
     .ranges = {kAnyPositive, kAnyPositive, kAnyPositive},
     .steps = kStepTrueColour,
     .pixels = Gamma},
};

} // namespace

std::span<const ToolboxOperation> ToneOperations() {
    return kToneOperations;
}

const ToolboxOperation& ScreenGammaOperation() {
    return std::end(kToneOperations)[-1];
}

int LowestLevelAbove(const std::int32_t* counts, std::int32_t threshold) {
    for (int i = 0; i < 256; ++i)
        if (counts[i] > threshold) return i;
    return 0;
}

EnhanceLevels FindEnhanceLevels(const std::int32_t* counts, int lastLow, int firstHigh) {
    // Levels outside 0..255 count as empty.
    const auto full = [counts](int level) {
        return level >= 0 && level <= 255 && counts[level] > 48;
    };
    EnhanceLevels levels;
    for (int i = 0; i <= lastLow; ++i)
        if (full(i) && full(i + 1) && full(i + 2) && full(i + 3)) {
            levels.low = i;
            break;
        }
    for (int n = 255; n >= firstHigh; --n)
        if (full(n) && full(n - 1) && full(n - 2) && full(n - 3)) {
            levels.high = n;
            break;
        }
    if (levels.high == 254) levels.high = 255;
    return levels;
}

} // namespace zv
