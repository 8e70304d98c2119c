#include "album/JpegComments.h"

#include "album/ExifListing.h"
#include "platform/WholeFile.h"
#include "platform/linux/AtomicFile.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

namespace fs = std::filesystem;

namespace {

// Splits text into lines at LF, CR LF or CR; a break at the very end makes
// no empty last line.
std::vector<std::string_view> SplitLines(std::string_view all) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i] != '\n' && all[i] != '\r') continue;
        lines.push_back(all.substr(start, i - start));
        if (all[i] == '\r' && i + 1 < all.size() && all[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < all.size()) lines.push_back(all.substr(start));
    return lines;
}

bool Removes(JpegStripMode mode, std::uint8_t code) {
    if (code == kMarkerCOM) return true;
    return mode == JpegStripMode::AllExtraInfo && code >= 0xE0 && code <= 0xEF;
}

// Writes the bytes to a temporary file in the target's folder with the given
// permission bits, then renames it over the target.
void WriteThroughTemporary(const fs::path& target, ByteSpan bytes, mode_t mode) {
    WriteFileAtomically(target,
                        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                        FolderSync::Yes, mode);
}

// The permission bits a rewrite or copy of the file gets: the file's own,
// without set-user-ID, set-group-ID and sticky bits.
mode_t FileMode(const fs::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return 0644;
    return status.st_mode & 0777;
}

enum class BackupResult { Made, Cancelled, Failed };

BackupResult Backup(const fs::path& path, ByteSpan original, Dialogs& dialogs) {
    const fs::path backup = JpegBackupPath(path);
    std::error_code error;
    if (backup == path || fs::equivalent(backup, path, error)) {
        dialogs.Error(kCannotCreateBackup);
        return BackupResult::Failed;
    }
    if (fs::exists(fs::symlink_status(backup, error)) &&
        dialogs.Box(BoxKind::Warning, backup.string() + kBackupExists, Buttons::YesNo) !=
            Answer::Yes)
        return BackupResult::Cancelled;
    try {
        // A link in place of the backup is replaced, never followed.
        WriteThroughTemporary(backup, original, FileMode(path));
    } catch (const std::exception&) {
        dialogs.Error(kCannotCreateBackup);
        return BackupResult::Failed;
    }
    return BackupResult::Made;
}

} // namespace

// ---- Reading ----

std::vector<std::string> JpegText::Lines() const {
    std::vector<std::string> lines;
    if (macHeader) lines.insert(lines.end(), {"", kMacHeaderWarning, ""});
    lines.insert(lines.end(), exifLines.begin(), exifLines.end());
    lines.insert(lines.end(), commentLines.begin(), commentLines.end());
    return lines;
}

std::string JpegText::Text() const {
    std::string text;
    bool first = true;
    for (const std::string& line : Lines()) {
        if (!first) text += '\n';
        text += line;
        first = false;
    }
    return text;
}

JpegText ReadJpegText(ByteSpan file) {
    JpegText text;
    const std::size_t cut = MacHeaderLength(file);
    text.macHeader = cut > 0;
    const ByteSpan jpeg = file.subspan(cut);
    JpegMarkerWalk walk(jpeg);
    JpegStep step;
    bool exifListed = false;
    while (true) {
        // An empty or over-long comment length ends the reading.
        if (walk.MarkerHere() == kMarkerCOM) {
            const std::optional<std::uint16_t> length = walk.LengthHere();
            if (length && (*length == 0 || *length > kMaxReadCommentLength)) break;
        }
        if (!walk.Next(step) || step.kind == JpegStep::Kind::EOI) break;
        if (step.kind != JpegStep::Kind::Segment) continue;
        // Comments come before the picture data; nothing after its start is read.
        if (step.code == kMarkerSOS) break;
        const ByteSpan data = step.Data(jpeg);
        if (step.code == kMarkerAPP1 && IsExifData(data)) {
            // Only the first EXIF block is listed, but the comments that
            // cameras and editors put after it are read too.
            if (!exifListed) text.exifLines = ListExif(data);
            exifListed = true;
            continue;
        }
        if (step.code == kMarkerCOM) {
            const std::string comment = JpegTextToUtf8(data);
            for (std::string_view line : SplitLines(comment)) text.commentLines.emplace_back(line);
        }
    }
    return text;
}

