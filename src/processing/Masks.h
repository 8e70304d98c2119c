#pragma once
// Colour selections and masks: the HLS selection (a centre and three
// tolerances, packed two to a batch value), the colour masks and the
// composites that blend the picture with the duplicate through a mask of
// tone, colour, contrast or edges, the HLS and RGB replacements and the
// airbrush, as toolbox entries and as passes. Every pass works on 24-bit
// pictures; the two-picture passes take a duplicate of the same size.

#include "processing/Hls.h"
#include "processing/Toolbox.h"

#include <span>

namespace zv {

std::span<const ToolboxOperation> MaskOperations();

// Centre and tolerances on the HLS scale. A colour is selected when each
// component lies strictly within tolerance of the centre (hues are not
// taken round the circle).
struct ColourSelection {
    Hls centre;
    Hls tolerance;
    bool Holds(const Hls& c) const;
};
// Each batch value is tolerance x 65536 + centre: V1 hue, V2 lightness, V3
// saturation. Valid when no value is negative and every centre is at most
// 3600.
bool PackedSelectionValid(const EffectValues& v);
ColourSelection UnpackSelection(const EffectValues& v);

// The mask value of a colour: 255 inside the selection, else the colour's
// squared HLS distance from the centre scaled to 0..255; then each byte
// becomes (255 - o) x P div 255 + o x D div 255. Foreground turns o round.
void ColourMask(Bitmap& picture, const Bitmap& duplicate, const ColourSelection& selection,
                bool foreground);
// Each pixel (bytes ANDed with 240 when quantise) is tested; the output
// starts as that colour, or black when `black`; selected colours (with
// invert: the others) become white.
void ReplaceHls(Bitmap& picture, const ColourSelection& selection, bool invert, bool quantise,
                bool black);
// Pixels of exactly `colour` become white and the rest black; the reverse
// for the background.
void ReplaceRgb(Bitmap& picture, Rgb colour, bool background);
// Pixels whose colour, each byte ANDed with 240, is selected take the 5 x 5
// smoothed picture's pixel.
void AirBrush(Bitmap& picture, const ColourSelection& selection);

// The composites. `map` is the toolbox's map 1 as the operation built it;
// `mix` 0..99 mixes the mask measure of the picture (99) with the
// duplicate's (0).
void CompositeTone(Bitmap& picture, const Bitmap& duplicate, const ToneMap& map, int mix,
                   bool highlights);
void CompositeMidTones(Bitmap& picture, const Bitmap& duplicate, const ToneMap& map, int mix);
void CompositeContrast(Bitmap& picture, const Bitmap& duplicate, const ToneMap& map, int mix);
// The duplicate's hue and saturation with the picture's lightness.
void CompositeGray(Bitmap& picture, const Bitmap& duplicate);
// Where a pixel's lightness is within `threshold` of its 5 x 5 mean's
// (rows 2 .. height-4, columns 2 .. width-3), it moves toward the
// duplicate by amount/255.
void MaskEdges(Bitmap& picture, const Bitmap& duplicate, int threshold, int amount);

} // namespace zv
