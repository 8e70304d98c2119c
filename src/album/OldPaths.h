#pragma once
// Folders and names in album files written on Windows ("C:\PICS\", names in
// other case than on disk), found on this machine: the drive becomes the
// mount point of the folder's volume, "\" becomes "/", and every part of the
// path is looked up without regard to case. Only used where the path as
// written does not exist.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zv {

// "X:\..." or any folder holding a backslash.
bool IsWindowsFolder(std::string_view folder);

// The mount point ("/media/ann/DATA/") of a volume string ("DATA.1A2B3C4D"),
// or empty when no mounted file system has it.
using MountOfVolume = std::function<std::string(const std::string& volume)>;
// The mounts of this machine, read once when first asked.
MountOfVolume MachineMounts();

// The folder on this machine, ending in "/": under the volume's mount point,
// or under "/" when the volume is empty or not mounted. Empty when a part of
// it is not there.
std::string ResolveWindowsFolder(std::string_view folder, const std::string& volume,
                                 const MountOfVolume& mounts);

// Where a folder of an album file that does not exist as written is on this
// machine: read as Windows-1252 when it is not UTF-8, then resolved as a
// Windows folder. Empty when the folder exists as written or is not found.
std::string FindOldFolder(const std::string& folder, const std::string& volume,
                          const MountOfVolume& mounts);

// Names looked up in folders without regard to case, each folder read once.
class CaseBlindNames {
public:
    // The name as it is in the folder, or empty when no entry matches.
    std::string Find(const std::string& folder, std::string_view name);

private:
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>> folders_;
};

} // namespace zv
