#include "album/SlideAlbum.h"

#include "catalog/MediaExtensions.h"
#include "catalog/ThumbCache.h"
#include "catalog/ThumbStates.h"
#include "platform/Extensions.h"
#include "platform/FileCrc.h"

#include <algorithm>
#include <new>

namespace zv {

namespace {

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool AllOf(std::string_view text, bool (*test)(char)) {
    return std::all_of(text.begin(), text.end(), test);
}

} // namespace

SlidePathParts SplitSlidePath(std::string_view path) {
    SlidePathParts parts;
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    parts.folder = std::string(path.substr(0, nameStart));
    const std::string_view file = path.substr(nameStart);
    const std::size_t dot = file.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        parts.name = std::string(file);
    } else {
        parts.name = std::string(file.substr(0, dot));
        parts.ext = std::string(file.substr(dot));
    }
    return parts;
}

// Names the cache gives out: 8 hexadecimal digits, "." and 3 base-32 digits;
// 16 hexadecimal digits (long keys); or an extension's shared name (upper
// case letters, digits, "_" and "-", not starting with a dot).
bool IsThumbNameShape(std::string_view name) {
    if (name.empty() || name.size() > 24) return false;
    const auto base32 = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'V'); };
    if (name.size() == 12 && name[8] == '.')
        return AllOf(name.substr(0, 8), IsUpperHex) &&
               std::all_of(name.begin() + 9, name.end(), base32);
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '_' || c == '-';
    });
}

bool IsThumbFolderShape(std::string_view folder) {
    return folder.empty() || (folder.size() == 8 && AllOf(folder, IsUpperHex));
}

SlideAlbum::SlideAlbum()
    : volumeOf_([](const std::string& folder) { return VolumeString(folder); }) {
    Clear();
}

void SlideAlbum::Clear() {
    records_.clear();
    order_.clear();
    names_.clear();
    folders_.clear();
    volumes_.clear();
    comments_.assign(1, std::string(kNoComment));
    folderIndex_.clear();
}

std::string SlideAlbum::SlidePath(int position) const {
    const SlideRecord& record = Slide(position);
    std::string path;
    if (record.folderIndex >= 0 && record.folderIndex < static_cast<int>(folders_.size()))
        path = folders_[record.folderIndex];
    path += NameOf(position);
    path += record.ext.View();
    return path;
}

std::string_view SlideAlbum::NameOf(int position) const {
    const std::int32_t index = Slide(position).nameIndex;
    if (index < 0 || index >= static_cast<int>(names_.size())) return {};
    return names_[index];
}

std::string_view SlideAlbum::CommentOf(int position) const {
    const std::int32_t index = Slide(position).commentIndex;
    if (index <= 0 || index >= static_cast<int>(comments_.size())) return {};
    return comments_[index];
}

std::int32_t SlideAlbum::InternFolder(const std::string& folder) {
    if (const auto found = folderIndex_.find(folder); found != folderIndex_.end())
        return found->second;
    const auto index = static_cast<std::int32_t>(folders_.size());
    folders_.push_back(folder);
    volumes_.push_back(volumeOf_ ? volumeOf_(folder) : std::string());
    folderIndex_.emplace(folder, index);
    return index;
}

void SlideAlbum::ReplaceFolder(std::int32_t k, const std::string& folder) {
    if (k < 0 || k >= static_cast<std::int32_t>(folders_.size())) return;
    if (const auto it = folderIndex_.find(folders_[k]); it != folderIndex_.end() && it->second == k)
        folderIndex_.erase(it);
    folders_[k] = folder;
    folderIndex_.emplace(folder, k);
}

void SlideAlbum::SetFileName(int position, const SlidePathParts& parts) {
    SlideRecord& record = Slide(position);
    if (record.nameIndex >= 0 && record.nameIndex < static_cast<std::int32_t>(names_.size()))
        names_[record.nameIndex] = parts.name;
    record.ext.Set(parts.ext);
}

// Room for `count` more, growing at least by half, so that slides added
// one at a time do not copy the whole store each time.
template <typename T> void ReserveMore(std::vector<T>& items, std::size_t count) {
    const std::size_t wanted = items.size() + count;
    if (wanted > items.capacity()) items.reserve(std::max(wanted, items.capacity() * 3 / 2));
}

