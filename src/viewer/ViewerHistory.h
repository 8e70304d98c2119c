#pragma once
// The viewer's history, which the user also knows as the bookmarks: one
// ordered list of picture paths with a current position. Every picture opened
// in the viewer is inserted at the current position; Next and Previous step
// through it; it can be sorted, reordered, saved as a picture list and loaded
// again. Paths keep the case they arrived with and are compared exactly.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zv {

inline constexpr const char* kPictureListFilter = "ZV Picture List|*.zvp";
inline constexpr const char* kPictureListExtension = "zvp";
inline constexpr const char* kLoadBookmarksFailedText = "Could not load bookmarks.";

class ViewerHistory {
public:
    static constexpr std::size_t kInitialCapacity = 131072;
    static constexpr std::size_t kLoadedCapacity = 1048576;

    ViewerHistory();

    int Count() const { return static_cast<int>(entries_.size()); }
    bool Empty() const { return entries_.empty(); }
    const std::string& Entry(int i) const { return entries_.at(static_cast<std::size_t>(i)); }
    const std::vector<std::string>& Entries() const { return entries_; }
    int HistoryIndex() const { return index_; }
    // The entry at the current position; empty when the history is empty.
    std::string Current() const;

    // Records a picture that was just opened or saved: appended to an empty
    // history; otherwise, unless it is already the current entry, inserted
    // after the current entry (or in front of the first when the position
    // is 0), where it becomes current. An empty path is not recorded.
    void UpdateHistory(const std::string& currentPath);

    // Deletes the current entry and returns the path that becomes current,
    // or nothing when the history is now empty.
    std::optional<std::string> RemoveCurrent();

    void Clear();
    // The entries and the current position the bookmarks view left.
    void Replace(std::vector<std::string> entries, int index);

    // Reorder the current entry; nothing happens with fewer than 2 entries.
    // The current position always follows the moved entry.
    void MoveUp();
    void MoveDown();

    // Sorts case-insensitively, drops every entry whose file does not exist
    // and selects the first entry.
    void Sort(const std::function<bool(const std::string&)>& fileExists);

    // The positions the viewer's stepping commands would move to. They change
    // nothing: the viewer moves (SetIndex) only once the picture on screen may
    // be discarded. Next and Previous wrap around and need at least 2 entries,
    // First and Last need 1; otherwise they return the current position.
    int NextIndex() const;
    int PreviousIndex() const;
    int FirstIndex() const;
    int LastIndex() const;
    // Selects a position, kept within the list (0 when empty).
    void SetIndex(int index);

    // Replaces the history with the paths of a picture list file (one path
    // per line, CR LF or LF, empty lines skipped) and selects the first entry.
    // On failure returns false and leaves the history as it was; the caller
    // then shows kLoadBookmarksFailedText.
    bool LoadPictureList(const std::string& path);
    // Writes the history as a picture list (one path per line, CR LF),
    // replacing the file only when the whole list was written.
    bool SavePictureList(const std::string& path) const;

private:
    std::vector<std::string> entries_;
    int index_ = 0;
};

// A picture list: one path a line, CR LF, written atomically; false when
// the file could not be written.
bool WritePictureList(const std::filesystem::path& path, const std::vector<std::string>& paths);

} // namespace zv
