// The container: what the directory says about each entry, the grid texts,
// ZIP64 records, data descriptors, stubs in front, and damaged or hostile
// archives, which throw EZipError and never read outside the file.

#include "album/ZipArchive.h"
#include "album/ZipListing.h"

#include "TempFolderTest.h"
#include "ZipArchiveBuilder.h"
#include "ZipLegacyEncoders.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace zv;
using namespace zvtest;

ZipArchive Read(const std::string& bytes) {
    return ZipArchive(ZipMemory(std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
}

std::string DecodeAll(const ZipArchive& archive, const ZipEntry& entry, bool* crcGood = nullptr) {
    std::string out;
    const bool good = archive.Decode(entry, [&](const std::uint8_t* data, std::size_t size) {
        out.append(reinterpret_cast<const char*>(data), size);
    });
    if (crcGood) *crcGood = good;
    return out;
}

FixtureEntry Entry(const std::string& name, const std::string& data, std::uint16_t method = 0) {
    FixtureEntry entry;
    entry.name = name;
    entry.data = data;
    entry.method = method;
    return entry;
}

// Reads the archive and decodes every entry; true when something threw EZipError.
bool ThrowsZipError(const std::string& bytes) {
    try {
        const ZipArchive archive = Read(bytes);
        for (const ZipEntry& entry : archive.Entries()) {
            try {
                DecodeAll(archive, entry);
            } catch (const EZipError&) {
            }
        }
        return false;
    } catch (const EZipError&) {
        return true;
    }
}

TEST(ZipArchive, DirectoryDescribesEachEntry) {
    FixtureEntry photo = Entry("Trip/Summer/IMG_0001.JPG", SampleText(3000), 8);
    photo.dosDate = (2004 - 1980) << 9 | 7 << 5 | 14; // 2004-07-14
    photo.dosTime = 9 << 11 | 41 << 5 | 30 / 2;       // 09:41:30
    FixtureEntry script = Entry("run.sh", "#!/bin/sh\n", 0);
    script.versionMadeBy = 3 << 8 | 30;
    script.externalAttributes = (0100000u | 04755u) << 16;
    FixtureEntry link = Entry("latest", "Trip/Summer/IMG_0001.JPG", 0);
    link.versionMadeBy = 3 << 8 | 30;
    link.externalAttributes = (0120000u | 0777u) << 16;
    FixtureEntry folder = Entry("Trip/", "");
    folder.externalAttributes = 0x10;
    FixtureEntry secret = Entry("secret.txt", "hidden", 0);
    secret.flags = kZipFlagEncrypted;

    const ZipArchive archive =
        Read(BuildZip({photo, script, link, folder, secret}, {"", "album of 2004", false, {}}));
    ASSERT_EQ(archive.Count(), 5);
    EXPECT_EQ(archive.Comment(), "album of 2004");

    const ZipEntry& first = archive.Entry(0);
    EXPECT_EQ(first.Name, "Trip/Summer/IMG_0001.JPG");
    EXPECT_EQ(first.FileName, "IMG_0001.JPG");
    EXPECT_EQ(first.Method, 8);
    EXPECT_EQ(first.Size, 3000u);
    EXPECT_EQ(first.Crc, Crc32(photo.data));
    EXPECT_EQ(ZipDateStampText(first.DosDate, first.DosTime), "07/14/04 09:41:30");
    EXPECT_FALSE(first.IsDirectory());

    EXPECT_EQ(archive.Entry(1).UnixMode(), std::optional<std::uint32_t>(04755));
    EXPECT_FALSE(archive.Entry(1).IsSymbolicLink());
    EXPECT_TRUE(archive.Entry(2).IsSymbolicLink());
    EXPECT_TRUE(archive.Entry(3).IsDirectory());
    EXPECT_EQ(archive.Entry(3).FileName, "");
    EXPECT_TRUE(archive.Entry(4).IsEncrypted());
    EXPECT_FALSE(archive.Entry(0).UnixMode()); // made on MS-DOS

    bool crcGood = false;
    EXPECT_EQ(DecodeAll(archive, first, &crcGood), photo.data);
    EXPECT_TRUE(crcGood);
}

TEST(ZipArchive, GridRowsShowSizesOnlyForEntriesWithData) {
    FixtureEntry text = Entry("notes.txt", std::string(1000, 'a'), 8);
    FixtureEntry empty = Entry("empty.txt", "");
    FixtureEntry random = Entry("noise.bin", SampleRandom(100), 0);
    random.packed = SampleRandom(103); // stored with more bytes than it holds
    random.size = 100;
    const ZipArchive archive = Read(BuildZip({text, empty, random}));
    const std::vector<ZipGridRow> rows = ZipRowsOf(archive);
    ASSERT_EQ(rows.size(), 3u);

    const std::uint64_t packed = archive.Entry(0).PackedSize;
    EXPECT_EQ(rows[0].Name, "notes.txt");
    EXPECT_EQ(rows[0].Size, "1000");
    EXPECT_EQ(rows[0].PackSize, std::to_string(packed));
    EXPECT_EQ(rows[0].Percent, std::to_string((1000 - packed) * 100 / 1000));
    EXPECT_EQ(rows[0].DateStamp, "01/15/09 15:30:58");

    EXPECT_EQ(rows[1].Name, "empty.txt");
    EXPECT_EQ(rows[1].DateStamp, "");
    EXPECT_EQ(rows[1].Size, "");
    EXPECT_EQ(rows[1].Percent, "");
    EXPECT_EQ(rows[1].PackSize, "");

    EXPECT_EQ(rows[2].Percent, "-3"); // (100 - 103) * 100 div 100
}

TEST(ZipArchive, NamesKeepTheirCaseAndBecomeUtf8) {
    FixtureEntry flagged = Entry("Fotos/Café.JPG", "1");
    flagged.flags = kZipFlagUtf8;
    FixtureEntry plainUtf8 = Entry("Über.txt", "2");
    FixtureEntry dos = Entry(std::string("Caf\x82.TXT"), "3"); // code page 437 e-acute
    const ZipArchive archive = Read(BuildZip({flagged, plainUtf8, dos}));
    EXPECT_EQ(archive.Entry(0).Name, "Fotos/Café.JPG");
    EXPECT_EQ(archive.Entry(0).FileName, "Café.JPG");
    EXPECT_EQ(archive.Entry(1).Name, "Über.txt");
    EXPECT_EQ(archive.Entry(2).Name, "Café.TXT");
}

TEST(ZipArchive, DataDescriptorsAndZip64) {
    const std::string big = SampleMixed(50000);
    FixtureEntry described = Entry("described.txt", big, 8);
    described.dataDescriptor = true;
    FixtureEntry wide = Entry("wide.txt", big, 1);
    wide.zip64 = true;
    FixtureEntry both = Entry("both.txt", big, 6);
    both.flags = kZipFlagImplode8K | kZipFlagImplodeLiteralTree;
    both.zip64 = true;
    both.dataDescriptor = true;

    for (bool zip64End : {false, true}) {
        SCOPED_TRACE(zip64End);
        FixtureOptions options;
        options.zip64End = zip64End;
        options.comment = "c";
        const ZipArchive archive = Read(BuildZip({described, wide, both}, options));
        ASSERT_EQ(archive.Count(), 3);
        for (const ZipEntry& entry : archive.Entries()) {
            SCOPED_TRACE(entry.Name);
            EXPECT_EQ(entry.Size, big.size());
            bool crcGood = false;
            EXPECT_TRUE(DecodeAll(archive, entry, &crcGood) == big);
            EXPECT_TRUE(crcGood);
        }
        EXPECT_TRUE(archive.Entry(0).HasDataDescriptor());
    }
}

TEST(ZipArchive, Zip64FieldsAreTakenAsTheyAreStored) {
    // A ZIP64 field that claims sizes past the end of the file: listing shows
    // them, decoding finds the archive incomplete.
    FixtureEntry entry = Entry("huge.bin", "abc");
    entry.extra = "";
    std::string bytes = BuildZip({entry});
    const std::size_t directory = bytes.find(std::string("PK\x01\x02", 4));
    Put32(bytes, directory + 20, 0xFFFFFFFF);
    Put32(bytes, directory + 24, 0xFFFFFFFF);
    const std::string field = Le16(1) + Le16(16) + Le64(6'000'000'000ULL) + Le64(5'000'000'000ULL);
    Put16(bytes, directory + 30, static_cast<std::uint16_t>(field.size()));
    bytes.insert(directory + 46 + entry.name.size(), field);
    const std::size_t end = bytes.find(std::string("PK\x05\x06", 4));
    Put32(bytes, end + 12, static_cast<std::uint32_t>(46 + entry.name.size() + field.size()));

    const ZipArchive archive = Read(bytes);
    EXPECT_EQ(archive.Entry(0).Size, 6'000'000'000ULL);
    EXPECT_EQ(archive.Entry(0).PackedSize, 5'000'000'000ULL);
    EXPECT_EQ(ZipRowOf(archive.Entry(0)).Percent, "16");
    try {
        DecodeAll(archive, archive.Entry(0));
        FAIL() << "decoded";
    } catch (const EZipError& error) {
        EXPECT_EQ(error.Fault(), ZipFault::Incomplete);
    }
}

TEST(ZipArchive, StubInFrontAndLongestComment) {
    FixtureOptions options;
    options.prefix = "#!/bin/sh\necho self-extracting\nexit 0\n" + std::string(5000, '\x7F');
    options.comment = std::string(65535, 'c');
    const std::string bytes =
        BuildZip({Entry("a.txt", "alpha", 8), Entry("b.txt", "beta", 1)}, options);
    const ZipArchive archive = Read(bytes);
    ASSERT_EQ(archive.Count(), 2);
    EXPECT_EQ(DecodeAll(archive, archive.Entry(1)), "beta");
    EXPECT_EQ(archive.Comment().size(), 65535u);
}

TEST(ZipArchive, UnknownMethodsAndEncryptionAreReportedByName) {
    FixtureEntry bzip = Entry("b.bz2", "xyz");
    bzip.method = 12;
    bzip.packed = "whatever";
    FixtureEntry secret = Entry("s.txt", "xyz", 8);
    secret.flags = kZipFlagEncrypted;
    const ZipArchive archive = Read(BuildZip({bzip, secret}));
    try {
        DecodeAll(archive, archive.Entry(0));
        FAIL();
    } catch (const EZipError& error) {
        EXPECT_EQ(error.Fault(), ZipFault::UnknownMethod);
        EXPECT_STREQ(error.what(), "Unknown Compression Method");
    }
    try {
        DecodeAll(archive, archive.Entry(1));
        FAIL();
    } catch (const EZipError& error) {
        EXPECT_EQ(error.Fault(), ZipFault::Encrypted);
    }
}

TEST(ZipArchive, DamagedDirectoriesThrow) {
    const std::string good =
        BuildZip({Entry("a.txt", "alpha", 8), Entry("b/c.txt", SampleText(2000), 1)});
    auto fault = [](const std::string& bytes) {
        try {
            Read(bytes);
        } catch (const EZipError& error) {
            return error.Fault();
        }
        return ZipFault::ReadFailed;
    };
    EXPECT_EQ(fault(""), ZipFault::NotAnArchive);
    EXPECT_EQ(fault("PK\x03\x04 just a local header"), ZipFault::NotAnArchive);
    EXPECT_EQ(fault(SampleRandom(70000)), ZipFault::NotAnArchive);

    const std::size_t end = good.find(std::string("PK\x05\x06", 4));
    std::string bytes = good;
    Put16(bytes, end + 8, 5000); // more entries than the directory can hold
    Put16(bytes, end + 10, 5000);
    EXPECT_EQ(fault(bytes), ZipFault::BadDirectory);

    bytes = good;
    Put32(bytes, end + 12, 0x7FFFFFFF); // directory bigger than the file
    EXPECT_EQ(fault(bytes), ZipFault::BadDirectory);

    bytes = good;
    Put32(bytes, end + 16, static_cast<std::uint32_t>(end + 100)); // directory after its end
    EXPECT_EQ(fault(bytes), ZipFault::Incomplete);

    bytes = good;
    Put16(bytes, end + 4, 1); // one disk of several
    EXPECT_EQ(fault(bytes), ZipFault::Incomplete);

    bytes = good;
    const std::size_t directory = good.find(std::string("PK\x01\x02", 4));
    Put16(bytes, directory + 28, 0xFFFF); // name runs past the directory
    EXPECT_EQ(fault(bytes), ZipFault::BadDirectory);

    bytes = good;
    Put32(bytes, directory + 42, 0x7FFFFFF0); // local header past the end of the file
    const ZipArchive archive = Read(bytes);
    try {
        DecodeAll(archive, archive.Entry(0));
        FAIL();
    } catch (const EZipError& error) {
        EXPECT_EQ(error.Fault(), ZipFault::Incomplete);
    }

    bytes = good;
    bytes[0] = 'X'; // local header signature
    const ZipArchive damaged = Read(bytes);
    try {
        DecodeAll(damaged, damaged.Entry(0));
        FAIL();
    } catch (const EZipError& error) {
        EXPECT_EQ(error.Fault(), ZipFault::Corrupt);
    }
}

TEST(ZipArchive, TruncatedAndMangledArchivesOnlyThrow) {
    // Every cut of an archive and random changes to it either read or throw
    // EZipError; the sanitizer build checks that nothing reads out of bounds.
    FixtureEntry wide = Entry("w.bin", SampleRuns(3000), 6);
    wide.zip64 = true;
    FixtureEntry described = Entry("d.txt", SampleText(3000), 5);
    described.dataDescriptor = true;
    FixtureOptions options;
    options.zip64End = true;
    const std::string good = BuildZip({Entry("a.txt", SampleText(2000), 8),
                                       Entry("s.bin", SampleMixed(3000), 1), wide, described},
                                      options);
    for (std::size_t cut = 0; cut < good.size(); cut += 7) {
        EXPECT_TRUE(ThrowsZipError(good.substr(0, cut))) << cut;
    }
    std::mt19937 random(42);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = good;
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int c = 0; c < changes; ++c)
            bytes[random() % bytes.size()] = static_cast<char>(random());
        ThrowsZipError(bytes);
    }
}

} // namespace
