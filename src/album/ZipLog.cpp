#include "album/ZipLog.h"

#include "platform/linux/AtomicFile.h"

namespace zv {

namespace {

std::string About(const std::string& entry, const std::string& archive, const char* what) {
    return entry + " in " + archive + what;
}

} // namespace

std::string ZipBadCrcLine(const std::string& entry, const std::string& archive) {
    return About(entry, archive, " is corrupted (bad CRC).");
}

std::string ZipExistsLine(const std::string& entry, const std::string& archive) {
    return About(entry, archive, " exists; skipped.");
}

std::string ZipUnknownMethodLine(const std::string& entry, const std::string& archive, int method) {
    return entry + " in " + archive + " uses an unknown compression method (" +
           std::to_string(method) + "); not extracted.";
}

std::string ZipEncryptedLine(const std::string& entry, const std::string& archive) {
    return About(entry, archive, " is encrypted; not extracted.");
}

std::string ZipUnsafeNameLine(const std::string& entry, const std::string& archive) {
    return About(entry, archive, " has a name that leads outside the destination; refused.");
}

std::string ZipSymbolicLinkLine(const std::string& entry, const std::string& archive) {
    return About(entry, archive, " is a symbolic link; refused.");
}

std::string ZipThroughLinkLine(const std::string& entry, const std::string& archive) {
    return About(entry, archive, " would be written through a link; refused.");
}

std::string ZipCorruptedLine(const std::string& entry, const std::string& archive) {
    return About(entry, archive, " is corrupted (invalid data); not extracted.");
}

std::string ZipWriteFailedLine(const std::string& entry, const std::string& archive,
                               const std::string& reason) {
    return entry + " in " + archive + " could not be written (" + reason + ").";
}

std::string ZipIncompleteLine(const std::string& archive) {
    return archive + " is incomplete or corrupted.";
}

std::string ZipIncompleteText(const std::string& archive) {
    return archive + "\nis incomplete or corrupted.";
}

std::string ZipUnzippedText(long long total) {
    return std::to_string(total) + " file(s) unzipped.";
}

std::string ZipViewLogQuestion(long long total) {
    return ZipUnzippedText(total) + "\nThere were exceptions.  View log?";
}

std::filesystem::path SaveZipLog(const std::filesystem::path& folder,
                                 const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    const std::filesystem::path path = folder / kZipLogName;
    WriteFileAtomically(path, text);
    return path;
}

} // namespace zv
