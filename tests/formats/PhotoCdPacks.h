#pragma once
// Photo CD packs made by hand for tests and benchmarks: a grey Base picture
// and residual parts written bit by bit with small code tables.

#include "formats/PhotoCdDecode.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace zvtest {

// Writes bits most significant first.
class PcdBitWriter {
public:
    void Put(std::uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            if (value >> i & 1) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (used_ % 8));
            ++used_;
        }
    }
    // The mark that starts a row (or with row = the step's height, ends the stream).
    void Row(int plane, int row) {
        Put(0xFFFFFE, 24);
        Put(static_cast<std::uint32_t>(plane << 14 | row << 1), 16);
    }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    int BitCount() const { return used_; }

private:
    std::vector<std::uint8_t> bytes_;
    int used_ = 0;
};

// The codes the hand-made packs use: 0 -> 0, 10 -> +5, 110 -> -3.
struct PcdCode {
    int length;
    std::uint32_t bits;
    int delta;
};
inline constexpr PcdCode kPcdCodes[] = {{1, 0b0, 0}, {2, 0b10, 5}, {3, 0b110, -3}};

inline void PutDelta(PcdBitWriter& writer, int delta) {
    for (const PcdCode& code : kPcdCodes)
        if (code.delta == delta) return writer.Put(code.bits, code.length);
}

// One code table in the pack's form, holding kPcdCodes.
inline std::vector<std::uint8_t> PcdTable() {
    std::vector<std::uint8_t> table{static_cast<std::uint8_t>(std::size(kPcdCodes) - 1)};
    for (const PcdCode& code : kPcdCodes) {
        const std::uint32_t aligned = code.bits << (16 - code.length);
        table.insert(table.end(), {static_cast<std::uint8_t>(code.length - 1),
                                   static_cast<std::uint8_t>(aligned >> 8),
                                   static_cast<std::uint8_t>(aligned & 0xFF),
                                   static_cast<std::uint8_t>(code.delta)});
    }
    return table;
}

inline void PutBytes(std::vector<std::uint8_t>& pack, std::int64_t offset,
                     const std::vector<std::uint8_t>& bytes) {
    const auto end = static_cast<std::size_t>(offset) + bytes.size();
    if (pack.size() < end) pack.resize(end);
    std::memcpy(pack.data() + offset, bytes.data(), bytes.size());
}

// A pack whose Base/16, Base/4 and Base are grey `luma` with neutral colour,
// naming `stored` (0 Base, 1 4Base, 2 16Base) as its largest resolution.
inline std::vector<std::uint8_t> GreyPcdPack(std::uint8_t luma, int stored, int rotation = 0) {
    std::vector<std::uint8_t> pack(static_cast<std::size_t>(zv::kPcdComponents[2].End()));
    std::memcpy(pack.data() + zv::kPcdInfoOffset, "PCD_IPI", 7);
    pack[0xE02] = static_cast<std::uint8_t>(stored << 2 | rotation);
    for (const zv::PcdComponent& part : zv::kPcdComponents)
        for (std::int64_t k = 0; k < part.height / 2; ++k) {
            std::uint8_t* pair = pack.data() + part.offset + k * 3 * part.width;
            std::memset(pair, luma, 2 * static_cast<std::size_t>(part.width));
            std::memset(pair + 2 * part.width, 156, static_cast<std::size_t>(part.width / 2));
            std::memset(pair + 5 * part.width / 2, 137, static_cast<std::size_t>(part.width / 2));
        }
    return pack;
}

// Base's luma sample at (x, y).
inline std::uint8_t& PcdBaseLuma(std::vector<std::uint8_t>& pack, int x, int y) {
    const zv::PcdComponent& base = zv::kPcdComponents[2];
    return pack[static_cast<std::size_t>(base.offset + (y / 2) * 3 * base.width +
                                         (y % 2) * base.width + x)];
}

// Writes the 4Base part: its table, then the stream.
inline void Put4Base(std::vector<std::uint8_t>& pack, const PcdBitWriter& stream) {
    std::vector<std::uint8_t> part = PcdTable();
    part.insert(part.end(), stream.Bytes().begin(), stream.Bytes().end());
    PutBytes(pack, zv::kPcd4BaseTables, part);
}

// Writes the 16Base part at `sector`: three tables, then the stream.
inline void Put16Base(std::vector<std::uint8_t>& pack, std::int64_t sector,
                      const PcdBitWriter& stream) {
    std::vector<std::uint8_t> part;
    for (int t = 0; t < 3; ++t) {
        const std::vector<std::uint8_t> table = PcdTable();
        part.insert(part.end(), table.begin(), table.end());
    }
    part.insert(part.end(), stream.Bytes().begin(), stream.Bytes().end());
    PutBytes(pack, sector * zv::kPcdSectorSize, part);
}

} // namespace zvtest
