#pragma once
// DeFog: haze taken out of a picture. Each pixel's saturation is raised in
// proportion to its distance from white (w, the sum of the squared
// distances of its three bytes from 255, at most 195075) times `boost` / 128,
// and then a grey component, its darkest byte scaled by w / 195075 and by
// `strength` / 255, is taken away from all three bytes. Pixels near white
// are left almost alone; darker, duller pixels gain colour and lose haze.

#include "imaging/Bitmap.h"
#include "processing/Hls.h"

namespace zv {

// The new colour of one pixel.
Rgb DefogColour(int R, int G, int B, int strength, int boost);

// DoDefog over the whole picture.
void DoDefog(Bitmap& picture, int strength, int boost);

} // namespace zv