bool SlideAlbum::Reserve(std::size_t count) {
    try {
        ReserveMore(records_, count);
        ReserveMore(order_, count);
        ReserveMore(names_, count);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

bool SlideAlbum::AddSlide(const SlidePathParts& parts, const SlideFileFacts& facts, int position,
                          std::int32_t sequence) {
    if (HasLineBreak(parts.name) || HasLineBreak(parts.ext) || HasLineBreak(parts.folder))
        return false;
    position = std::clamp(position, 0, Count());
    if (!Reserve(1)) return false;
    try {
        SlideRecord record = NewSlideRecord(parts.ext, facts, sequence);
        record.iconIndex = icons_.IconFor(UpperExtension(parts.ext));
        record.folderIndex = InternFolder(parts.folder);
        record.nameIndex = static_cast<std::int32_t>(names_.size());
        names_.push_back(parts.name);
        records_.push_back(record);
        order_.insert(order_.begin() + position, static_cast<std::int32_t>(records_.size() - 1));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool SlideAlbum::AddFile(std::string_view path, int position, std::int32_t sequence) {
    SlideFileFacts facts;
    const std::string text(path);
    if (!ReadSlideFileFacts(text, facts)) return false;
    return AddSlide(SplitSlidePath(text), facts, position, sequence);
}

bool SlideAlbum::InsertCdTrack(int track, int position, std::uint32_t nowDosDateTime) {
    position = std::clamp(position, 0, Count());
    if (!Reserve(1)) return false;
    SlideRecord record =
        NewCdTrackRecord(track, nowDosDateTime, icons_.IconFor(std::string(kCdTrackExtension)));
    // A copy of the neighbour's comment, so commenting one never changes the other.
    if (position < Count() && !CommentOf(position).empty()) {
        comments_.push_back(std::string(CommentOf(position)));
        record.commentIndex = static_cast<std::int32_t>(comments_.size() - 1);
    }
    record.nameIndex = static_cast<std::int32_t>(names_.size());
    names_.push_back("CD Track " + std::to_string(track));
    records_.push_back(record);
    order_.insert(order_.begin() + position, static_cast<std::int32_t>(records_.size() - 1));
    return true;
}

void SlideAlbum::Cut(const std::vector<int>& positions) {
    std::size_t next = 0, kept = 0;
    for (std::size_t i = 0; i < order_.size(); ++i) {
        if (next < positions.size() && positions[next] == static_cast<int>(i)) {
            ++next;
            continue;
        }
        order_[kept++] = order_[i];
    }
    order_.resize(kept);
}

std::vector<int> SlideAlbum::Relocate(const std::vector<int>& positions, int target) {
    std::vector<std::int32_t> moved, rest;
    moved.reserve(positions.size());
    rest.reserve(order_.size());
    std::size_t next = 0;
    int below = 0;
    for (std::size_t i = 0; i < order_.size(); ++i) {
        if (next < positions.size() && positions[next] == static_cast<int>(i)) {
            moved.push_back(order_[i]);
            if (static_cast<int>(i) < target) ++below;
            ++next;
        } else {
            rest.push_back(order_[i]);
        }
    }
    const int at = std::clamp(target - below, 0, static_cast<int>(rest.size()));
    rest.insert(rest.begin() + at, moved.begin(), moved.end());
    order_ = std::move(rest);
    std::vector<int> now(moved.size());
    for (std::size_t i = 0; i < moved.size(); ++i) now[i] = at + static_cast<int>(i);
    return now;
}

void SlideAlbum::SetComment(int position, std::string_view comment) {
    std::string line(comment);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    SlideRecord& record = Slide(position);
    if (record.commentIndex > 0 && record.commentIndex < static_cast<int>(comments_.size())) {
        comments_[record.commentIndex] = std::move(line);
        return;
    }
    comments_.push_back(std::move(line));
    record.commentIndex = static_cast<std::int32_t>(comments_.size() - 1);
}

void SlideAlbum::ClearComments() {
    comments_.assign(1, std::string(kNoComment));
    for (SlideRecord& record : records_) record.commentIndex = 0;
}

bool SlideAlbum::ComputeCrc(int position) {
    const std::optional<std::uint32_t> crc = FileAlbumCrc(SlidePath(position));
    if (!crc) return false;
    Slide(position).crc = static_cast<std::int32_t>(*crc);
    return true;
}

void SlideAlbum::ComputeThumbNames(int position, std::string_view volume) {
    SlideRecord& record = Slide(position);
    const std::string extension = UpperExtension(record.ext.View());
    const SlideKind kind = KindOfExtension(extension);
    if (kind == SlideKind::CdTrack) {
        record.thumbName.Set("CDA");
        record.thumbFolder.Set("");
    } else if (kind == SlideKind::Picture || ExtensionIn(extension, IconExtensions)) {
        const std::string& folder = folders_[record.folderIndex];
        const std::string key = ThumbKey(volume, SlidePath(position), record.fileSize,
                                         record.fileDateTime, record.fileTimeMs);
        record.thumbName.Set(ThumbFileName(key));
        record.thumbFolder.Set(CacheHash(FolderKey(volume, folder)));
    } else {
        record.thumbName.Set(ExtensionThumbName(extension));
        record.thumbFolder.Set("");
    }
}

void SlideAlbum::Restore(std::vector<SlideRecord> records, std::vector<std::string> names,
                         std::vector<std::string> folders, std::vector<std::string> volumes,
                         std::vector<std::string> comments) {
    Clear();
    records_ = std::move(records);
    names_ = std::move(names);
    folders_ = std::move(folders);
    volumes_ = std::move(volumes);
    volumes_.resize(folders_.size());
    comments_ = std::move(comments);
    if (comments_.empty()) comments_.assign(1, std::string(kNoComment));
    for (std::size_t k = 0; k < folders_.size(); ++k)
        folderIndex_.emplace(folders_[k], static_cast<std::int32_t>(k));
    order_.resize(records_.size());
    // Icon numbers by extension as written; neighbours mostly share one.
    std::string lastExt = "\n";
    std::int16_t lastIcon = 0;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        SlideRecord& record = records_[i];
        order_[i] = static_cast<std::int32_t>(i);
        if (record.ext.View() != lastExt) {
            lastExt = record.ext.View();
            lastIcon = icons_.IconFor(UpperExtension(lastExt));
        }
        record.iconIndex = lastIcon;
        if ((!record.thumbName.Empty() && !IsThumbNameShape(record.thumbName.View())) ||
            !IsThumbFolderShape(record.thumbFolder.View())) {
            record.thumbName.Set("");
            record.thumbFolder.Set("");
            if (record.thumbState == kThumbMade) record.thumbState = kThumbPending;
        }
    }
}

} // namespace zv
