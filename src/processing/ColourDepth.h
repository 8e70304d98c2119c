#pragma once
// Colors > Reduce to: the picture reduced to fewer colours through the
// imaging library, keeping the palette the library chose. The poster items
// have batch words; the dither items (and the 256-colour offer, which is
// "256 colors (dither)") have words only `zelvan-tool apply` runs. Their
// registry entries are in GeometryOperations.cpp.

#include "processing/Toolbox.h"

namespace zv {

// The reductions of the menu: colours and dither.
enum class Reduction {
    Colours256, // "256 colors (dither)": 236 colours on an 8-bit display
    Greys256,   // "256 grays (dither)"
    Colours16,  // "16 colors (dither)"
    BlackWhite, // "B/W"
};

// The library's colour count and mode for a reduction and the method the
// user chose (0 "Standard" .. 2 "Optimal").
struct ReductionMode {
    int colours = 0;
    int mode = 0;
};
ReductionMode ReductionModeOf(Reduction reduction, int method, int screenBits);

// QUANTIZE16 and QUANTIZE256: the picture's own most frequent colours, 236
// instead of 256 on an 8-bit display.
void Poster16Work(ToolboxJob& job);
void Poster256Work(ToolboxJob& job);

// GRAYSCALE: on an 8-bit display the library's reduction onto a grey ramp
// (16 greys for pictures below 8 bits, else 256); elsewhere every pixel of
// the picture, made 24-bit, becomes its grey level.
void GrayShadesWork(ToolboxJob& job);

// REDUCE_256, REDUCE_GRAY256, REDUCE_16 and REDUCE_BW with the method 0..2.
template <Reduction R> void ReduceWork(ToolboxJob& job);

} // namespace zv
