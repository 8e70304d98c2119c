#pragma once
// The texts of the archive browser's entry grid: its columns and, for each
// entry, the name, date stamp, size, packing ratio and packed size.

#include "album/ZipArchive.h"

#include <array>
#include <string>
#include <vector>

namespace zv {

struct ZipGridColumn {
    const char* Caption;
    int Width; // pixels
};

inline constexpr std::array<ZipGridColumn, 5> kZipGridColumns = {{
    {" Name", 160},
    {" Date Stamp", 120},
    {" Size", 80},
    {" %", 32},
    {" PackSize", 80},
}};

struct ZipGridRow {
    std::string Name;
    std::string DateStamp;
    std::string Size;
    std::string Percent;
    std::string PackSize;
};

// The row of one entry: its name with path, and, when both its size and its
// packed size are above 0, the date stamp, the size, the percentage saved
// ((size - packed size) * 100 div size, below 0 when packing made it
// bigger) and the packed size; those cells stay empty otherwise.
ZipGridRow ZipRowOf(const ZipEntry& entry);
std::vector<ZipGridRow> ZipRowsOf(const ZipArchive& archive);

// A stored DOS date and time as the locale's short date and time
// (strftime "%x %X" under the current LC_TIME), in lower case.
std::string ZipDateStampText(std::uint16_t dosDate, std::uint16_t dosTime);

} // namespace zv