std::string JpegInfoLine(std::uint64_t fileSize, const std::string& date, const std::string& view) {
    return "Size: " + std::to_string(fileSize) + " bytes" + kInfoLineBreak + "Date: " + date +
           kInfoLineBreak + "View: " + view;
}

// ---- Rewriting bytes ----

JpegStripResult StripJpeg(ByteSpan file, JpegStripMode mode) {
    const ByteSpan jpeg = file.subspan(MacHeaderLength(file));
    JpegMarkerWalk walk(jpeg);
    JpegStripResult result;
    result.bytes.reserve(jpeg.size());
    JpegStep step;
    while (walk.Next(step)) {
        if (step.kind == JpegStep::Kind::Segment && Removes(mode, step.code)) {
            result.removed += step.size;
            continue;
        }
        const auto from = jpeg.begin() + static_cast<std::ptrdiff_t>(step.offset);
        result.bytes.insert(result.bytes.end(), from,
                            from + static_cast<std::ptrdiff_t>(step.size));
    }
    return result;
}

std::string EncodeJpegComment(const std::string& text) {
    std::string comment;
    comment.reserve(text.size() + 2);
    for (std::string_view line : SplitLines(text)) {
        comment += line;
        comment += "\r\n";
    }
    return comment;
}

std::size_t JpegCommentCharacters(const std::string& text) {
    std::size_t characters = 0;
    for (const char c : EncodeJpegComment(text))
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
    return characters;
}

bool JpegCommentFits(const std::string& text) {
    return JpegCommentCharacters(text) <= kMaxCommentCharacters &&
           EncodeJpegComment(text).size() <= kMaxSegmentData;
}

JpegBytes InsertJpegComment(ByteSpan file, std::string_view comment) {
    if (comment.size() > kMaxSegmentData) throw std::length_error(kCommentTooLarge);
    const ByteSpan jpeg = file.subspan(MacHeaderLength(file));
    if (!StartsWithSOI(jpeg)) throw EJpegMarkers();
    // After the APP0 segment when it comes first (the JFIF header stays in
    // front), otherwise after the SOI.
    std::size_t at = 2;
    if (jpeg.size() >= 4 && jpeg[2] == 0xFF && jpeg[3] == kMarkerAPP0) {
        if (jpeg.size() < 6) throw EJpegMarkers();
        const std::uint16_t length = ReadBigEndian16(jpeg.data() + 4);
        if (length < 2 || length > jpeg.size() - 4) throw EJpegMarkers();
        at = std::size_t{4} + length;
    }
    const std::size_t segment = comment.size() + 2;
    JpegBytes bytes;
    bytes.reserve(jpeg.size() + segment + 2);
    bytes.insert(bytes.end(), jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(at));
    bytes.insert(bytes.end(), {0xFF, kMarkerCOM, static_cast<std::uint8_t>(segment >> 8),
                               static_cast<std::uint8_t>(segment & 0xFF)});
    bytes.insert(bytes.end(), comment.begin(), comment.end());
    bytes.insert(bytes.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at), jpeg.end());
    return bytes;
}

// ---- Commands on files ----

fs::path JpegBackupPath(const fs::path& path) {
    fs::path backup = path;
    backup.replace_extension(".bak");
    return backup;
}

bool MakeJpegBackup(const fs::path& path, Dialogs& dialogs) {
    JpegBytes original;
    try {
        original = ReadJpegFile(path);
    } catch (const std::exception&) {
        dialogs.Error(kCannotCreateBackup);
        return false;
    }
    return Backup(path, original, dialogs) == BackupResult::Made;
}

