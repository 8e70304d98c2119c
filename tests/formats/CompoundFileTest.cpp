#include "formats/CompoundFile.h"
#include "CompoundFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace zv;
using zvtest::CfbNode;
using zvtest::CfbStorage;
using zvtest::CfbStream;

namespace {

std::vector<std::uint8_t> Pattern(std::size_t size, int seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return bytes;
}

// A big stream, small ones in the mini stream, an empty one, a storage inside.
CfbNode SampleTree() {
    return CfbStorage("", {CfbStream("big", Pattern(9000, 1)),
                           CfbStream("\x05small", Pattern(100, 2)), CfbStream("empty", {}),
                           CfbStorage("Data Object 000001", {CfbStream("inner", Pattern(4096, 3)),
                                                             CfbStream("tiny", Pattern(1, 4))})});
}

std::size_t EntryOffset(const std::vector<std::uint8_t>& file, const std::string& name) {
    std::string utf16;
    for (char c : name) utf16 += {c, '\0'};
    const std::string text(file.begin(), file.end());
    const std::size_t at = text.find(utf16 + std::string(2, '\0'));
    EXPECT_NE(at, std::string::npos) << name;
    return at;
}

void Put32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t value) {
    zvtest::cfb::Put32(file, at, value);
}

} // namespace

TEST(CompoundFile, ReadsEveryStreamOfBothVersions) {
    for (const int shift : {9, 12}) {
        SCOPED_TRACE(shift);
        const std::vector<std::uint8_t> bytes = zvtest::WriteCompoundFile(SampleTree(), shift);
        const CompoundFile file(bytes);
        std::vector<std::string> names;
        for (const int child : file.Children(CompoundFile::kRoot))
            names.push_back(file.Entry(child).name);
        EXPECT_EQ(names,
                  (std::vector<std::string>{"big", "empty", "\x05small", "Data Object 000001"}));
        EXPECT_EQ(file.ReadStream(file.Find(CompoundFile::kRoot, "big")), Pattern(9000, 1));
        EXPECT_EQ(file.ReadStream(file.Find(CompoundFile::kRoot, "\x05small")), Pattern(100, 2));
        EXPECT_TRUE(file.ReadStream(file.Find(CompoundFile::kRoot, "empty")).empty());
        const int storage = file.Find(CompoundFile::kRoot, "Data Object 000001");
        ASSERT_GE(storage, 0);
        EXPECT_EQ(file.Entry(storage).type, CompoundEntryType::Storage);
        EXPECT_EQ(file.ReadStream(file.Find(storage, "inner")), Pattern(4096, 3));
        EXPECT_EQ(file.ReadStream(file.Find(storage, "tiny")), Pattern(1, 4));
        EXPECT_EQ(file.Find(storage, "big"), -1);
        EXPECT_THROW(file.ReadStream(storage), ECompoundFileError);
    }
}

// Each damage is refused with the reader's error, at opening or at reading
// the stream it spoils, never with a crash or a huge allocation.
TEST(CompoundFile, RefusesDamagedFiles) {
    using Damage = std::function<void(std::vector<std::uint8_t>&)>;
    const std::uint32_t kEnd = 0xFFFFFFFE;
    const struct {
        const char* what;
        Damage damage;
    } cases[] = {
        {"cut header", [](auto& f) { f.resize(500); }},
        {"signature", [](auto& f) { f[0] = 0; }},
        {"sector size", [](auto& f) { f[30] = 10; }},
        {"table sectors beyond the file", [](auto& f) { Put32(f, 44, 100000); }},
        {"table sector index beyond the file", [](auto& f) { Put32(f, 76, 70000); }},
        {"directory start beyond the file", [](auto& f) { Put32(f, 48, 9999); }},
        {"looping big stream",
         [](auto& f) {
             const std::size_t fat = (std::size_t{f[76]} + 1) * 512; // "big" holds sectors 0..17
             Put32(f, fat + 4 * 5, 2);
         }},
        {"big stream larger than the file",
         [](auto& f) { Put32(f, EntryOffset(f, "big") + 120, 0x7FFFFFFF); }},
        {"big stream beyond the file",
         [](auto& f) { Put32(f, EntryOffset(f, "big") + 116, 5000000); }},
        {"short chain", [&](auto& f) { Put32(f, (std::size_t{f[76]} + 1) * 512 + 4 * 3, kEnd); }},
        {"small stream beyond the mini stream",
         [](auto& f) { Put32(f, EntryOffset(f, "\x05small") + 116, 4000); }},
        {"sibling past the directory", [](auto& f) { Put32(f, EntryOffset(f, "big") + 68, 200); }},
        {"directory loop", [](auto& f) { Put32(f, EntryOffset(f, "big") + 72, 1); }},
        {"name too long", [](auto& f) { f[EntryOffset(f, "big") + 64] = 80; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> bytes = zvtest::WriteCompoundFile(SampleTree());
        c.damage(bytes);
        EXPECT_THROW(
            {
                const CompoundFile file(bytes);
                for (const int child : file.Children(CompoundFile::kRoot))
                    if (file.Entry(child).type == CompoundEntryType::Stream) file.ReadStream(child);
            },
            ECompoundFileError);
    }
}
