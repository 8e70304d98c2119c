#include "catalog/ListChooser.h"

#include "catalog/MediaExtensions.h"
#include "platform/Extensions.h"

#include <sys/stat.h>

#include <algorithm>
#include <numeric>

namespace zv {

namespace {

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::string Folded(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) c = FoldAscii(c);
    return folded;
}

bool StatIs(const std::string& path, mode_t type) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && (status.st_mode & S_IFMT) == type;
}

bool IsHistory(ChooserKind kind) {
    return kind == ChooserKind::FolderHistory || kind == ChooserKind::FileHistory;
}

} // namespace

ChooserKind ChooserKindOf(int mode) {
    if (mode <= 0) return ChooserKind::Table;
    if (mode == 1) return ChooserKind::Single;
    if (mode < 200) return ChooserKind::Eligible;
    if (mode <= 400) return ChooserKind::Multiple;
    if (mode < 410) return ChooserKind::FolderHistory;
    return ChooserKind::FileHistory;
}

ChooserChecks ChooserChecks::Disk() {
    return {[](const std::string& file) { return StatIs(file, S_IFREG); },
            [](const std::string& folder) { return StatIs(folder, S_IFDIR); }};
}

ListChooser::ListChooser(const ChooserRequest& request, ChooserChecks checks)
    : kind_(ChooserKindOf(request.mode)), mode_(request.mode), checks_(std::move(checks)),
      preselect_(request.preselect), entries_(request.list), selected_(entries_.size(), 0),
      flags_(request.flags) {}

std::string ListChooser::CheckingText() const {
    if (kind_ != ChooserKind::Eligible && kind_ != ChooserKind::Multiple) return {};
    return "Checking " + std::to_string(entries_.size()) + " files ...";
}

void ListChooser::Open() {
    switch (kind_) {
    case ChooserKind::FolderHistory:
    case ChooserKind::FileHistory:
        label_ = kChooserHistoryLabel;
        clearCaption_ = "&Sort all";
        SelectPreselection();
        break;
    case ChooserKind::Eligible:
        RemoveIneligible();
        std::fill(selected_.begin(), selected_.end(), 1);
        if (entries_.empty()) label_ = kChooserNoneEligible;
        clearEnabled_ = mode_ == 2 && !entries_.empty();
        break;
    case ChooserKind::Multiple:
        std::fill(selected_.begin(), selected_.end(), 1);
        clearEnabled_ = false;
        break;
    case ChooserKind::Single: label_ = kChooserSingleLabel; break;
    case ChooserKind::Table:
        for (std::size_t row = 0; row < entries_.size() && row < flags_.size(); ++row)
            selected_[row] = flags_[row] == 1;
        break;
    }
}

bool ListChooser::OkEnabled() const {
    if (kind_ == ChooserKind::Eligible) return !entries_.empty();
    // A single choice needs a row to give back.
    if (kind_ == ChooserKind::Single)
        return std::find(selected_.begin(), selected_.end(), 1) != selected_.end();
    return true;
}

bool ListChooser::SingleSelection() const {
    return kind_ == ChooserKind::Single || IsHistory(kind_);
}

std::string ListChooser::StatusText() const {
    return std::to_string(entries_.size()) + " item(s)";
}

void ListChooser::SetSelected(std::size_t row, bool selected) {
    if (row >= entries_.size()) return;
    if (selected && SingleSelection()) ClearSelection();
    selected_[row] = selected;
    if (selected) current_ = static_cast<std::ptrdiff_t>(row);
}

void ListChooser::ClearSelection() {
    std::fill(selected_.begin(), selected_.end(), 0);
    current_ = -1;
}

bool ListChooser::DeleteSelected() {
    // Results of these two modes are positions in the caller's list.
    if (kind_ == ChooserKind::Table || kind_ == ChooserKind::Single) return false;
    std::vector<char> keep(entries_.size());
    std::transform(selected_.begin(), selected_.end(), keep.begin(),
                   [](char selected) { return char(!selected); });
    const std::size_t before = entries_.size();
    Keep(keep);
    SelectPreselection();
    return entries_.size() != before;
}

