#include "platform/linux/FreedesktopTrash.h"

#include "platform/FileWriter.h"
#include "platform/RenameNoReplace.h"
#include "platform/linux/PosixFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zv {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kNameMax = 255;
constexpr int kMaxNameTries = 10000;
const std::string kInfoSuffix = ".trashinfo";

// Carries the reason a recycle failed up to the one place that reports it.
class TrashFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& what, int error) {
    throw TrashFailure(what + ": " + ErrorText(error));
}

// Removes a file it was given unless told to keep it: undoes the steps of a
// recycle that had already been done when a later one fails.
class RemoveUnlessKept {
public:
    RemoveUnlessKept() = default;
    explicit RemoveUnlessKept(fs::path file) : file_(std::move(file)) {}
    ~RemoveUnlessKept() { RemoveNow(); }
    RemoveUnlessKept(RemoveUnlessKept&& other) noexcept : file_(std::move(other.file_)) {
        other.file_.clear();
    }
    RemoveUnlessKept& operator=(RemoveUnlessKept&& other) noexcept {
        if (this != &other) {
            RemoveNow();
            file_ = std::move(other.file_);
            other.file_.clear();
        }
        return *this;
    }
    RemoveUnlessKept(const RemoveUnlessKept&) = delete;
    RemoveUnlessKept& operator=(const RemoveUnlessKept&) = delete;

    void Keep() { file_.clear(); }

private:
    void RemoveNow() noexcept {
        if (!file_.empty()) FileWrites().Remove(file_);
        file_.clear();
    }

    fs::path file_;
};

// The item to recycle, without trailing "/", refusing paths that name no item
// of their own ("/", ".", "..").
fs::path ItemPath(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    fs::path item(trimmed);
    std::string name = item.filename().string();
    if (trimmed.empty() || name.empty() || name == "." || name == ".." || trimmed == "/")
        throw TrashFailure("There is nothing to move to the trash in \"" + path + "\"");
    return item;
}

struct stat StatItem(const fs::path& item) {
    struct stat info {};
    if (::lstat(item.c_str(), &info) != 0) Fail("Cannot find " + item.string(), errno);
    return info;
}

// Where the item lives, through any symbolic links in the folders above it.
std::string OriginalLocation(const fs::path& item) {
    fs::path parent = item.has_parent_path() ? item.parent_path() : fs::path(".");
    std::error_code ec;
    fs::path folder = fs::canonical(parent, ec);
    if (ec) Fail("Cannot find the folder of " + item.string(), ec.value());
    return (folder / item.filename()).string();
}

void MakePrivateFolder(const fs::path& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        Fail("Cannot create the trash folder " + folder.string(), errno);
}

void MakeTrashFolders(const fs::path& trash) {
    std::error_code ec;
    fs::create_directories(trash.parent_path(), ec);
    if (ec) Fail("Cannot create the trash folder " + trash.string(), ec.value());
    MakePrivateFolder(trash);
    MakePrivateFolder(trash / "files");
    MakePrivateFolder(trash / "info");
}

// True when something is at `path`; a path that cannot be looked at is a failure.
bool NameTaken(const fs::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) return true;
    if (errno != ENOENT) Fail("Cannot look at " + path.string(), errno);
    return false;
}

void WriteInfo(UniqueFd& fd, const std::string& text, const fs::path& infoFile) {
    FileWriter& writer = FileWrites();
    if (!writer.Write(fd.Get(), text.data(), text.size()) || !writer.Sync(fd.Get()) ||
        !writer.Close(fd.Take()))
        Fail("Cannot write " + infoFile.string(), errno);
}

// The trash's name for the item, claimed by creating its record exclusively.
struct Reservation {
    RemoveUnlessKept info;
    fs::path trashedItem;
};

