#pragma once
// A folder's comments: "FILELIST.ZVX" holds one file name per line (name and
// extension, no path) and "FILETEXT.ZVX" the comment of the file on the same
// line. Lines end in CR LF. Other installations share these folders, so the
// files are written in exactly that format.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

inline constexpr const char* kCommentNamesFile = "FILELIST.ZVX";
inline constexpr const char* kCommentTextsFile = "FILETEXT.ZVX";
inline constexpr const char* kCommentWriteFailed = "Cannot write comments to current folder.";
// The comment dialog: caption, and the prompt before the row's caption.
inline constexpr const char* kCommentCaption = "Add or Edit Comment";
inline constexpr const char* kCommentPromptPrefix = "Filename: ";

// Raised when the comment files cannot be written; what() is
// kCommentWriteFailed.
class ECommentWriteError : public std::runtime_error {
public:
    ECommentWriteError() : std::runtime_error(kCommentWriteFailed) {}
};

// The comments of one folder: parallel lists of names and comments.
class FolderComments {
public:
    // Whether the comments of `folder` have been loaded.
    bool loaded = false;
    std::string folder; // ends in "/"
    std::vector<std::string> names;
    std::vector<std::string> texts;

    // The comment of the file (exact name), or nullptr when it has none.
    const std::string* Find(std::string_view fileName) const;
    // The comment, empty when the file has none.
    std::string CommentOf(std::string_view fileName) const;
    // Replaces the file's comment or appends a new pair. Pairs are never
    // removed; an empty comment is kept as an empty line. Line breaks in
    // the comment become spaces (they would split the pair). Returns false,
    // changing nothing, for a name the files cannot hold (empty, or with a
    // line break or "/").
    bool Set(std::string_view fileName, std::string_view comment);
    // Marks the comments as not loaded and empties the lists.
    void Reset();
};

// Reads the folder's comment files. Without FILELIST.ZVX, or when a file
// cannot be read, the lists are empty; either way the result is loaded.
// Lines may end in CR LF, LF or CR; text that is not UTF-8 is read as
// Windows-1252. Lines that do not pair up (one file longer than the other)
// are ignored.
FolderComments LoadComments(const std::string& folder);

// Writes both files into the comments' folder, each through a temporary
// file and a rename; UTF-8, every line ending in CR LF. Throws
// ECommentWriteError when either cannot be written.
void SaveComments(const FolderComments& comments);

} // namespace zv
