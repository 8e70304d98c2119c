#include "album/ZipUnshrink.h"

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

namespace zv {

namespace {

constexpr int kCodes = 8192;
constexpr int kControl = 256;
constexpr int kFirstString = 257;
constexpr int kMaxCodeSize = 13;

[[noreturn]] void Invalid() {
    throw EZipError(ZipFault::Corrupt, "The shrunk data is invalid.");
}

// The strings of codes 257..8191, each a prefix code and a last byte. Work
// per code read is bounded whatever the data: free slots are found through
// a bitmap, and a partial clear visits only the strings it frees, kept in a
// list of leaves (strings no other string in the table extends).
class StringTable {
public:
    StringTable() {
        for (int code = 0; code < kCodes; ++code) {
            parent_[code] = -1;
            value_[code] = static_cast<std::uint8_t>(code);
            used_[code] = code < kControl;
            children_[code] = 0;
            leafNext_[code] = leafPrevious_[code] = -1;
            inLeaves_[code] = false;
        }
        freeBits_.fill(~std::uint64_t{0});
        for (int code = 0; code < kFirstString; ++code) MarkUsed(code);
    }

    bool Used(int code) const { return used_[code]; }

    // The lowest free slot, or -1 when the table is full.
    int NextFree() {
        // Slots below the lowest free one fill up in order and only a clear
        // frees any, so the search starts where the last one ended.
        while (firstFreeWord_ < freeBits_.size() && freeBits_[firstFreeWord_] == 0)
            ++firstFreeWord_;
        if (firstFreeWord_ == freeBits_.size()) return -1;
        return static_cast<int>(firstFreeWord_ * 64) + std::countr_zero(freeBits_[firstFreeWord_]);
    }

    void Add(int prefix, std::uint8_t last) {
        const int slot = NextFree();
        if (slot < 0) return; // a full table takes no more strings until cleared
        parent_[slot] = prefix;
        value_[slot] = last;
        used_[slot] = true;
        MarkUsed(slot);
        // Children are counted by slot, so a string whose prefix was freed
        // still counts for whatever string takes that slot next.
        if (prefix >= kFirstString && children_[prefix]++ == 0) Unleaf(prefix);
        if (children_[slot] == 0) Leaf(slot);
    }

    // Frees every string no other string in the table extends. Strings that
    // become leaves by it stay until the next clear.
    void PartialClear() {
        std::vector<int> leaves;
        for (int code = leafHead_; code >= 0; code = leafNext_[code]) leaves.push_back(code);
        for (int code : leaves) {
            Unleaf(code);
            used_[code] = false;
            const std::size_t word = static_cast<std::size_t>(code) / 64;
            freeBits_[word] |= std::uint64_t{1} << (code % 64);
            firstFreeWord_ = std::min(firstFreeWord_, word);
        }
        for (int code : leaves) {
            const int prefix = parent_[code];
            if (prefix >= kFirstString && --children_[prefix] == 0 && used_[prefix]) Leaf(prefix);
        }
    }

    // Writes the string of a used code, last byte first, ending at `end`;
    // returns where it starts. A chain through a free slot or longer than the
    // table (a loop) is invalid.
    std::uint8_t* Spell(int code, std::uint8_t* begin, std::uint8_t* end) const {
        std::uint8_t* at = end;
        while (true) {
            if (!used_[code] || at == begin) Invalid();
            *--at = value_[code];
            if (code < kControl) return at;
            code = parent_[code];
        }
    }

private:
    void MarkUsed(int code) {
        freeBits_[static_cast<std::size_t>(code) / 64] &= ~(std::uint64_t{1} << (code % 64));
    }
    void Leaf(int code) {
        inLeaves_[code] = true;
        leafPrevious_[code] = -1;
        leafNext_[code] = leafHead_;
        if (leafHead_ >= 0) leafPrevious_[leafHead_] = code;
        leafHead_ = code;
    }
    void Unleaf(int code) {
        if (!inLeaves_[code]) return;
        inLeaves_[code] = false;
        if (leafPrevious_[code] >= 0)
            leafNext_[leafPrevious_[code]] = leafNext_[code];
        else
            leafHead_ = leafNext_[code];
        if (leafNext_[code] >= 0) leafPrevious_[leafNext_[code]] = leafPrevious_[code];
    }

    std::array<int, kCodes> parent_;
    std::array<std::uint8_t, kCodes> value_;
    std::array<bool, kCodes> used_;
    std::array<int, kCodes> children_; // strings in the table that extend each slot
    std::array<std::uint64_t, kCodes / 64> freeBits_;
    std::array<int, kCodes> leafNext_;
    std::array<int, kCodes> leafPrevious_;
    std::array<bool, kCodes> inLeaves_;
    int leafHead_ = -1;
    std::size_t firstFreeWord_ = 0;
};

} // namespace

void ZipUnshrink(ZipInput& in, ZipOutput& out) {
    StringTable table;
    std::array<std::uint8_t, kCodes + 1> stack;
    std::uint8_t* const stackEnd = stack.data() + stack.size();
    int codeSize = 9;
    int previous = -1;
    while (!out.Full()) {
        const int code = static_cast<int>(in.Bits(codeSize));
        if (code == kControl) {
            const int control = static_cast<int>(in.Bits(codeSize));
            if (control == 1) {
                if (codeSize == kMaxCodeSize) Invalid();
                ++codeSize;
            } else if (control == 2) {
                table.PartialClear();
            } else {
                Invalid();
            }
            continue;
        }
        std::uint8_t* string;
        if (table.Used(code)) {
            string = table.Spell(code, stack.data(), stackEnd);
        } else {
            // A code not yet in the table can only be the one about to be
            // added: the previous string plus its own first byte.
            if (previous < 0 || code != table.NextFree()) Invalid();
            string = table.Spell(previous, stack.data(), stackEnd - 1);
            stackEnd[-1] = *string;
        }
        for (const std::uint8_t* at = string; at != stackEnd && !out.Full(); ++at) out.Put(*at);
        if (previous >= 0) table.Add(previous, *string);
        previous = code;
    }
}

} // namespace zv
