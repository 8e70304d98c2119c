#pragma once
// Method 1: shrunk data. Shrinking is LZW with codes of 9 to 13 bits, read
// from the low bit up. Codes 0..255 stand for themselves; code 256 escapes a
// control code (1: the code size grows by one bit, 2: partial clear); codes
// 257..8191 are strings added one per code read, each the previous code's
// string plus the first byte of the current one, in the lowest free slot. A
// partial clear frees every string that no other string extends, and the
// freed slots are reused lowest first.

#include "album/ZipStreams.h"

namespace zv {

// Expands until the output holds the entry's declared size; throws
// EZipError (Corrupt) on a code that names no string, a bad control code,
// or data that ends too soon.
void ZipUnshrink(ZipInput& in, ZipOutput& out);

} // namespace zv
