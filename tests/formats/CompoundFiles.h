#pragma once
// A small writer of structured-storage (compound) files for tests: a tree of
// storages and streams laid out in 512- or 4096-byte sectors, streams under
// 4096 bytes packed in the mini stream, as other programs write them.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zvtest {

struct CfbNode {
    std::string name; // ASCII; a leading "\x05" as property sets have
    bool storage = false;
    std::vector<std::uint8_t> data;
    std::vector<CfbNode> children;
};

inline CfbNode CfbStream(std::string name, std::vector<std::uint8_t> data) {
    return {std::move(name), false, std::move(data), {}};
}
inline CfbNode CfbStorage(std::string name, std::vector<CfbNode> children) {
    return {std::move(name), true, {}, std::move(children)};
}

namespace cfb {

constexpr std::uint32_t kFree = 0xFFFFFFFF, kEnd = 0xFFFFFFFE, kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kNone = 0xFFFFFFFF;

inline void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct Entry {
    const CfbNode* node;
    int type; // 1 storage, 2 stream, 5 root
    std::uint32_t left = kNone, right = kNone, child = kNone;
    std::uint32_t start = kEnd;
    std::uint64_t size = 0;
};

// Siblings are kept in a binary tree ordered by name length, then name.
inline bool Before(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size();
    for (std::size_t i = 0; i < a.size(); ++i) {
        const int x = std::toupper(static_cast<unsigned char>(a[i]));
        const int y = std::toupper(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    return false;
}

class Layout {
public:
    std::vector<Entry> entries;

    void Add(const CfbNode& node, int type) {
        entries.push_back({&node, type});
        const std::size_t self = entries.size() - 1;
        std::vector<std::uint32_t> kids;
        for (const CfbNode& child : node.children) {
            kids.push_back(static_cast<std::uint32_t>(entries.size()));
            Add(child, child.storage ? 1 : 2);
        }
        std::sort(kids.begin(), kids.end(), [&](std::uint32_t a, std::uint32_t b) {
            return Before(entries[a].node->name, entries[b].node->name);
        });
        entries[self].child = Balance(kids, 0, kids.size());
    }

private:
    std::uint32_t Balance(const std::vector<std::uint32_t>& kids, std::size_t from,
                          std::size_t to) {
        if (from >= to) return kNone;
        const std::size_t mid = (from + to) / 2;
        entries[kids[mid]].left = Balance(kids, from, mid);
        entries[kids[mid]].right = Balance(kids, mid + 1, to);
        return kids[mid];
    }
};

} // namespace cfb

// The file's bytes. sectorShift 9 writes version 3, 12 version 4.
inline std::vector<std::uint8_t> WriteCompoundFile(const CfbNode& root, int sectorShift = 9) {
    using namespace cfb;
    const std::size_t ss = std::size_t{1} << sectorShift;
    const std::size_t perSector = ss / 4;
    Layout layout;
    layout.Add(root, 5);
    std::vector<Entry>& entries = layout.entries;

    std::vector<std::uint8_t> body; // the sectors after the header
    std::vector<std::uint32_t> fat;
    const auto addChain = [&](const std::vector<std::uint8_t>& bytes) -> std::uint32_t {
        if (bytes.empty()) return kEnd;
        const auto first = static_cast<std::uint32_t>(fat.size());
        const std::size_t count = (bytes.size() + ss - 1) / ss;
        for (std::size_t i = 0; i < count; ++i)
            fat.push_back(i + 1 < count ? first + static_cast<std::uint32_t>(i) + 1 : kEnd);
        body.insert(body.end(), bytes.begin(), bytes.end());
        body.resize(fat.size() * ss);
        return first;
    };

    // Big streams in chains of their own, small ones in the mini stream.
    std::vector<std::uint8_t> mini;
    std::vector<std::uint32_t> miniFat;
    for (Entry& entry : entries) {
        if (entry.type != 2) continue;
        const std::vector<std::uint8_t>& data = entry.node->data;
        entry.size = data.size();
        if (data.size() >= 4096) {
            entry.start = addChain(data);
        } else if (!data.empty()) {
            entry.start = static_cast<std::uint32_t>(miniFat.size());
            const std::size_t count = (data.size() + 63) / 64;
            for (std::size_t i = 0; i < count; ++i)
                miniFat.push_back(i + 1 < count ? entry.start + static_cast<std::uint32_t>(i) + 1
                                                : kEnd);
            mini.insert(mini.end(), data.begin(), data.end());
            mini.resize(miniFat.size() * 64);
        }
    }
    entries[0].start = addChain(mini);
    entries[0].size = mini.size();
    std::vector<std::uint8_t> miniFatBytes(miniFat.size() * 4);
    for (std::size_t i = 0; i < miniFat.size(); ++i) Put32(miniFatBytes, 4 * i, miniFat[i]);
    const std::uint32_t miniFatStart = addChain(miniFatBytes);
    const std::size_t miniFatSectors = (miniFatBytes.size() + ss - 1) / ss;

    std::vector<std::uint8_t> directory((entries.size() + perSector / 32 - 1) / (perSector / 32) *
                                        ss);
    for (std::size_t i = 0; i * 128 < directory.size(); ++i) {
        const std::size_t at = i * 128;
        Put32(directory, at + 68, kNone);
        Put32(directory, at + 72, kNone);
        Put32(directory, at + 76, kNone);
        if (i >= entries.size()) continue;
        const Entry& entry = entries[i];
        const std::string name = i == 0 ? "Root Entry" : entry.node->name;
        if (name.size() > 31) throw std::invalid_argument("compound name too long");
        for (std::size_t c = 0; c < name.size(); ++c)
            directory[at + 2 * c] = static_cast<std::uint8_t>(name[c]);
        directory[at + 64] = static_cast<std::uint8_t>((name.size() + 1) * 2);
        directory[at + 66] = static_cast<std::uint8_t>(entry.type);
        directory[at + 67] = 1; // black
        Put32(directory, at + 68, entry.left);
        Put32(directory, at + 72, entry.right);
        Put32(directory, at + 76, entry.child);
        Put32(directory, at + 116, entry.type == 1 ? 0 : entry.start);
        Put32(directory, at + 120, static_cast<std::uint32_t>(entry.size));
        Put32(directory, at + 124, static_cast<std::uint32_t>(entry.size >> 32));
    }
    const std::uint32_t directoryStart = addChain(directory);

    // The table covers itself too.
    std::size_t fatSectors = 1;
    while (fatSectors * perSector < fat.size() + fatSectors) ++fatSectors;
    if (fatSectors > 109) throw std::invalid_argument("compound file too large for the writer");
    const auto firstFat = static_cast<std::uint32_t>(fat.size());
    for (std::size_t i = 0; i < fatSectors; ++i) fat.push_back(kFatSector);
    fat.resize(fatSectors * perSector, kFree);
    std::vector<std::uint8_t> fatBytes(fat.size() * 4);
    for (std::size_t i = 0; i < fat.size(); ++i) Put32(fatBytes, 4 * i, fat[i]);
    body.insert(body.end(), fatBytes.begin(), fatBytes.end());

    std::vector<std::uint8_t> file(ss, 0);
    const std::uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(signature, signature + 8, file.begin());
    file[24] = 0x3E;
    file[26] = sectorShift == 9 ? 3 : 4;
    file[28] = 0xFE;
    file[29] = 0xFF;
    file[30] = static_cast<std::uint8_t>(sectorShift);
    file[32] = 6;
    Put32(file, 40, sectorShift == 9 ? 0 : static_cast<std::uint32_t>(directory.size() / ss));
    Put32(file, 44, static_cast<std::uint32_t>(fatSectors));
    Put32(file, 48, directoryStart);
    Put32(file, 56, 4096);
    Put32(file, 60, miniFatSectors ? miniFatStart : kEnd);
    Put32(file, 64, static_cast<std::uint32_t>(miniFatSectors));
    Put32(file, 68, kEnd);
    for (std::size_t i = 0; i < 109; ++i)
        Put32(file, 76 + 4 * i, i < fatSectors ? firstFat + static_cast<std::uint32_t>(i) : kFree);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

} // namespace zvtest
