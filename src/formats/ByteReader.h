#pragma once
// A bounds-checked cursor over bytes held in memory: every read checks that
// the bytes are there and throws EReadPastEnd when they are not. Readers parse
// headers through it and never touch memory past the data.

#include "formats/GraphicErrors.h"
#include "platform/LittleEndian.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace zv {

using ByteSpan = std::span<const std::uint8_t>;

class ByteReader {
public:
    explicit ByteReader(ByteSpan data) : data_(data) {}

    std::size_t Position() const { return position_; }
    std::size_t Size() const { return data_.size(); }
    std::size_t Remaining() const { return data_.size() - position_; }
    bool AtEnd() const { return position_ >= data_.size(); }

    void Seek(std::uint64_t position) {
        if (position > data_.size()) throw EReadPastEnd();
        position_ = static_cast<std::size_t>(position);
    }
    void Skip(std::uint64_t count) { Seek(position_ + Checked(count)); }

    std::uint8_t U8() { return Take(1)[0]; }
    std::uint16_t U16LE() { return GetLittle16(Take(2).data()); }
    std::uint16_t U16BE() {
        const auto b = Take(2);
        return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
    }
    std::uint32_t U32LE() { return GetLittle32(Take(4).data()); }
    std::uint32_t U32BE() {
        const auto b = Take(4);
        return std::uint32_t{b[0]} << 24 | b[1] << 16 | b[2] << 8 | b[3];
    }
    std::int16_t S16LE() { return static_cast<std::int16_t>(U16LE()); }
    std::int16_t S16BE() { return static_cast<std::int16_t>(U16BE()); }
    std::int32_t S32LE() { return static_cast<std::int32_t>(U32LE()); }
    std::int32_t S32BE() { return static_cast<std::int32_t>(U32BE()); }

    // The next count bytes, which stay valid as long as the data does.
    ByteSpan Take(std::uint64_t count) {
        if (count > Remaining()) throw EReadPastEnd();
        const ByteSpan bytes = data_.subspan(position_, static_cast<std::size_t>(count));
        position_ += static_cast<std::size_t>(count);
        return bytes;
    }
    void Read(void* target, std::uint64_t count) {
        const ByteSpan bytes = Take(count);
        if (!bytes.empty()) std::memcpy(target, bytes.data(), bytes.size());
    }
    // Looks ahead without moving.
    ByteSpan Peek(std::uint64_t count) const {
        if (count > Remaining()) throw EReadPastEnd();
        return data_.subspan(position_, static_cast<std::size_t>(count));
    }

private:
    std::uint64_t Checked(std::uint64_t count) const {
        if (count > Remaining()) throw EReadPastEnd();
        return count;
    }

    ByteSpan data_;
    std::size_t position_ = 0;
};

// Appends little- and big-endian values to a byte buffer, for writers.
template <typename Buffer> void PutU16LE(Buffer& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
template <typename Buffer> void PutU32LE(Buffer& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
template <typename Buffer> void PutU16BE(Buffer& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}
template <typename Buffer> void PutU32BE(Buffer& out, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

} // namespace zv
