#include "explorer/Comments.h"

#include "platform/TextEncoding.h"
#include "platform/linux/AtomicFile.h"

#include <dirent.h>
#include <strings.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <optional>

namespace zv {

namespace {

// A comment file larger than this is not a comment file; it is not read.
constexpr std::uintmax_t kMaxCommentFileBytes = 64u << 20;

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

// The file's name in the folder: the exact name, or one that differs only in
// case (the files may come from a case-blind file system); nothing when the
// folder has neither.
std::optional<std::string> FindFile(const std::string& folder, const char* name) {
    std::error_code error;
    if (std::filesystem::exists(folder + name, error)) return std::string(name);
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return std::nullopt;
    std::optional<std::string> found;
    while (const dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, name) == 0) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

bool ReadWhole(const std::string& path, std::string& bytes) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > kMaxCommentFileBytes) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return !in.bad();
}

// The lines of a text: ended by CR LF, LF or CR; an unended last line counts,
// an empty piece after the last line end does not.
std::vector<std::string> SplitLines(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::string decoded = Utf8OrWindows1252(text);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at = 0; at < decoded.size(); ++at) {
        if (decoded[at] != '\r' && decoded[at] != '\n') continue;
        lines.emplace_back(decoded, start, at - start);
        if (decoded[at] == '\r' && at + 1 < decoded.size() && decoded[at + 1] == '\n') ++at;
        start = at + 1;
    }
    if (start < decoded.size()) lines.emplace_back(decoded, start);
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines, std::size_t count) {
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) bytes += lines[i] + "\r\n";
    return bytes;
}

} // namespace

const std::string* FolderComments::Find(std::string_view fileName) const {
    const std::size_t pairs = std::min(names.size(), texts.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        if (names[i] == fileName) return &texts[i];
    }
    return nullptr;
}

std::string FolderComments::CommentOf(std::string_view fileName) const {
    const std::string* text = Find(fileName);
    return text ? *text : std::string();
}

bool FolderComments::Set(std::string_view fileName, std::string_view comment) {
    if (fileName.empty() || fileName.find_first_of("\r\n/") != std::string_view::npos) {
        return false;
    }
    std::string text(comment);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    // Unpaired tail lines are dropped, so a new pair lands on matching lines.
    const std::size_t pairs = std::min(names.size(), texts.size());
    names.resize(pairs);
    texts.resize(pairs);
    for (std::size_t i = 0; i < pairs; ++i) {
        if (names[i] == fileName) {
            texts[i] = std::move(text);
            return true;
        }
    }
    names.emplace_back(fileName);
    texts.push_back(std::move(text));
    return true;
}

void FolderComments::Reset() {
    loaded = false;
    folder.clear();
    names.clear();
    texts.clear();
}

FolderComments LoadComments(const std::string& folder) {
    FolderComments comments;
    comments.folder = WithSlash(folder);
    comments.loaded = true;
    const auto namesFile = FindFile(comments.folder, kCommentNamesFile);
    if (!namesFile) return comments;
    std::string names, texts;
    if (!ReadWhole(comments.folder + *namesFile, names)) return comments;
    if (const auto textsFile = FindFile(comments.folder, kCommentTextsFile)) {
        if (!ReadWhole(comments.folder + *textsFile, texts)) return comments;
    }
    comments.names = SplitLines(names);
    comments.texts = SplitLines(texts);
    // Lines without a partner belong to no file.
    const std::size_t pairs = std::min(comments.names.size(), comments.texts.size());
    comments.names.resize(pairs);
    comments.texts.resize(pairs);
    return comments;
}

void SaveComments(const FolderComments& comments) {
    const std::string folder = WithSlash(comments.folder);
    const std::size_t pairs = std::min(comments.names.size(), comments.texts.size());
    // The comments go first: should the names then fail, the extra comment
    // line pairs with nothing and is ignored.
    try {
        const std::string texts = FindFile(folder, kCommentTextsFile).value_or(kCommentTextsFile);
        WriteFileAtomically(folder + texts, JoinLines(comments.texts, pairs));
        const std::string names = FindFile(folder, kCommentNamesFile).value_or(kCommentNamesFile);
        WriteFileAtomically(folder + names, JoinLines(comments.names, pairs));
    } catch (const EFileWriteError&) {
        throw ECommentWriteError();
    }
}

} // namespace zv
