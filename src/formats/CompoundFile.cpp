#include "formats/CompoundFile.h"

#include <algorithm>
#include <cstring>

namespace zv {

namespace {

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kHeaderFatEntries = 109;
constexpr std::size_t kEntrySize = 128;
constexpr int kMiniShift = 6;

[[noreturn]] void Fail(const std::string& why) {
    throw ECompoundFileError("Damaged compound file: " + why + ".");
}

std::uint32_t Little32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

// The UTF-16 name of a directory entry as UTF-8.
std::string EntryName(const std::uint8_t* raw, std::size_t bytes) {
    std::string name;
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        const unsigned c = raw[i] | raw[i + 1] << 8;
        if (c == 0) break;
        if (c < 0x80) {
            name += static_cast<char>(c);
        } else if (c < 0x800) {
            name += static_cast<char>(0xC0 | c >> 6);
            name += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            name += static_cast<char>(0xE0 | c >> 12);
            name += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            name += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return name;
}

CompoundEntryType TypeOf(std::uint8_t raw) {
    switch (raw) {
    case 1: return CompoundEntryType::Storage;
    case 2: return CompoundEntryType::Stream;
    case 5: return CompoundEntryType::Root;
    default: return CompoundEntryType::Empty; // unused, or a kind no picture uses
    }
}

std::uint64_t SectorsFor(std::uint64_t size, int shift) {
    return (size + (std::uint64_t{1} << shift) - 1) >> shift;
}

} // namespace

CompoundFile::CompoundFile(ByteSpan data) : data_(data) {
    if (data.size() < 512 || std::memcmp(data.data(), kSignature, 8) != 0)
        throw ECompoundFileError("Not a compound file.");
    ByteReader header(data.first(512));
    header.Seek(24);
    header.U16LE(); // minor version
    const std::uint16_t major = header.U16LE();
    if (header.U16LE() != 0xFFFE) Fail("wrong byte order mark");
    sectorShift_ = header.U16LE();
    if (!((major == 3 && sectorShift_ == 9) || (major == 4 && sectorShift_ == 12)))
        Fail("unknown version or sector size");
    version3_ = major == 3;
    if (header.U16LE() != kMiniShift) Fail("unknown mini sector size");
    header.Seek(56);
    miniCutoff_ = header.U32LE();
    if (miniCutoff_ != 4096) Fail("unknown mini stream cutoff");
    header.Seek(44);
    ReadFat(header);
    header.Seek(48);
    const std::uint32_t firstDirectory = header.U32LE();
    header.Seek(60);
    const std::uint32_t firstMiniFat = header.U32LE();
    const std::uint32_t miniFatSectors = header.U32LE();
    ReadDirectory(firstDirectory);
    ReadMiniStream(firstMiniFat, miniFatSectors);
}

std::uint64_t CompoundFile::SectorCount() const {
    const std::uint64_t sectorSize = std::uint64_t{1} << sectorShift_;
    // The header fills sector -1; a short last sector still counts.
    return data_.size() <= sectorSize ? 0 : SectorsFor(data_.size() - sectorSize, sectorShift_);
}

std::vector<std::uint32_t> CompoundFile::Chain(const std::vector<std::uint32_t>& table,
                                               std::uint32_t start, std::uint64_t needed,
                                               std::uint64_t limit) const {
    std::vector<std::uint32_t> chain;
    if (needed == 0) return chain;
    limit = std::min<std::uint64_t>(limit, table.size());
    std::vector<bool> seen(static_cast<std::size_t>(limit));
    for (std::uint32_t at = start; at != kEndOfChain; at = table[at]) {
        if (at >= limit) Fail("a chain leaves the file");
        if (seen[at]) Fail("a chain loops");
        seen[at] = true;
        chain.push_back(at);
    }
    if (chain.size() < needed) Fail("a chain is shorter than its stream");
    return chain;
}

Bytes CompoundFile::ReadChain(std::uint32_t start, std::uint64_t size) const {
    const int shift = sectorShift_;
    const std::vector<std::uint32_t> chain =
        Chain(fat_, start, SectorsFor(size, shift), SectorCount());
    // The chain's sectors are distinct and inside the file, so size is too.
    Bytes bytes(static_cast<std::size_t>(size));
    const std::size_t sectorSize = std::size_t{1} << shift;
    for (std::size_t i = 0; i * sectorSize < bytes.size(); ++i) {
        const std::uint64_t from = (std::uint64_t{chain[i]} + 1) << shift;
        const std::size_t count = std::min({sectorSize, bytes.size() - i * sectorSize,
                                            static_cast<std::size_t>(data_.size() - from)});
        std::memcpy(bytes.data() + i * sectorSize, data_.data() + from, count);
    }
    return bytes;
}

// The allocation table: its sector list starts in the header and goes on in
// a chain of list sectors, each ending in the index of the next.
void CompoundFile::ReadFat(ByteReader& header) {
    const std::uint64_t sectors = SectorCount();
    const std::uint32_t fatSectors = header.U32LE();
    if (fatSectors > sectors) Fail("more table sectors than the file holds");
    header.Seek(68);
    std::uint32_t listSector = header.U32LE();
    const std::uint32_t listSectors = header.U32LE();
    std::vector<std::uint32_t> fatList;
    for (std::size_t i = 0; i < kHeaderFatEntries && fatList.size() < fatSectors; ++i)
        fatList.push_back(header.U32LE());
    const std::size_t perSector = (std::size_t{1} << sectorShift_) / 4;
    std::vector<bool> seen(static_cast<std::size_t>(sectors));
    for (std::uint32_t n = 0; n < listSectors && fatList.size() < fatSectors; ++n) {
        if (listSector >= sectors) Fail("a table list sector leaves the file");
        if (seen[listSector]) Fail("the table list loops");
        seen[listSector] = true;
        const std::uint64_t from = (std::uint64_t{listSector} + 1) << sectorShift_;
        if (from + perSector * 4 > data_.size()) Fail("a table list sector is cut short");
        const std::uint8_t* p = data_.data() + from;
        for (std::size_t i = 0; i + 1 < perSector && fatList.size() < fatSectors; ++i)
            fatList.push_back(Little32(p + 4 * i));
        listSector = Little32(p + 4 * (perSector - 1));
    }
    if (fatList.size() < fatSectors) Fail("the table list is cut short");
    fat_.assign(fatList.size() * perSector, kNoStream);
    for (std::size_t s = 0; s < fatList.size(); ++s) {
        if (fatList[s] >= sectors) Fail("a table sector leaves the file");
        const std::uint64_t from = (std::uint64_t{fatList[s]} + 1) << sectorShift_;
        for (std::size_t i = 0; i < perSector && from + 4 * i + 4 <= data_.size(); ++i)
            fat_[s * perSector + i] = Little32(data_.data() + from + 4 * i);
    }
}

void CompoundFile::ReadDirectory(std::uint32_t first) {
    const std::vector<std::uint32_t> chain = Chain(fat_, first, 1, SectorCount());
    const Bytes directory = ReadChain(first, std::uint64_t{chain.size()} << sectorShift_);
    const std::size_t count = directory.size() / kEntrySize;
    entries_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* raw = directory.data() + i * kEntrySize;
        CompoundEntry& entry = entries_[i];
        entry.type = TypeOf(raw[66]);
        if (entry.type == CompoundEntryType::Empty) continue;
        const unsigned nameBytes = raw[64] | raw[65] << 8;
        if (nameBytes > 64 || nameBytes % 2 != 0) Fail("an entry's name is too long");
        entry.name = EntryName(raw, nameBytes);
        entry.left = Little32(raw + 68);
        entry.right = Little32(raw + 72);
        entry.child = Little32(raw + 76);
        for (const std::uint32_t link : {entry.left, entry.right, entry.child})
            if (link != kNoStream && link >= count) Fail("an entry points past the directory");
        entry.start = Little32(raw + 116);
        entry.size = Little32(raw + 120);
        // Version 3 files may leave garbage in the high half.
        if (!version3_) entry.size |= std::uint64_t{Little32(raw + 124)} << 32;
    }
    if (count == 0 || entries_[0].type != CompoundEntryType::Root) Fail("no root entry");
    CheckTree();
}

// Every entry is reached at most once from the root: no loops, no sharing.
void CompoundFile::CheckTree() const {
    std::vector<bool> seen(entries_.size());
    std::vector<std::uint32_t> pending{0};
    seen[0] = true;
    while (!pending.empty()) {
        const CompoundEntry& entry = entries_[pending.back()];
        pending.pop_back();
        for (const std::uint32_t link : {entry.left, entry.right, entry.child}) {
            if (link == kNoStream) continue;
            if (seen[link]) Fail("the directory loops");
            if (entries_[link].type == CompoundEntryType::Empty)
                Fail("the directory names an unused entry");
            seen[link] = true;
            pending.push_back(link);
        }
    }
}

void CompoundFile::ReadMiniStream(std::uint32_t firstMiniFat, std::uint32_t miniFatSectors) {
    const CompoundEntry& root = entries_[0];
    if (root.size == 0) return;
    miniStream_ = ReadChain(root.start, root.size);
    if (miniFatSectors == 0) return;
    if (miniFatSectors > SectorCount()) Fail("more mini table sectors than the file holds");
    const Bytes table = ReadChain(firstMiniFat, std::uint64_t{miniFatSectors} << sectorShift_);
    miniFat_.resize(table.size() / 4);
    for (std::size_t i = 0; i < miniFat_.size(); ++i) miniFat_[i] = Little32(table.data() + 4 * i);
}

const CompoundEntry& CompoundFile::Entry(int index) const {
    if (index < 0 || index >= EntryCount()) throw ECompoundFileError("No such compound entry.");
    return entries_[static_cast<std::size_t>(index)];
}

std::vector<int> CompoundFile::Children(int storage) const {
    std::vector<int> children;
    std::vector<std::uint32_t> stack;
    // An in-order walk of the sibling tree; CheckTree made sure it ends.
    std::uint32_t at = Entry(storage).child;
    while (at != kNoStream || !stack.empty()) {
        while (at != kNoStream) {
            stack.push_back(at);
            at = entries_[at].left;
        }
        at = stack.back();
        stack.pop_back();
        children.push_back(static_cast<int>(at));
        at = entries_[at].right;
    }
    return children;
}

int CompoundFile::Find(int storage, std::string_view name) const {
    for (const int child : Children(storage))
        if (entries_[static_cast<std::size_t>(child)].name == name) return child;
    return -1;
}

Bytes CompoundFile::ReadStream(int index) const {
    const CompoundEntry& entry = Entry(index);
    if (entry.type != CompoundEntryType::Stream) throw ECompoundFileError("Not a stream.");
    if (entry.size >= miniCutoff_) return ReadChain(entry.start, entry.size);
    const std::vector<std::uint32_t> chain =
        Chain(miniFat_, entry.start, SectorsFor(entry.size, kMiniShift),
              miniStream_.size() >> kMiniShift);
    Bytes bytes(static_cast<std::size_t>(entry.size));
    for (std::size_t i = 0; i << kMiniShift < bytes.size(); ++i) {
        const std::size_t count = std::min<std::size_t>(64, bytes.size() - (i << kMiniShift));
        std::memcpy(bytes.data() + (i << kMiniShift),
                    miniStream_.data() + (std::size_t{chain[i]} << kMiniShift), count);
    }
    return bytes;
}

} // namespace zv
