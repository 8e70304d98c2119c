#pragma once
// Renaming that never replaces: the last step of every write that must not
// overwrite what another program or an earlier run left under the name.

#include <filesystem>

namespace zv {

// Renames `from` to `to` unless `to` exists (a file, folder or link). False
// with errno set when it does not: EEXIST when the name is taken. Where the
// file system does not know an atomic no-replace rename, a file is linked to
// the new name and then unlinked from the old; a folder is renamed only when
// the name is free (a race there is the file system's limit).
bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                     bool isFolder = false);

} // namespace zv
