#include "album/ZipListing.h"

#include "platform/FileDate.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace zv {

std::string ZipDateStampText(std::uint16_t dosDate, std::uint16_t dosTime) {
    // Fields out of their ranges (a zero date has month and day 0) are
    // brought inside them, so the text never shows a month 0 or 13.
    std::tm time = UnpackDosDateTime(DosDateTime(dosDate, dosTime));
    time.tm_mon = std::clamp(time.tm_mon, 0, 11);
    time.tm_mday = std::clamp(time.tm_mday, 1, 31);
    time.tm_hour = std::clamp(time.tm_hour, 0, 23);
    time.tm_min = std::clamp(time.tm_min, 0, 59);
    time.tm_sec = std::clamp(time.tm_sec, 0, 59);
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, "%x %X", &time);
    std::string result(text, length);
    for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

ZipGridRow ZipRowOf(const ZipEntry& entry) {
    ZipGridRow row;
    row.Name = entry.Name;
    if (entry.Size > 0 && entry.PackedSize > 0) {
        row.DateStamp = ZipDateStampText(entry.DosDate, entry.DosTime);
        row.Size = std::to_string(entry.Size);
        // 128 bits: a 64-bit size times 100 must not wrap.
        const __int128 saved =
            static_cast<__int128>(entry.Size) - static_cast<__int128>(entry.PackedSize);
        const __int128 percent = saved * 100 / static_cast<__int128>(entry.Size);
        constexpr __int128 kLowest = -(static_cast<__int128>(1) << 62);
        row.Percent = std::to_string(static_cast<long long>(std::max(percent, kLowest)));
        row.PackSize = std::to_string(entry.PackedSize);
    }
    return row;
}

std::vector<ZipGridRow> ZipRowsOf(const ZipArchive& archive) {
    std::vector<ZipGridRow> rows;
    rows.reserve(archive.Entries().size());
    for (const ZipEntry& entry : archive.Entries()) rows.push_back(ZipRowOf(entry));
    return rows;
}

} // namespace zv
