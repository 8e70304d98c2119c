#pragma once
// Text bytes as UTF-8: telling well-formed UTF-8 apart, and reading the
// Windows-1252 bytes older files hold.

#include <cstddef>
#include <string>
#include <string_view>

namespace zv {

// True when every byte belongs to a well-formed UTF-8 sequence: no overlong
// forms, surrogates or values past U+10FFFF, and nothing cut off at the end.
bool IsUtf8(std::string_view bytes);

// The length of the well-formed UTF-8 sequence at `at`, or 0 when the bytes
// there are not one. `cutShort` reports a sequence that is only incomplete
// because the bytes end.
std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t at, bool& cutShort);

// Appends one code point as UTF-8; a surrogate or a value past U+10FFFF
// becomes the replacement character U+FFFD.
void AppendUtf8(std::string& out, char32_t code);

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; its five unassigned
// codes there pass through as the C1 controls, as the system converts them.
char32_t FromWindows1252(unsigned char byte);

std::string Windows1252ToUtf8(std::string_view bytes);

// The bytes as they are when they are UTF-8, else read as Windows-1252.
std::string Utf8OrWindows1252(std::string_view bytes);

} // namespace zv
