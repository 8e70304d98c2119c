#pragma once
// Method 8: deflated data, inflated by zlib as a raw stream.

#include "album/ZipStreams.h"

namespace zv {

// Inflates until the output holds the entry's declared size; throws
// EZipError (Corrupt) for invalid data or data that ends before that.
void ZipInflate(ZipInput& in, ZipOutput& out);

} // namespace zv
