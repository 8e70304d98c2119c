#pragma once
// Text files (".TXT", ".RTF") as the viewer shows them: plain UTF-8 text with
// LF line ends, rich text stripped of its markup.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zv {

// Raised when a text file cannot be read.
class ETextFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text of a ".TXT" or ".RTF" file as the viewer shows it (UTF-8). A file
// that begins with "{\rtf" is rich text whatever its name, as the system's
// rich edit control reads it; anything else is plain text. At most maxBytes
// of the file are read, so a huge file cannot exhaust memory. Throws
// ETextFileError when the file cannot be read.
std::string ReadTextForDisplay(const std::string& path, std::size_t maxBytes = 16u << 20);

// Plain text bytes as UTF-8: a UTF-8 byte order mark is dropped, UTF-16 with a
// byte order mark is decoded, bytes that are not valid UTF-8 are read as
// Windows-1252. CR LF and CR become LF.
std::string PlainTextToUtf8(std::string_view bytes);

// Rich text without its markup: groups of fonts, colours, style sheets,
// document information, pictures, field instructions and other "{\*...}"
// destinations are skipped; \par and \line become line breaks, \tab a tab,
// \'hh a Windows-1252 character, \uN (with its \ucN replacement count) the
// Unicode character, \{ \} \\ the literal. Unbalanced braces and a cut-off
// end are tolerated.
std::string RtfToText(std::string_view rtf);

} // namespace zv
