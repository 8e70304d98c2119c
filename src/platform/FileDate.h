#pragma once
// Dates of files: a file's modification time as text, and dates packed the
// DOS way, as folder nodes, file records and zip entries carry them: the
// date in the high 16 bits (year - 1980 << 9 | month << 5 | day), the time in
// the low 16 bits (hour << 11 | minute << 5 | second / 2). Packed values of
// one calendar compare in time order, which the date sorts rely on.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>

namespace zv {

// Packs a broken-down local time. Dates before 1980-01-01 pack as
// 1980-01-01 00:00:00 and dates after 2107-12-31 as 2107-12-31 23:59:58, so
// no field overflows into its neighbour; odd seconds round down.
std::uint32_t PackDosDateTime(const std::tm& local);

// The broken-down time of a packed value (tm_isdst = -1, tm_wday and tm_yday
// left 0). Fields are taken as stored, without range checks.
std::tm UnpackDosDateTime(std::uint32_t packed);

// Packs a moment as the local time of this machine.
std::uint32_t PackDosDateTimeOf(std::time_t when);

// The packed date and time of a zip entry's two 16-bit fields.
inline std::uint32_t DosDateTime(std::uint16_t date, std::uint16_t time) {
    return std::uint32_t{date} << 16 | time;
}

// A file's modification time in local time as "YYYY-MM-DD HH:MM:SS"; empty
// when the file cannot be examined.
std::string FileDateText(const std::filesystem::path& path);

} // namespace zv
