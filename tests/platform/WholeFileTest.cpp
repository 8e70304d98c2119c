#include "platform/WholeFile.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TEST(WholeFile, ReadsEveryByteOrSaysWhyNot) {
    const zvtest::TempFolder temp;
    const std::string bytes = std::string("ab\0cd", 5) + std::string(200000, 'x');
    const std::string path = temp.Write("file.bin", bytes);
    temp.Write("empty", "");

    WholeFile file = ReadEntireFile(path);
    EXPECT_EQ(file.status, WholeFileStatus::Read);
    EXPECT_EQ(std::string(file.bytes.begin(), file.bytes.end()), bytes);

    file = ReadEntireFile(temp / "empty");
    EXPECT_EQ(file.status, WholeFileStatus::Read);
    EXPECT_TRUE(file.bytes.empty());

    EXPECT_EQ(ReadEntireFile(path, bytes.size()).status, WholeFileStatus::Read);
    file = ReadEntireFile(path, bytes.size() - 1);
    EXPECT_EQ(file.status, WholeFileStatus::TooLarge);
    EXPECT_TRUE(file.bytes.empty());
    EXPECT_EQ(ReadEntireFile(temp / "missing").status, WholeFileStatus::CannotOpen);
    EXPECT_EQ(ReadEntireFile(temp.Path()).status, WholeFileStatus::CannotOpen);

    // Files under /proc claim no size, yet have text.
    file = ReadEntireFile("/proc/self/mounts");
    EXPECT_EQ(file.status, WholeFileStatus::Read);
    EXPECT_FALSE(file.bytes.empty());
}

} // namespace
} // namespace zv
