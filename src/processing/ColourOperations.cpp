#include "processing/ColourOperations.h"

#include "processing/ByteBlocks.h"
#include "processing/ColourDepth.h"
#include "processing/ColourPass.h"
#include "processing/Histogram.h"
#include "processing/RowBands.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace zv {

namespace {

// Every pixel of a true-colour picture becomes the grey grey(R, G, B).
template <class Grey> void GreyPass(Bitmap& picture, Grey grey) {
    const std::int32_t width = picture.Width();
    ParallelRows(picture, 0, picture.Height(), [&](std::int32_t first, std::int32_t end) {
        for (std::int32_t y = first; y < end; ++y) {
            std::uint8_t* p = picture.ScanLine(y);
            for (std::int32_t x = 0; x < width; ++x, p += 3)
                p[0] = p[1] = p[2] = static_cast<std::uint8_t>(grey(p[2], p[1], p[0]));
        }
    });
}

// ---- Dialogs ----

constexpr EffectSlider HlsSlider(const char* caption, const char* low, const char* high) {
    return {-999, 999, 0, 10, 1, caption, low, high};
}
constexpr EffectDialogLayout kHlsDialog{"Adjust Hue-Luminance-Saturation",
                                        3,
                                        {HlsSlider("H&ue", "-999 (mag)", "+999 (yel)"),
                                         HlsSlider("&Lum", "-999 (less)", "+999 (more)"),
                                         HlsSlider("&Sat", "-999 (less)", "+999 (more)")}};
constexpr EffectDialogLayout kPosterizeDialog{
    "Cut resolution (posterize) to", 1, {EffectSlider{2, 7, 3, 1, 1, "&Filter", "2 bpp", "7 bpp"}}};

// ---- Pixel work ----

void HlsPass(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    TuneHls(picture, v.V1, v.V2, v.V3 * kHlsMax / 999);
}
void NegativePass(Bitmap& picture, ToolboxContext&, const EffectValues&) {
    InvertPicture(picture);
}
void RgbMaxPass(Bitmap& picture, ToolboxContext&, const EffectValues&) {
    RgbMax(picture);
}
void PosterizePass(Bitmap& picture, ToolboxContext&, const EffectValues& v) {
    Posterize(picture, v.V1);
}
void RedEyeWork(ToolboxJob& job) {
    RepairRedEye(job.picture, job.selection);
}

constexpr ParamRange kHlsShift{-999, 999};

// Negative keeps the picture's depth and Gray shades chooses its own, so
// they take no true-colour step.
constexpr unsigned kOwnDepthSteps = kPlainSteps & ~kStepTrueColour;
// Red Eye records nothing.
constexpr unsigned kRedEyeSteps = kPlainSteps & ~kStepRecord;

constexpr ToolboxOperation kColourOperations[] = {
    {.word = "HLS",
     .effectCode = 150,
     .paramCount = 3,
     .ranges = {kHlsShift, kHlsShift, kHlsShift},
     .status = "Adjusting HLS ...",
     .steps = kDialogSteps,
     .pixels = HlsPass,
     .dialog = &kHlsDialog},
    {.word = "NEGATIVE", .steps = kOwnDepthSteps, .pixels = NegativePass, .needs = kAnyDepth},
    {.word = "GRAYSCALE", .steps = kOwnDepthSteps, .work = GrayShadesWork, .needs = kAnyDepth},
    {.word = "RGBMAX", .pixels = RgbMaxPass},
    {.word = "POSTERIZE",
     .effectCode = 251,
     .paramCount = 1,
     .ranges = {ParamRange{2, 7}},
     .steps = kDialogSteps,
     .pixels = PosterizePass,
     .dialog = &kPosterizeDialog},
    // Batch scripts have no word for Red Eye; the tool's word needs --select.
    {.word = "REDEYE",
     .steps = kRedEyeSteps,
     .work = RedEyeWork,
     .needs = kNeedSelection | kToolOnly},
};

} // namespace

std::span<const ToolboxOperation> ColourOperations() {
    return kColourOperations;
}

