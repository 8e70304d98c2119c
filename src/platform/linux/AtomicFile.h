#pragma once
// Writing a file so that it is either wholly replaced or left as it was: the
// bytes go to a temporary file in the same folder, which is renamed over the
// target only once complete.

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace zv {

class EFileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whether the folder is synced after the rename, so that the new name itself
// survives a crash. Files that can simply be made again (cache files) skip
// it; their contents are always on disk before they get their name.
enum class FolderSync { Yes, No };

// Throws EFileWriteError naming the file when it cannot be written; the
// target is then untouched and no temporary file is left behind. The new
// file gets the permission bits `mode`, whatever the umask.
void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         FolderSync folderSync = FolderSync::Yes, unsigned mode = 0644);

} // namespace zv
