#pragma once
// The folders the explorer visited, oldest first, with a position for Back
// and Forward. Paths are kept as given (case kept, ending in "/") and
// compared exactly. Stored in "HistoryList.txt", one path per line.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zv {

inline constexpr std::size_t kMaxHistoryEntries = 256;
inline constexpr const char* kHistoryFileName = "HistoryList.txt";

// What Back or Forward asks the explorer to do.
struct FolderHistoryStep {
    enum class Kind {
        None,            // fewer than two entries: nothing happens
        Show,            // show `folder` (without adding it to the history again)
        ShowProgramDrive // the entry reached is gone and so is the one after it
    };
    Kind kind = Kind::None;
    std::string folder;
    friend bool operator==(const FolderHistoryStep&, const FolderHistoryStep&) = default;
};

class FolderHistory {
public:
    using ExistsFn = std::function<bool(const std::string& folder)>;

    // Records a folder the explorer has just shown (not through Back, Forward
    // or the visited-folders list): appended unless it equals the last entry;
    // at 256 entries the oldest makes room. The position goes to the last entry.
    void Update(const std::string& folder);

    // Move one entry back (from the first to the last) or forward (from the
    // last to the first). An entry whose folder no longer exists is deleted;
    // the entry then at that position is shown when it exists.
    FolderHistoryStep Back(const ExistsFn& exists);
    FolderHistoryStep Forward(const ExistsFn& exists);

    const std::vector<std::string>& Entries() const { return entries_; }
    std::size_t Position() const { return position_; } // 0 when empty
    bool Empty() const { return entries_.empty(); }

    // The visited-folders list may sort and prune the entries and choose one;
    // they replace these (at most the newest 256 are kept; the position is clamped).
    void Replace(std::vector<std::string> entries, std::size_t position);
    void SetPosition(std::size_t position); // clamped to the entries

    // A missing or unreadable file gives an empty history. Lines may end in
    // CR LF; empty lines are skipped; each entry gets its trailing "/"; only
    // the last 256 are kept. The position is the last entry.
    void Load(const std::filesystem::path& file);
    // Written atomically, one path per line ending in "\n". Entries holding a
    // line break cannot be stored and are left out. Throws EFileWriteError.
    void Save(const std::filesystem::path& file) const;

private:
    FolderHistoryStep Step(int direction, const ExistsFn& exists);

    std::vector<std::string> entries_;
    std::size_t position_ = 0;
};

} // namespace zv
