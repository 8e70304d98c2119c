#pragma once
// A whole file read into memory in one piece, for readers that parse from
// bytes held in memory.

#include <cstdint>
#include <filesystem>
#include <limits>
#include <vector>

namespace zv {

enum class WholeFileStatus : std::uint8_t {
    Read,
    CannotOpen, // missing, a folder, or not readable
    TooLarge,   // longer than the limit given
    CannotRead, // an error part way, or the file changed size while read
};

struct WholeFile {
    WholeFileStatus status = WholeFileStatus::CannotOpen;
    std::vector<std::uint8_t> bytes; // empty unless status is Read
};

// Reads the file at `path`, refusing one longer than `largest` bytes before
// any memory is taken for it.
WholeFile ReadEntireFile(const std::filesystem::path& path,
                         std::uint64_t largest = std::numeric_limits<std::uint64_t>::max());

} // namespace zv
