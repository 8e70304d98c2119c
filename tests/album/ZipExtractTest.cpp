// Extraction: every method byte for byte, never over an existing file, never
// outside the destination, and a log line for every entry not written.

#include "album/ZipExtract.h"
#include "album/ZipLog.h"

#include "TempFolderTest.h"
#include "ZipArchiveBuilder.h"
#include "ZipLegacyEncoders.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

namespace {

using namespace zv;
using namespace zvtest;
namespace fs = std::filesystem;

FixtureEntry Entry(const std::string& name, const std::string& data, std::uint16_t method = 8,
                   std::uint16_t flags = 0) {
    FixtureEntry entry;
    entry.name = name;
    entry.data = data;
    entry.method = method;
    entry.flags = flags;
    return entry;
}

FixtureEntry UnixEntry(const std::string& name, const std::string& data, std::uint32_t mode) {
    FixtureEntry entry = Entry(name, data, 0);
    entry.versionMadeBy = 3 << 8 | 30;
    entry.externalAttributes = mode << 16;
    return entry;
}

class ZipExtract : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        destination = folder / "out";
        fs::create_directory(destination);
    }

    // Writes the archive and opens it in `unzip`.
    std::string Archive(const std::vector<FixtureEntry>& entries,
                        const std::string& name = "photos.zip") {
        const std::string path = Write(name, BuildZip(entries));
        unzip.Open(path);
        return path;
    }

    TVCLUnZip unzip;
    fs::path destination;
};

TEST_F(ZipExtract, EveryMethodExtractsByteForByte) {
    const std::string text = SampleText(30000);
    const std::string mixed = SampleMixed(40000);
    std::vector<FixtureEntry> entries = {
        Entry("stored.txt", text, 0),
        Entry("Shrunk/Notes.TXT", mixed, 1),
        Entry("reduced/1.bin", mixed, 2),
        Entry("reduced/2.bin", mixed, 3),
        Entry("reduced/3.bin", mixed, 4),
        Entry("reduced/4.bin", mixed, 5),
        Entry("imploded/4k.bin", mixed, 6),
        Entry("imploded/8k.bin", mixed, 6, kZipFlagImplode8K),
        Entry("imploded/4k-literals.bin", mixed, 6, kZipFlagImplodeLiteralTree),
        Entry("imploded/8k-literals.bin", mixed, 6, kZipFlagImplode8K | kZipFlagImplodeLiteralTree),
        Entry("deflated/deep/er/file.txt", text, 8),
        Entry("empty.txt", "", 0),
    };
    Archive(entries);
    std::vector<int> percents;
    unzip.OnTotalPercentDone = [&](int percent) { percents.push_back(percent); };
    std::vector<std::string> written;
    unzip.OnFileWritten = [&](const std::string& entry, const fs::path&) {
        EXPECT_TRUE(unzip.Busy());
        written.push_back(entry);
    };

    const ZipExtractResult result = unzip.UnZip(destination);
    EXPECT_EQ(result.FilesWritten, static_cast<int>(entries.size()));
    EXPECT_TRUE(result.Log.empty());
    EXPECT_TRUE(result.Clean());
    EXPECT_FALSE(unzip.Busy());
    EXPECT_EQ(written.size(), entries.size());
    for (const FixtureEntry& entry : entries) {
        SCOPED_TRACE(entry.name);
        EXPECT_TRUE(ReadText(destination / entry.name) == entry.data);
    }
    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.back(), 100);
}

TEST_F(ZipExtract, ExtractingAgainSkipsEveryEntryAndWritesNothing) {
    Archive({Entry("a.txt", "alpha"), Entry("sub/b.txt", "beta", 1), Entry("c.txt", "gamma", 6)});
    ASSERT_EQ(unzip.UnZip(destination).FilesWritten, 3);
    fs::last_write_time(destination / "a.txt", fs::file_time_type::clock::now());
    std::ofstream(destination / "sub/b.txt", std::ios::binary) << "changed since";
    const auto before = fs::last_write_time(destination / "a.txt");

    std::vector<std::string> skipped;
    unzip.OnSkippingFile = [&](const std::string& entry, const fs::path&) {
        skipped.push_back(entry);
    };
    const ZipExtractResult again = unzip.UnZip(destination);
    const std::string archive = unzip.ZipName();
    EXPECT_EQ(again.FilesWritten, 0);
    EXPECT_EQ(again.Log, (std::vector<std::string>{"a.txt in " + archive + " exists; skipped.",
                                                   "sub/b.txt in " + archive + " exists; skipped.",
                                                   "c.txt in " + archive + " exists; skipped."}));
    EXPECT_EQ(skipped, (std::vector<std::string>{"a.txt", "sub/b.txt", "c.txt"}));
    EXPECT_FALSE(again.Clean());
    EXPECT_EQ(ReadText(destination / "sub/b.txt"), "changed since");
    EXPECT_EQ(fs::last_write_time(destination / "a.txt"), before);
}

