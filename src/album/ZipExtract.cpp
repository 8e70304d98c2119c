#include "album/ZipExtract.h"

#include "album/ZipLog.h"
#include "platform/FileDate.h"
#include "platform/FileWriter.h"
#include "platform/linux/PosixFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <ctime>

namespace zv {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// A file could not be written: errno at the time.
struct WriteError {
    int error;
};

// The folder a walk reached, or why it stopped.
struct FolderWalk {
    UniqueFd folder;
    std::optional<ZipRefusal> refusal;
    int error = 0;
};

bool IsLink(int parent, const std::string& name) {
    struct stat status {};
    return ::fstatat(parent, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISLNK(status.st_mode);
}

// Opens, or makes, the first `count` folders of `parts` one at a time below
// `root`, never following a link; `lastMode` gives a folder entry's stored
// permissions to the last folder when the walk makes it.
FolderWalk WalkFolders(int root, const std::vector<std::string>& parts, std::size_t count,
                       const std::optional<std::uint32_t>& lastMode) {
    FolderWalk walk;
    walk.folder = UniqueFd(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    if (!walk.folder.Valid()) {
        walk.refusal = ZipRefusal::WriteFailed;
        walk.error = errno;
        return walk;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& part = parts[i];
        const int parent = walk.folder.Get();
        bool made = false;
        int fd = ::openat(parent, part.c_str(), kFolderFlags);
        if (fd < 0 && errno == ENOENT) {
            if (::mkdirat(parent, part.c_str(), 0777) == 0)
                made = true;
            else if (errno != EEXIST) {
                walk.refusal = ZipRefusal::WriteFailed;
                walk.error = errno;
                return walk;
            }
            fd = ::openat(parent, part.c_str(), kFolderFlags);
        }
        if (fd < 0) {
            const int error = errno;
            walk.refusal = (error == ELOOP || IsLink(parent, part)) ? ZipRefusal::ThroughLink
                                                                    : ZipRefusal::WriteFailed;
            walk.error = error;
            return walk;
        }
        // A folder entry's own permissions go on the folder it made, keeping
        // the owner's access so the entries inside can still be written.
        if (made && i + 1 == count && lastMode) ::fchmod(fd, (*lastMode & 0777) | 0700);
        walk.folder = UniqueFd(fd);
    }
    return walk;
}

// "." or "./", which names the destination folder itself.
bool IsDestinationItself(const std::string& name) {
    return !name.empty() && name[0] == '.' && name.find("..") == std::string::npos &&
           name.find_first_not_of("./\\") == std::string::npos;
}

bool IsDriveLetter(const std::string& part) {
    return part.size() >= 2 && std::isalpha(static_cast<unsigned char>(part[0])) && part[1] == ':';
}

// The time to give an extracted file: the extended timestamp when the entry
// has one, else the stored DOS date and time as local time.
std::optional<std::time_t> EntryTime(const ZipEntry& entry) {
    if (entry.ModifiedTime) return static_cast<std::time_t>(*entry.ModifiedTime);
    std::tm time = UnpackDosDateTime(DosDateTime(entry.DosDate, entry.DosTime));
    if (time.tm_mon < 0 || time.tm_mon > 11 || time.tm_mday < 1) return std::nullopt;
    const std::time_t when = std::mktime(&time);
    if (when == static_cast<std::time_t>(-1)) return std::nullopt;
    return when;
}

// Permission bits for a new file: the stored Unix bits without set-user-ID,
// set-group-ID and sticky, or read-only from the DOS attribute; the umask
// applies as to any new file.
mode_t FileMode(const ZipEntry& entry, bool retain) {
    if (!retain) return 0666;
    if (const auto mode = entry.UnixMode(); mode && (*mode & 0777) != 0) return *mode & 0777;
    return entry.IsReadOnly() ? 0444 : 0666;
}

} // namespace

std::optional<std::vector<std::string>> SafeZipPath(const std::string& entryName) {
    if (entryName.find('\0') != std::string::npos) return std::nullopt;
    std::string path = entryName;
    for (char& c : path)
        if (c == '\\') c = '/';
    if (path.empty() || path[0] == '/') return std::nullopt;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") return std::nullopt;
        parts.push_back(std::move(part));
    }
    if (parts.empty() || IsDriveLetter(parts[0])) return std::nullopt;
    return parts;
}

// One UnZip call: walks the chosen entries, writes them and keeps the log.
class TVCLUnZip::Run {
public:
    Run(TVCLUnZip& owner, int root) : owner_(owner), archive_(*owner.archive_), root_(root) {}

