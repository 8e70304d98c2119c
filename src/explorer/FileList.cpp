#include "explorer/FileList.h"

#include "explorer/Comments.h"
#include "platform/Extensions.h"
#include "platform/FileDate.h"
#include "platform/ProgramTitle.h"

#include <algorithm>
#include <ctime>
#include <exception>
#include <iterator>

namespace zv {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = LowerAscii(c);
    return lower;
}

// Cuts the UTF-8 text to at most `count` characters, never inside one.
void CutToCharacters(std::string& text, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
        if (characters++ == count) {
            text.resize(at);
            return;
        }
    }
}

// The extension of a name as written (".jpg"), or empty.
std::string_view NameExtension(std::string_view name) {
    const auto dot = name.find_last_of('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

std::string SortKeyOf(const FileRecord& record, SortKind kind) {
    switch (kind) {
    case SortKind::Type: return TypeSortKey(record);
    case SortKind::Family: return FamilySortKey(record);
    default: return NameSortKey(record);
    }
}

// Sorts by a word key: the case-blind keys are built once per record, so a
// comparison is a byte comparison; the case rule only runs on ties.
void SortByWords(const RecordStore& store, ViewOrder& order, SortKind kind, bool descending) {
    struct Entry {
        std::string keys;
        int record;
    };
    std::vector<Entry> entries;
    entries.reserve(order.size());
    for (int record : order) entries.push_back({WordKeys(SortKeyOf(store[record], kind)), record});
    const auto less = [&](const Entry& a, const Entry& b) {
        if (const int c = a.keys.compare(b.keys); c != 0) return c < 0;
        return CompareWordCase(SortKeyOf(store[a.record], kind), SortKeyOf(store[b.record], kind)) <
               0;
    };
    if (descending) {
        std::sort(entries.begin(), entries.end(),
                  [&](const Entry& a, const Entry& b) { return less(b, a); });
    } else {
        std::sort(entries.begin(), entries.end(), less);
    }
    for (std::size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].record;
}

template <typename Key>
void SortByNumber(const RecordStore& store, ViewOrder& order, Key key, bool descending) {
    if (descending) {
        std::sort(order.begin(), order.end(),
                  [&](int a, int b) { return key(store[b]) < key(store[a]); });
    } else {
        std::sort(order.begin(), order.end(),
                  [&](int a, int b) { return key(store[a]) < key(store[b]); });
    }
}

std::string SizeAndDateText(const FileRecord& record) {
    if (record.IsFolder()) return DateColumnText(record);
    const std::string size = record.Size >= 1024 ? std::to_string(record.Size / 1024) + " KB, "
                                                 : std::to_string(record.Size) + " bytes, ";
    return size + DateColumnText(record);
}

RowSelection SelectRowsWhere(const RecordStore& store, const ViewOrder& order,
                             const std::function<bool(const FileRecord&)>& test) {
    RowSelection rows;
    for (int row = 0; row < static_cast<int>(order.size()); ++row) {
        const FileRecord* record = RowRecord(store, order, row);
        if (record && test(*record)) rows.push_back(row);
    }
    return rows;
}

} // namespace

// ---------------------------------------------------------------------------
// Records

RecordStore::RecordStore() {
    records_.reserve(kInitialCapacity);
}

void RecordStore::Clear() {
    records_.clear();
}

void RecordStore::EnsureRoom(std::size_t count) {
    if (records_.capacity() < count) records_.reserve(2 * count);
}

int RecordStore::Append(FileRecord record) {
    records_.push_back(std::move(record));
    return Count() - 1;
}

FileRecord* RowRecord(RecordStore& store, const ViewOrder& order, int row) {
    if (row < 0 || row >= static_cast<int>(order.size()) || !store.Contains(order[row])) {
        return nullptr;
    }
    return &store[order[row]];
}

const FileRecord* RowRecord(const RecordStore& store, const ViewOrder& order, int row) {
    return RowRecord(const_cast<RecordStore&>(store), order, row);
}

// ---------------------------------------------------------------------------
// Paths

std::string RecordPath(const std::string& folder, const FileRecord& record, bool drivesView) {
    if (drivesView) return record.DrivePath;
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    if (!record.FileName.empty()) return path + record.FileName;
    path += record.Name;
    if (NameExtension(record.Name).empty()) path += record.HiddenExt;
    return path;
}

std::string CommentKey(const FileRecord& record) {
    return record.FileName.empty() ? record.Name + record.HiddenExt : record.FileName;
}

// ---------------------------------------------------------------------------
// Sorting

std::string_view SortCaption(SortKind kind) {
    switch (kind) {
    case SortKind::NameAscending: return "&Name +";
    case SortKind::NameDescending: return "Na&me -";
    case SortKind::SizeAscending: return "&Size   +";
    case SortKind::SizeDescending: return "Si&ze   -";
    case SortKind::DateAscending: return "&Date  +";
    case SortKind::DateDescending: return "D&ate  -";
    case SortKind::Type: return "&Type";
    case SortKind::Family: return "&Family";
    }
    return {};
}

std::string NameSortKey(const FileRecord& record) {
    return record.SortPrefix + record.Name + record.HiddenExt;
}

std::string TypeSortKey(const FileRecord& record) {
    std::string extension =
        record.HiddenExt.empty() ? std::string(NameExtension(record.Name)) : record.HiddenExt;
    CutToCharacters(extension, kMaxHiddenExtLength);
    return record.SortPrefix + extension + record.Name;
}

std::string FamilySortKey(const FileRecord& record) {
    const std::string text = record.Name + record.HiddenExt;
    const auto space = text.find_last_of(' ');
    return space == std::string::npos ? text : text.substr(space);
}

void SortViewOrder(const RecordStore& store, ViewOrder& order, SortKind kind) {
    const auto size = [](const FileRecord& r) { return r.Size; };
    // Packed dates compare unsigned: from 2044 on the top bit is set.
    const auto date = [](const FileRecord& r) { return r.FileDate; };
    switch (kind) {
    case SortKind::NameAscending: SortByWords(store, order, kind, false); break;
    case SortKind::NameDescending: SortByWords(store, order, kind, true); break;
    case SortKind::Type: SortByWords(store, order, kind, false); break;
    case SortKind::Family: SortByWords(store, order, kind, false); break;
    case SortKind::SizeAscending: SortByNumber(store, order, size, false); break;
    case SortKind::SizeDescending: SortByNumber(store, order, size, true); break;
    case SortKind::DateAscending: SortByNumber(store, order, date, false); break;
    case SortKind::DateDescending: SortByNumber(store, order, date, true); break;
    }
}

void SortDirections::Remember(SortKind kind) {
    switch (kind) {
    case SortKind::NameAscending: nameDescending = false; break;
    case SortKind::NameDescending: nameDescending = true; break;
    case SortKind::SizeAscending: sizeDescending = false; break;
    case SortKind::SizeDescending: sizeDescending = true; break;
    case SortKind::DateAscending: dateDescending = false; break;
    case SortKind::DateDescending: dateDescending = true; break;
    case SortKind::Type:
    case SortKind::Family: break;
    }
}

std::optional<SortKind> SortDirections::HeaderClick(DetailsColumn column) {
    const auto flip = [](bool& descending, SortKind ascending, SortKind descendingKind) {
        const SortKind kind = descending ? descendingKind : ascending;
        descending = !descending;
        return kind;
    };
    switch (column) {
    case DetailsColumn::Name:
        return flip(nameDescending, SortKind::NameAscending, SortKind::NameDescending);
    case DetailsColumn::Size:
        return flip(sizeDescending, SortKind::SizeAscending, SortKind::SizeDescending);
    case DetailsColumn::DateModified:
        return flip(dateDescending, SortKind::DateAscending, SortKind::DateDescending);
    case DetailsColumn::TypeDimensions:
    case DetailsColumn::Comment: break;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Row texts

std::string SizeColumnText(const FileRecord& record) {
    return std::to_string(record.Size / 1024) + " KB";
}

std::string DateColumnText(const FileRecord& record) {
    const std::tm time = UnpackDosDateTime(record.FileDate);
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, "%x %X", &time);
    return std::string(text, length);
}

std::string ComputeTypeText(const std::string& path, const FileRecord& record,
                            const PictureSizeQuery& query) {
    if (record.IsFolder()) return "Folder";
    std::string text = UpperExtension(path);
    if (ExtensionIn(text, ImageExtensions) && query) {
        std::optional<PictureSize> size;
        try {
            size = query(path);
        } catch (const std::exception&) {
            // An unreadable picture shows its extension alone.
        }
        if (size) {
            text += ' ' + std::to_string(size->width) + 'x' + std::to_string(size->height) + '(' +
                    std::to_string(size->bitsPerPixel) + ')';
        }
    }
    CutToCharacters(text, kMaxTypeTextLength);
    return text;
}

const std::string& EnsureTypeText(FileRecord& record, const std::string& folder,
                                  const PictureSizeQuery& query) {
    if (record.TypeText.empty()) {
        record.TypeText = ComputeTypeText(RecordPath(folder, record), record, query);
    }
    return record.TypeText;
}

std::string CommentColumnText(const FileRecord& record, const FolderComments& comments) {
    if (!comments.loaded) return {};
    return comments.CommentOf(CommentKey(record));
}

std::vector<std::string> DetailsSubItems(FileRecord& record, const std::string& folder,
                                         const PictureSizeQuery& query,
                                         const FolderComments& comments) {
    return {SizeColumnText(record), DateColumnText(record), EnsureTypeText(record, folder, query),
            CommentColumnText(record, comments)};
}

// ---------------------------------------------------------------------------
// Status bar and caption

StatusTexts BuildStatusTexts(RecordStore& store, const ViewOrder& order,
                             const RowSelection& selected, bool drivesView,
                             const std::string& folder, const PictureSizeQuery& query) {
    StatusTexts texts;
    if (drivesView) {
        texts.panel1 = kMyComputer;
    } else if (selected.empty()) {
        texts.panel1 = std::to_string(order.size()) + " object(s)";
    } else if (selected.size() == 1) {
        texts.panel1 = "item selected";
        if (FileRecord* record = RowRecord(store, order, selected.front())) {
            texts.panel2 = EnsureTypeText(*record, folder, query);
            texts.panel3 = SizeAndDateText(*record);
        }
    } else {
        texts.panel1 = std::to_string(selected.size()) + " object(s) selected";
    }
    return texts;
}

std::string WindowCaption(const std::string& folderDisplayName) {
    return std::string(kProgramTitle) + " .. " + folderDisplayName;
}

// ---------------------------------------------------------------------------
// Selection commands

std::optional<RowSelection> SelectAllRows(int rowCount, bool drivesView) {
    if (drivesView) return std::nullopt;
    RowSelection rows(std::max(rowCount, 0));
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) rows[row] = row;
    return rows;
}

RowSelection SelectAllFiles(const RecordStore& store, const ViewOrder& order) {
    return SelectRowsWhere(store, order, [](const FileRecord& r) { return !r.IsFolder(); });
}

RowSelection SelectAllImages(const RecordStore& store, const ViewOrder& order,
                             std::string_view extensions) {
    return SelectRowsWhere(store, order, [&](const FileRecord& r) {
        return !r.IsFolder() && ExtensionIn(UpperExtension(RecordPath({}, r)), extensions);
    });
}

RowSelection InvertSelection(int rowCount, const RowSelection& selected) {
    std::vector<bool> was(std::max(rowCount, 0), false);
    for (int row : selected) {
        if (row >= 0 && row < rowCount) was[row] = true;
    }
    RowSelection rows;
    for (int row = 0; row < rowCount; ++row) {
        if (!was[row]) rows.push_back(row);
    }
    return rows;
}

SearchResult FindFilename(const RecordStore& store, const ViewOrder& order, std::string_view text) {
    SearchResult result;
    if (order.size() < 2) return result;
    result.ran = true;
    const std::string needle = LowerAscii(text);
    if (!needle.empty()) {
        result.selected = SelectRowsWhere(store, order, [&](const FileRecord& r) {
            return LowerAscii(r.Name).find(needle) != std::string::npos;
        });
    }
    if (result.selected.empty()) result.message = std::string(kNoMatchPrefix) + std::string(text);
    return result;
}

SearchResult QueryComments(const RecordStore& store, const ViewOrder& order,
                           const RowSelection& selected, const FolderComments& comments,
                           std::string_view keyword) {
    SearchResult result;
    if (order.size() < 2) return result;
    result.ran = true;
    const std::string needle = LowerAscii(keyword);
    RowSelection matches;
    if (!needle.empty()) {
        matches = SelectRowsWhere(store, order, [&](const FileRecord& r) {
            return LowerAscii(comments.CommentOf(CommentKey(r))).find(needle) != std::string::npos;
        });
    }
    RowSelection kept;
    for (int row : selected) {
        if (row >= 0 && row < static_cast<int>(order.size())) kept.push_back(row);
    }
    std::sort(kept.begin(), kept.end());
    std::set_union(kept.begin(), kept.end(), matches.begin(), matches.end(),
                   std::back_inserter(result.selected));
    result.selected.erase(std::unique(result.selected.begin(), result.selected.end()),
                          result.selected.end());
    if (result.selected.empty()) {
        result.message = std::string(kNoMatchPrefix) + std::string(keyword);
    }
    return result;
}

std::optional<int> FindKeyItem(const RecordStore& store, const ViewOrder& order,
                               const RowSelection& selected, char letter) {
    const char lower = LowerAscii(letter);
    if (lower < 'a' || lower > 'z') return std::nullopt;
    std::vector<bool> isSelected(order.size(), false);
    for (int row : selected) {
        if (row >= 0 && row < static_cast<int>(order.size())) isSelected[row] = true;
    }
    for (int row = 0; row < static_cast<int>(order.size()); ++row) {
        const FileRecord* record = RowRecord(store, order, row);
        if (record && !isSelected[row] && !record->Name.empty() &&
            LowerAscii(record->Name.front()) == lower) {
            return row;
        }
    }
    return std::nullopt;
}

} // namespace zv