void TuneHls(Bitmap& picture, int dh, int dl, int ds) {
    ColourPass(picture, [dh, dl, ds](int R, int G, int B) {
        const Hls c = RGBtoHLS(R, G, B);
        int h = c.H + dh;
        if (h < 0) h += kHlsMax;
        if (h > kHlsMax) h -= kHlsMax;
        const int l = std::clamp(c.L + dl, 0, kHlsMax);
        // A grey's hue is only a placeholder; saturating it would invent a colour.
        const int s = c.S == 0 ? 0 : std::clamp(c.S + ds, 0, kHlsMax);
        return ClampHlsRgb(HLStoRGB(h, l, s));
    });
}

void InvertPicture(Bitmap& picture) {
    if (picture.Empty()) return;
    if (PaletteSizeOf(picture.Format()) > 0) {
        // The indices stay; their colours invert, which is the negative
        // whatever order the palette has.
        Palette colours = picture.Colours();
        for (PaletteEntry& c : colours) {
            c.red = static_cast<std::uint8_t>(255 - c.red);
            c.green = static_cast<std::uint8_t>(255 - c.green);
            c.blue = static_cast<std::uint8_t>(255 - c.blue);
        }
        picture.SetPalette(colours);
        return;
    }
    const int bits = picture.BitsPerPixel();
    const std::int64_t bytes = (static_cast<std::int64_t>(picture.Width()) * bits + 7) / 8;
    // The fourth byte of 32-bit pixels (unused or opacity) and the unused
    // top bit of 15-bit pixels stay.
    const bool fourBytes = bits == 32;
    const bool fifteen = picture.Format() == PixelFormat::Bits15;
    ParallelRows(picture, 0, picture.Height(), [&](std::int32_t first, std::int32_t end) {
        for (std::int32_t y = first; y < end; ++y) {
            std::uint8_t* p = picture.ScanLine(y);
            if (fourBytes) {
                for (std::int64_t i = 0; i < bytes; i += 4)
                    for (int k = 0; k < 3; ++k) p[i + k] = static_cast<std::uint8_t>(~p[i + k]);
            } else if (fifteen) {
                for (std::int64_t i = 0; i < bytes; i += 2) p[i] ^= 0xFF, p[i + 1] ^= 0x7F;
            } else {
                InBlocks(bytes, [p](std::int64_t i) { p[i] = static_cast<std::uint8_t>(~p[i]); });
            }
        }
    });
}

void GrayShades(Bitmap& picture) {
    if (picture.Format() != PixelFormat::Bits24) return;
    GreyPass(picture, [](int R, int G, int B) { return GrayLevel(R, G, B); });
}

void RgbMax(Bitmap& picture) {
    if (picture.Format() != PixelFormat::Bits24) return;
    GreyPass(picture, [](int R, int G, int B) { return std::max({R, G, B}); });
}

void Posterize(Bitmap& picture, int bits) {
    if (picture.Format() != PixelFormat::Bits24) return;
    const std::uint8_t mask =
        bits >= 2 && bits <= 6 ? static_cast<std::uint8_t>(0xFF << (8 - bits)) : std::uint8_t{254};
    const std::int64_t bytes = 3 * static_cast<std::int64_t>(picture.Width());
    ParallelRows(picture, 0, picture.Height(), [&](std::int32_t first, std::int32_t end) {
        for (std::int32_t y = first; y < end; ++y) {
            std::uint8_t* p = picture.ScanLine(y);
            InBlocks(bytes, [p, mask](std::int64_t i) { p[i] &= mask; });
        }
    });
}

void RepairRedEye(Bitmap& picture, PictureRect selection) {
    if (picture.Format() != PixelFormat::Bits24) return;
    if (selection.bottom - selection.top > 5) selection.bottom -= 2;
    const std::int32_t left = std::max(selection.left, 0);
    const std::int32_t top = std::max(selection.top, 0);
    const std::int32_t right = std::min(selection.right, picture.Width());
    const std::int32_t bottom = std::min(selection.bottom, picture.Height());
    for (std::int32_t y = top; y < bottom; ++y) {
        std::uint8_t* p = picture.ScanLine(y) + 3 * static_cast<std::int64_t>(left);
        for (std::int32_t x = left; x < right; ++x, p += 3)
            if (p[1] + 8 < p[2] && p[0] + 8 < p[2]) p[2] = std::max(p[0], p[1]);
    }
}

} // namespace zv
