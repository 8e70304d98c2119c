#pragma once
// The volume string of a file system ("LABEL.SERIAL"), which the thumbnail
// cache and album files key folders by, worked out from the mounts table and
// the disk links of this machine.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// An entry of /dev/disk/by-label or /dev/disk/by-uuid: the entry's name as it
// is in the folder and the device it leads to, as a canonical path.
struct DiskLink {
    std::string name;
    std::string device;
};

// The device of the mount holding the folder: the mount whose mount point is
// the longest prefix of the folder, compared as whole folder names; of two
// mounts on the same point the later one (the mount on top). Empty when
// none holds it. The mounts text is that of /proc/self/mounts.
std::string MountDeviceOf(std::string_view mountsText, std::string_view folder);

// "LABEL.SERIAL" for a device: the label upper-cased (with the \xHH escapes
// of the by-label names decoded), the serial the first 8 hexadecimal digits
// of its UUID without dashes, upper-cased. A device with a UUID but no label
// gives ".SERIAL"; one with a label but no UUID gives "LABEL.00000000"; one
// with neither gives "" (unknown).
std::string VolumeStringOfDevice(std::string_view device, const std::vector<DiskLink>& byLabel,
                                 const std::vector<DiskLink>& byUuid);

// The volume string of the file system holding the folder on this machine,
// from /proc/self/mounts and /dev/disk/by-label and /dev/disk/by-uuid; empty
// when it cannot be found.
std::string VolumeString(const std::filesystem::path& folder);

// The mounts table writes space, tab, newline and backslash in its fields as
// a backslash and three octal digits; this gives the field back.
std::string DecodeMountField(std::string_view field);

} // namespace zv
