#pragma once
// What a folder walk hands on: its folders, then its files folder by folder.
// The explorer walks; the album (or a picture list) is built from the
// records, through a target that can refuse to begin, be abandoned, or end
// with the file it made.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

inline constexpr std::string_view kSlideListingAborted = "Slide listing aborted.";

// One folder of the walk: its path ending in "/" and the device it is on
// (folders of one device share a volume).
struct WalkFolder {
    std::string path;
    std::uint64_t device = 0;
};

// One file of the walk. The name and extension are kept as on disk.
struct WalkFile {
    std::size_t folderIndex = 0; // into the folder list
    std::string name;            // without its extension
    std::string ext;             // with its dot (".PNG", ".jpg"); empty when none
    std::uint64_t size = 0;
    std::uint32_t dosDateTime = 0; // local last-write time, packed DOS date and time
    std::uint32_t timeMs = 0;      // the same time as milliseconds since midnight
};

// Receives the walk's records: the whole folder list first, then the files
// folder by folder, each folder closed by FolderDone (so a names file can be
// flushed between folders). May throw; the walk then ends and lets it through.
class WalkSink {
public:
    virtual ~WalkSink() = default;
    virtual void Folders(const std::vector<WalkFolder>& folders) = 0;
    virtual void File(const WalkFile& file) = 0;
    virtual void FolderDone(std::size_t /*folderIndex*/) {}
};

// What a listing builds: an album's files or a picture list.
class WalkTarget : public WalkSink {
public:
    // Gets ready for about `expected` files (0: unknown). Returns an empty
    // text, or the reason it cannot begin, for the user; nothing is left.
    virtual std::string Begin(std::size_t expected) = 0;
    // Abandons the build: every file it made is removed.
    virtual void Clear() = 0;
    // Completes the build with the folders' volume strings (one per folder)
    // and returns the file the user opens: the album or the picture list.
    // Throws on a failed write, after removing what it made.
    virtual std::string End(const std::vector<std::string>& volumes) = 0;
};

} // namespace zv
