#pragma once
// The word order of names in the lists: letters without regard to case
// first, then case.

#include <string>
#include <string_view>

namespace zv {

// The word comparison of the name, type and family orders; <0, 0 or >0.
// Letters compare without regard to case first, so "apple" < "Banana"; only
// texts equal but for case are then ordered, lower case first ("a" < "A").
// A space sorts before every other character, so " x" (a folder's key) comes
// before any name, then control characters, punctuation, digits, letters,
// and bytes above 0x7F in byte order. A text sorts before its extensions.
int CompareWords(std::string_view a, std::string_view b);

// The case-blind keys of a text: comparing two texts' keys bytewise gives
// CompareWords' first pass, so a sort builds them once per entry.
std::string WordKeys(std::string_view text);

// The tie-break of texts whose keys are equal: lower case first at the first
// difference; 0 when they are the same.
int CompareWordCase(std::string_view a, std::string_view b);

} // namespace zv
