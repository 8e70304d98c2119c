// The entry decoders: every method round-trips byte for byte through the
// test encoders, small streams worked out by hand decode as expected, and
// invalid or short data is refused.

#include "album/ZipArchive.h"

#include "TempFolderTest.h"
#include "ZipArchiveBuilder.h"
#include "ZipLegacyEncoders.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

using namespace zv;
using namespace zvtest;

struct Decoded {
    std::string data;
    bool crcGood = false;
};

// Decodes the first entry of an archive built from `entry`.
Decoded DecodeOne(const FixtureEntry& entry) {
    const std::string bytes = BuildZip({entry});
    const ZipArchive archive(ZipMemory(std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
    Decoded decoded;
    decoded.crcGood =
        archive.Decode(archive.Entry(0), [&](const std::uint8_t* data, std::size_t size) {
            decoded.data.append(reinterpret_cast<const char*>(data), size);
        });
    return decoded;
}

FixtureEntry Packed(std::uint16_t method, std::uint16_t flags, const std::string& data,
                    const std::string& packed) {
    FixtureEntry entry;
    entry.name = "entry.bin";
    entry.method = method;
    entry.flags = flags;
    entry.data = data;
    entry.packed = packed;
    return entry;
}

ZipFault FaultOf(const FixtureEntry& entry) {
    try {
        DecodeOne(entry);
    } catch (const EZipError& error) {
        return error.Fault();
    }
    ADD_FAILURE() << "no error";
    return ZipFault::ReadFailed;
}

struct Sample {
    const char* name;
    std::string data;
};

std::vector<Sample> Samples() {
    return {{"empty", ""},
            {"one byte", "x"},
            {"text", SampleText(20000)},
            {"random", SampleRandom(6000)},
            {"runs", SampleRuns(40000)},
            {"mixed", SampleMixed(70000)}};
}

struct Method {
    const char* name;
    std::uint16_t method;
    std::uint16_t flags;
};

const Method kMethods[] = {
    {"stored", 0, 0},
    {"shrunk", 1, 0},
    {"reduced 1", 2, 0},
    {"reduced 2", 3, 0},
    {"reduced 3", 4, 0},
    {"reduced 4", 5, 0},
    {"imploded 4K", 6, 0},
    {"imploded 8K", 6, 0x02},
    {"imploded 4K literal tree", 6, 0x04},
    {"imploded 8K literal tree", 6, 0x06},
    {"deflated", 8, 0},
};

TEST(ZipDecoders, EveryMethodRoundTripsByteForByte) {
    for (const Sample& sample : Samples()) {
        for (const Method& method : kMethods) {
            SCOPED_TRACE(std::string(method.name) + " / " + sample.name);
            const std::string packed = PackWith(method.method, method.flags, sample.data);
            const Decoded decoded =
                DecodeOne(Packed(method.method, method.flags, sample.data, packed));
            EXPECT_TRUE(decoded.data == sample.data);
            EXPECT_TRUE(decoded.crcGood);
        }
    }
}

TEST(ZipDecoders, ShrinkClearsAndGrowsItsCodes) {
    // Random bytes fill the 8192-code table several times over, so the table
    // is cleared when full; clearing every few codes clears small inputs too,
    // and frees strings whose prefix the same clear frees.
    const std::string full = SampleRandom(90000, 5) + SampleText(30000);
    const std::pair<int, std::string> cases[] = {{0, full},
                                                 {300, full},
                                                 {1, SampleMixed(20000)},
                                                 {2, SampleRuns(20000)},
                                                 {7, SampleMixed(30000)}};
    for (const auto& [clearEvery, data] : cases) {
        SCOPED_TRACE(clearEvery);
        const std::string packed = Shrink(data, ShrinkOptions{clearEvery});
        EXPECT_TRUE(DecodeOne(Packed(1, 0, data, packed)).data == data);
    }
}

TEST(ZipDecoders, EndlessClearsCostLittle) {
    // A table built as one long chain, then clears that free one string each,
    // then clears that free nothing: each costs only what it frees, so a
    // hostile stream cannot make the decoder scan the table per code.
    BitWriter bits;
    bits.Put('a', 9);
    for (int code = 257; code < 511; ++code) bits.Put(static_cast<std::uint32_t>(code), 9);
    for (int i = 0; i < 400000; ++i) {
        bits.Put(256, 9);
        bits.Put(2, 9);
    }
    EXPECT_EQ(FaultOf(Packed(1, 0, std::string(40000, 'a'), bits.Finish())), ZipFault::Corrupt);
}

TEST(ZipDecoders, ReduceReadsFollowerSetsOfEverySize) {
    const std::string data = SampleMixed(20000);
    for (int factor = 1; factor <= 4; ++factor) {
        for (int most : {1, 2, 3, 4, 5, 8, 9, 16, 17, 32}) {
            SCOPED_TRACE("factor " + std::to_string(factor) + ", followers " +
                         std::to_string(most));
            const std::string packed =
                Reduce(data, factor, ReduceOptions{Followers::Frequent, most});
            EXPECT_TRUE(
                DecodeOne(Packed(static_cast<std::uint16_t>(factor + 1), 0, data, packed)).data ==
                data);
        }
        const std::string plain = Reduce(data, factor, ReduceOptions{Followers::None, 0});
        EXPECT_TRUE(
            DecodeOne(Packed(static_cast<std::uint16_t>(factor + 1), 0, data, plain)).data == data);
    }
}

TEST(ZipDecoders, HandWorkedStreams) {
    // Shrink, 9-bit codes A, B, 257 ("AB"), then 259: not yet in the table,
    // so the previous string plus its first byte, "ABA".
    const std::string shrunk("\x41\x84\x04\x1C\x08", 5);
    EXPECT_EQ(DecodeOne(Packed(1, 0, "ABABABA", shrunk)).data, "ABABABA");

    // Reduce, factor 1, all 256 follower sets empty (256 x 6 zero bits, 192 bytes), then
    // plain bytes: "abc", a back-reference (0x90, length 3 + 3, distance
    // 2 + 1), and 0x90 0x00 for the byte 0x90.
    const std::string reduced =
        std::string(192, '\0') + "abc\x90\x03\x02\x90" + std::string(1, '\0');
    EXPECT_EQ(DecodeOne(Packed(2, 0, "abcabcabc\x90", reduced)).data, "abcabcabc\x90");

    // Stored data longer than the declared size is cut at that size.
    FixtureEntry stored = Packed(0, 0, "abc", "abcdef");
    EXPECT_EQ(DecodeOne(stored).data, "abc");
}

TEST(ZipDecoders, ReferencesBeforeTheStartReadZeros) {
    // Reduce, factor 1: escape, 0x05 (length 5 + 3), distance 9 + 1 with
    // nothing written yet.
    const std::string reduced = std::string(192, '\0') + "\x90\x05\x09";
    EXPECT_EQ(DecodeOne(Packed(2, 0, std::string(8, '\0'), reduced)).data, std::string(8, '\0'));
}

TEST(ZipDecoders, DecodingStopsAtTheDeclaredSize) {
    const std::string data = SampleText(5000);
    for (const Method& method : kMethods) {
        SCOPED_TRACE(method.name);
        FixtureEntry entry =
            Packed(method.method, method.flags, data, PackWith(method.method, method.flags, data));
        entry.size = 1000;
        entry.crc = Crc32(data.substr(0, 1000));
        const Decoded decoded = DecodeOne(entry);
        EXPECT_TRUE(decoded.data == data.substr(0, 1000));
        EXPECT_TRUE(decoded.crcGood);
    }
}

TEST(ZipDecoders, DataThatEndsTooSoonIsCorrupt) {
    const std::string data = SampleMixed(20000);
    for (const Method& method : kMethods) {
        SCOPED_TRACE(method.name);
        const std::string packed = PackWith(method.method, method.flags, data);
        EXPECT_EQ(
            FaultOf(Packed(method.method, method.flags, data, packed.substr(0, packed.size() / 2))),
            ZipFault::Corrupt);
    }
}

TEST(ZipDecoders, InvalidCodesAreRefused) {
    auto shrunk = [](std::initializer_list<std::uint32_t> codes) {
        BitWriter bits;
        for (std::uint32_t code : codes) bits.Put(code, 9);
        return bits.Finish();
    };
    // A control code other than 1 and 2; a string code never added; the
    // code size grown past 13 bits.
    EXPECT_EQ(FaultOf(Packed(1, 0, "AAAA", shrunk({65, 256, 3, 65}))), ZipFault::Corrupt);
    EXPECT_EQ(FaultOf(Packed(1, 0, "AAAA", shrunk({65, 300}))), ZipFault::Corrupt);
    EXPECT_EQ(FaultOf(Packed(1, 0, "AAAA", shrunk({257}))), ZipFault::Corrupt);
    {
        BitWriter bits;
        bits.Put(65, 9);
        for (int size = 9; size <= 13; ++size) {
            bits.Put(256, size);
            bits.Put(1, size);
        }
        bits.Put(65, 13);
        EXPECT_EQ(FaultOf(Packed(1, 0, "AA", bits.Finish())), ZipFault::Corrupt);
    }

    // Reduce: a follower set of 33; an index past the end of a set.
    {
        BitWriter bits;
        bits.Put(33, 6);
        EXPECT_EQ(FaultOf(Packed(2, 0, "A", bits.Finish() + std::string(300, '\0'))),
                  ZipFault::Corrupt);
    }
    {
        BitWriter bits;
        for (int value = 255; value > 0; --value) bits.Put(0, 6);
        bits.Put(3, 6); // byte 0 has three followers, read with 2-bit indexes
        for (int i = 0; i < 3; ++i) bits.Put('a', 8);
        bits.Put(0, 1);
        bits.Put(3, 2); // index 3 of 3
        EXPECT_EQ(FaultOf(Packed(2, 0, "A", bits.Finish())), ZipFault::Corrupt);
    }

    // Implode: a tree whose runs do not cover its 64 values; a tree with
    // more codes than bits allow (64 codes of length 1).
    {
        const std::string trees =
            std::string("\x00\x3F", 2) + std::string("\x03\xF5\xF5\xF5\xF5", 5);
        EXPECT_EQ(FaultOf(Packed(6, 0, "A", trees + std::string(8, '\0'))), ZipFault::Corrupt);
        const std::string oversubscribed =
            std::string("\x03\xF0\xF0\xF0\xF0", 5) + std::string("\x03\xF5\xF5\xF5\xF5", 5);
        EXPECT_EQ(FaultOf(Packed(6, 0, "A", oversubscribed + std::string(8, '\0'))),
                  ZipFault::Corrupt);
    }

    // Deflate: a block of the reserved type 3.
    EXPECT_EQ(FaultOf(Packed(8, 0, "A", std::string("\x07\x00\x00", 3))), ZipFault::Corrupt);
}

// The test encoders follow the format as an independent decoder reads it:
// the system's unzip, where installed, expands their shrunk and imploded
// entries (it has no reduce) to the same bytes. Shrinking here clears only
// when the table is full, as archivers do; the random sample fills it
// several times.
class ZipEncodersAgainstUnzip : public TempFolderTest {};

TEST_F(ZipEncodersAgainstUnzip, SystemUnzipReadsTheTestArchives) {
    if (!std::filesystem::exists("/usr/bin/unzip")) GTEST_SKIP() << "no unzip installed";
    std::vector<FixtureEntry> entries;
    std::vector<std::string> contents = {SampleMixed(60000), SampleRandom(70000, 9),
                                         SampleRuns(20000), "ABABABA"};
    int n = 0;
    for (const std::string& data : contents) {
        for (const Method& method : kMethods) {
            if (method.method >= 2 && method.method <= 5) continue;
            FixtureEntry entry;
            entry.name = "e" + std::to_string(n++);
            entry.method = method.method;
            entry.flags = method.flags;
            entry.data = data;
            entries.push_back(entry);
        }
    }
    const std::string path = Write("fixtures.zip", BuildZip(entries));
    for (const FixtureEntry& entry : entries) {
        SCOPED_TRACE(entry.name + " method " + std::to_string(entry.method));
        const std::string command =
            "/usr/bin/unzip -p '" + path + "' " + entry.name + " 2>/dev/null";
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char buffer[65536];
        while (std::size_t count = std::fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, count);
        ::pclose(pipe);
        EXPECT_TRUE(output == entry.data);
    }
}

} // namespace
