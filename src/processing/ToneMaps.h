#pragma once
// The toolbox's tone maps: three 256-entry byte tables (0 red, 1 green,
// 2 blue; map 1 is also the lightness curve and the first saturation stage,
// map 2 the second), three 16-bit tables for the balance filter, the effect
// values V1..V3, the builders that fill the tables and the appliers that run
// them over a 24-bit picture.
//
// The tables are state shared by every toolbox command and by the effect
// dialog's preview. A builder writes only the entries it names; every other
// entry keeps its value, so a command builds every entry its applier reads.
// Everything starts at 0.
//
// Arithmetic: Round is round-half-to-even, div truncates toward zero, and a
// value is limited to 0..255 before it is stored or used as an index. Where a
// builder's formula is a ratio of integers it is evaluated exactly, so halves
// round as the formula says rather than as a binary fraction happens to fall.

#include "imaging/Bitmap.h"

#include <array>
#include <cstdint>
#include <string>

namespace zv {

using ToneMap = std::array<std::uint8_t, 256>;
using WideMap = std::array<std::uint16_t, 256>;

// The three numbers an operation takes: the effect dialog's results, or a
// batch line's parameters P1..P3.
struct EffectValues {
    int V1 = 0;
    int V2 = 0;
    int V3 = 0;
    int operator[](int n) const { return n == 0 ? V1 : n == 1 ? V2 : V3; }
    friend bool operator==(const EffectValues&, const EffectValues&) = default;
};

// The toolbox state the program keeps once and tests make afresh.
struct ToolboxContext {
    std::array<ToneMap, 3> maps{};
    std::array<WideMap, 3> wide{};
    EffectValues values;              // V1..V3 of the last operation run
    bool ignoreColourWarning = false; // "Ignore" to the 256-colour question, until the program ends
    std::string failure;              // why the last operation that failed could not run
};

// Builders. `ch` is 0 red, 1 green, 2 blue; any other channel writes nothing.
void ResetMaps(ToolboxContext& tb);
// Map ch: 255 x (i/255)^(100/g); g in hundredths, 100 the identity. g <= 0
// writes nothing.
void SetGammaLUT(ToolboxContext& tb, int g, int ch);
// Factor f = ((b + 127) x 100 div 127) / 100; entry 0 of all maps 0, map ch
// entries 1..255 min(255, Round(i x f)).
void SetBrightLUT(ToolboxContext& tb, int b, int ch);
// The same factor into wide map ch, unclamped; entry 0 of all wide maps 0.
void SetBrightLUTex(ToolboxContext& tb, int b, int ch);
// Entry 0 of all maps 0; map ch entries 1..255 clamp(i + s).
void SetShiftLUT(ToolboxContext& tb, int s, int ch);
// c < 0 reduces contrast toward the middle (c = -127 flattens 0..127 to 127
// and 128..255 to 128), c > 0 increases it, 0 is the identity. Writes map ch
// entries 0..255 and nothing else.
void SetContrastLUT(ToolboxContext& tb, int c, int ch);
// Levels lo..hi spread over 0..255: 0..lo to 0, hi..255 to 255, between them
// Round(j x 255 / (hi - lo)). With hi <= lo the overlap ends as 255.
void SetStretchLUT(ToolboxContext& tb, int lo, int hi, int ch);
// Levels 0..255 squeezed into lo..hi: lo + Round(i x (hi - lo) / 255).
void SetSupressLUT(ToolboxContext& tb, int lo, int hi, int ch);
// Parametric equaliser: a half-sine bump of width 2 x band around centre,
// added (gain > 0) or taken away (gain < 0) as k x k div 255. Gain 0 makes
// all three maps the identity.
void SetEqLUT(ToolboxContext& tb, int centre, int band, int ch, int gain);
// Map 1 entries 0..127: 127 x (i/127)^(100/g).
void SetMidToneLUT(ToolboxContext& tb, int g);
// Levels lo..m spread over 0..m in map ch entries 0..m-1.
void SetLoRemap(ToolboxContext& tb, int lo, int m, int ch);
// Levels m..hi spread over m..255 in map ch entries m..255.
void SetHiRemap(ToolboxContext& tb, int hi, int m, int ch);
// Map ch entry i: how many levels below i occur (count above 0) in `counts`
// (256 levels), so the levels in use become consecutive from 0.
void SetZeroMapLUT(ToolboxContext& tb, const std::int32_t* counts, int ch);

// Appliers: each runs over every pixel of a Bits24 picture and does nothing
// to a picture of any other format.
// R = map0[R], G = map1[G], B = map2[B].
void ColorFilter(Bitmap& bitmap, const ToolboxContext& tb);
// R = 255 - map0[255 - R], likewise G and B.
void NegColorFilter(Bitmap& bitmap, const ToolboxContext& tb);
// Lightness through map 1.
void LuminanceFilter(Bitmap& bitmap, const ToolboxContext& tb);
// Saturation through map 1, then map 2.
void SaturationFilter(Bitmap& bitmap, const ToolboxContext& tb);
// The wide maps, each pixel normalised so its brightest balanced channel is
// 255, blended with the old colour by luminance: dark pixels keep theirs.
void BalanceFilter(Bitmap& bitmap, const ToolboxContext& tb);
// Map 1 on every channel, acting fully on black and not at all on white.
void BalanceGammaFilter(Bitmap& bitmap, const ToolboxContext& tb);

// The fixed curves of the Contrast menu, which use no map.
// Every byte v becomes v x v div 255.
void UnWashFilter(Bitmap& bitmap);
// Lightness L becomes L x L div 3600.
void AttenuateFilter(Bitmap& bitmap);
// The colour at the lightness its darkest channel's grey would take through
// Attenuate, averaged with the old colour.
void UnCookFilter(Bitmap& bitmap);

} // namespace zv
