#pragma once
// A reader of structured-storage (compound) files: a little file system of
// storages and streams inside one file, kept in fixed-size sectors chained
// by an allocation table, with small streams packed in 64-byte mini sectors
// of their own. FlashPix pictures are held in one.
//
// Everything the file says is checked before it is used: every sector index
// lies inside the file, every chain ends and never loops, every stream fits
// its chain, and no allocation is larger than the file itself. A file that
// fails a check raises ECompoundFileError.

#include "formats/ByteReader.h"
#include "formats/DibGraphic.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

class ECompoundFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class CompoundEntryType : std::uint8_t { Empty = 0, Storage = 1, Stream = 2, Root = 5 };

struct CompoundEntry {
    // UTF-8; FlashPix names keep their leading control character ("\x05...").
    std::string name;
    CompoundEntryType type = CompoundEntryType::Empty;
    std::uint32_t start = 0;
    std::uint64_t size = 0;
    std::uint32_t left = 0, right = 0, child = 0;
};

class CompoundFile {
public:
    static constexpr int kRoot = 0;

    // Reads the header, the allocation tables and the directory. The data
    // must outlive the reader.
    explicit CompoundFile(ByteSpan data);

    int EntryCount() const { return static_cast<int>(entries_.size()); }
    const CompoundEntry& Entry(int index) const;
    // The entries directly inside a storage (or the root), in directory order.
    std::vector<int> Children(int storage) const;
    // The child of a storage with this name, or -1.
    int Find(int storage, std::string_view name) const;
    // The whole contents of a stream.
    Bytes ReadStream(int index) const;

private:
    std::uint64_t SectorCount() const;
    // The sectors of a chain from start, at least `needed` of them; throws
    // on a bad index, a loop or a chain too short.
    std::vector<std::uint32_t> Chain(const std::vector<std::uint32_t>& table, std::uint32_t start,
                                     std::uint64_t needed, std::uint64_t limit) const;
    Bytes ReadChain(std::uint32_t start, std::uint64_t size) const;
    void ReadFat(ByteReader& header);
    void ReadDirectory(std::uint32_t first);
    void ReadMiniStream(std::uint32_t firstMiniFat, std::uint32_t miniFatSectors);
    void CheckTree() const;

    ByteSpan data_;
    int sectorShift_ = 9;
    std::uint32_t miniCutoff_ = 4096;
    bool version3_ = true;
    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> miniFat_;
    Bytes miniStream_;
    std::vector<CompoundEntry> entries_;
};

} // namespace zv
