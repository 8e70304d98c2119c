#pragma once
// The one-click corrections of the Tune menu that choose their own
// parameters from the picture: Auto White, Auto Balance, Auto Gamma, Auto
// Flash, and the automatic Enhance variants Auto Contrast, Auto Lighting
// and Auto Saturate. Each is a pure operation on the picture and the
// toolbox state; the registry runs them through the toolbox protocol.

#include "imaging/Bitmap.h"
#include "processing/ToneMaps.h"

#include <array>

namespace zv {

// Auto White: each channel brightened by SetBrightLUT(127 - c div 2), c the
// white reference's level in it, and ColorFilter: a factor of 1.00 for a
// reference level of 255, 1.49 for 128, 2.00 for 0.
std::array<ToneMap, 3> AutoWhiteMaps(const Bitmap& picture);
void AutoWhite(Bitmap& picture, ToolboxContext& tb);

// Auto Balance: the wide maps SetBrightLUTex(255 - c) for each channel level
// c of the white reference, through BalanceFilter.
void AutoBalance(Bitmap& picture, ToolboxContext& tb);

// The gamma Auto Gamma chooses (hundredths, at least 100), from the mid-tone
// mean m and deviation s: the target m + k, where k counts the steps the
// band m +- (s + 2k) can widen while staying inside 1..255, and the first
// gamma from 25 to 500 that brings m within 2 of it; 100 when none does or
// the picture has no mid-tones.
int AutoGammaFor(const Bitmap& picture);
// Auto Gamma: the chosen gamma through BalanceGammaFilter. A gamma of 100
// leaves the picture as it is.
void AutoGamma(Bitmap& picture, ToolboxContext& tb);

// The trial corrections Auto Flash measures.
enum class FlashTrial { Optimize = 0, AutoContrast = 1, AutoWhite = 2 };
// 1 and 2 select Auto Contrast and Auto White, anything else Optimize.
FlashTrial FlashTrialFor(int selector);
// Auto Flash: when the trial would brighten the mid-tones (rounded mean),
// DoConformGamma to the trial's mid-tone mean; otherwise nothing changes.
void AutoFlash(Bitmap& picture, ToolboxContext& tb, FlashTrial trial);

// The levels Auto Contrast and Auto Lighting stretch to 0..255 come from
// the grey histogram, those of Auto Saturate from the saturation histogram
// (the Enhance dialogs' start positions).
std::array<ToneMap, 3> AutoContrastMaps(const Bitmap& picture);
void AutoContrast(Bitmap& picture, ToolboxContext& tb);
void AutoLighting(Bitmap& picture, ToolboxContext& tb);
void AutoSaturate(Bitmap& picture, ToolboxContext& tb);

} // namespace zv
