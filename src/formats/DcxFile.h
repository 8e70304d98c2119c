#pragma once
// Multi-page fax files: a 4-byte magic number, a table of up to 1023 page
// offsets ended by 0, and each page a complete PCX picture.

#include "formats/ByteReader.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace zv {

// A page table that cannot be read: "Corrupt image data: the page table ...".
class EDcxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::uint32_t kDcxMagic = 0x3ADE68B1;
inline constexpr int kDcxMaxPages = 1023;

bool IsDcx(ByteSpan data);

// The bytes of each page, in table order. Each page runs from its offset to
// the next page's start or the end of the file, so that a PCX palette kept
// at the end of a page is found. Throws EDcxError for a table that has no
// pages, no end, or offsets outside the file.
std::vector<ByteSpan> DcxPages(ByteSpan data);

} // namespace zv