TEST_F(ZipExtract, EntriesThatTryToLeaveTheDestinationWriteNothingOutsideIt) {
    FixtureEntry link = UnixEntry("album/latest", "../../../etc/passwd", 0120777);
    Archive({
        Entry("../escaped.txt", "1"),
        Entry("sub/../../escaped.txt", "2"),
        Entry("..\\escaped.txt", "3"),
        Entry("sub\\..\\..\\escaped.txt", "4"),
        Entry(folder.string() + "/absolute.txt", "5"),
        Entry("\\absolute.txt", "6"),
        Entry("C:\\escaped.txt", "7"),
        Entry("c:escaped.txt", "8"),
        Entry(std::string("nul\0/../../x.txt", 16), "9"),
        link,
        Entry("./fine/./ok.txt", "kept"),
    });
    std::vector<std::pair<std::string, ZipRefusal>> refused;
    unzip.OnEntryRefused = [&](const std::string& entry, ZipRefusal why) {
        refused.emplace_back(entry, why);
    };
    const ZipExtractResult result = unzip.UnZip(destination);

    EXPECT_EQ(FilesIn(folder),
              (std::vector<std::string>{"out", "out/fine", "out/fine/ok.txt", "photos.zip"}));
    EXPECT_EQ(FilesIn(destination), (std::vector<std::string>{"fine", "fine/ok.txt"}));
    EXPECT_EQ(result.FilesWritten, 1);
    ASSERT_EQ(result.Log.size(), 10u);
    ASSERT_EQ(refused.size(), 10u);
    EXPECT_EQ(result.NotWritten.size(), 10u);
    EXPECT_EQ(result.Log[0], "../escaped.txt in " + unzip.ZipName() +
                                 " has a name that leads outside the destination; refused.");
    EXPECT_EQ(refused[9], std::make_pair(std::string("album/latest"), ZipRefusal::SymbolicLink));
    EXPECT_EQ(result.Log[9],
              "album/latest in " + unzip.ZipName() + " is a symbolic link; refused.");
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(refused[static_cast<std::size_t>(i)].second, ZipRefusal::UnsafeName) << i;
}

TEST_F(ZipExtract, LinksInTheDestinationAreNeverFollowed) {
    const fs::path outside = folder / "outside";
    fs::create_directory(outside);
    fs::create_directory_symlink(outside, destination / "linked");
    fs::create_directory(destination / "real");
    fs::create_directory_symlink(outside, destination / "real" / "deeper");
    fs::create_symlink(outside / "target.txt", destination / "dangling.txt");
    Archive({Entry("linked/a.txt", "1"), Entry("real/deeper/b.txt", "2"),
             Entry("dangling.txt", "3"), Entry("real/c.txt", "4")});

    const ZipExtractResult result = unzip.UnZip(destination);
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_EQ(result.FilesWritten, 1);
    EXPECT_EQ(ReadText(destination / "real" / "c.txt"), "4");
    const std::string archive = unzip.ZipName();
    EXPECT_EQ(result.Log,
              (std::vector<std::string>{
                  "linked/a.txt in " + archive + " would be written through a link; refused.",
                  "real/deeper/b.txt in " + archive + " would be written through a link; refused.",
                  "dangling.txt in " + archive + " exists; skipped."}));
}

TEST_F(ZipExtract, DamagedEntriesAreLoggedAndPartialFilesRemoved) {
    FixtureEntry badCrc = Entry("bad-crc.txt", "the bytes are fine, the checksum is not");
    badCrc.crc = 0x12345678;
    FixtureEntry corrupt = Entry("corrupt.bin", SampleMixed(200000), 1);
    std::string packed = Shrink(corrupt.data);
    packed.resize(packed.size() * 3 / 4); // ends before the declared size
    corrupt.packed = packed;
    FixtureEntry unknown = Entry("picture.bz2", "xyz");
    unknown.method = 12;
    unknown.packed = "BZh9";
    FixtureEntry secret = Entry("secret.txt", "xyz", 0, kZipFlagEncrypted);
    Archive({badCrc, corrupt, unknown, secret, Entry("good.txt", "good")});

    std::vector<std::string> badCrcs;
    unzip.OnBadCRC = [&](const std::string& entry) { badCrcs.push_back(entry); };
    const ZipExtractResult result = unzip.UnZip(destination);
    const std::string archive = unzip.ZipName();
    EXPECT_EQ(result.Log,
              (std::vector<std::string>{
                  "bad-crc.txt in " + archive + " is corrupted (bad CRC).",
                  "corrupt.bin in " + archive + " is corrupted (invalid data); not extracted.",
                  "picture.bz2 in " + archive +
                      " uses an unknown compression method (12); not extracted.",
                  "secret.txt in " + archive + " is encrypted; not extracted."}));
    EXPECT_EQ(badCrcs, std::vector<std::string>{"bad-crc.txt"});
    EXPECT_EQ(result.NotWritten,
              (std::vector<std::string>{"corrupt.bin", "picture.bz2", "secret.txt"}));
    EXPECT_TRUE(result.UnknownMethod);
    EXPECT_FALSE(result.Incomplete);
    EXPECT_EQ(result.FilesWritten, 2); // the bad-CRC file stays, whole, for what can be saved
    EXPECT_EQ(FilesIn(destination), (std::vector<std::string>{"bad-crc.txt", "good.txt"}));
}

