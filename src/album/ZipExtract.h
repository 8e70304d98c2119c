#pragma once
// Extraction of zip archives into a folder, with the archive browser's
// settings: existing files are never overwritten (they are skipped and
// logged), folders are re-created from the entry paths, file attributes are
// kept (but never the set-user-ID and set-group-ID bits), and an archive
// found incomplete is treated as bad.
//
// Nothing is ever written outside the destination: a name with "..", an
// absolute path or a drive letter (backslashes count as folder separators,
// so they cannot hide either) is refused, as is a symbolic-link entry; files
// are created exclusively, never over an existing file and never through a
// link, in the entry's name or in any folder on the way to it. Every entry
// that is not written as it should be leaves a line in the log, so a caller
// recycles an archive only when the log is empty.

#include "album/ZipArchive.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zv {

// Why an entry was refused. (An entry whose file exists already, and an
// archive cut short, have events of their own.)
enum class ZipRefusal {
    UnknownMethod, // compressed with a method the reader does not decode
    Encrypted,
    UnsafeName,   // the name leads outside the destination
    SymbolicLink, // a symbolic-link entry
    ThroughLink,  // a folder on its way is a link
    Corrupted,    // invalid compressed data; the partial file is removed
    WriteFailed,  // the file or a folder for it could not be written
};

struct ZipExtractResult {
    int FilesWritten = 0;                // including files written with a bad CRC
    std::vector<std::string> Log;        // the log lines of this archive
    std::vector<std::string> NotWritten; // entry names, whatever the reason
    bool Incomplete = false;             // the archive was cut short; extraction stopped there
    bool UnknownMethod = false;          // some entry used a method the reader does not decode

    // Everything was written and checked: only then may the archive be recycled.
    bool Clean() const { return Log.empty(); }
};

// The parts of an entry's path below the destination, or nothing when the
// name would lead outside it ("..", an absolute path, a drive letter, a NUL)
// or names nothing. Backslashes are folder separators; empty and "." parts
// are dropped.
std::optional<std::vector<std::string>> SafeZipPath(const std::string& entryName);

// The reader the archive browser extracts with: one archive open at a time.
class TVCLUnZip {
public:
    // Settings; overwriting is never done, and an incomplete archive is bad.
    bool RecreateDirs = true;     // folders from the entry paths; otherwise file names only
    bool RetainAttributes = true; // permission bits or the read-only attribute

    // Events.
    std::function<void(int percent)> OnTotalPercentDone;
    std::function<void(const std::string& entry, const std::filesystem::path& target)>
        OnSkippingFile;
    std::function<void(const std::string& entry)> OnBadCRC;
    std::function<void()> OnIncompleteZip;
    // Every other entry not written: the window shows "Unknown Compression
    // Method" (caption "Zip Error") for UnknownMethod.
    std::function<void(const std::string& entry, ZipRefusal why)> OnEntryRefused;
    std::function<void(const std::string& entry, const std::filesystem::path& target)>
        OnFileWritten;

    // Opens an archive and reads its directory; the file stays open until
    // Close or the next Open. Throws EZipError.
    void Open(const std::string& zipName);
    // The same for an archive already in a source (tests); `zipName` names it in the log.
    void Open(const std::string& zipName, std::unique_ptr<ZipSource> source);
    void Close();
    bool IsOpen() const { return archive_ != nullptr; }
    const std::string& ZipName() const { return zipName_; }
    const ZipArchive& Archive() const;
    int Count() const { return archive_ ? archive_->Count() : 0; }
    bool Busy() const { return busy_; }

    // Extracts every entry, or the entries whose names (with path) are
    // listed, into the destination folder. Throws EZipError when no archive
    // is open, the destination cannot be opened, or the archive cannot be read.
    ZipExtractResult UnZip(const std::filesystem::path& destination);
    ZipExtractResult UnZip(const std::filesystem::path& destination,
                           const std::vector<std::string>& names);

private:
    class Run;
    ZipExtractResult Extract(const std::filesystem::path& destination,
                             const std::vector<const ZipEntry*>& entries);

    std::string zipName_;
    std::unique_ptr<ZipArchive> archive_;
    bool busy_ = false;
};

} // namespace zv
