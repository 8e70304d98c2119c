#include "explorer/Drives.h"

#include "catalog/Volumes.h"
#include "platform/WholeFile.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <sstream>
#include <sys/stat.h>

namespace zv {

namespace {

constexpr std::array<std::string_view, 22> kPseudoFileSystems = {
    "proc",       "sysfs",      "devtmpfs", "devpts",   "cgroup",      "cgroup2",
    "securityfs", "pstore",     "bpf",      "tracefs",  "debugfs",     "mqueue",
    "hugetlbfs",  "configfs",   "fusectl",  "autofs",   "binfmt_misc", "nsfs",
    "ramfs",      "rpc_pipefs", "efivarfs", "selinuxfs"};

constexpr std::array<std::string_view, 11> kNetworkFileSystems = {
    "nfs",        "nfs4", "cifs", "smb3", "smbfs",    "sshfs",
    "fuse.sshfs", "9p",   "afs",  "ceph", "glusterfs"};

bool Contains(const auto& list, std::string_view value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string AsFolder(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

std::string LastName(const std::string& root) {
    const std::string_view trimmed(root.data(), root.size() - 1); // without the final "/"
    const std::size_t slash = trimmed.rfind('/');
    return std::string(trimmed.substr(slash + 1));
}

struct Mount {
    std::string root;
    std::string fsType;
};

std::vector<Mount> ParseMounts(std::string_view text) {
    std::vector<Mount> mounts;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, fsType;
        if (!(fields >> device >> mountPoint >> fsType)) continue;
        std::string root = DecodeMountField(mountPoint);
        if (root.empty() || root.front() != '/') continue;
        mounts.push_back({AsFolder(std::move(root)), fsType});
    }
    return mounts;
}

} // namespace

bool IsNetworkDriveType(int type) {
    return type == kDriveNetwork;
}

bool IsHiddenMount(std::string_view fsType, std::string_view mountPoint) {
    if (Contains(kPseudoFileSystems, fsType)) return true;
    if (StartsWith(mountPoint, "/run/media/")) return false;
    for (std::string_view system : {"/proc/", "/sys/", "/dev/", "/run/"}) {
        if (StartsWith(mountPoint, system) || mountPoint == system.substr(0, system.size() - 1))
            return true;
    }
    return false;
}

int DriveTypeOfMount(std::string_view fsType, std::string_view mountPoint) {
    if (fsType == "iso9660" || fsType == "udf") return kDriveOptical;
    if (fsType == "tmpfs") return kDriveRamDisk;
    if (Contains(kNetworkFileSystems, fsType) || StartsWith(fsType, "fuse.sshfs") ||
        StartsWith(fsType, "davfs") || StartsWith(fsType, "fuse.davfs"))
        return kDriveNetwork;
    if (StartsWith(mountPoint, "/media/") || StartsWith(mountPoint, "/run/media/"))
        return kDriveRemovable;
    return kDriveFixed;
}

std::vector<KnownDrive> ParseKnownDrives(std::string_view mountsText, std::string_view homeFolder) {
    const std::vector<Mount> mounts = ParseMounts(mountsText);
    std::vector<KnownDrive> drives;
    drives.push_back({"/", "File System", kDriveFixed});

    const std::string home = homeFolder.empty() ? std::string() : AsFolder(std::string(homeFolder));
    const bool hasHome = !home.empty() && home != "/" && home.front() == '/';
    if (hasHome) drives.push_back({home, "Home", kDriveFixed});
    const std::size_t firstMount = drives.size();

    bool homeIsMount = false;
    for (const Mount& mount : mounts) {
        if (IsHiddenMount(mount.fsType, mount.root)) continue;
        const int type = DriveTypeOfMount(mount.fsType, mount.root);
        homeIsMount |= hasHome && mount.root == home;
        const auto same = std::find_if(drives.begin(), drives.end(),
                                       [&](const KnownDrive& d) { return d.root == mount.root; });
        if (same != drives.end()) {
            same->type = type; // a later line is the mount on top
        } else {
            drives.push_back({mount.root, LastName(mount.root), type});
        }
    }

    if (hasHome && !homeIsMount) {
        std::vector<KnownDrive> others = drives;
        others.erase(others.begin() + 1);
        drives[1].type = others[std::size_t(GetDriveIndex(others, home))].type;
    }

    // A mount point's last name shared with another drive gives way to its full path.
    std::vector<std::size_t> repeated;
    for (std::size_t i = firstMount; i < drives.size(); ++i) {
        const auto named = [&](const KnownDrive& d) {
            return d.displayName == drives[i].displayName;
        };
        if (std::count_if(drives.begin(), drives.end(), named) > 1 || drives[i].displayName.empty())
            repeated.push_back(i);
    }
    for (std::size_t i : repeated)
        drives[i].displayName = drives[i].root.substr(0, drives[i].root.size() - 1);
    return drives;
}

std::vector<KnownDrive> ReadKnownDrives() {
    const WholeFile mounts = ReadEntireFile("/proc/self/mounts");
    const char* home = std::getenv("HOME");
    std::vector<KnownDrive> drives =
        ParseKnownDrives(std::string(mounts.bytes.begin(), mounts.bytes.end()), home ? home : "");
    std::erase_if(drives, [](const KnownDrive& drive) {
        struct stat info {};
        return drive.root != "/" &&
               (stat(drive.root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode));
    });
    return drives;
}

int GetDriveIndex(const std::vector<KnownDrive>& drives, std::string_view path) {
    int best = -1;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const std::string& root = drives[i].root;
        const std::string_view bare(root.data(), root.empty() ? 0 : root.size() - 1);
        const bool holds = StartsWith(path, root) || (!bare.empty() && path == bare);
        if (holds && (best < 0 || root.size() > drives[std::size_t(best)].root.size()))
            best = int(i);
    }
    return best;
}

} // namespace zv
