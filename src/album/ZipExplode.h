#pragma once
// Method 6: imploded data. A sliding window of 4K or 8K (flag bit 1) with
// Shannon-Fano coded lengths and distances, and literals either Shannon-Fano
// coded (flag bit 2: the literal tree is present) or written as 8 bits.
//
// The data starts with the trees (literal, if present, then length, then
// distance), each as a byte holding its size less one followed by that many
// bytes, each a run of values sharing one bit length: the high four bits
// are the run less one, the low four the bit length less one. Codes are
// given out from the longest lengths up, so a tree is the bitwise complement
// of a canonical prefix code, and its bits are read one at a time from the
// low bit up.
//
// Then each item is a 1 bit and a literal, or a 0 bit and a back-reference:
// the low 6 (4K) or 7 (8K) distance bits, the distance tree's code for the
// high 6 bits, and the length tree's code (63 is followed by 8 more bits of
// length). Lengths start at 3 with the literal tree and 2 without.

#include "album/ZipStreams.h"

namespace zv {

// Expands until the output holds the entry's declared size; throws
// EZipError (Corrupt) on an invalid tree, an unused code, or data that ends
// too soon.
void ZipExplode(ZipInput& in, ZipOutput& out, bool window8K, bool literalTree);

} // namespace zv
