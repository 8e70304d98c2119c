#include "catalog/Volumes.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace zv {

namespace {

namespace fs = std::filesystem;

std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

std::string AsFolder(std::string_view path) {
    std::string folder(path);
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// ---- mounts table and by-label / by-uuid names

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The device manager writes unsafe characters of a label (space, "/") as \xHH.
std::string DecodeHexEscapes(std::string_view name) {
    std::string result;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
            HexValue(name[i + 2]) >= 0 && HexValue(name[i + 3]) >= 0) {
            result += char(HexValue(name[i + 2]) * 16 + HexValue(name[i + 3]));
            i += 3;
        } else {
            result += name[i];
        }
    }
    return result;
}

const DiskLink* LinkTo(const std::vector<DiskLink>& links, std::string_view device) {
    for (const DiskLink& link : links) {
        if (link.device == device) return &link;
    }
    return nullptr;
}

std::string SerialOfUuid(std::string_view uuid) {
    std::string serial;
    for (char c : uuid) {
        if (c == '-') continue;
        if (HexValue(c) < 0 || serial.size() == 8) break;
        serial += c;
    }
    if (serial.empty()) return {};
    serial.insert(0, 8 - serial.size(), '0');
    return AsciiUpper(serial);
}

std::string ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string CanonicalOrAsGiven(const fs::path& path) {
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(path, error);
    return error ? path.string() : canonical.string();
}

std::vector<DiskLink> ReadDiskLinks(const fs::path& folder) {
    std::vector<DiskLink> links;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path target = fs::read_symlink(it->path(), error);
        if (error) {
            error.clear();
            continue;
        }
        const fs::path device = target.is_absolute() ? target : folder / target;
        links.push_back({it->path().filename().string(), CanonicalOrAsGiven(device)});
    }
    return links;
}

} // namespace

std::string DecodeMountField(std::string_view field) {
    auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    std::string result;
    result.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            result +=
                char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            result += field[i];
        }
    }
    return result;
}

std::string MountDeviceOf(std::string_view mountsText, std::string_view folder) {
    const std::string target = AsFolder(folder);
    std::string device;
    std::size_t longest = 0;
    std::istringstream lines{std::string(mountsText)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string mountDevice, mountPoint;
        if (!(fields >> mountDevice >> mountPoint)) continue;
        const std::string root = AsFolder(DecodeMountField(mountPoint));
        if (root.front() != '/' || target.compare(0, root.size(), root) != 0) continue;
        if (root.size() >= longest) {
            longest = root.size();
            device = DecodeMountField(mountDevice);
        }
    }
    return device;
}

std::string VolumeStringOfDevice(std::string_view device, const std::vector<DiskLink>& byLabel,
                                 const std::vector<DiskLink>& byUuid) {
    if (device.empty()) return {};
    const DiskLink* label = LinkTo(byLabel, device);
    const DiskLink* uuid = LinkTo(byUuid, device);
    const std::string serial = uuid ? SerialOfUuid(uuid->name) : std::string();
    if (!label && serial.empty()) return {};
    const std::string labelText = label ? AsciiUpper(DecodeHexEscapes(label->name)) : "";
    return labelText + "." + (serial.empty() ? std::string("00000000") : serial);
}

std::string VolumeString(const fs::path& folder) {
    const std::string device =
        MountDeviceOf(ReadWholeFile("/proc/self/mounts"), CanonicalOrAsGiven(folder));
    if (device.empty() || device.front() != '/') return {};
    return VolumeStringOfDevice(CanonicalOrAsGiven(device), ReadDiskLinks("/dev/disk/by-label"),
                                ReadDiskLinks("/dev/disk/by-uuid"));
}

} // namespace zv
