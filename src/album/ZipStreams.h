#pragma once
// The two ends every entry decoder works between: ZipInput reads an entry's
// compressed bytes from the archive in blocks and hands them out as bytes or
// as bit fields taken from the low bit up; ZipOutput collects decoded bytes,
// keeps the recent ones for back-references, computes the CRC-32, and hands
// them to the sink in blocks. ZipOutput never takes more than the entry's
// declared size, so a decoder loops `while (!out.Full())` and stops there.

#include "album/ZipArchive.h"

#include <array>
#include <cstdint>
#include <vector>

namespace zv {

class ZipInput {
public:
    ZipInput(const ZipSource& source, std::uint64_t offset, std::uint64_t size);

    // The next byte, or -1 at the end of the data.
    int Byte() {
        if (next_ == end_ && !Refill()) return -1;
        return *next_++;
    }
    // Up to `size` bytes; 0 at the end of the data.
    std::size_t Read(std::uint8_t* into, std::size_t size);

    // `count` bits (0..24), first bit read in bit 0. Past the end of the data
    // a few zero bytes are given, as a decoder may look at bits the encoder
    // never wrote; beyond that the data is taken as cut short and Corrupt is
    // thrown.
    std::uint32_t Bits(int count) {
        while (bitCount_ < count) FillBits();
        const std::uint32_t value = bitBuffer_ & ((1u << count) - 1);
        bitBuffer_ >>= count;
        bitCount_ -= count;
        return value;
    }
    std::uint32_t Bit() { return Bits(1); }

private:
    bool Refill();
    void FillBits();

    const ZipSource& source_;
    std::uint64_t position_;
    std::uint64_t remaining_;
    std::vector<std::uint8_t> block_;
    const std::uint8_t* next_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    std::uint32_t bitBuffer_ = 0;
    int bitCount_ = 0;
    int padding_ = 0;
};

class ZipOutput {
public:
    ZipOutput(std::uint64_t size, const ZipSink& sink);

    bool Full() const { return written_ == size_; }
    std::uint64_t Written() const { return written_; }

    // One byte; the caller checks Full() first.
    void Put(std::uint8_t byte) {
        window_[written_ & kWindowMask] = byte;
        ++written_;
        block_[blockUsed_++] = byte;
        if (blockUsed_ == block_.size()) Flush();
    }
    // Repeats `length` bytes from `distance` back (1..kWindowSize). Positions
    // before the first byte read as zero. Stops at the declared size.
    void Copy(std::uint32_t distance, std::uint64_t length);
    // Bytes decoded elsewhere (inflate); no more than the declared size is
    // taken. Returns the count taken.
    std::size_t Write(const std::uint8_t* data, std::size_t size);

    // Hands the last block to the sink; returns the CRC-32 of all bytes.
    std::uint32_t Finish();

    static constexpr std::uint32_t kWindowSize = 16384;

private:
    static constexpr std::uint64_t kWindowMask = kWindowSize - 1;
    void Flush();

    std::uint64_t size_;
    std::uint64_t written_ = 0;
    const ZipSink& sink_;
    std::uint32_t crc_;
    std::array<std::uint8_t, kWindowSize> window_{};
    std::vector<std::uint8_t> block_;
    std::size_t blockUsed_ = 0;
};

} // namespace zv
