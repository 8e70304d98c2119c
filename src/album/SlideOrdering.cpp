#include "album/SlideOrdering.h"

#include "catalog/CompareWords.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

namespace {

// A slide's place in the sort. Every slide's text and its case-blind keys
// (WordKeys, the same length) sit at the same offset of two shared buffers,
// so the sort moves small entries and never allocates; the first eight key
// bytes ride along, so most comparisons read no buffer at all.
struct SortEntry {
    std::uint64_t head;
    std::size_t offset;
    std::uint32_t length;
    std::int32_t record;
};

// The first eight bytes of the keys as a number that orders like them;
// missing bytes are 0. Equal heads prove nothing (a space's key is 0 too),
// a smaller head means smaller keys.
std::uint64_t KeyHead(std::string_view keys) {
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        head <<= 8;
        if (i < keys.size()) head |= static_cast<unsigned char>(keys[i]);
    }
    return head;
}

struct SortTexts {
    std::string texts;
    std::string keys;
    std::vector<SortEntry> entries;

    std::string_view Text(const SortEntry& e) const { return {texts.data() + e.offset, e.length}; }
    std::string_view Keys(const SortEntry& e) const { return {keys.data() + e.offset, e.length}; }

    // CompareWords(a, b) < 0, then the record number.
    bool Less(const SortEntry& a, const SortEntry& b) const {
        if (a.head != b.head) return a.head < b.head;
        if (const int c = Keys(a).compare(Keys(b)); c != 0) return c < 0;
        if (const int c = CompareWordCase(Text(a), Text(b)); c != 0) return c < 0;
        return a.record < b.record;
    }
};

std::string_view Entry(const std::vector<std::string>& list, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return {};
    return list[static_cast<std::size_t>(index)];
}

// Appends the record's text for the key to `text`.
using AppendText = void (*)(const SlideAlbum& album, const SlideRecord& record, std::string& text);

void AppendName(const SlideAlbum& album, const SlideRecord& record, std::string& text) {
    text += Entry(album.Names(), record.nameIndex);
}

void AppendPath(const SlideAlbum& album, const SlideRecord& record, std::string& text) {
    text += Entry(album.Folders(), record.folderIndex);
    text += Entry(album.Names(), record.nameIndex);
    text += record.ext.View();
}

void ArrangeByText(SlideAlbum& album, AppendText append) {
    std::vector<std::int32_t>& order = album.MutableOrder();
    SortTexts sort;
    sort.entries.reserve(order.size());
    for (const std::int32_t record : order) {
        const std::size_t offset = sort.texts.size();
        append(album, album.Records()[static_cast<std::size_t>(record)], sort.texts);
        const std::string_view text = std::string_view(sort.texts).substr(offset);
        sort.keys += WordKeys(text);
        sort.entries.push_back({KeyHead(std::string_view(sort.keys).substr(offset)), offset,
                                static_cast<std::uint32_t>(text.size()), record});
    }
    std::sort(sort.entries.begin(), sort.entries.end(),
              [&sort](const SortEntry& a, const SortEntry& b) { return sort.Less(a, b); });
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = sort.entries[i].record;
}

} // namespace

void ArrangeByName(SlideAlbum& album) {
    ArrangeByText(album, AppendName);
}

void ArrangeByPath(SlideAlbum& album) {
    ArrangeByText(album, AppendPath);
}

} // namespace zv
