#include "album/ZipUnreduce.h"

#include <array>

namespace zv {

namespace {

constexpr std::uint8_t kEscape = 0x90;
constexpr int kMaxFollowers = 32;

[[noreturn]] void Invalid() {
    throw EZipError(ZipFault::Corrupt, "The reduced data is invalid.");
}

// Bits of an index into a follower set of `count` (1..32) members.
int IndexBits(int count) {
    int bits = 1;
    while ((1 << bits) < count) ++bits;
    return bits;
}

struct FollowerSet {
    int count = 0;
    int indexBits = 0;
    std::array<std::uint8_t, kMaxFollowers> members{};
};

} // namespace

void ZipUnreduce(ZipInput& in, ZipOutput& out, int factor) {
    if (factor < 1 || factor > 4) Invalid();
    std::array<FollowerSet, 256> sets;
    for (int value = 255; value >= 0; --value) {
        FollowerSet& set = sets[static_cast<std::size_t>(value)];
        set.count = static_cast<int>(in.Bits(6));
        if (set.count > kMaxFollowers) Invalid();
        set.indexBits = set.count > 0 ? IndexBits(set.count) : 0;
        for (int i = 0; i < set.count; ++i)
            set.members[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(in.Bits(8));
    }

    const std::uint32_t lengthMask = 0xFFu >> factor;
    enum class State { Literal, Escaped, ExtraLength, Distance };
    State state = State::Literal;
    std::uint32_t first = 0;  // the byte after the escape
    std::uint32_t length = 0; // match length less 3
    std::uint8_t last = 0;    // previous byte of the outer stage
    while (!out.Full()) {
        const FollowerSet& set = sets[last];
        std::uint8_t byte;
        if (set.count == 0 || in.Bit() != 0) {
            byte = static_cast<std::uint8_t>(in.Bits(8));
        } else {
            const std::uint32_t index = in.Bits(set.indexBits);
            if (index >= static_cast<std::uint32_t>(set.count)) Invalid();
            byte = set.members[index];
        }
        last = byte;

        switch (state) {
        case State::Literal:
            if (byte == kEscape)
                state = State::Escaped;
            else
                out.Put(byte);
            break;
        case State::Escaped:
            if (byte == 0) {
                out.Put(kEscape);
                state = State::Literal;
            } else {
                first = byte;
                length = byte & lengthMask;
                state = length == lengthMask ? State::ExtraLength : State::Distance;
            }
            break;
        case State::ExtraLength:
            length += byte;
            state = State::Distance;
            break;
        case State::Distance: {
            const std::uint32_t distance = ((first >> (8 - factor)) << 8) + byte + 1;
            out.Copy(distance, length + 3);
            state = State::Literal;
            break;
        }
        }
    }
}

} // namespace zv
