#include "formats/PhotoCdResiduals.h"

#include "formats/PhotoCdDecode.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace zv {

namespace {

// A row starts with 23 one bits and a zero, then 2 bits of plane, 13 bits of
// row and one unused bit.
constexpr std::uint32_t kSyncMask = 0xFFFFFF00u;
constexpr std::uint32_t kSync = 0xFFFFFE00u;
constexpr int kSyncBits = 24;
constexpr int kHeaderBits = 16;

// Bytes of one table: a count byte, then four bytes per code (length - 1,
// the code left-aligned in 16 bits, the signed difference).
std::int64_t TableBytes(std::uint8_t countByte) {
    return 1 + 4 * (std::int64_t{countByte} + 1);
}

// The tables' total size, or -1 when they are not all within the data or a
// code is longer than 16 bits.
std::int64_t TablesSize(ByteSpan data, std::int64_t offset, int count) {
    const auto size = static_cast<std::int64_t>(data.size());
    std::int64_t at = offset;
    for (int t = 0; t < count; ++t) {
        if (at < 0 || at >= size) return -1;
        const std::int64_t bytes = TableBytes(data[static_cast<std::size_t>(at)]);
        if (at + bytes > size) return -1;
        for (std::int64_t e = at + 1; e < at + bytes; e += 4)
            if (data[static_cast<std::size_t>(e)] + 1 > 16) return -1;
        at += bytes;
    }
    return at - offset;
}

// Fills the look-up table of one code table. A code whose bits go beyond
// its length never matches; where codes overlap the earlier one wins.
void FillCodes(const std::uint8_t* entries, int count,
               std::array<PcdResidualTables::Code, 65536>& lookup) {
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* e = entries + 4 * i;
        const int length = e[0] + 1;
        const unsigned code = unsigned{e[1]} << 8 | e[2];
        const unsigned span = 1u << (16 - length);
        if ((code & (span - 1)) != 0) continue;
        for (unsigned k = code; k < code + span; ++k)
            if (lookup[k].length == 0)
                lookup[k] = {static_cast<std::uint8_t>(length), static_cast<std::int8_t>(e[3])};
    }
}

// Reads bits most significant first; past the end of the data it reads zeros,
// and Overrun says so.
class BitStream {
public:
    BitStream(ByteSpan data, std::int64_t bitPosition) : data_(data), position_(bitPosition) {}

    std::uint32_t Peek32() const {
        const auto byte = static_cast<std::size_t>(position_ >> 3);
        std::uint64_t window = 0;
        if (byte + 8 <= data_.size()) {
            std::memcpy(&window, data_.data() + byte, 8);
            if constexpr (std::endian::native == std::endian::little)
                window = __builtin_bswap64(window);
        } else {
            for (std::size_t i = 0; i < 8; ++i)
                window = window << 8 | (byte + i < data_.size() ? data_[byte + i] : 0);
        }
        return static_cast<std::uint32_t>(window << (position_ & 7) >> 32);
    }
    void Skip(int bits) { position_ += bits; }
    std::int64_t Position() const { return position_; }
    bool Overrun() const { return position_ > static_cast<std::int64_t>(data_.size()) * 8; }

    // Moves to the next sync mark; throws when the data ends first.
    void FindSync() {
        for (;;) {
            if (Overrun()) throw EPhotoCdError("Photo CD image file is truncated");
            const std::uint32_t bits = Peek32();
            if ((bits & kSyncMask) == kSync) return;
            // No mark can start at or before the first zero among the next 23 bits.
            const int ones = std::countl_one(bits);
            Skip(ones < 23 ? ones + 1 : 1);
        }
    }

private:
    ByteSpan data_;
    std::int64_t position_;
};

[[noreturn]] void Damaged() {
    throw EPhotoCdError("Photo CD image file is damaged");
}

std::uint8_t Corrected(std::uint8_t value, int delta) {
    return static_cast<std::uint8_t>(std::clamp(value + delta, 0, 255));
}

// Decodes one row's differences into target (count samples) until the row is
// full or the next sync mark comes.
void DecodeRow(BitStream& stream, const std::array<PcdResidualTables::Code, 65536>& lookup,
               std::uint8_t* target, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint32_t bits = stream.Peek32();
        if ((bits & kSyncMask) == kSync) return;
        const PcdResidualTables::Code code = lookup[bits >> 16];
        if (code.length == 0) Damaged();
        target[i] = Corrected(target[i], code.delta);
        stream.Skip(code.length);
    }
}

