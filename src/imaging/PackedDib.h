#pragma once
// The packed form in which a picture goes to the imaging library and the
// clipboard: an information header, the colour table and the rows bottom-up
// in one block; and the parser that reads such a block back safely.

#include "imaging/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace zv {

// Raised for a packed block that is malformed or asks for what it does not hold.
class EPackedDibError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::int64_t kDibInfoHeaderSize = 40;

// The block a packed picture occupies: (header and colour table bytes +
// pixel bytes + 4096) rounded down to a multiple of 16.
std::int64_t PackedDibBlockSize(std::int64_t headerAndColourBytes, std::int64_t pixelBytes);

// The picture packed with a 40-byte header, a colour table of 2^bits entries
// for 1, 4 and 8 bits, and its rows bottom-up; Bits15, Bits16, Bits32 and
// Device pictures are packed as 24-bit. The bytes past the rows are zero.
// Throws EBitmapError for an empty picture or one too large for the header.
std::vector<std::uint8_t> BuildPackedDib(const Bitmap& bitmap);

// Reads a packed block: header sizes 12 and 40..124, 1, 4, 8, 16, 24 and 32
// bits, uncompressed or bit fields (16 and 32 bits), bottom-up or top-down.
// 1, 4 and 8 bits keep their format and palette; the rest become Bits24.
// Everything is checked against the block before any allocation; a bad block
// throws EPackedDibError.
Bitmap ParsePackedDib(const std::uint8_t* data, std::size_t size);

} // namespace zv
