#include "platform/TextEncoding.h"
#include "platform/RenameNoReplace.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TEST(TextEncoding, ChecksUtf8StrictlyAndReadsTheRestAsWindows1252) {
    const struct {
        std::string bytes;
        bool utf8;
        std::string shown;
    } cases[] = {
        {"plain", true, "plain"},
        {"caf\xC3\xA9", true, "caf\xC3\xA9"},
        {"caf\xE9", false, "caf\xC3\xA9"},                       // Latin-1 e acute
        {"\x80 \x9F", false, "\xE2\x82\xAC \xC5\xB8"},           // euro, Y diaeresis
        {"\x81", false, "\xC2\x81"},                             // unassigned: the C1 control
        {"\xC0\xAF", false, "\xC3\x80\xC2\xAF"},                 // overlong slash
        {"\xED\xA0\x80", false, "\xC3\xAD\xC2\xA0\xE2\x82\xAC"}, // a surrogate
        {"ab\xE2\x82", false, "ab\xC3\xA2\xE2\x80\x9A"},         // cut off at the end
        {"\xF4\x90\x80\x80", false, "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"}, // past U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsUtf8(c.bytes), c.utf8) << c.bytes;
        EXPECT_EQ(Utf8OrWindows1252(c.bytes), c.shown) << c.bytes;
    }
    std::string out;
    AppendUtf8(out, 0xD800);
    AppendUtf8(out, 0x1F600);
    EXPECT_EQ(out, "\xEF\xBF\xBD\xF0\x9F\x98\x80");
}

TEST(RenameNoReplace, NeverReplacesWhatIsThere) {
    const zvtest::TempFolder temp;
    const std::string a = temp.Write("a.txt", "first");
    const std::string b = temp.Write("b.txt", "second");
    EXPECT_FALSE(RenameNoReplace(a, b));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(zvtest::ReadText(temp / "b.txt"), "second");
    EXPECT_EQ(zvtest::ReadText(temp / "a.txt"), "first");
    EXPECT_TRUE(RenameNoReplace(a, temp / "c.txt"));
    EXPECT_EQ(zvtest::ReadText(temp / "c.txt"), "first");
    EXPECT_FALSE(std::filesystem::exists(a));
}

} // namespace
} // namespace zv
