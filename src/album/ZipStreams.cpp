#include "album/ZipStreams.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace zv {

namespace {

constexpr std::size_t kInputBlock = 65536;
constexpr std::size_t kOutputBlock = 65536;
// Zero bytes a bit reader may take past the end of the data.
constexpr int kMaxPadding = 4;

} // namespace

ZipInput::ZipInput(const ZipSource& source, std::uint64_t offset, std::uint64_t size)
    : source_(source), position_(offset), remaining_(size) {}

bool ZipInput::Refill() {
    if (remaining_ == 0) return false;
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, kInputBlock));
    block_.resize(count);
    source_.ReadAt(position_, block_.data(), count);
    position_ += count;
    remaining_ -= count;
    next_ = block_.data();
    end_ = next_ + count;
    return true;
}

std::size_t ZipInput::Read(std::uint8_t* into, std::size_t size) {
    if (next_ == end_ && !Refill()) return 0;
    const std::size_t count = std::min<std::size_t>(size, static_cast<std::size_t>(end_ - next_));
    std::memcpy(into, next_, count);
    next_ += count;
    return count;
}

void ZipInput::FillBits() {
    int byte = Byte();
    if (byte < 0) {
        if (++padding_ > kMaxPadding)
            throw EZipError(ZipFault::Corrupt, "The compressed data ends too soon.");
        byte = 0;
    }
    bitBuffer_ |= static_cast<std::uint32_t>(byte) << bitCount_;
    bitCount_ += 8;
}

ZipOutput::ZipOutput(std::uint64_t size, const ZipSink& sink)
    : size_(size), sink_(sink), crc_(static_cast<std::uint32_t>(::crc32(0, Z_NULL, 0))),
      block_(static_cast<std::size_t>(std::min<std::uint64_t>(size, kOutputBlock)) + 1) {}

void ZipOutput::Copy(std::uint32_t distance, std::uint64_t length) {
    length = std::min(length, size_ - written_);
    for (; length > 0; --length) {
        const std::uint8_t byte =
            distance > written_ ? 0 : window_[(written_ - distance) & kWindowMask];
        Put(byte);
    }
}

std::size_t ZipOutput::Write(const std::uint8_t* data, std::size_t size) {
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, size_ - written_));
    if (count == 0) return 0;
    Flush();
    crc_ = static_cast<std::uint32_t>(::crc32_z(crc_, data, count));
    written_ += count;
    sink_(data, count);
    return count;
}

void ZipOutput::Flush() {
    if (blockUsed_ == 0) return;
    crc_ = static_cast<std::uint32_t>(::crc32_z(crc_, block_.data(), blockUsed_));
    sink_(block_.data(), blockUsed_);
    blockUsed_ = 0;
}

std::uint32_t ZipOutput::Finish() {
    Flush();
    return crc_;
}

} // namespace zv
