#pragma once
// Methods 2 to 5: reduced data, compression factor 1 to 4 (method - 1).
// Two stages. The outer one is a probabilistic coding of bytes: the data
// starts with a follower set for each byte value, 255 down to 0 (6 bits of
// count, at most 32, then the followers, 8 bits each); each byte is then
// either one of its predecessor's followers (a 0 bit and its index) or
// written out (a 1 bit and 8 bits), or written out alone when the
// predecessor has no followers. The inner stage is a sliding window over
// those bytes: 0x90 starts a back-reference (0x90 0x00 is 0x90 itself) whose
// first byte holds the length in its low 8 - factor bits, with an extra
// length byte when those are all ones, and the high distance bits above
// them; the last byte holds the low 8 bits of the distance.

#include "album/ZipStreams.h"

namespace zv {

// `factor` is 1..4. Expands until the output holds the entry's declared
// size; throws EZipError (Corrupt) on an invalid follower set or index, or
// data that ends too soon.
void ZipUnreduce(ZipInput& in, ZipOutput& out, int factor);

} // namespace zv