// Claims "<candidate>.trashinfo" when neither it nor files/<candidate> exists.
bool TryReserve(const fs::path& trash, const std::string& candidate, const std::string& infoText,
                Reservation& reservation) {
    fs::path infoFile = trash / "info" / (candidate + kInfoSuffix);
    UniqueFd fd(
        FileWrites().Open(infoFile, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.Valid()) {
        if (errno == EEXIST) return false;
        Fail("Cannot create " + infoFile.string(), errno);
    }
    RemoveUnlessKept info(infoFile);
    fs::path trashedItem = trash / "files" / candidate;
    if (NameTaken(trashedItem)) return false;
    WriteInfo(fd, infoText, infoFile);
    reservation = Reservation{std::move(info), trashedItem};
    return true;
}

Reservation ReserveName(const fs::path& trash, const std::string& name,
                        const std::string& infoText) {
    for (int n = 1; n <= kMaxNameTries; ++n) {
        Reservation reservation;
        if (TryReserve(trash, FreedesktopTrash::CandidateName(name, n), infoText, reservation))
            return reservation;
    }
    throw TrashFailure("The trash holds too many items named " + name);
}

void CopyBytes(int from, int to, const fs::path& target) {
    std::vector<unsigned char> buffer(1 << 20);
    for (;;) {
        long long got = ReadFull(from, buffer.data(), buffer.size());
        if (got < 0) Fail("Cannot read the file to move to the trash", errno);
        if (got == 0) return;
        if (!FileWrites().Write(to, buffer.data(), static_cast<std::size_t>(got)))
            Fail("Cannot write " + target.string(), errno);
    }
}

// Keeps the copy's permissions and times those of the original, so putting
// it back gives the same file.
void CopyAttributes(int to, const struct stat& original) {
    ::fchmod(to, original.st_mode & 07777);
    const timespec times[2] = {original.st_atim, original.st_mtim};
    ::futimens(to, times);
}

bool SameContent(const fs::path& a, const fs::path& b) {
    UniqueFd fa = OpenFile(a, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    UniqueFd fb = OpenFile(b, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (!fa.Valid() || !fb.Valid()) return false;
    std::vector<unsigned char> ba(1 << 20), bb(1 << 20);
    for (;;) {
        long long ga = ReadFull(fa.Get(), ba.data(), ba.size());
        long long gb = ReadFull(fb.Get(), bb.data(), bb.size());
        if (ga < 0 || ga != gb) return false;
        if (ga == 0) return true;
        if (!std::equal(ba.begin(), ba.begin() + ga, bb.begin())) return false;
    }
}

off_t FileSize(const fs::path& file) {
    struct stat info {};
    return ::lstat(file.c_str(), &info) == 0 ? info.st_size : -1;
}

RemoveUnlessKept CopyFileAcross(const fs::path& from, const fs::path& to) {
    UniqueFd in = OpenFile(from, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    struct stat original {};
    if (!in.Valid() || ::fstat(in.Get(), &original) != 0)
        Fail("Cannot read " + from.string(), errno);
    FileWriter& writer = FileWrites();
    UniqueFd out(writer.Open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!out.Valid()) Fail("Cannot create " + to.string(), errno);
    RemoveUnlessKept copy(to);
    CopyBytes(in.Get(), out.Get(), to);
    CopyAttributes(out.Get(), original);
    if (!writer.Sync(out.Get()) || !writer.Close(out.Take()))
        Fail("Cannot write " + to.string(), errno);
    if (FileSize(to) != original.st_size || FileSize(from) != original.st_size ||
        !SameContent(from, to))
        throw TrashFailure("The copy of " + from.string() + " in the trash does not match it");
    return copy;
}

std::string ReadLink(const fs::path& link) {
    std::vector<char> buffer(4096);
    for (;;) {
        ssize_t got = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (got < 0) Fail("Cannot read the link " + link.string(), errno);
        if (static_cast<std::size_t>(got) < buffer.size()) return std::string(buffer.data(), got);
        buffer.resize(buffer.size() * 2);
    }
}

RemoveUnlessKept CopyLinkAcross(const fs::path& from, const fs::path& to) {
    std::string target = ReadLink(from);
    if (::symlink(target.c_str(), to.c_str()) != 0) Fail("Cannot create " + to.string(), errno);
    RemoveUnlessKept copy(to);
    if (ReadLink(to) != target)
        throw TrashFailure("The copy of " + from.string() + " in the trash does not match it");
    return copy;
}

// Across file systems: copy, check, and only then remove the original.
void MoveAcross(const fs::path& from, const fs::path& to, const struct stat& info) {
    RemoveUnlessKept copy;
    if (S_ISREG(info.st_mode))
        copy = CopyFileAcross(from, to);
    else if (S_ISLNK(info.st_mode))
        copy = CopyLinkAcross(from, to);
    else
        throw TrashFailure(from.string() + " is on another file system than the trash and "
                                           "cannot be moved there");
    if (!FileWrites().Remove(from)) Fail("Cannot remove " + from.string(), errno);
    copy.Keep();
}

void MoveIntoTrash(const fs::path& from, const fs::path& to, const struct stat& info) {
    if (RenameNoReplace(from, to, S_ISDIR(info.st_mode))) return;
    if (errno != EXDEV) Fail("Cannot move " + from.string() + " to the trash", errno);
    MoveAcross(from, to, info);
}

// Cuts a UTF-8 string to at most `limit` bytes without splitting a character.
std::string CutUtf8(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

} // namespace

FreedesktopTrash::FreedesktopTrash(EnvironmentReader env) : env_(std::move(env)) {}

fs::path FreedesktopTrash::HomeTrash() const {
    return DataHome(env_) / "Trash";
}

std::string FreedesktopTrash::EncodePath(const std::string& absolutePath) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : absolutePath) {
        if (IsUnreserved(c) || c == '/') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
    }
    return encoded;
}

std::string FreedesktopTrash::TrashInfoText(const std::string& absolutePath, std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + EncodePath(absolutePath) + "\nDeletionDate=" + date + "\n";
}

std::string FreedesktopTrash::CandidateName(const std::string& name, int n) {
    fs::path asPath(name);
    std::string stem = asPath.stem().string();
    std::string extension = asPath.extension().string();
    std::string number = n > 1 ? "." + std::to_string(n) : "";
    std::size_t room = kNameMax - kInfoSuffix.size();
    if (extension.size() + number.size() >= room) {
        stem = name;
        extension.clear();
    }
    std::size_t stemRoom = room - number.size() - extension.size();
    return CutUtf8(stem, stemRoom) + number + extension;
}

std::string FreedesktopTrash::Delete(const std::string& path) {
    if (path.empty()) return "No file name given to delete";
    if (std::remove(path.c_str()) != 0) return "Cannot delete " + path + ": " + ErrorText(errno);
    return {};
}

std::string FreedesktopTrash::Recycle(const std::string& path) {
    try {
        fs::path item = ItemPath(path);
        struct stat info = StatItem(item);
        fs::path trash = HomeTrash();
        MakeTrashFolders(trash);
        std::string infoText = TrashInfoText(OriginalLocation(item), std::time(nullptr));
        Reservation reservation = ReserveName(trash, item.filename().string(), infoText);
        MoveIntoTrash(item, reservation.trashedItem, info);
        reservation.info.Keep();
        FileWrites().SyncFolder(trash / "files");
        return {};
    } catch (const std::exception& failure) {
        return failure.what();
    }
}

} // namespace zv
