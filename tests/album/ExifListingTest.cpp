#include "album/ExifListing.h"

#include "JpegFixtures.h"

#include <gtest/gtest.h>

#include <random>

namespace zv {
namespace {

using zvtest::ExifBuilder;
using zvtest::JpegBytes;

constexpr bool kFirst = false;
constexpr bool kSub = true;

// A camera-like block: the first directory with strings in and out of their
// entries, a SHORT, a RATIONAL, a value too large for its entry, the Exif
// sub-directory in the middle and entries after it; the sub-directory with
// rationals, signed values, hidden binary entries, a LONG above 65535, a
// FLOAT and several small values in one entry.
JpegBytes CameraExif(bool bigEndian, std::uint32_t firstOffset = 8) {
    ExifBuilder exif(bigEndian);
    exif.Ascii(kFirst, 271, "Corvane Camera");
    exif.Ascii(kFirst, 272, "Z1");
    exif.Short(kFirst, 274, 1);
    exif.Add(kFirst, 282, 5, 1, exif.Rational(72, 1));
    exif.Add(kFirst, 258, 3, 3, zvtest::Join({exif.U16(8), exif.U16(8), exif.U16(8)}));
    exif.SubDirectoryHere();
    exif.Short(kFirst, 296, 2);
    exif.Short(kFirst, 531, 1);
    exif.Long(kFirst, 0x8825, 1234);

    exif.Add(kSub, 33434, 5, 1, exif.Rational(1, 125));
    exif.Add(kSub, 33437, 5, 1, exif.Rational(28, 10));
    exif.Short(kSub, 34855, 100);
    exif.Add(kSub, 36864, 7, 4, {'0', '2', '2', '0'});
    exif.Ascii(kSub, 36867, "2001:02:03 04:05:06");
    exif.Add(kSub, 37121, 7, 4, {1, 2, 3, 0});
    exif.Add(kSub, 37380, 10, 1, exif.Rational(static_cast<std::uint32_t>(-1), 3));
    exif.Add(kSub, 37500, 7, 10, JpegBytes(10, 0xAB));
    exif.Long(kSub, 40962, 100000);
    exif.Short(kSub, 40963, 480);
    exif.Add(kSub, 0xA4FF, 1, 3, {2, 2, 0});
    exif.Add(kSub, 0xA4FE, 9, 1, exif.U32(static_cast<std::uint32_t>(-5)));
    exif.Add(kSub, 0xA500, 11, 1, exif.U32(0x3F800000));
    return exif.Build(firstOffset);
}

// Worked out from the layout: the first directory (9 entries) at 8 takes
// 114 bytes, the sub-directory (13 entries) at 122 takes 162, so values
// start at 284: the make (15 bytes), the resolution (8), then the three
// bits-per-sample SHORTs at 307 = 0x133.
const std::vector<std::string> kCameraLines = {
    "Make = Corvane Camera",
    "Model = Z1",
    "Orientation = 1",
    "XResolution = 72/1",
    "0102 = 00000133 [Offset data]",
    "ExposureTime = 1/125",
    "FNumber = 28/10",
    "ISOSpeedRatings = 100",
    "DateTimeOriginal = 2001:02:03 04:05:06",
    "ExposureBiasValue = -1/3",
    "ExifImageWidth = 100000",
    "ExifImageHeight = 480",
    "A4FF = 2, 2, 0",
    "A4FE = -5",
    "A500 = 3F800000(Hex)",
    "ResolutionUnit = 2",
    "YCbCrPositioning = 1",
    "8825 = 1234",
};

TEST(ExifListing, ListsBothDirectoriesInEitherByteOrder) {
    EXPECT_EQ(ListExif(CameraExif(true)), kCameraLines);
    EXPECT_EQ(ListExif(CameraExif(false)), kCameraLines);
}

TEST(ExifListing, FirstDirectoryIsWhereTheHeaderSaysNotAlwaysAtEight) {
    // 0x133 moves by the 8 extra bytes to 0x13B.
    std::vector<std::string> lines = kCameraLines;
    lines[4] = "0102 = 0000013B [Offset data]";
    EXPECT_EQ(ListExif(CameraExif(true, 16)), lines);
}

TEST(ExifListing, BigEndianShortInItsEntryIsItsFirstTwoBytes) {
    // Orientation 1 alone, big-endian: the entry's value field is 00 01 00 00.
    ExifBuilder exif(true);
    exif.Short(kFirst, 274, 1);
    const JpegBytes block = exif.Build();
    const JpegBytes field(block.begin() + 6 + 10 + 8, block.begin() + 6 + 10 + 12);
    EXPECT_EQ(field, (JpegBytes{0, 1, 0, 0}));
    EXPECT_EQ(ListExif(block), std::vector<std::string>{"Orientation = 1"});
}

TEST(ExifListing, TagNamesDependOnTheDirectory) {
    EXPECT_EQ(ExifTagName(274, false), "Orientation");
    EXPECT_EQ(ExifTagName(274, true), "0112");
    EXPECT_EQ(ExifTagName(41729, true), "ScenicType");
    EXPECT_EQ(ExifTagName(41729, false), "A301");
    EXPECT_EQ(ExifTagName(0xabcd, false), "ABCD");
}

TEST(ExifListing, ValuesOfOtherSizes) {
    ExifBuilder exif(false);
    exif.Add(kFirst, 0x1001, 11, 0, {});                  // FLOAT, count 0: hex, no digits asked
    exif.Add(kFirst, 0x1002, 12, 1, JpegBytes(8, 0));     // DOUBLE: offset data
    exif.Add(kFirst, 0x1003, 2, 4, {'a', 'b', 'c', 'd'}); // ASCII filling its entry, no zero
    exif.Add(kFirst, 0x1004, 2, 6, {'x', 0, 'y', 'z', 'w', 0}); // stops at the first zero
    exif.Add(kFirst, 0x1005, 5, 2, exif.Rational(3, 4));        // second rational missing below
    const JpegBytes block = exif.Build();
    EXPECT_THROW(ListExif(block), EJpegMarkers) << "2 rationals claimed, 1 present at the end";
    ExifBuilder fixed(false);
    fixed.Add(kFirst, 0x1001, 11, 0, {});
    fixed.Add(kFirst, 0x1002, 12, 1, JpegBytes(8, 0));
    fixed.Add(kFirst, 0x1003, 2, 4, {'a', 'b', 'c', 'd'});
    fixed.Add(kFirst, 0x1004, 2, 6, {'x', 0, 'y', 'z', 'w', 0});
    fixed.Add(kFirst, 0x1005, 5, 2, zvtest::Join({fixed.Rational(3, 4), fixed.Rational(5, 6)}));
    // Five entries at 8 take 2 + 60 + 4 bytes, so the DOUBLE's 8 bytes are at 74 = 0x4A.
    EXPECT_EQ(ListExif(fixed.Build()),
              (std::vector<std::string>{"1001 = 0(Hex)", "1002 = 0000004A [Offset data]",
                                        "1003 = abcd", "1004 = x", "1005 = 3/4, 5/6"}));
}

TEST(ExifListing, StringsInWindows1252BecomeUtf8) {
    ExifBuilder exif(false);
    exif.Ascii(kFirst, 33432, "\xA9 Zelvan \x80");
    EXPECT_EQ(ListExif(exif.Build()),
              std::vector<std::string>{"Copyright = \xC2\xA9 Zelvan \xE2\x82\xAC"});
}

// Puts a 32-bit value into the block's TIFF data (little-endian block).
void Poke32(JpegBytes& block, std::size_t tiffOffset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        block[6 + tiffOffset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(ExifListing, OffsetsAndCountsOutsideTheSegmentAreBadMarkers) {
    ExifBuilder exif(false);
    exif.Ascii(kFirst, 271, "A long make name");
    exif.SubDirectoryHere();
    exif.Add(kSub, 33434, 5, 1, exif.Rational(1, 60));
    const JpegBytes good = exif.Build();
    ASSERT_EQ(ListExif(good).size(), 2u);
    // Entries of the first directory start at 10; fields at entry + 8.
    const std::size_t makeCount = 10 + 4, makeOffset = 10 + 8, subOffset = 22 + 8;
    struct Case {
        const char* what;
        std::size_t at;
        std::uint32_t value;
    } cases[] = {
        {"first directory past the end", 4, 0xFFFFFFF0},
        {"string past the end", makeOffset, static_cast<std::uint32_t>(good.size())},
        {"string count wraps", makeCount, 0xFFFFFFFF},
        {"sub-directory past the end", subOffset, 0x7FFFFFFF},
    };
    for (const Case& c : cases) {
        JpegBytes bad = good;
        Poke32(bad, c.at, c.value);
        EXPECT_THROW(ListExif(bad), EJpegMarkers) << c.what;
    }
    JpegBytes manyEntries = good;
    manyEntries[6 + 8] = 0xFF; // 0x..FF entries
    EXPECT_THROW(ListExif(manyEntries), EJpegMarkers);
    EXPECT_THROW(ListExif(JpegBytes{'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42}), EJpegMarkers);
}

TEST(ExifListing, DamagedBlocksNeverReadOutsideThem) {
    // Every cut of the camera block and random damage to it either lists or
    // raises EJpegMarkers; the sanitizer build checks no byte outside is read.
    for (bool big : {false, true}) {
        const JpegBytes block = CameraExif(big);
        for (std::size_t size = 0; size < block.size(); ++size) {
            const JpegBytes cut(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size));
            try {
                ListExif(cut);
            } catch (const EJpegMarkers&) {
            }
        }
        std::mt19937 random(big ? 7 : 11);
        for (int round = 0; round < 2000; ++round) {
            JpegBytes damaged = block;
            for (int k = 0; k < 4; ++k)
                damaged[6 + random() % (damaged.size() - 6)] = static_cast<std::uint8_t>(random());
            try {
                ListExif(damaged);
            } catch (const EJpegMarkers&) {
            }
        }
    }
}

} // namespace
} // namespace zv
