#pragma once
// The list chooser: one dialog in which the user picks, ticks or prunes the
// entries of a list of texts (visited folders, bookmarked files, transition
// effects, the sources of batch commands). This is its state and logic; the
// window only draws it. A mode number chosen by the caller selects one of
// six behaviours; the caller's list goes in and, after "&Ok", comes back
// replaced by what the user chose. The viewer and the explorer both call it,
// so it lives below them.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zv {

enum class ChooserKind {
    Table,         // mode 0 and below: one selected flag per entry of the caller's table
    Single,        // mode 1: one entry, its position is the result
    Eligible,      // modes 2 to 199: pictures that exist, all preselected
    Multiple,      // modes 200 to 400: any entries, all preselected
    FolderHistory, // modes 401 to 409: the explorer's visited folders
    FileHistory    // mode 410 and above: the viewer's bookmarked files
};
ChooserKind ChooserKindOf(int mode);

inline constexpr const char* kChooserDefaultLabel =
    "Press CTRL key and click to (un)select multiple items.";
inline constexpr const char* kChooserHistoryLabel =
    "Select item or press DELETE to remove selected item.";
inline constexpr const char* kChooserSingleLabel = "Click an effect from list, then click Ok.";
inline constexpr const char* kChooserNoneEligible =
    "No bookmarked files were eligible for compression.";
inline constexpr std::size_t kHistoryReserve = 131'072;

// What one call of the chooser is given and, after "&Ok", gives back.
struct ChooserRequest {
    int mode = 0;
    int helpTopic = 0;
    std::string caption;
    // In: the entries shown. Out after "&Ok": the selected entries (modes 2
    // to 400) or the pruned list (history modes); untouched otherwise.
    std::vector<std::string> list;
    // The history modes select the entry equal to this text first.
    std::string preselect;
    // Table mode: the table's selected flags, one per entry; "&Ok" rewrites them.
    std::vector<std::uint8_t> flags;
};

// How existence is tested ("&Sort all", eligible pictures); the disk by default.
struct ChooserChecks {
    std::function<bool(const std::string& file)> fileExists;
    std::function<bool(const std::string& folder)> folderExists;
    static ChooserChecks Disk();
};

// Shows the chooser for a request and returns its result: -1 when closed
// without "&Ok", else what ListChooser::Accept gave (the request then holds
// the replaced list or flags). The window's form is ChooseFromList in
// explorer/ui/ListDlg.h; tests script it.
using ChooseFromListFn = std::function<int(ChooserRequest& request)>;

class ListChooser {
public:
    explicit ListChooser(const ChooserRequest& request,
                         ChooserChecks checks = ChooserChecks::Disk());

    // The text shown while Open prepares the rows: "Checking <n> files ..."
    // in the multiple-choice modes, empty otherwise.
    std::string CheckingText() const;
    // Prepares labels, buttons and the selection for the mode.
    void Open();

    ChooserKind Kind() const { return kind_; }
    const std::string& Label() const { return label_; }
    const std::string& ClearCaption() const { return clearCaption_; } // "Cl&ear" or "&Sort all"
    bool ClearVisible() const { return kind_ != ChooserKind::Single; }
    bool ClearEnabled() const { return clearEnabled_; }
    bool OkEnabled() const;
    bool SingleSelection() const;
    std::string StatusText() const; // "<n> item(s)"

    std::size_t RowCount() const { return entries_.size(); }
    const std::string& Row(std::size_t row) const { return entries_[row]; }
    bool IsSelected(std::size_t row) const { return row < selected_.size() && selected_[row]; }
    // The row the view should scroll to after Open or a change; -1 for none.
    std::ptrdiff_t CurrentRow() const { return current_; }

    // The user's clicks: single-selection modes drop the other rows.
    void SetSelected(std::size_t row, bool selected);
    void ClearSelection();

    // The Delete key: removes the selected rows where positions do not
    // matter (not in the table and single-choice modes). True when rows went.
    bool DeleteSelected();
    // "Cl&ear": "&Sort all" in the history modes, else only the first row selected.
    void ClearClicked();
    // "&Sort all": ordered without regard to case, then exactly; exact
    // duplicates and entries that no longer exist removed.
    void SortAll();

    // "&Ok": the result (the chosen row in the history and single modes, 0
    // otherwise) and the caller's list or flags replaced as the mode says.
    int Accept(ChooserRequest& request) const;

private:
    void SelectPreselection();
    void RemoveIneligible();
    void Keep(const std::vector<char>& keep);

    ChooserKind kind_;
    int mode_;
    ChooserChecks checks_;
    std::string preselect_;
    std::vector<std::string> entries_;
    std::vector<char> selected_; // beside entries_
    std::vector<std::uint8_t> flags_;
    std::string label_ = kChooserDefaultLabel;
    std::string clearCaption_ = "Cl&ear";
    bool clearEnabled_ = true;
    std::ptrdiff_t current_ = -1;
};

} // namespace zv
