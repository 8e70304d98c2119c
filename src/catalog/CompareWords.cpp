#include "catalog/CompareWords.h"

#include <algorithm>

namespace zv {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// The byte a character compares as in the first, case-blind pass of
// CompareWords: a space below everything, letters folded to lower case.
unsigned char WordKey(char c) {
    if (c == ' ') return 0;
    return static_cast<unsigned char>(LowerAscii(c));
}

} // namespace

std::string WordKeys(std::string_view text) {
    std::string keys(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) keys[i] = static_cast<char>(WordKey(text[i]));
    return keys;
}

int CompareWordCase(std::string_view a, std::string_view b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (a[i] == b[i]) continue;
        const bool aLower = a[i] >= 'a' && a[i] <= 'z';
        return aLower ? -1 : 1;
    }
    return 0;
}

int CompareWords(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char ka = WordKey(a[i]), kb = WordKey(b[i]);
        if (ka != kb) return ka < kb ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return CompareWordCase(a, b);
}

} // namespace zv
