#include "processing/Masks.h"

#include "processing/ByteBlocks.h"
#include "processing/Filter5x5.h"
#include "processing/Histogram.h"
#include "processing/RowBands.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

namespace zv {

namespace {

void RequireTrueColour(const Bitmap& picture) {
    if (picture.Format() != PixelFormat::Bits24)
        throw std::invalid_argument("the masks need a 24-bit picture");
}

void RequirePair(const Bitmap& picture, const Bitmap& duplicate) {
    RequireTrueColour(picture);
    if (duplicate.Format() != PixelFormat::Bits24 || duplicate.Width() != picture.Width() ||
        duplicate.Height() != picture.Height())
        throw std::invalid_argument("the duplicate must be 24-bit and of the picture's size");
}

// A value computed from a pixel's colour alone, remembered in a
// direct-mapped cache keyed by the whole colour: pictures repeat colours,
// and the HLS conversion is the costly part. One per band.
template <class Compute> class ColourMemo {
public:
    explicit ColourMemo(const Compute& compute)
        : compute_(compute), slots_(std::make_unique<std::uint64_t[]>(kSlots)) {
        std::fill_n(slots_.get(), kSlots, kEmpty);
    }
    // The value (at most 32 bits) for the pixel at p (blue, green, red).
    std::uint32_t operator()(const std::uint8_t* p) {
        const std::uint32_t colour = p[0] | (p[1] << 8) | (p[2] << 16);
        std::uint64_t& slot = slots_[(colour * 0x9E3779B1u) >> (32 - kBits)];
        if (slot >> 32 != colour)
            slot = (std::uint64_t{colour} << 32) | compute_(int{p[2]}, int{p[1]}, int{p[0]});
        return static_cast<std::uint32_t>(slot);
    }

private:
    static constexpr int kBits = 16;
    static constexpr std::size_t kSlots = std::size_t{1} << kBits;
    static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
    const Compute& compute_;
    std::unique_ptr<std::uint64_t[]> slots_;
};

// A byte computed from a pixel's colour alone, kept like ColourMemo's
// values but in four-byte slots (colour and byte), so twice as many colours
// stay in the core's cache. Every slot starts with a colour that never maps
// to it, which no lookup can mistake for its own.
template <class Compute> class ColourByteMemo {
public:
    explicit ColourByteMemo(const Compute& compute)
        : compute_(compute), slots_(std::make_unique<std::uint32_t[]>(kSlots)) {
        static_assert(Slot(0) != Slot(1));
        std::fill_n(slots_.get(), kSlots, Entry(0, 0));
        slots_[Slot(0)] = Entry(1, 0);
    }
    std::uint8_t operator()(const std::uint8_t* p) {
        const std::uint32_t colour = p[0] | (p[1] << 8) | (p[2] << 16);
        std::uint32_t& slot = slots_[Slot(colour)];
        if (slot >> 8 != colour) slot = Entry(colour, compute_(int{p[2]}, int{p[1]}, int{p[0]}));
        return static_cast<std::uint8_t>(slot);
    }

private:
    static constexpr int kBits = 16;
    static constexpr std::size_t kSlots = std::size_t{1} << kBits;
    static constexpr std::size_t Slot(std::uint32_t colour) {
        return (colour * 0x9E3779B1u) >> (32 - kBits);
    }
    static constexpr std::uint32_t Entry(std::uint32_t colour, std::uint32_t value) {
        return (colour << 8) | (value & 0xFF);
    }
    const Compute& compute_;
    std::unique_ptr<std::uint32_t[]> slots_;
};

// pixel(p, d, memo) for every pixel of the picture and the duplicate's
// pixel at the same place, in bands of rows, each band with its own memo.
template <class Compute, class Pixel>
void PairPass(Bitmap& picture, const Bitmap& duplicate, const Compute& compute, Pixel pixel) {
    RequirePair(picture, duplicate);
    const std::int32_t width = picture.Width();
    ParallelRows(picture, 0, picture.Height(), [&](std::int32_t first, std::int32_t end) {
        ColourMemo<Compute> memo(compute);
        for (std::int32_t y = first; y < end; ++y) {
            std::uint8_t* p = picture.ScanLine(y);
            const std::uint8_t* d = duplicate.ScanLine(y);
            for (std::int32_t x = 0; x < width; ++x, p += 3, d += 3) pixel(p, d, memo);
        }
    });
}

// The same over one picture.
template <class Compute, class Pixel>
void SinglePass(Bitmap& picture, const Compute& compute, Pixel pixel) {
    RequireTrueColour(picture);
    const std::int32_t width = picture.Width();
    ParallelRows(picture, 0, picture.Height(), [&](std::int32_t first, std::int32_t end) {
        ColourMemo<Compute> memo(compute);
        for (std::int32_t y = first; y < end; ++y) {
            std::uint8_t* p = picture.ScanLine(y);
            for (std::int32_t x = 0; x < width; ++x, p += 3) pixel(p, memo);
        }
    });
}

inline std::uint8_t Byte(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// P' = w x P div scale + D x (scale - w) div scale per byte, at most 255.
inline void Blend(std::uint8_t* p, const std::uint8_t* d, int w, int scale) {
    for (int i = 0; i < 3; ++i) p[i] = Byte(w * p[i] / scale + d[i] * (scale - w) / scale);
}

// The mix of the picture's mask measure with the duplicate's.
inline int Mixed(int own, int other, int mix) {
    if (mix >= 99) return own;
    if (mix == 0) return other;
    return std::min(255, own * mix / 99 + other * (99 - mix) / 99);
}

// ---- Dialogs ----

constexpr EffectSlider ToleranceSlider(const char* caption, int start) {
    return {0, 1800, start, 60, 1, caption, "0", "1800"};
}
constexpr std::array<EffectSlider, 3> kToleranceSliders{
    ToleranceSlider("H&ue", 120), ToleranceSlider("&Lum", 1200), ToleranceSlider("&Sat", 1500)};
constexpr EffectDialogLayout kMaskBackDialog{"Mask Background Color Selection", 3,
                                             kToleranceSliders};
constexpr EffectDialogLayout kMaskForeDialog{"Mask Foreground Color Selection", 3,
                                             kToleranceSliders};
constexpr EffectDialogLayout kReplaceBackDialog{"Replace Background Color Selection", 3,
                                                kToleranceSliders};
constexpr EffectDialogLayout kReplaceForeDialog{"Replace Foreground Color Selection", 3,
                                                kToleranceSliders};
constexpr EffectDialogLayout kAirbrushDialog{"Airbrush Color Selection", 3, kToleranceSliders};

constexpr EffectSlider RgbSlider(const char* caption) {
    return {0, 255, 127, 1, 1, caption, "0", "255"};
}
constexpr std::array<EffectSlider, 3> kRgbSliders{RgbSlider("&Red  "), RgbSlider("&Green"),
                                                  RgbSlider("&Blue ")};
constexpr EffectDialogLayout kRgbForeDialog{"Replace RGB color selection as foreground", 3,
                                            kRgbSliders};
constexpr EffectDialogLayout kRgbBackDialog{"Replace RGB color selection as background", 3,
                                            kRgbSliders};

constexpr EffectDialogLayout CompositeDialog(const char* title, int start) {
    return {title,
            2,
            {EffectSlider{1, 500, start, 10, 1, "&Filter", "1 (narrow)", "500 (wide)"},
             EffectSlider{0, 99, 99, 10, 1, "&Effect", "0 (min)", "99 (max)"}}};
}
constexpr EffectDialogLayout kShadowsDialog = CompositeDialog("Mask Bitmap Shadows", 100);
constexpr EffectDialogLayout kHighlightsDialog = CompositeDialog("Mask Bitmap Highlights", 100);
constexpr EffectDialogLayout kMidTonesDialog = CompositeDialog("Mask Bitmap Midtones", 150);
constexpr EffectDialogLayout kContrastDialog = CompositeDialog("Mask Bitmap Contrast", 150);
constexpr EffectDialogLayout kEdgesDialog{
    "Set Mask Edges effect to",
    2,
    {EffectSlider{1, 255, 64, 16, 1, "&Filter", "1 (weak)", "255 (strong)"},
     EffectSlider{1, 255, 255, 16, 1, "&Effect", "1 (weak)", "255 (strong)"}}};

// ---- Work ----

template <bool foreground> void ColourMaskWork(ToolboxJob& job) {
    ColourMask(job.picture, *job.second, UnpackSelection(job.values), foreground);
}
template <bool invert>
void ReplaceHlsPass(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    ReplaceHls(picture, UnpackSelection(v), invert, false, true);
}
template <bool background>
void ReplaceRgbPass(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    ReplaceRgb(picture, {v.V1, v.V2, v.V3}, background);
}
void AirBrushPass(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    AirBrush(picture, UnpackSelection(v));
}
template <bool highlights> void ToneCompositeWork(ToolboxJob& job) {
    SetGammaLUT(job.tb, job.values.V1, 1);
    CompositeTone(job.picture, *job.second, job.tb.maps[1], job.values.V2, highlights);
}
void MidTonesWork(ToolboxJob& job) {
    SetMidToneLUT(job.tb, job.values.V1);
    CompositeMidTones(job.picture, *job.second, job.tb.maps[1], job.values.V2);
}
// The slider runs the other way from the mix.
void ContrastWork(ToolboxJob& job) {
    SetMidToneLUT(job.tb, job.values.V1);
    CompositeContrast(job.picture, *job.second, job.tb.maps[1], 99 - job.values.V2);
}
void GrayCompositeWork(ToolboxJob& job) {
    CompositeGray(job.picture, *job.second);
}
void MaskEdgesWork(ToolboxJob& job) {
    MaskEdges(job.picture, *job.second, job.values.V1, job.values.V2);
}

constexpr ParamRange kPacked{0, std::numeric_limits<int>::max()};
constexpr std::array<ParamRange, 3> kPackedRanges{kPacked, kPacked, kPacked};
constexpr ParamRange kLevel{0, 255};
constexpr std::array<ParamRange, 3> kRgbRanges{kLevel, kLevel, kLevel};
constexpr std::array<ParamRange, 3> kCompositeRanges{ParamRange{1, 500}, ParamRange{0, 99}};
constexpr const char* kPackedText = "each value tolerance x 65536 + centre, centre 0..3600";

// The composites take the undo copy once their duplicate is there, without
// the 256-colour warning.
constexpr unsigned kCompositeSteps = kDialogSteps & ~kStepColourWarning;

constexpr ToolboxOperation MaskEntry(const char* word, int code, ToolboxWork work,
                                     const EffectDialogLayout* dialog) {
    return {.word = word,
            .effectCode = code,
            .paramCount = 3,
            .ranges = kPackedRanges,
            .accepts = PackedSelectionValid,
            .acceptsText = kPackedText,
            .steps = kCompositeSteps,
            .dialog = dialog,
            .work = work,
            .needs = kNeedDuplicate};
}
constexpr ToolboxOperation SelectionEntry(const char* word, int code, ToolboxPixels pixels,
                                          const EffectDialogLayout* dialog) {
    return {.word = word,
            .effectCode = code,
            .paramCount = 3,
            .ranges = kPackedRanges,
            .accepts = PackedSelectionValid,
            .acceptsText = kPackedText,
            .steps = kDialogSteps,
            .pixels = pixels,
            .dialog = dialog};
}
constexpr ToolboxOperation CompositeEntry(const char* word, int code, ToolboxWork work,
                                          const EffectDialogLayout* dialog) {
    return {.word = word,
            .effectCode = code,
            .paramCount = 2,
            .ranges = kCompositeRanges,
            .steps = kCompositeSteps,
            .dialog = dialog,
            .work = work,
            .needs = kNeedDuplicate};
}

constexpr ToolboxOperation kMaskOperations[] = {
    MaskEntry("MASK_HLS", 151, ColourMaskWork<false>, &kMaskBackDialog),
    MaskEntry("MASK_HLSINV", 152, ColourMaskWork<true>, &kMaskForeDialog),
    SelectionEntry("REPLACE_HLS", 153, ReplaceHlsPass<true>, &kReplaceBackDialog),
    SelectionEntry("REPLACE_HLSINV", 154, ReplaceHlsPass<false>, &kReplaceForeDialog),
    SelectionEntry("AIRBRUSH", 155, AirBrushPass, &kAirbrushDialog),
    {.word = "REPLACE_RGB",
     .effectCode = 156,
     .paramCount = 3,
     .ranges = kRgbRanges,
     .steps = kDialogSteps,
     .pixels = ReplaceRgbPass<false>,
     .dialog = &kRgbForeDialog},
    {.word = "REPLACE_RGBINV",
     .effectCode = 157,
     .paramCount = 3,
     .ranges = kRgbRanges,
     .steps = kDialogSteps,
     .pixels = ReplaceRgbPass<true>,
     .dialog = &kRgbBackDialog},
    CompositeEntry("MASK_SHADOWS", 502, ToneCompositeWork<false>, &kShadowsDialog),
    CompositeEntry("MASK_HIGHLIGHTS", 503, ToneCompositeWork<true>, &kHighlightsDialog),
    CompositeEntry("MASK_MIDTONES", 501, MidTonesWork, &kMidTonesDialog),
    CompositeEntry("MASK_CONTRAST", 531, ContrastWork, &kContrastDialog),
    {.word = "MASK_GRAYSCALE", .work = GrayCompositeWork, .needs = kNeedDuplicate},
    // Without a matching duplicate Mask Edges does nothing, silently.
    {.word = "MASK_EDGES",
     .effectCode = 520,
     .paramCount = 2,
     .ranges = {kLevel, kLevel},
     .status = "Masking edges ...",
     .steps = kDialogSteps,
     .dialog = &kEdgesDialog,
     .work = MaskEdgesWork,
     .needs = kNeedDuplicateQuiet},
};

} // namespace

std::span<const ToolboxOperation> MaskOperations() {
    return kMaskOperations;
}

bool ColourSelection::Holds(const Hls& c) const {
    return std::abs(c.H - centre.H) < tolerance.H && std::abs(c.L - centre.L) < tolerance.L &&
           std::abs(c.S - centre.S) < tolerance.S;
}

bool PackedSelectionValid(const EffectValues& v) {
    for (int n = 0; n < 3; ++n)
        if (v[n] < 0 || (v[n] & 0xFFFF) > kHlsMax) return false;
    return true;
}

ColourSelection UnpackSelection(const EffectValues& v) {
    return {{v.V1 & 0xFFFF, v.V2 & 0xFFFF, v.V3 & 0xFFFF}, {v.V1 >> 16, v.V2 >> 16, v.V3 >> 16}};
}

namespace {

// Each byte P becomes (255 - o) x P div 255 + o x D div 255, o the byte's
// weight; the sum never passes 255.
void BlendByWeights(std::uint8_t* __restrict p, const std::uint8_t* __restrict d,
                    const std::uint8_t* __restrict o, std::int64_t bytes) {
    InBlocks(bytes, [=](std::int64_t i) {
        p[i] = static_cast<std::uint8_t>(static_cast<std::uint16_t>((255 - o[i]) * p[i]) / 255 +
                                         static_cast<std::uint16_t>(o[i] * d[i]) / 255);
    });
}

} // namespace

void ColourMask(Bitmap& picture, const Bitmap& duplicate, const ColourSelection& selection,
                bool foreground) {
    const auto weight = [&selection, foreground](int R, int G, int B) -> std::uint32_t {
        const Hls c = RGBtoHLS(R, G, B);
        std::int64_t o = 255;
        if (!selection.Holds(c)) {
            // The sum of three squares reaches 3 x 3600^2: 64 bits.
            const std::int64_t h = c.H - selection.centre.H;
            const std::int64_t l = c.L - selection.centre.L;
            const std::int64_t s = c.S - selection.centre.S;
            o = std::min<std::int64_t>(255, (h * h + l * l + s * s) * 255 / 38'880'000);
        }
        return static_cast<std::uint32_t>(foreground ? 255 - o : o);
    };
    RequirePair(picture, duplicate);
    const std::int32_t width = picture.Width();
    const std::int64_t rowBytes = 3 * static_cast<std::int64_t>(width);
    // The weights of a row first, a byte each, then the blend on vector lanes.
    ParallelRows(picture, 0, picture.Height(), [&](std::int32_t first, std::int32_t end) {
        ColourByteMemo<decltype(weight)> memo(weight);
        std::vector<std::uint8_t> weights(static_cast<std::size_t>(rowBytes));
        for (std::int32_t y = first; y < end; ++y) {
            std::uint8_t* p = picture.ScanLine(y);
            for (std::int64_t i = 0; i < rowBytes; i += 3)
                std::fill_n(weights.data() + i, 3, memo(p + i));
            BlendByWeights(p, duplicate.ScanLine(y), weights.data(), rowBytes);
        }
    });
}

void ReplaceHls(Bitmap& picture, const ColourSelection& selection, bool invert, bool quantise,
                bool black) {
    const int keep = quantise ? 240 : 255;
    // The new colour as blue, green, red.
    const auto replace = [&](int R, int G, int B) -> std::uint32_t {
        R &= keep, G &= keep, B &= keep;
        if (selection.Holds(RGBtoHLS(R, G, B)) != invert) return 0xFFFFFF;
        return black ? 0 : static_cast<std::uint32_t>(B | (G << 8) | (R << 16));
    };
    SinglePass(picture, replace, [](std::uint8_t* p, auto& memo) {
        const std::uint32_t c = memo(p);
        p[0] = static_cast<std::uint8_t>(c);
        p[1] = static_cast<std::uint8_t>(c >> 8);
        p[2] = static_cast<std::uint8_t>(c >> 16);
    });
}

void ReplaceRgb(Bitmap& picture, Rgb colour, bool background) {
    RequireTrueColour(picture);
    const std::int32_t width = picture.Width();
    ParallelRows(picture, 0, picture.Height(), [&](std::int32_t first, std::int32_t end) {
        for (std::int32_t y = first; y < end; ++y) {
            std::uint8_t* p = picture.ScanLine(y);
            for (std::int32_t x = 0; x < width; ++x, p += 3) {
                const bool same = p[2] == colour.R && p[1] == colour.G && p[0] == colour.B;
                p[0] = p[1] = p[2] = same != background ? 255 : 0;
            }
        }
    });
}

void AirBrush(Bitmap& picture, const ColourSelection& selection) {
    RequireTrueColour(picture);
    Bitmap smooth = picture;
    // Strength 255 puts the mean in place of every pixel the gate lets through.
    SharpGaussianBlur5x5(smooth, 255, 255);
    // The test sees only 4096 colours: a table.
    std::vector<bool> selected(4096);
    for (int c = 0; c < 4096; ++c)
        selected[static_cast<std::size_t>(c)] =
            selection.Holds(RGBtoHLS((c >> 8) << 4, ((c >> 4) & 15) << 4, (c & 15) << 4));
    const std::int32_t width = picture.Width();
    ParallelRows(picture, 0, picture.Height(), [&](std::int32_t first, std::int32_t end) {
        for (std::int32_t y = first; y < end; ++y) {
            std::uint8_t* p = picture.ScanLine(y);
            const std::uint8_t* s = smooth.ScanLine(y);
            for (std::int32_t x = 0; x < width; ++x, p += 3, s += 3)
                if (selected[static_cast<std::size_t>(((p[2] >> 4) << 8) | ((p[1] >> 4) << 4) |
                                                      (p[0] >> 4))])
                    std::copy_n(s, 3, p);
        }
    });
}

namespace {

int GreyOf(const std::uint8_t* p) {
    return GrayLevel(p[2], p[1], p[0]);
}

std::uint32_t ContrastMeasure(int R, int G, int B) {
    const Hls c = RGBtoHLS(R, G, B);
    return static_cast<std::uint32_t>(std::min(255, std::abs(c.L - c.S) * 255 / kHlsMax));
}

// A memo that computes nothing, for the passes that need none.
std::uint32_t NoMeasure(int, int, int) {
    return 0;
}

} // namespace

void CompositeTone(Bitmap& picture, const Bitmap& duplicate, const ToneMap& map, int mix,
                   bool highlights) {
    PairPass(picture, duplicate, NoMeasure, [&](std::uint8_t* p, const std::uint8_t* d, auto&) {
        const int e = Mixed(GreyOf(p), GreyOf(d), mix);
        Blend(p, d, map[static_cast<std::size_t>(highlights ? e : 255 - e)], 255);
    });
}

void CompositeMidTones(Bitmap& picture, const Bitmap& duplicate, const ToneMap& map, int mix) {
    PairPass(picture, duplicate, NoMeasure, [&](std::uint8_t* p, const std::uint8_t* d, auto&) {
        const int e = Mixed(GreyOf(p), GreyOf(d), mix);
        Blend(p, d, map[static_cast<std::size_t>(std::max(0, 127 - std::abs(e - 127)))], 127);
    });
}

void CompositeContrast(Bitmap& picture, const Bitmap& duplicate, const ToneMap& map, int mix) {
    const auto measure = [](int R, int G, int B) { return ContrastMeasure(R, G, B); };
    PairPass(picture, duplicate, measure, [&](std::uint8_t* p, const std::uint8_t* d, auto& memo) {
        const int own = static_cast<int>(memo(p));
        const int e = mix >= 99 ? own : Mixed(own, static_cast<int>(memo(d)), mix);
        Blend(p, d, map[static_cast<std::size_t>(std::max(0, 127 - std::abs(e - 127)))], 127);
    });
}

void CompositeGray(Bitmap& picture, const Bitmap& duplicate) {
    const auto lightness = [](int R, int G, int B) {
        return static_cast<std::uint32_t>(RGBtoHLS(R, G, B).L);
    };
    const auto hueSaturation = [](int R, int G, int B) {
        const Hls c = RGBtoHLS(R, G, B);
        return static_cast<std::uint32_t>(c.H | (c.S << 16));
    };
    RequirePair(picture, duplicate);
    const std::int32_t width = picture.Width();
    ParallelRows(picture, 0, picture.Height(), [&](std::int32_t first, std::int32_t end) {
        ColourMemo<decltype(lightness)> own(lightness);
        ColourMemo<decltype(hueSaturation)> other(hueSaturation);
        for (std::int32_t y = first; y < end; ++y) {
            std::uint8_t* p = picture.ScanLine(y);
            const std::uint8_t* d = duplicate.ScanLine(y);
            for (std::int32_t x = 0; x < width; ++x, p += 3, d += 3) {
                const std::uint32_t hs = other(d);
                const Rgb c =
                    ClampHlsRgb(HLStoRGB(static_cast<int>(hs & 0xFFFF), static_cast<int>(own(p)),
                                         static_cast<int>(hs >> 16)));
                p[0] = static_cast<std::uint8_t>(c.B);
                p[1] = static_cast<std::uint8_t>(c.G);
                p[2] = static_cast<std::uint8_t>(c.R);
            }
        }
    });
}

void MaskEdges(Bitmap& picture, const Bitmap& duplicate, int threshold, int amount) {
    RequirePair(picture, duplicate);
    BlendFlat5x5(picture, duplicate, threshold, amount);
}

} // namespace zv
