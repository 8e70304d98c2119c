#pragma once
// The two large Photo CD steps, 4Base and 16Base, are stored as corrections
// to the step below: the smaller picture is doubled in both directions and
// Huffman-coded differences are added to its luma and colour differences.
// Each residual part starts with its code tables (one for luma alone in
// 4Base, luma and both colour differences in 16Base), then a bit stream of
// rows, each introduced by a sync mark and a header naming plane and row.

#include "formats/ByteReader.h"

#include <array>
#include <cstdint>
#include <vector>

namespace zv {

// A picture in Photo YCC planes: luma at full size, the two colour
// differences at half width and half height.
struct PcdPlanes {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> luma;
    std::vector<std::uint8_t> c1;
    std::vector<std::uint8_t> c2;
};

// The planes at twice the width and height: samples kept at even positions,
// the ones between them averaged from their two or four neighbours, the last
// column and row repeated.
PcdPlanes DoublePcdPlanes(const PcdPlanes& planes);

// A residual part's code tables, ready for decoding: for every 16-bit
// look-ahead, the matching code's length (0 = no code) and its difference.
struct PcdResidualTables {
    struct Code {
        std::uint8_t length = 0;
        std::int8_t delta = 0;
    };
    std::vector<std::array<Code, 65536>> tables;
    std::int64_t offset = 0;       // where the tables start in the file
    std::int64_t streamOffset = 0; // the first byte after them
};

// True when `count` well-formed code tables lie at `offset` (lengths 1..16,
// all within the data). Allocates nothing.
bool PcdTablesReadable(ByteSpan data, std::int64_t offset, int count);

// Reads the tables; throws EPhotoCdError when they are not readable.
PcdResidualTables ReadPcdResidualTables(ByteSpan data, std::int64_t offset, int count);

// Adds the residual rows of the stream after the tables to planes (which are
// at the size of the step being built). Returns the file offset of the
// sector following the ones the stream's end mark was read from. Throws
// EPhotoCdError for a stream that ends early or names rows, planes or codes
// it cannot have.
std::int64_t AddPcdResiduals(ByteSpan data, const PcdResidualTables& tables, PcdPlanes& planes);

} // namespace zv
