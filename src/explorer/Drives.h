#pragma once
// The known drives: the places the explorer offers at the top of its path box
// and as top-level nodes of its folder tree. Here they are the root "/", the
// user's home folder and every mounted file system that holds files (pseudo
// file systems and the system's own mounts under /proc, /sys, /dev and /run
// are left out, removable media under /run/media/ are kept).

#include <string>
#include <string_view>
#include <vector>

namespace zv {

// Drive type codes, as the drive list and the file operations use them.
inline constexpr int kDriveRemovable = 2;
inline constexpr int kDriveFixed = 3;
inline constexpr int kDriveNetwork = 4;
inline constexpr int kDriveOptical = 5; // no move, delete or rename
inline constexpr int kDriveRamDisk = 6;

struct KnownDrive {
    std::string root;        // an absolute folder ending in "/", case kept
    std::string displayName; // "File System" for "/", "Home" for the home folder, else the
                             // mount point's last name (its full path when that name repeats)
    int type = kDriveFixed;
    friend bool operator==(const KnownDrive&, const KnownDrive&) = default;
};

// The drives described by the text of a mounts table (the format of
// /proc/self/mounts: device, mount point with \040-style octal escapes, file
// system type, ...) and the home folder: "/" first, then the home folder
// (skipped when empty or "/"; its type is that of the mount holding it), then
// the kept mounts in table order. A mount point listed twice appears once with
// the type of its last line (the mount on top). Malformed lines are skipped.
std::vector<KnownDrive> ParseKnownDrives(std::string_view mountsText, std::string_view homeFolder);

// The drives of this machine: /proc/self/mounts and $HOME, keeping only mount
// points that are folders (containers bind single files such as /etc/hosts).
std::vector<KnownDrive> ReadKnownDrives();

// The type of a mount by its file system type and mount point (with "/"):
// optical, RAM disk, network, removable (under /media/ or /run/media/), else fixed.
int DriveTypeOfMount(std::string_view fsType, std::string_view mountPoint);

// Whether a mounts table entry is a pseudo file system or a system mount that
// is not offered as a drive.
bool IsHiddenMount(std::string_view fsType, std::string_view mountPoint);

// The index of the drive whose root is the longest prefix of the path,
// compared exactly ("/" holds every absolute path; "/home/ann/" holds
// "/home/ann/x" but not "/home/anna/"); a path equal to a root without its
// final "/" belongs to it too. -1 when no root matches.
int GetDriveIndex(const std::vector<KnownDrive>& drives, std::string_view path);

bool IsNetworkDriveType(int type);

} // namespace zv