TEST_F(ZipExtract, AnIncompleteArchiveStopsWhereItsDataEnds) {
    std::string bytes = BuildZip(
        {Entry("a.txt", "alpha"), Entry("b.txt", SampleText(5000)), Entry("c.txt", "gamma")});
    // The second entry's local header claims a name running far past the file.
    const std::size_t second = bytes.find(std::string("PK\x03\x04", 4), 4);
    Put16(bytes, second + 26, 0xFFFF);
    const std::string path = Write("cut.zip", bytes);
    unzip.Open(path);
    int incomplete = 0;
    unzip.OnIncompleteZip = [&] { ++incomplete; };
    const ZipExtractResult result = unzip.UnZip(destination);
    EXPECT_TRUE(result.Incomplete);
    EXPECT_EQ(incomplete, 1);
    EXPECT_EQ(result.FilesWritten, 1);
    EXPECT_EQ(result.Log, std::vector<std::string>{path + " is incomplete or corrupted."});
    EXPECT_EQ(FilesIn(destination), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(ZipIncompleteText(path), path + "\nis incomplete or corrupted.");
}

TEST_F(ZipExtract, NamedEntriesAndFlatExtraction) {
    Archive({Entry("one/a.txt", "a"), Entry("two/b.txt", "b"), Entry("two/", ""),
             Entry("three/c.txt", "c")});
    ZipExtractResult result = unzip.UnZip(destination, {"two/b.txt", "missing.txt"});
    EXPECT_EQ(result.FilesWritten, 1);
    EXPECT_EQ(FilesIn(destination), (std::vector<std::string>{"two", "two/b.txt"}));

    const fs::path flat = folder / "flat";
    fs::create_directory(flat);
    unzip.RecreateDirs = false;
    result = unzip.UnZip(flat);
    EXPECT_EQ(result.FilesWritten, 3);
    EXPECT_EQ(FilesIn(flat), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
}

TEST_F(ZipExtract, AttributesAreKeptWithoutSetIdBits) {
    FixtureEntry readOnly = Entry("readonly.txt", "r", 0);
    readOnly.externalAttributes = 0x01;
    FixtureEntry stamped = Entry("stamped.txt", "t", 0);
    stamped.extra = Le16(0x5455) + Le16(5) + std::string(1, '\x01') + Le32(1'000'000'000);
    Archive({UnixEntry("tool", "#!/bin/sh\n", 0104755), UnixEntry("group", "g", 0102750),
             UnixEntry("private/", "", 0040700), readOnly, stamped});
    const mode_t mask = ::umask(022);
    const ZipExtractResult result = unzip.UnZip(destination);
    ::umask(mask);
    EXPECT_TRUE(result.Clean());
    auto mode = [&](const char* name) {
        struct stat status {};
        ::lstat((destination / name).c_str(), &status);
        return status.st_mode & 07777;
    };
    EXPECT_EQ(mode("tool"), 0755u);
    EXPECT_EQ(mode("group"), 0750u);
    EXPECT_EQ(mode("private"), 0700u);
    EXPECT_EQ(mode("readonly.txt"), 0444u);
    EXPECT_EQ(mode("stamped.txt"), 0644u);
    struct stat status {};
    ::stat((destination / "stamped.txt").c_str(), &status);
    EXPECT_EQ(status.st_mtime, 1'000'000'000);
}

TEST_F(ZipExtract, TheLogIsSavedWhole) {
    const fs::path log =
        SaveZipLog(folder, {"a.txt in x.zip exists; skipped.", "b.txt in x.zip exists; skipped."});
    EXPECT_EQ(log, folder / "ZipErrs_Log.txt");
    EXPECT_EQ(ReadText(log), "a.txt in x.zip exists; skipped.\nb.txt in x.zip exists; skipped.\n");
    SaveZipLog(folder, {"only this"});
    EXPECT_EQ(ReadText(log), "only this\n");
    EXPECT_EQ(ZipViewLogQuestion(3), "3 file(s) unzipped.\nThere were exceptions.  View log?");
}

TEST_F(ZipExtract, ArchiveLevelFailuresThrow) {
    EXPECT_THROW(unzip.UnZip(destination), EZipError); // nothing open
    EXPECT_THROW(unzip.Open((folder / "missing.zip").string()), EZipError);
    Archive({Entry("a.txt", "alpha")});
    EXPECT_THROW(unzip.UnZip(folder / "no-such-folder"), EZipError);
    unzip.Close();
    EXPECT_FALSE(unzip.IsOpen());
}

} // namespace
