#include "viewer/ViewerHistory.h"

#include "platform/linux/AtomicFile.h"
#include "platform/linux/PosixFile.h"

#include <algorithm>
#include <utility>

namespace zv {

namespace {

unsigned char FoldCase(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Case-insensitive order for sorting; paths equal but for case fall back to
// the exact order so the result does not depend on the input order.
bool SortsBefore(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ca = FoldCase(static_cast<unsigned char>(a[i]));
        const unsigned char cb = FoldCase(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

} // namespace

ViewerHistory::ViewerHistory() {
    entries_.reserve(kInitialCapacity);
}

std::string ViewerHistory::Current() const {
    if (entries_.empty()) return {};
    return entries_[static_cast<std::size_t>(index_)];
}

void ViewerHistory::UpdateHistory(const std::string& currentPath) {
    if (currentPath.empty()) return;
    if (entries_.empty()) {
        entries_.push_back(currentPath);
        index_ = 0;
        return;
    }
    if (entries_[static_cast<std::size_t>(index_)] == currentPath) return;
    if (index_ > 0) ++index_;
    entries_.insert(entries_.begin() + index_, currentPath);
}

std::optional<std::string> ViewerHistory::RemoveCurrent() {
    if (entries_.empty()) {
        index_ = 0;
        return std::nullopt;
    }
    entries_.erase(entries_.begin() + index_);
    index_ = (index_ > 0 && entries_.size() > 1) ? index_ - 1 : 0;
    if (entries_.empty()) return std::nullopt;
    return entries_[static_cast<std::size_t>(index_)];
}

void ViewerHistory::Clear() {
    entries_.clear();
    index_ = 0;
}

void ViewerHistory::MoveUp() {
    if (entries_.size() < 2) return;
    if (index_ == 0) {
        // No place above the first: it changes places with the second, and
        // the position follows it so the shown picture stays current.
        std::swap(entries_[0], entries_[1]);
        index_ = 1;
        return;
    }
    std::swap(entries_[static_cast<std::size_t>(index_ - 1)],
              entries_[static_cast<std::size_t>(index_)]);
    --index_;
}

void ViewerHistory::MoveDown() {
    if (entries_.size() < 2) return;
    const std::size_t current = static_cast<std::size_t>(index_);
    if (current + 1 == entries_.size()) {
        std::swap(entries_.back(), entries_.front());
        index_ = 0;
        return;
    }
    std::swap(entries_[current], entries_[current + 1]);
    ++index_;
}

void ViewerHistory::Sort(const std::function<bool(const std::string&)>& fileExists) {
    std::vector<std::string> sorted = entries_;
    std::sort(sorted.begin(), sorted.end(), SortsBefore);
    std::erase_if(sorted, [&](const std::string& path) { return !fileExists(path); });
    entries_ = std::move(sorted);
    if (entries_.capacity() < kInitialCapacity) entries_.reserve(kInitialCapacity);
    index_ = 0;
}

void ViewerHistory::Replace(std::vector<std::string> entries, int index) {
    entries_ = std::move(entries);
    if (entries_.capacity() < kInitialCapacity) entries_.reserve(kInitialCapacity);
    SetIndex(index);
}

int ViewerHistory::NextIndex() const {
    if (Count() < 2) return index_;
    return index_ + 1 >= Count() ? 0 : index_ + 1;
}

int ViewerHistory::PreviousIndex() const {
    if (Count() < 2) return index_;
    return index_ == 0 ? Count() - 1 : index_ - 1;
}

int ViewerHistory::FirstIndex() const {
    return 0;
}

int ViewerHistory::LastIndex() const {
    return entries_.empty() ? 0 : Count() - 1;
}

void ViewerHistory::SetIndex(int index) {
    if (entries_.empty()) {
        index_ = 0;
        return;
    }
    index_ = std::clamp(index, 0, Count() - 1);
}

bool ViewerHistory::LoadPictureList(const std::string& path) {
    std::string text;
    if (!ReadTextFile(path, text)) return false;

    std::vector<std::string> loaded;
    loaded.reserve(kLoadedCapacity);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::size_t lineEnd = end;
        if (lineEnd > start && text[lineEnd - 1] == '\r') --lineEnd;
        if (lineEnd > start) loaded.emplace_back(text, start, lineEnd - start);
        start = end + 1;
    }

    entries_.swap(loaded);
    index_ = 0;
    return true;
}

bool ViewerHistory::SavePictureList(const std::string& path) const {
    return WritePictureList(path, entries_);
}

bool WritePictureList(const std::filesystem::path& path, const std::vector<std::string>& paths) {
    std::size_t size = 0;
    for (const std::string& entry : paths) size += entry.size() + 2;
    std::string bytes;
    bytes.reserve(size);
    for (const std::string& entry : paths) {
        bytes += entry;
        bytes += "\r\n";
    }
    try {
        WriteFileAtomically(path, bytes);
    } catch (const EFileWriteError&) {
        return false;
    }
    return true;
}

} // namespace zv
