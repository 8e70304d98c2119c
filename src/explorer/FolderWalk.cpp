#include "explorer/FolderWalk.h"

#include "catalog/CompareWords.h"
#include "explorer/FolderTree.h"
#include "platform/Extensions.h"
#include "platform/FileDate.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <set>
#include <utility>

namespace zv {

namespace {

constexpr std::uint64_t kPollEvery = 1000; // entries between two looks at the stop flag
constexpr std::int64_t kRateAfterMs = 1200;

bool HoldsLineBreak(std::string_view name) {
    return name.find_first_of("\r\n") != std::string_view::npos;
}

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// What one directory read leaves for the file pass.
struct FolderContent {
    std::vector<std::string> candidates; // file names whose extension is in the set
    std::uint64_t entries = 0;           // every file entry seen
};

enum class EntryKind { Folder, File, Other };

EntryKind KindOf(DIR* dir, const dirent& entry) {
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
        struct stat status {};
        if (fstatat(dirfd(dir), entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return EntryKind::Other;
        if (S_ISDIR(status.st_mode)) return EntryKind::Folder;
        type = S_ISREG(status.st_mode) ? DT_REG : S_ISLNK(status.st_mode) ? DT_LNK : DT_UNKNOWN;
    }
    if (type == DT_DIR) return EntryKind::Folder;
    // A link may lead to a file; the file pass follows it and keeps regular files only.
    if (type == DT_REG || type == DT_LNK) return EntryKind::File;
    return EntryKind::Other;
}

class Walker {
public:
    Walker(const WalkOptions& options, WalkSink& sink, Progress& progress)
        : options_(options), sink_(sink), progress_(progress),
          now_(options.nowMs ? options.nowMs : SteadyMs) {}

    WalkResult Run(std::string start) {
        if (start.empty() || start.back() != '/') start += '/';
        if (!CollectFolders(std::move(start))) return Stopped();
        result_.folders = folders_.size();
        sink_.Folders(folders_);
        if (!ListFiles()) return Stopped();
        return result_;
    }

private:
    WalkResult Stopped() {
        result_.stopped = true;
        return result_;
    }

    bool Poll() {
        progress_.Update();
        return !progress_.Stopped();
    }

    // The folder list in the tree's order, depth first, each folder read once.
    bool CollectFolders(std::string start) {
        progress_.SetText(FirstText());
        std::vector<std::string> pending{std::move(start)};
        std::set<std::pair<dev_t, ino_t>> seen;
        while (!pending.empty()) {
            std::string folder = std::move(pending.back());
            pending.pop_back();
            if (!options_.skipRoot.empty() && folder.starts_with(options_.skipRoot)) continue;
            struct stat status {};
            if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
                if (folders_.empty()) { // the start folder itself is gone
                    AddFolder(folder, 0, {});
                    ++result_.unreadable;
                    result_.unreadableFolders.push_back(folder);
                }
                continue;
            }
            if (!seen.emplace(status.st_dev, status.st_ino).second) continue; // a bind-mount loop
            std::vector<std::string> subfolders;
            FolderContent content;
            const bool read = ReadFolder(folder, subfolders, content);
            if (!read) {
                ++result_.unreadable;
                result_.unreadableFolders.push_back(folder);
            }
            const bool first = folders_.empty();
            AddFolder(folder, status.st_dev, std::move(content));
            if (progress_.Stopped()) return false;
            if (!options_.subfolders) subfolders.clear();
            std::sort(subfolders.begin(), subfolders.end(), FolderNameLess);
            for (auto name = subfolders.rbegin(); name != subfolders.rend(); ++name)
                pending.push_back(folder + *name + '/');
            if (first && options_.texts == WalkTexts::Dialog)
                progress_.SetText(std::to_string(subfolders.size()) +
                                  " parent folders found; finding sub-folders ...");
            if (!Poll()) return false;
        }
        progress_.SetText(FoldersFoundText());
        return !progress_.Stopped();
    }

    void AddFolder(const std::string& folder, dev_t device, FolderContent content) {
        folders_.push_back({folder, static_cast<std::uint64_t>(device)});
        contents_.push_back(std::move(content));
    }

    // One read of the folder: its visible subfolders and its candidate files.
    bool ReadFolder(const std::string& folder, std::vector<std::string>& subfolders,
                    FolderContent& content) {
        DIR* dir = opendir(folder.c_str());
        if (dir == nullptr) return false;
        std::uint64_t seen = 0;
        while (const dirent* entry = readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            if (++seen % kPollEvery == 0 && !Poll()) break;
            const EntryKind kind = KindOf(dir, *entry);
            if (kind == EntryKind::Folder) {
                if (name.front() == '.') continue; // hidden, as in the tree
                if (HoldsLineBreak(name)) {
                    ++result_.lineBreakNames;
                    continue;
                }
                subfolders.emplace_back(name);
            } else if (kind == EntryKind::File) {
                ++content.entries;
                if (!ExtensionIn(UpperExtension(name), options_.extensions)) continue;
                if (HoldsLineBreak(name)) {
                    ++result_.lineBreakNames;
                    continue;
                }
                content.candidates.emplace_back(name);
            }
        }
        closedir(dir);
        return true;
    }

    bool ListFiles() {
        const std::int64_t started = now_();
        for (std::size_t index = 0; index < folders_.size(); ++index) {
            FolderContent& content = contents_[index];
            std::sort(
                content.candidates.begin(), content.candidates.end(),
                [](const std::string& a, const std::string& b) { return CompareWords(a, b) < 0; });
            std::uint64_t done = 0;
            for (const std::string& name : content.candidates) {
                if (++done % kPollEvery == 0 && !Poll()) return false;
                ListFile(index, name);
            }
            result_.scanned += content.entries;
            content = {};
            sink_.FolderDone(index);
            progress_.SetText(WalkProgressText(result_.files, result_.scanned, now_() - started));
            if (progress_.Stopped()) return false;
        }
        return true;
    }

    void ListFile(std::size_t folderIndex, const std::string& name) {
        const std::string path = folders_[folderIndex].path + name;
        struct stat status {};
        // Gone since the folder was read, a link to something else, or empty.
        if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0)
            return;
        WalkFile file;
        file.folderIndex = folderIndex;
        const std::size_t dot = name.find_last_of('.');
        file.name = dot == std::string::npos ? name : name.substr(0, dot);
        file.ext = dot == std::string::npos ? std::string() : name.substr(dot);
        file.size = static_cast<std::uint64_t>(status.st_size);
        const std::time_t when = status.st_mtim.tv_sec;
        std::tm local{};
        if (localtime_r(&when, &local) != nullptr) {
            file.dosDateTime = PackDosDateTime(local);
            file.timeMs = static_cast<std::uint32_t>(
                (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 1000 +
                status.st_mtim.tv_nsec / 1'000'000);
        }
        sink_.File(file);
        ++result_.files;
    }

    std::string FirstText() const {
        switch (options_.texts) {
        case WalkTexts::Dialog: return "Finding parent folders ...";
        case WalkTexts::ExplorerSlides: return "Populating Slides: Listing available folders...";
        case WalkTexts::ExplorerBookmarks:
            return "Populating Bookmarks: Listing available folders...";
        }
        return {};
    }

    std::string FoldersFoundText() const {
        const std::string count = std::to_string(folders_.size());
        switch (options_.texts) {
        case WalkTexts::Dialog: return "Total folders found: " + count;
        case WalkTexts::ExplorerSlides:
            return "Populating Slides: Listing " + count + " folders ...";
        case WalkTexts::ExplorerBookmarks:
            return "Populating Bookmarks: Listing " + count + " folders ...";
        }
        return {};
    }

    const WalkOptions& options_;
    WalkSink& sink_;
    Progress& progress_;
    std::function<std::int64_t()> now_;
    std::vector<WalkFolder> folders_;
    std::vector<FolderContent> contents_; // beside folders_
    WalkResult result_;
};

} // namespace

WalkResult WalkFolders(const std::string& start, const WalkOptions& options, WalkSink& sink,
                       Progress& progress) {
    return Walker(options, sink, progress).Run(start);
}

std::string WalkProgressText(std::size_t slides, std::uint64_t scanned, std::int64_t elapsedMs) {
    std::string text = std::to_string(slides) + " slides added.  ";
    if (elapsedMs > kRateAfterMs) {
        // Counted in units of 600 ms: files * 60000 / elapsed = files * 100 / units.
        const std::uint64_t units = static_cast<std::uint64_t>(elapsedMs) / 600;
        text += "  Files scanned: " + std::to_string(scanned) +
                " ... Files/min: " + std::to_string(scanned * 100 / units);
    }
    return text;
}

std::vector<std::string>
FolderVolumes(const std::vector<WalkFolder>& folders,
              const std::function<std::string(const std::string& folder)>& volumeOf) {
    std::map<std::uint64_t, std::string> byDevice;
    std::vector<std::string> volumes;
    volumes.reserve(folders.size());
    for (const WalkFolder& folder : folders) {
        auto found = byDevice.find(folder.device);
        if (found == byDevice.end())
            found = byDevice.emplace(folder.device, volumeOf(folder.path)).first;
        volumes.push_back(found->second);
    }
    return volumes;
}

} // namespace zv
