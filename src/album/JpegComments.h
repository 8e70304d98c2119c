#pragma once
// The JPEG text window's work on a file's bytes: reading its EXIF lines and
// comments, stripping comments or every application segment, inserting a
// comment, and the ".bak" copy made before a file is rewritten. Every
// rewrite goes to a temporary file in the same folder, renamed over the
// target when complete.

#include "album/JpegMarkers.h"
#include "platform/Dialogs.h"
#include "platform/Display.h"
#include "platform/WindowBounds.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zv {

using JpegBytes = std::vector<std::uint8_t>;

// The window's texts.
inline constexpr char kJpegTextCaption[] = "JPEG Text";
inline constexpr char kJpegFilter[] = "JPG (JPEG/JFIF)|*.jpg";
inline constexpr char kJpegDefaultExtension[] = "jpg";
inline constexpr char kJpegReadExtensions[] = ".JPEG.JPG";
inline constexpr char kSelectFileToRead[] = "Select file to read EXIF info and JPEG comments.";
inline constexpr char kSelectFileToStripComments[] =
    "Select file to remove JPEG comments. (Original will be copied to *.bak.)";
inline constexpr char kSelectFileToStripAll[] =
    "Select file to remove ALL extra info. (Original will be copied to *.bak.)";
inline constexpr char kSelectFileToInsert[] =
    "Select file to insert JPEG comments. (Original will be copied to *.bak.)";
inline constexpr char kMacHeaderWarning[] = "Warning: Mac header found!";
inline constexpr char kNoCommentsFound[] = "No Comments found.\nFile unchanged.";
inline constexpr char kNoExtraInfoFound[] = "No extra info found.\nFile unchanged.";
inline constexpr char kCommentsRemoved[] = "Comments removed:";    // + "<n> bytes"
inline constexpr char kExtraInfoRemoved[] = "Extra info removed:"; // + "<n> bytes"
inline constexpr char kCannotCreateDestination[] = "Could create destination file.  Aborting.";
inline constexpr char kCannotCreateBackup[] = "Could not create backup.  Aborting.";
inline constexpr char kCommentTooLarge[] = "Comment too large; limit text to 32000 characters.";
// "<backup path>" + kBackupExists.
inline constexpr char kBackupExists[] =
    " exists.\nOrignal file is copied to *.bak.\nOverwrite *.bak file?";
// The information line's parts, separated by kInfoLineBreak.
inline constexpr char kInfoLineBreak[] = "\n\r";

inline constexpr std::size_t kMaxCommentCharacters = 32000;
// Comments longer than this end the reading of a file.
inline constexpr std::uint16_t kMaxReadCommentLength = 32766;

// ---- Reading ----

struct JpegText {
    bool macHeader = false;
    std::vector<std::string> exifLines;
    std::vector<std::string> commentLines;

    // The text area's lines: the Mac header warning (between empty lines)
    // when there was one, the EXIF lines, then the comment lines.
    std::vector<std::string> Lines() const;
    // Lines() joined by "\n".
    std::string Text() const;
};

// Reads a whole file (Mac header included). Throws EJpegMarkers when the file
// holds no JPEG data, and std::runtime_error when it cannot be read.
JpegText ReadJpegText(ByteSpan file);

// The information line: "Size: <n> bytes", "Date: <date and time>" and
// "View: <view>", separated by LF CR.
// `date` is the file's modification time as FileDateText gives it.
std::string JpegInfoLine(std::uint64_t fileSize, const std::string& date, const std::string& view);

// ---- Rewriting bytes ----

enum class JpegStripMode : std::uint8_t {
    CommentsOnly, // removes COM segments
    AllExtraInfo, // removes COM and APP0..APP15 segments (JFIF and EXIF too)
};

struct JpegStripResult {
    JpegBytes bytes;           // the new file
    std::uint64_t removed = 0; // bytes of the segments removed
};

// The file without the segments the mode removes. Bytes before the Mac header
// cut are dropped; whatever follows the end-of-image marker is kept as it is.
// Throws EJpegMarkers for a file without JPEG data or with a bad segment.
JpegStripResult StripJpeg(ByteSpan file, JpegStripMode mode);

// The comment's bytes as written: the text's lines (split at LF, CR LF or
// CR) as UTF-8, each ended by CR LF.
std::string EncodeJpegComment(const std::string& text);
// Characters of the comment as the limit counts them: each line break is
// the two characters CR LF.
std::size_t JpegCommentCharacters(const std::string& text);
// Whether the text may be added: at most 32,000 characters, and encoded
// bytes that fit in one segment.
bool JpegCommentFits(const std::string& text);

// The file with a COM segment holding `comment` (bytes as written) put right
// after the first segment when that is APP0, else right after the SOI. Bytes
// before the Mac header cut are dropped. Throws EJpegMarkers for a file that
// is not a JPEG or whose APP0 segment runs past its end, and
// std::length_error for a comment larger than one segment.
JpegBytes InsertJpegComment(ByteSpan file, std::string_view comment);

// ---- Commands on files ----

// What a command did; every message it showed went through the dialogs.
enum class JpegCommandResult : std::uint8_t {
    Changed,    // the file was rewritten (after its backup)
    Unchanged,  // nothing to remove
    Cancelled,  // backup question answered No
    BadMarkers, // "File has bad JPEG markers." shown
    Failed,     // backup or destination could not be written
    TooLarge,   // comment over the limit
};

// "photo.bak" for "photo.jpg": the name with its extension replaced.
std::filesystem::path JpegBackupPath(const std::filesystem::path& path);

// Copies the file to its backup, asking first when the backup exists (No
// cancels). Returns false when cancelled or failed (the failure shown).
bool MakeJpegBackup(const std::filesystem::path& path, Dialogs& dialogs);

// "&Comments only" and "&All extra info" on a file: nothing removed says so
// and leaves the file (and its backup) alone; otherwise the backup is made,
// the file rewritten and the bytes removed reported.
JpegCommandResult StripJpegFile(const std::filesystem::path& path, JpegStripMode mode,
                                Dialogs& dialogs);

// "&Add text" on a file: the text (checked against the limit) becomes a COM
// segment; the backup is made first.
JpegCommandResult AddJpegComment(const std::filesystem::path& path, const std::string& text,
                                 Dialogs& dialogs);

// Reads a whole file; throws std::runtime_error when it cannot.
JpegBytes ReadJpegFile(const std::filesystem::path& path);

// Replaces a file's contents through a temporary file in its folder and a
// rename, keeping the file's permission bits (a link is followed, so the
// file it names is replaced). Throws std::runtime_error on failure, leaving
// the file as it was.
void ReplaceJpegFile(const std::filesystem::path& path, ByteSpan bytes);

// ---- The window ----

// Where the window goes: the stored bounds when they lie on the available
// screen and are at least 64 pixels each way; otherwise a quarter of the
// screen's width and height (320 x 240 on a screen smaller than 1280 x 960),
// centred on the available screen.
WindowBounds JpegTextWindowBounds(const WindowBounds& stored, const DisplayInfo& display);

} // namespace zv
