#pragma once
// Deleting for good, and recycling into the desktop's home trash as the
// freedesktop.org trash standard lays it out: the item goes to
// Trash/files/<name> and Trash/info/<name>.trashinfo records where it came
// from and when, so the desktop's trash can put it back. Nothing already in
// the trash is ever overwritten, and a failed recycle leaves the item where
// it was and no record behind.

#include "platform/AppFolders.h"
#include "platform/Trash.h"

#include <ctime>
#include <filesystem>
#include <string>

namespace zv {

class FreedesktopTrash : public Trash {
public:
    // The trash lives under $XDG_DATA_HOME (else $HOME/.local/share) as read here.
    explicit FreedesktopTrash(EnvironmentReader env);

    // Removes a file, a symbolic link or an empty folder.
    std::string Delete(const std::string& path) override;
    // Moves a file, symbolic link or folder into the trash. Across file
    // systems a file is copied, checked against the original and only then is
    // the original removed; a folder on another file system is refused.
    std::string Recycle(const std::string& path) override;

    // $XDG_DATA_HOME/Trash, or $HOME/.local/share/Trash.
    std::filesystem::path HomeTrash() const;

    // An absolute path as a URL path: bytes other than unreserved characters
    // and "/" become %XX.
    static std::string EncodePath(const std::string& absolutePath);
    // The whole .trashinfo text for an item deleted at `when` (local time).
    static std::string TrashInfoText(const std::string& absolutePath, std::time_t when);
    // The n-th name tried for `name` in the trash: the name itself, then
    // "stem.2.ext", "stem.3.ext", ... shortened where needed so the record's
    // file name stays within the file system's limit.
    static std::string CandidateName(const std::string& name, int n);

private:
    EnvironmentReader env_;
};

} // namespace zv
