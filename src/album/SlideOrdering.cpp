#include "album/SlideOrdering.h"

#include "catalog/CompareWords.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

namespace {

// A slide's place in the sort. Every slide's text and its case-blind keys
// (WordKeys, the same length) sit at the same offset of two shared buffers,
// so the sort moves small entries and never allocates.
struct SortEntry {
    // Eight key bytes after the prefix all keys share, so that most
    // comparisons, even of names that all begin "IMG_", read no buffer.
    std::uint64_t head;
    std::size_t offset;
    std::uint32_t length : 31;
    // Whether the text holds a byte its key changes other than a space (a
    // capital or NUL): only then can the case pass tell equal keys apart.
    std::uint32_t cased : 1;
    std::int32_t record;
};

// Eight bytes as a number that orders like them; missing bytes are 0.
// Equal heads prove nothing (a space's key is 0 too); a smaller head means
// smaller keys.
std::uint64_t KeyHead(std::string_view keys) {
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        head <<= 8;
        if (i < keys.size()) head |= static_cast<unsigned char>(keys[i]);
    }
    return head;
}

bool HasCase(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || c == '\0'; });
}

// CompareWordCase made a strict order for the sort: it ranks a capital after
// its small letter, but a space against a NUL (a name from a damaged list
// file) comes "after" both ways, which would leave std::sort without a
// consistent order; bytes decide those.
int CompareCase(std::string_view a, std::string_view b) {
    const int c = CompareWordCase(a, b);
    if (c != 0 && c == CompareWordCase(b, a)) return a.compare(b);
    return c;
}

struct SortTexts {
    std::string texts;
    std::string keys;
    std::vector<SortEntry> entries;
    std::size_t shared = 0; // the length of the prefix all keys share

    std::string_view Text(const SortEntry& e) const { return {texts.data() + e.offset, e.length}; }
    std::string_view Keys(const SortEntry& e) const { return {keys.data() + e.offset, e.length}; }

    void FindSharedPrefix() {
        if (entries.empty()) return;
        const std::string_view first = Keys(entries.front());
        shared = first.size();
        for (const SortEntry& e : entries) {
            const std::string_view keys = Keys(e);
            const std::size_t common = std::min(shared, keys.size());
            shared = std::mismatch(first.begin(), first.begin() + common, keys.begin()).first -
                     first.begin();
        }
    }

    void SetHeads() {
        for (SortEntry& e : entries) e.head = KeyHead(Keys(e).substr(shared));
    }

    // The keys after their equal heads, bytewise, shorter first. A key that
    // ends within its head has an empty tail: it is the shorter one.
    int CompareTails(const SortEntry& a, const SortEntry& b) const {
        const std::size_t covered = shared + 8;
        if (a.length <= covered && b.length <= covered)
            return a.length == b.length ? 0 : (a.length < b.length ? -1 : 1);
        const auto tail = [&](const SortEntry& e) {
            return Keys(e).substr(std::min<std::size_t>(covered, e.length));
        };
        return tail(a).compare(tail(b));
    }

    // CompareWords(a, b) < 0, then the record number.
    bool Less(const SortEntry& a, const SortEntry& b) const {
        if (a.head != b.head) return a.head < b.head;
        if (const int c = CompareTails(a, b); c != 0) return c < 0;
        if (a.cased || b.cased)
            if (const int c = CompareCase(Text(a), Text(b)); c != 0) return c < 0;
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
        sort.entries.push_back(
            {0, offset, static_cast<std::uint32_t>(text.size()), HasCase(text), record});
    }
    sort.keys = WordKeys(sort.texts);
    sort.FindSharedPrefix();
    sort.SetHeads();
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
