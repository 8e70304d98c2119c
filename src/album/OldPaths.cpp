#include "album/OldPaths.h"

#include "catalog/Volumes.h"
#include "platform/TextEncoding.h"
#include "platform/WholeFile.h"

#include <dirent.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <vector>

namespace zv {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return lower;
}

// The entries of a folder by their lower-case names (the first of names
// differing only in case wins).
std::unordered_map<std::string, std::string> ReadFolder(const std::string& folder) {
    std::unordered_map<std::string, std::string> entries;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return entries;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") entries.emplace(Lower(name), name);
    }
    ::closedir(dir);
    return entries;
}

std::vector<std::string> MountPoints() {
    const WholeFile file = ReadEntireFile("/proc/self/mounts");
    std::istringstream lines(std::string(file.bytes.begin(), file.bytes.end()));
    std::vector<std::string> points;
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, point;
        if (fields >> device >> point) points.push_back(DecodeMountField(point));
    }
    return points;
}

} // namespace

bool IsWindowsFolder(std::string_view folder) {
    const bool drive = folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\';
    return drive || folder.find('\\') != std::string_view::npos;
}

MountOfVolume MachineMounts() {
    auto volumes = std::make_shared<std::map<std::string, std::string>>();
    auto read = std::make_shared<bool>(false);
    return [volumes, read](const std::string& volume) -> std::string {
        if (!*read) {
            *read = true;
            for (const std::string& point : MountPoints()) {
                const std::string found = VolumeString(point);
                if (!found.empty()) volumes->emplace(found, point);
            }
        }
        const auto it = volumes->find(volume);
        return it == volumes->end() ? std::string() : it->second;
    };
}

std::string ResolveWindowsFolder(std::string_view folder, const std::string& volume,
                                 const MountOfVolume& mounts) {
    if (folder.size() >= 2 && folder[1] == ':') folder.remove_prefix(2);
    std::string resolved = volume.empty() || !mounts ? std::string() : mounts(volume);
    if (resolved.empty() || resolved.back() != '/') resolved.push_back('/');
    CaseBlindNames names;
    std::size_t at = 0;
    while (at < folder.size()) {
        std::size_t end = folder.find_first_of("\\/", at);
        if (end == std::string_view::npos) end = folder.size();
        const std::string_view part = folder.substr(at, end - at);
        at = end + 1;
        if (part.empty() || part == ".") continue;
        const std::string found = part == ".." ? std::string() : names.Find(resolved, part);
        if (found.empty()) return {};
        resolved += found;
        resolved += '/';
    }
    return resolved;
}

std::string FindOldFolder(const std::string& folder, const std::string& volume,
                          const MountOfVolume& mounts) {
    std::error_code error;
    if (std::filesystem::exists(folder, error)) return {};
    const std::string decoded = IsUtf8(folder) ? folder : Windows1252ToUtf8(folder);
    if (decoded != folder && std::filesystem::exists(decoded, error)) return decoded;
    return IsWindowsFolder(decoded) ? ResolveWindowsFolder(decoded, volume, mounts) : std::string();
}

std::string CaseBlindNames::Find(const std::string& folder, std::string_view name) {
    auto it = folders_.find(folder);
    if (it == folders_.end()) it = folders_.emplace(folder, ReadFolder(folder)).first;
    const auto found = it->second.find(Lower(name));
    return found == it->second.end() ? std::string() : found->second;
}

} // namespace zv