std::uint8_t Average(int a, int b) {
    return static_cast<std::uint8_t>((a + b + 1) >> 1);
}

// Doubles one plane of width x height into target (2 width x 2 height).
void DoublePlane(const std::uint8_t* source, std::int32_t width, std::int32_t height,
                 std::uint8_t* target) {
    const std::int64_t w2 = 2 * std::int64_t{width};
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* top = source + std::int64_t{y} * width;
        const std::uint8_t* bottom = y + 1 < height ? top + width : top;
        std::uint8_t* even = target + 2 * y * w2;
        std::uint8_t* odd = even + w2;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::int32_t next = std::min(x + 1, width - 1);
            even[2 * x] = top[x];
            even[2 * x + 1] = Average(top[x], top[next]);
            odd[2 * x] = Average(top[x], bottom[x]);
            odd[2 * x + 1] =
                static_cast<std::uint8_t>((top[x] + top[next] + bottom[x] + bottom[next] + 2) >> 2);
        }
    }
}

std::vector<std::uint8_t> Doubled(const std::vector<std::uint8_t>& plane, std::int32_t width,
                                  std::int32_t height) {
    std::vector<std::uint8_t> result(plane.size() * 4);
    DoublePlane(plane.data(), width, height, result.data());
    return result;
}

} // namespace

PcdPlanes DoublePcdPlanes(const PcdPlanes& planes) {
    PcdPlanes result;
    result.width = 2 * planes.width;
    result.height = 2 * planes.height;
    result.luma = Doubled(planes.luma, planes.width, planes.height);
    result.c1 = Doubled(planes.c1, planes.width / 2, planes.height / 2);
    result.c2 = Doubled(planes.c2, planes.width / 2, planes.height / 2);
    return result;
}

bool PcdTablesReadable(ByteSpan data, std::int64_t offset, int count) {
    return TablesSize(data, offset, count) > 0;
}

PcdResidualTables ReadPcdResidualTables(ByteSpan data, std::int64_t offset, int count) {
    const std::int64_t size = TablesSize(data, offset, count);
    if (size <= 0) throw EPhotoCdError("Photo CD image file is damaged");
    PcdResidualTables result;
    result.offset = offset;
    result.streamOffset = offset + size;
    result.tables.resize(static_cast<std::size_t>(count));
    std::int64_t at = offset;
    for (auto& lookup : result.tables) {
        const std::uint8_t countByte = data[static_cast<std::size_t>(at)];
        FillCodes(data.data() + at + 1, countByte + 1, lookup);
        at += TableBytes(countByte);
    }
    return result;
}

std::int64_t AddPcdResiduals(ByteSpan data, const PcdResidualTables& tables, PcdPlanes& planes) {
    const ByteSpan part = data.subspan(static_cast<std::size_t>(tables.offset));
    BitStream stream(part, (tables.streamOffset - tables.offset) * 8);
    for (;;) {
        stream.FindSync();
        const std::int64_t mark = stream.Position();
        stream.Skip(kSyncBits);
        const std::uint32_t header = stream.Peek32() >> (32 - kHeaderBits);
        stream.Skip(kHeaderBits);
        const int plane = static_cast<int>(header >> 14);
        const std::int32_t row = static_cast<std::int32_t>(header >> 1 & 0x1FFF);
        if (row == planes.height) {
            // The next part is found the way established decoders find it:
            // counting the sectors read up to the end mark, with the 25 bits
            // of look-ahead they hold beyond the mark's first 16 bits.
            const std::int64_t bytesRead = (mark + kHeaderBits + 25 + 7) / 8;
            return tables.offset +
                   (bytesRead + kPcdSectorSize - 1) / kPcdSectorSize * kPcdSectorSize;
        }
        if (row > planes.height || plane == 1) Damaged();
        const std::size_t table = plane == 0 ? 0 : static_cast<std::size_t>(plane - 1);
        if (table >= tables.tables.size()) Damaged();
        if (plane == 0) {
            DecodeRow(stream, tables.tables[0],
                      planes.luma.data() + std::int64_t{row} * planes.width, planes.width);
        } else {
            std::vector<std::uint8_t>& chroma = plane == 2 ? planes.c1 : planes.c2;
            const std::int32_t half = planes.width / 2;
            DecodeRow(stream, tables.tables[table], chroma.data() + std::int64_t{row / 2} * half,
                      half);
        }
    }
}

} // namespace zv
