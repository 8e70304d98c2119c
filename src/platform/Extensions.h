#pragma once
// File extensions as the program tests them: the upper-case extension with
// its dot, looked up by substring in a dot-separated list such as ".JPG.JPEG".

#include <string>
#include <string_view>

namespace zv {

// ".JPG" for "/a/b/photo.jpg"; empty when the name has no extension. Only the
// file name is looked at, so a dot in a folder name is not an extension.
std::string UpperExtension(std::string_view path);

// Whether the extension is in the list. An empty extension or a lone "."
// matches nothing (a substring search for it would match every list).
bool ExtensionIn(std::string_view upperExtension, std::string_view list);

} // namespace zv