    ZipExtractResult Extract(const std::vector<const ZipEntry*>& entries) {
        for (const ZipEntry* entry : entries) total_ += entry->Size;
        Percent(0);
        for (const ZipEntry* entry : entries) {
            const std::uint64_t before = done_;
            ExtractEntry(*entry);
            if (result_.Incomplete) break;
            done_ = before + entry->Size; // whether written or not, this entry is done
            Percent(done_);
        }
        Percent(total_);
        return std::move(result_);
    }

private:
    const std::string& ZipName() const { return owner_.zipName_; }

    void Percent(std::uint64_t done) {
        const int percent =
            total_ == 0
                ? 100
                : static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(total_));
        if (percent == lastPercent_) return;
        lastPercent_ = percent;
        if (owner_.OnTotalPercentDone) owner_.OnTotalPercentDone(percent);
    }

    void Refuse(const ZipEntry& entry, ZipRefusal why, const std::string& line) {
        result_.Log.push_back(line);
        result_.NotWritten.push_back(entry.Name);
        if (owner_.OnEntryRefused) owner_.OnEntryRefused(entry.Name, why);
    }

    void RefuseFolder(const ZipEntry& entry, const FolderWalk& walk) {
        if (walk.refusal == ZipRefusal::ThroughLink)
            Refuse(entry, ZipRefusal::ThroughLink, ZipThroughLinkLine(entry.Name, ZipName()));
        else
            Refuse(entry, ZipRefusal::WriteFailed,
                   ZipWriteFailedLine(entry.Name, ZipName(), ErrorText(walk.error)));
    }

    void ExtractEntry(const ZipEntry& entry) {
        std::optional<std::vector<std::string>> parts = SafeZipPath(entry.Name);
        if (!parts) {
            // A folder entry for the destination itself ("./") needs nothing.
            if (entry.IsDirectory() && IsDestinationItself(entry.Name)) return;
            return Refuse(entry, ZipRefusal::UnsafeName, ZipUnsafeNameLine(entry.Name, ZipName()));
        }
        if (entry.IsSymbolicLink())
            return Refuse(entry, ZipRefusal::SymbolicLink,
                          ZipSymbolicLinkLine(entry.Name, ZipName()));
        if (entry.IsDirectory()) {
            if (!owner_.RecreateDirs) return;
            const std::optional<std::uint32_t> mode =
                owner_.RetainAttributes ? entry.UnixMode() : std::nullopt;
            const FolderWalk walk = WalkFolders(root_, *parts, parts->size(), mode);
            if (walk.refusal) RefuseFolder(entry, walk);
            return;
        }
        if (!owner_.RecreateDirs) parts = std::vector<std::string>{parts->back()};
        if (entry.IsEncrypted())
            return Refuse(entry, ZipRefusal::Encrypted, ZipEncryptedLine(entry.Name, ZipName()));
        if (!ZipMethodSupported(entry.Method)) {
            result_.UnknownMethod = true;
            return Refuse(entry, ZipRefusal::UnknownMethod,
                          ZipUnknownMethodLine(entry.Name, ZipName(), entry.Method));
        }

        const FolderWalk walk = WalkFolders(root_, *parts, parts->size() - 1, std::nullopt);
        if (walk.refusal) return RefuseFolder(entry, walk);
        const int folder = walk.folder.Get();
        const std::string& name = parts->back();
        const std::filesystem::path target = Target(*parts);
        FileWriter& writer = FileWrites();
        UniqueFd file(writer.Open(folder, name,
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                  FileMode(entry, owner_.RetainAttributes)));
        if (!file.Valid()) {
            if (errno == EEXIST) {
                result_.Log.push_back(ZipExistsLine(entry.Name, ZipName()));
                result_.NotWritten.push_back(entry.Name);
                if (owner_.OnSkippingFile) owner_.OnSkippingFile(entry.Name, target);
                return;
            }
            return Refuse(entry, ZipRefusal::WriteFailed,
                          ZipWriteFailedLine(entry.Name, ZipName(), ErrorText(errno)));
        }

        const std::uint64_t start = done_;
        const ZipSink sink = [&](const std::uint8_t* data, std::size_t size) {
            if (!writer.Write(file.Get(), data, size)) throw WriteError{errno};
            done_ += size;
            Percent(done_);
        };
        bool crcGood = false;
        try {
            crcGood = archive_.Decode(entry, sink);
            if (const auto when = EntryTime(entry)) {
                const struct timespec times[2] = {{*when, 0}, {*when, 0}};
                ::futimens(file.Get(), times);
            }
            if (!writer.Close(file.Take())) throw WriteError{errno};
        } catch (const WriteError& failure) {
            Remove(folder, name, start);
            return Refuse(entry, ZipRefusal::WriteFailed,
                          ZipWriteFailedLine(entry.Name, ZipName(), ErrorText(failure.error)));
        } catch (const EZipError& error) {
            Remove(folder, name, start);
            if (error.Fault() == ZipFault::Incomplete) {
                result_.Incomplete = true;
                result_.Log.push_back(ZipIncompleteLine(ZipName()));
                result_.NotWritten.push_back(entry.Name);
                if (owner_.OnIncompleteZip) owner_.OnIncompleteZip();
                return;
            }
            if (error.Fault() == ZipFault::Corrupt)
                return Refuse(entry, ZipRefusal::Corrupted,
                              ZipCorruptedLine(entry.Name, ZipName()));
            throw;
        }
        ++result_.FilesWritten;
        if (!crcGood) {
            // The file stays, complete in length, for whatever can be saved
            // from it; the log says it is damaged.
            result_.Log.push_back(ZipBadCrcLine(entry.Name, ZipName()));
            if (owner_.OnBadCRC) owner_.OnBadCRC(entry.Name);
        }
        if (owner_.OnFileWritten) owner_.OnFileWritten(entry.Name, target);
    }