JpegCommandResult StripJpegFile(const fs::path& path, JpegStripMode mode, Dialogs& dialogs) {
    JpegBytes original;
    JpegStripResult stripped;
    try {
        original = ReadJpegFile(path);
        stripped = StripJpeg(original, mode);
    } catch (const std::exception&) {
        dialogs.Error(kBadJpegMarkers);
        return JpegCommandResult::BadMarkers;
    }
    const bool comments = mode == JpegStripMode::CommentsOnly;
    if (stripped.removed == 0) {
        dialogs.Information(comments ? kNoCommentsFound : kNoExtraInfoFound);
        return JpegCommandResult::Unchanged;
    }
    switch (Backup(path, original, dialogs)) {
    case BackupResult::Made: break;
    case BackupResult::Cancelled: return JpegCommandResult::Cancelled;
    case BackupResult::Failed: return JpegCommandResult::Failed;
    }
    try {
        ReplaceJpegFile(path, stripped.bytes);
    } catch (const std::exception&) {
        dialogs.Error(kCannotCreateDestination);
        return JpegCommandResult::Failed;
    }
    dialogs.Information((comments ? kCommentsRemoved : kExtraInfoRemoved) +
                        std::to_string(stripped.removed) + " bytes");
    return JpegCommandResult::Changed;
}

JpegCommandResult AddJpegComment(const fs::path& path, const std::string& text, Dialogs& dialogs) {
    if (!JpegCommentFits(text)) {
        dialogs.Warning(kCommentTooLarge);
        return JpegCommandResult::TooLarge;
    }
    JpegBytes original;
    JpegBytes commented;
    try {
        original = ReadJpegFile(path);
        commented = InsertJpegComment(original, EncodeJpegComment(text));
    } catch (const std::exception&) {
        dialogs.Error(kBadJpegMarkers);
        return JpegCommandResult::BadMarkers;
    }
    switch (Backup(path, original, dialogs)) {
    case BackupResult::Made: break;
    case BackupResult::Cancelled: return JpegCommandResult::Cancelled;
    case BackupResult::Failed: return JpegCommandResult::Failed;
    }
    try {
        ReplaceJpegFile(path, commented);
    } catch (const std::exception&) {
        dialogs.Error(kCannotCreateDestination);
        return JpegCommandResult::Failed;
    }
    return JpegCommandResult::Changed;
}

JpegBytes ReadJpegFile(const fs::path& path) {
    WholeFile file = ReadEntireFile(path);
    if (file.status != WholeFileStatus::Read)
        throw std::runtime_error(path.string() + ": cannot be read");
    return std::move(file.bytes);
}

void ReplaceJpegFile(const fs::path& path, ByteSpan bytes) {
    std::error_code error;
    fs::path target = fs::canonical(path, error);
    if (error) target = path;
    WriteThroughTemporary(target, bytes, FileMode(target));
}

// ---- The window ----

WindowBounds JpegTextWindowBounds(const WindowBounds& stored, const DisplayInfo& display) {
    const std::int64_t areaRight = std::int64_t{display.availableLeft} + display.availableWidth;
    const std::int64_t areaBottom = std::int64_t{display.availableTop} + display.availableHeight;
    const std::int64_t storedWidth = std::int64_t{stored.right} - stored.left;
    const std::int64_t storedHeight = std::int64_t{stored.bottom} - stored.top;
    if (storedWidth >= 64 && storedHeight >= 64 && stored.left >= display.availableLeft &&
        stored.top >= display.availableTop && stored.right <= areaRight &&
        stored.bottom <= areaBottom)
        return stored;
    const bool large = display.width >= 1280 && display.height >= 960;
    const int width = large ? display.width / 4 : 320;
    const int height = large ? display.height / 4 : 240;
    WindowBounds bounds;
    bounds.left = display.availableLeft + (display.availableWidth - width) / 2;
    bounds.top = display.availableTop + (display.availableHeight - height) / 2;
    bounds.right = bounds.left + width;
    bounds.bottom = bounds.top + height;
    return bounds;
}

} // namespace zv
