#pragma once
// The texts the archive browser shows and logs about an extraction, and the
// log file it saves.

#include <filesystem>
#include <string>
#include <vector>

namespace zv {

inline constexpr char kZipLogName[] = "ZipErrs_Log.txt";
inline constexpr char kZipErrorCaption[] = "Zip Error";
inline constexpr char kZipTextViewerNotFound[] = "Text viewer not found.";
inline constexpr char kZipSomeFilesRecovered[] =
    "There were extraction errors.\nSome files were recovered.";

// Log lines, one per entry that was not extracted as it should be.
std::string ZipBadCrcLine(const std::string& entry, const std::string& archive);
std::string ZipExistsLine(const std::string& entry, const std::string& archive);
std::string ZipUnknownMethodLine(const std::string& entry, const std::string& archive, int method);
std::string ZipEncryptedLine(const std::string& entry, const std::string& archive);
std::string ZipUnsafeNameLine(const std::string& entry, const std::string& archive);
std::string ZipSymbolicLinkLine(const std::string& entry, const std::string& archive);
std::string ZipThroughLinkLine(const std::string& entry, const std::string& archive);
std::string ZipCorruptedLine(const std::string& entry, const std::string& archive);
std::string ZipWriteFailedLine(const std::string& entry, const std::string& archive,
                               const std::string& reason);
// The log's line for an archive cut short or damaged, and the error box's text.
std::string ZipIncompleteLine(const std::string& archive);
std::string ZipIncompleteText(const std::string& archive);

// "<total> file(s) unzipped." and, with a log, the question whether to view it.
std::string ZipUnzippedText(long long total);
std::string ZipViewLogQuestion(long long total);

// Saves the lines as ZipErrs_Log.txt in the folder, replacing an older log
// whole (temporary file, then rename); returns the log's path. Throws
// EFileWriteError when it cannot be written.
std::filesystem::path SaveZipLog(const std::filesystem::path& folder,
                                 const std::vector<std::string>& lines);

} // namespace zv
