#include "explorer/Listing.h"

#include "platform/Extensions.h"
#include "platform/FileDate.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <limits>

namespace zv {

namespace {

using Clock = std::chrono::system_clock;

// A file written this recently may still be being written; the next
// listing shows it.
constexpr auto kStillWriting = std::chrono::seconds(2);

class DirHandle {
public:
    explicit DirHandle(const std::string& path) : dir_(::opendir(path.c_str())) {}
    ~DirHandle() {
        if (dir_) ::closedir(dir_);
    }
    DirHandle(const DirHandle&) = delete;
    DirHandle& operator=(const DirHandle&) = delete;
    DIR* get() const { return dir_; }

private:
    DIR* dir_;
};

// The names worth a look: not hidden, and by their directory entry possibly
// a file, a folder or a link to one.
std::vector<std::string> ReadNames(DIR* dir) {
    std::vector<std::string> names;
    names.reserve(8192);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        const unsigned char type = entry->d_type;
        if (type != DT_REG && type != DT_DIR && type != DT_LNK && type != DT_UNKNOWN) continue;
        names.emplace_back(entry->d_name);
    }
    return names;
}

Clock::time_point WriteTime(const struct stat& status) {
    return Clock::from_time_t(status.st_mtim.tv_sec) +
           std::chrono::duration_cast<Clock::duration>(
               std::chrono::nanoseconds(status.st_mtim.tv_nsec));
}

bool StillBeingWritten(const struct stat& status, Clock::time_point now) {
    const auto age = now - WriteTime(status);
    // A file dated after now (a wrong clock) is not being written; it is listed.
    return age >= Clock::duration::zero() && age < kStillWriting;
}

void SetWriteTime(FileRecord& record, const struct stat& status) {
    std::tm local{};
    const std::time_t seconds = status.st_mtim.tv_sec;
    ::localtime_r(&seconds, &local);
    record.FileDate = PackDosDateTime(local);
    record.TimeOfDayMs = ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 +
                         static_cast<std::int32_t>(status.st_mtim.tv_nsec / 1000000);
}

} // namespace

ListingResult ListFolder(const std::string& folder, RecordStore& store, ViewOrder& order,
                         IconCache& icons, const ListingOptions& options) {
    store.Clear();
    order.clear();
    ListingResult result;
    DirHandle dir(folder.empty() ? std::string(".") : folder);
    if (!dir.get()) return result;
    const int dirFd = ::dirfd(dir.get());

    const std::vector<std::string> names = ReadNames(dir.get());
    store.EnsureRoom(names.size());
    order.reserve(2 * names.size());

    for (const std::string& name : names) {
        struct stat status;
        // Follows links: a link is listed as what it points to, a broken one
        // not at all.
        if (::fstatat(dirFd, name.c_str(), &status, 0) != 0) continue;
        FileRecord record;
        if (S_ISDIR(status.st_mode)) {
            record.SortPrefix = " ";
            record.ThumbState = kThumbFolder;
            record.IconIndex = IconCache::kFolder;
            ++result.folderCount;
        } else if (S_ISREG(status.st_mode)) {
            if (status.st_size == 0 || StillBeingWritten(status, options.now)) continue;
            record.Size = static_cast<std::int32_t>(static_cast<std::uint32_t>(status.st_size));
            record.ThumbState = kThumbPending;
            record.IconIndex = icons.IconFor(UpperExtension(name));
        } else {
            continue;
        }
        SetWriteTime(record, status);
        record.Name = name;
        record.FileName = name;
        order.push_back(store.Append(std::move(record)));
    }
    if (options.sortByName) SortViewOrder(store, order, SortKind::NameAscending);
    result.ok = true;
    return result;
}

} // namespace zv
