#include "platform/FileDate.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <utime.h>

namespace zv {
namespace {

TEST(FileDate, TextOfAModificationTimeAndOfNone) {
    const zvtest::TempFolder temp;
    const std::string path = temp.Write("dated", "x");
    std::tm local{};
    local.tm_year = 2004 - 1900;
    local.tm_mon = 6;
    local.tm_mday = 14;
    local.tm_hour = 9;
    local.tm_min = 41;
    local.tm_sec = 30;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    const utimbuf times{when, when};
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
    EXPECT_EQ(FileDateText(path), "2004-07-14 09:41:30");
    EXPECT_EQ(FileDateText(temp / "missing"), "");
    EXPECT_EQ(PackDosDateTimeOf(when),
              DosDateTime((24 << 9) | (7 << 5) | 14, (9 << 11) | (41 << 5) | 15));
}

} // namespace
} // namespace zv
