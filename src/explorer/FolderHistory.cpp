#include "explorer/FolderHistory.h"

#include "explorer/FolderPaths.h"
#include "platform/linux/AtomicFile.h"

#include <algorithm>
#include <fstream>

namespace zv {

namespace {

void KeepNewest(std::vector<std::string>& entries) {
    if (entries.size() > kMaxHistoryEntries)
        entries.erase(entries.begin(), entries.end() - std::ptrdiff_t(kMaxHistoryEntries));
}

} // namespace

void FolderHistory::Update(const std::string& folder) {
    if (entries_.empty() || entries_.back() != folder) {
        // Room is made only when an entry is added, so a repeated visit never
        // costs the oldest entry.
        if (entries_.size() >= kMaxHistoryEntries) entries_.erase(entries_.begin());
        entries_.push_back(folder);
    }
    position_ = entries_.size() - 1;
}

FolderHistoryStep FolderHistory::Back(const ExistsFn& exists) {
    return Step(-1, exists);
}

FolderHistoryStep FolderHistory::Forward(const ExistsFn& exists) {
    return Step(+1, exists);
}

FolderHistoryStep FolderHistory::Step(int direction, const ExistsFn& exists) {
    const std::size_t count = entries_.size();
    if (count < 2) return {};
    position_ = std::min(position_, count - 1);
    position_ = direction < 0 ? (position_ == 0 ? count - 1 : position_ - 1)
                              : (position_ + 1 == count ? 0 : position_ + 1);
    if (exists(entries_[position_])) return {FolderHistoryStep::Kind::Show, entries_[position_]};

    entries_.erase(entries_.begin() + std::ptrdiff_t(position_));
    if (position_ < entries_.size() && exists(entries_[position_]))
        return {FolderHistoryStep::Kind::Show, entries_[position_]};
    position_ = std::min(position_, entries_.size() - 1);
    return {FolderHistoryStep::Kind::ShowProgramDrive, {}};
}

void FolderHistory::Replace(std::vector<std::string> entries, std::size_t position) {
    const std::size_t dropped =
        entries.size() > kMaxHistoryEntries ? entries.size() - kMaxHistoryEntries : 0;
    KeepNewest(entries);
    entries_ = std::move(entries);
    SetPosition(position >= dropped ? position - dropped : 0);
}

void FolderHistory::SetPosition(std::size_t position) {
    position_ = entries_.empty() ? 0 : std::min(position, entries_.size() - 1);
}

void FolderHistory::Load(const std::filesystem::path& file) {
    entries_.clear();
    position_ = 0;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (in && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) entries_.push_back(WithTrailingSlash(line));
    }
    KeepNewest(entries_);
    if (!entries_.empty()) position_ = entries_.size() - 1;
}

void FolderHistory::Save(const std::filesystem::path& file) const {
    std::string text;
    for (const std::string& entry : entries_) {
        if (entry.find_first_of("\r\n") != std::string::npos) continue;
        text += entry;
        text += '\n';
    }
    WriteFileAtomically(file, text);
}

} // namespace zv
