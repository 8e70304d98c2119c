#pragma once
// Random noise: pixels replaced by random colours, repeatable from a seed.

#include "imaging/Bitmap.h"

#include <cstdint>

namespace zv {

// The largest of red, green and blue (each 0..255) is how likely a pixel is
// replaced, out of 255; a replaced pixel takes a random level below each of
// them. Every row draws from its own generator, seeded from `seed` and the
// row, so the result does not depend on how the rows are shared among
// threads. 24-bit pictures only.
void RandomNoise(Bitmap& picture, int red, int green, int blue, std::uint64_t seed);

// A seed for noise nobody asked to repeat.
std::uint64_t FreshSeed();

} // namespace zv
