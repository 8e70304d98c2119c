#include "album/ZipExplode.h"

#include <array>
#include <optional>
#include <vector>

namespace zv {

namespace {

constexpr int kMaxBits = 16;

[[noreturn]] void Invalid() {
    throw EZipError(ZipFault::Corrupt, "The imploded data is invalid.");
}

// A prefix code decoded a bit at a time, canonical-style: for each length,
// how many codes it has and the symbols in code order.
class ShannonFanoTree {
public:
    // Reads a tree of `symbols` values (256 or 64) from the data.
    ShannonFanoTree(ZipInput& in, int symbols) {
        std::vector<int> lengths;
        lengths.reserve(static_cast<std::size_t>(symbols));
        const int bytes = static_cast<int>(in.Bits(8)) + 1;
        for (int i = 0; i < bytes; ++i) {
            const int run = static_cast<int>(in.Bits(8));
            const int count = (run >> 4) + 1;
            const int length = (run & 0x0F) + 1;
            if (static_cast<int>(lengths.size()) + count > symbols) Invalid();
            lengths.insert(lengths.end(), static_cast<std::size_t>(count), length);
        }
        if (static_cast<int>(lengths.size()) != symbols) Invalid();

        // Every code of length L takes 2^(16-L) of the 2^16 code space; more
        // than the whole space means two codes share a prefix.
        long space = 0;
        for (int length : lengths) {
            ++counts_[static_cast<std::size_t>(length)];
            space += 1L << (kMaxBits - length);
        }
        if (space > (1L << kMaxBits)) Invalid();
        // Symbols by length, and by value within a length: the order of the
        // complemented codes.
        for (int length = 1; length <= kMaxBits; ++length)
            for (int symbol = 0; symbol < symbols; ++symbol)
                if (lengths[static_cast<std::size_t>(symbol)] == length) symbols_.push_back(symbol);
    }

    int Decode(ZipInput& in) const {
        int code = 0;  // complemented bits read so far
        int first = 0; // first code of the current length
        int index = 0; // index in symbols_ of that first code
        for (int length = 1; length <= kMaxBits; ++length) {
            code |= static_cast<int>(in.Bit() ^ 1);
            const int count = counts_[static_cast<std::size_t>(length)];
            if (code - first < count)
                return symbols_[static_cast<std::size_t>(index + code - first)];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        Invalid(); // a code no symbol has (the tree does not fill the code space)
    }

private:
    std::array<int, kMaxBits + 1> counts_{};
    std::vector<int> symbols_;
};

} // namespace

void ZipExplode(ZipInput& in, ZipOutput& out, bool window8K, bool literalTree) {
    std::optional<ShannonFanoTree> literals;
    if (literalTree) literals.emplace(in, 256);
    const ShannonFanoTree lengths(in, 64);
    const ShannonFanoTree distances(in, 64);
    const int lowDistanceBits = window8K ? 7 : 6;
    const std::uint32_t minimumLength = literalTree ? 3 : 2;

    while (!out.Full()) {
        if (in.Bit() != 0) {
            const int literal = literals ? literals->Decode(in) : static_cast<int>(in.Bits(8));
            out.Put(static_cast<std::uint8_t>(literal));
            continue;
        }
        std::uint32_t distance = in.Bits(lowDistanceBits);
        distance |= static_cast<std::uint32_t>(distances.Decode(in)) << lowDistanceBits;
        std::uint32_t length = static_cast<std::uint32_t>(lengths.Decode(in));
        if (length == 63) length += in.Bits(8);
        out.Copy(distance + 1, length + minimumLength);
    }
}

} // namespace zv