    // Takes away a file this run created and could not finish.
    void Remove(int folder, const std::string& name, std::uint64_t start) {
        FileWrites().Remove(folder, name);
        done_ = start;
    }

    std::filesystem::path Target(const std::vector<std::string>& parts) const {
        std::filesystem::path path;
        for (const std::string& part : parts) path /= part;
        return path;
    }

    TVCLUnZip& owner_;
    const ZipArchive& archive_;
    int root_;
    ZipExtractResult result_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    int lastPercent_ = -1;
};

void TVCLUnZip::Open(const std::string& zipName) {
    Open(zipName, OpenZipFile(zipName));
}

void TVCLUnZip::Open(const std::string& zipName, std::unique_ptr<ZipSource> source) {
    Close();
    archive_ = std::make_unique<ZipArchive>(std::move(source));
    zipName_ = zipName;
}

void TVCLUnZip::Close() {
    archive_.reset();
    zipName_.clear();
}

const ZipArchive& TVCLUnZip::Archive() const {
    if (!archive_) throw EZipError(ZipFault::ReadFailed, "No archive is open.");
    return *archive_;
}

ZipExtractResult TVCLUnZip::UnZip(const std::filesystem::path& destination) {
    std::vector<const ZipEntry*> entries;
    for (const ZipEntry& entry : Archive().Entries()) entries.push_back(&entry);
    return Extract(destination, entries);
}

ZipExtractResult TVCLUnZip::UnZip(const std::filesystem::path& destination,
                                  const std::vector<std::string>& names) {
    std::vector<const ZipEntry*> entries;
    for (const ZipEntry& entry : Archive().Entries())
        if (std::find(names.begin(), names.end(), entry.Name) != names.end())
            entries.push_back(&entry);
    return Extract(destination, entries);
}

ZipExtractResult TVCLUnZip::Extract(const std::filesystem::path& destination,
                                    const std::vector<const ZipEntry*>& entries) {
    // The destination itself is the user's choice and may be a link; only
    // what lies below it is walked without following links.
    UniqueFd root = OpenFile(destination, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!root.Valid())
        throw EZipError(ZipFault::WriteFailed,
                        "Cannot open " + destination.string() + " (" + ErrorText(errno) + ").");
    busy_ = true;
    struct NotBusy {
        bool& busy;
        ~NotBusy() { busy = false; }
    } notBusy{busy_};
    return Run(*this, root.Get()).Extract(entries);
}

} // namespace zv