void ListChooser::ClearClicked() {
    if (IsHistory(kind_)) return SortAll();
    ClearSelection();
    if (!entries_.empty()) SetSelected(0, true);
}

void ListChooser::SortAll() {
    if (entries_.size() > 1) {
        std::vector<std::string> keys(entries_.size());
        std::transform(entries_.begin(), entries_.end(), keys.begin(), Folded);
        std::vector<std::size_t> order(entries_.size());
        std::iota(order.begin(), order.end(), 0);
        // Without regard to case first, then exactly, so that exact
        // duplicates always end up side by side.
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            if (const int folded = keys[a].compare(keys[b]); folded != 0) return folded < 0;
            return entries_[a] < entries_[b];
        });
        std::vector<std::string> sorted;
        sorted.reserve(entries_.size());
        for (std::size_t index : order)
            if (sorted.empty() || sorted.back() != entries_[index])
                sorted.push_back(std::move(entries_[index]));
        entries_ = std::move(sorted);
    }
    const auto& exists =
        kind_ == ChooserKind::FolderHistory ? checks_.folderExists : checks_.fileExists;
    std::vector<char> keep(entries_.size());
    std::transform(entries_.begin(), entries_.end(), keep.begin(),
                   [&](const std::string& entry) { return char(exists(entry)); });
    selected_.assign(entries_.size(), 0);
    Keep(keep);
    SelectPreselection();
}

int ListChooser::Accept(ChooserRequest& request) const {
    int chosen = 0;
    for (std::size_t row = 0; row < entries_.size(); ++row)
        if (selected_[row]) chosen = static_cast<int>(row); // the last one wins
    switch (kind_) {
    case ChooserKind::Table:
        request.flags.resize(std::max(request.flags.size(), entries_.size()), 0);
        for (std::size_t row = 0; row < entries_.size(); ++row)
            request.flags[row] = selected_[row] ? 1 : 0;
        return 0;
    case ChooserKind::Single: return chosen;
    case ChooserKind::Eligible:
    case ChooserKind::Multiple:
        request.list.clear();
        for (std::size_t row = 0; row < entries_.size(); ++row)
            if (selected_[row]) request.list.push_back(entries_[row]);
        return 0;
    case ChooserKind::FolderHistory:
    case ChooserKind::FileHistory:
        request.list.clear();
        request.list.reserve(std::max(kHistoryReserve, entries_.size()));
        request.list.insert(request.list.end(), entries_.begin(), entries_.end());
        return chosen;
    }
    return 0;
}

// The entry equal to the preselection text, exactly or else without regard
// to case, becomes the only selected row.
void ListChooser::SelectPreselection() {
    current_ = -1;
    if (!IsHistory(kind_) || preselect_.empty()) return;
    auto found = std::find(entries_.begin(), entries_.end(), preselect_);
    if (found == entries_.end()) {
        const std::string key = Folded(preselect_);
        found = std::find_if(entries_.begin(), entries_.end(),
                             [&](const std::string& entry) { return Folded(entry) == key; });
    }
    if (found != entries_.end()) SetSelected(std::size_t(found - entries_.begin()), true);
}

// From the last row to the first, as the dialog examines them.
void ListChooser::RemoveIneligible() {
    std::vector<char> keep(entries_.size(), 0);
    for (std::size_t row = entries_.size(); row-- > 0;)
        keep[row] = ExtensionIn(UpperExtension(entries_[row]), ImageExtensions) &&
                    checks_.fileExists(entries_[row]);
    Keep(keep);
}

void ListChooser::Keep(const std::vector<char>& keep) {
    std::size_t out = 0;
    for (std::size_t row = 0; row < entries_.size(); ++row) {
        if (!keep[row]) continue;
        if (out != row) {
            entries_[out] = std::move(entries_[row]);
            selected_[out] = selected_[row];
        }
        ++out;
    }
    entries_.resize(out);
    selected_.resize(out);
}

} // namespace zv
