#pragma once
// Icon numbers per extension, shared by the lists that show files by icon.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace zv {

// Small icon numbers for the window to map to icons, one per upper-case
// extension, given out in the order the extensions are first met. It lives
// as long as the window, across listings.
class IconCache {
public:
    static constexpr std::int16_t kNoExtension = 0; // a file without an extension
    static constexpr std::int16_t kFolder = 1;
    // A file in IconExtensions: the window asks for this file's own icon.
    static constexpr std::int16_t kOwnIcon = -1;

    // The icon number of a file with this upper-case extension (".JPG").
    std::int16_t IconFor(const std::string& upperExtension);
    // The extension an icon number stands for; empty for the fixed numbers.
    const std::string& ExtensionOf(std::int16_t iconIndex) const;

private:
    std::unordered_map<std::string, std::int16_t> numbers_;
    std::vector<std::string> extensions_{std::string(), std::string()}; // 0 and 1
};

} // namespace zv
