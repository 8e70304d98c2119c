#include "platform/FileDate.h"

#include <sys/stat.h>

namespace zv {

namespace {

constexpr int kFirstYear = 1980;
constexpr int kLastYear = kFirstYear + 127;

std::uint32_t Pack(int year, int month, int day, int hour, int minute, int second) {
    const std::uint32_t date =
        std::uint32_t(year - kFirstYear) << 9 | std::uint32_t(month) << 5 | std::uint32_t(day);
    const std::uint32_t time =
        std::uint32_t(hour) << 11 | std::uint32_t(minute) << 5 | std::uint32_t(second / 2);
    return date << 16 | time;
}

int Clamp(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}

} // namespace

std::uint32_t PackDosDateTime(const std::tm& local) {
    const long long year = 1900LL + local.tm_year;
    if (year < kFirstYear) return Pack(kFirstYear, 1, 1, 0, 0, 0);
    if (year > kLastYear) return Pack(kLastYear, 12, 31, 23, 59, 58);
    // Seconds may be 60 in a leap second; every field is kept inside its bits.
    return Pack(int(year), Clamp(local.tm_mon + 1, 1, 12), Clamp(local.tm_mday, 1, 31),
                Clamp(local.tm_hour, 0, 23), Clamp(local.tm_min, 0, 59),
                Clamp(local.tm_sec, 0, 59));
}

std::tm UnpackDosDateTime(std::uint32_t packed) {
    std::tm result{};
    const std::uint32_t date = packed >> 16;
    const std::uint32_t time = packed & 0xFFFF;
    result.tm_year = int(date >> 9) + kFirstYear - 1900;
    result.tm_mon = int(date >> 5 & 0x0F) - 1;
    result.tm_mday = int(date & 0x1F);
    result.tm_hour = int(time >> 11);
    result.tm_min = int(time >> 5 & 0x3F);
    result.tm_sec = int(time & 0x1F) * 2;
    result.tm_isdst = -1;
    return result;
}

std::uint32_t PackDosDateTimeOf(std::time_t when) {
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) return PackDosDateTime(std::tm{});
    return PackDosDateTime(local);
}

std::string FileDateText(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {};
    const std::time_t time = status.st_mtime;
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

} // namespace zv
