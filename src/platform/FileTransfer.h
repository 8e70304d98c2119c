#pragma once
// Copying or moving one file to a new name, never over an existing one: the
// one routine behind every "Copy to" and "Move to" of the program's windows.

#include <filesystem>
#include <string>

namespace zv {

enum class TransferMode { Copy, Move };

// Copies or moves `from` to `to`. A copy is written under a temporary name
// beside `to` and renamed into place, so a failed copy leaves no half file;
// a move renames, and across file systems copies and then removes the
// source. `to` must not exist. Returns an empty string on success, else
// what went wrong (the source is then untouched).
std::string TransferFile(const std::filesystem::path& from, const std::filesystem::path& to,
                         TransferMode mode);

} // namespace zv
