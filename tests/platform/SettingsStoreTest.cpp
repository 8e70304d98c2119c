#include "platform/linux/FileSettingsStore.h"

#include "platform/ScratchFolder.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::ScratchFolder;

std::size_t EntriesIn(const fs::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
    return count;
}

TEST(FileSettingsStore, ValuesRoundTripByteExactIntoNewFolders) {
    ScratchFolder scratch;
    fs::path folder = scratch / "config/Corvane/Zelvan";
    FileSettingsStore store(folder);

    Bytes record;
    for (int i = 0; i < 256; ++i) record.push_back(static_cast<std::uint8_t>(i));
    store.WriteBinary("VControls6014", record);
    store.WriteString("OpenDir", "/home/ann/Bilder/Öl auf Leinwand/");
    store.WriteBinary("Empty", {});

    EXPECT_EQ(store.ReadBinary("VControls6014"), record);
    EXPECT_EQ(store.ReadString("OpenDir"), "/home/ann/Bilder/Öl auf Leinwand/");
    EXPECT_EQ(store.ReadBinary("Empty"), Bytes{});
    EXPECT_EQ(ReadFile(folder / "VControls6014"), std::string(record.begin(), record.end()));
    EXPECT_EQ(ReadFile(folder / "OpenDir"), "/home/ann/Bilder/\xC3\x96l auf Leinwand/");
    // Each store gets a fresh view of the same files.
    EXPECT_EQ(FileSettingsStore(folder).ReadBinary("VControls6014"), record);
}

TEST(FileSettingsStore, WriteReplacesWholeValueAndLeavesNoTemporaryFile) {
    ScratchFolder scratch;
    FileSettingsStore store(scratch.Path());
    store.WriteString("OpenDir", "a rather long first value");
    store.WriteString("OpenDir", "short");
    EXPECT_EQ(store.ReadString("OpenDir"), "short");
    EXPECT_EQ(EntriesIn(scratch.Path()), 1u);
}

TEST(FileSettingsStore, MissingValueReadsAsNothing) {
    ScratchFolder scratch;
    FileSettingsStore store(scratch / "never/made");
    EXPECT_FALSE(store.ReadBinary("VControls6014").has_value());
    EXPECT_FALSE(store.ReadString("OpenDir").has_value());
    EXPECT_FALSE(fs::exists(scratch / "never"));
}

TEST(FileSettingsStore, NamesThatLeaveTheFolderAreRefused) {
    ScratchFolder scratch;
    fs::path folder = scratch / "store";
    FileSettingsStore store(folder);
    const std::vector<std::string> names = {
        "", ".", "..", "../escape", "a/b", "/etc/passwd", std::string("a\0b", 3)};
    for (const std::string& name : names) {
        EXPECT_THROW(store.WriteString(name, "x"), ESettingsError) << name;
        EXPECT_THROW(store.ReadBinary(name), ESettingsError) << name;
    }
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_FALSE(fs::exists(scratch / "escape"));
}

TEST(FileSettingsStore, WriteFailureNamesTheFileAndKeepsTheOldValue) {
    ScratchFolder scratch;
    test::WriteFile(scratch / "notafolder", "");
    FileSettingsStore blocked(scratch / "notafolder");
    try {
        blocked.WriteString("OpenDir", "x");
        FAIL() << "write into a file succeeded";
    } catch (const ESettingsError& error) {
        EXPECT_NE(std::string(error.what()).find("notafolder"), std::string::npos);
    }

    // A value whose file has become a folder can be neither read nor replaced.
    FileSettingsStore store(scratch / "store");
    fs::create_directories(scratch / "store" / "OpenDir" / "inside");
    try {
        store.WriteString("OpenDir", "x");
        FAIL() << "write over a folder succeeded";
    } catch (const ESettingsError& error) {
        EXPECT_NE(std::string(error.what()).find("OpenDir"), std::string::npos);
    }
    EXPECT_THROW(store.ReadString("OpenDir"), ESettingsError);
    EXPECT_TRUE(fs::exists(scratch / "store" / "OpenDir" / "inside"));
    EXPECT_EQ(EntriesIn(scratch / "store"), 1u);
}

} // namespace
} // namespace zv
