#include "viewer/ExifFacts.h"

#include "ExifBlocks.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

using zvtest::ExifBlock;

struct Case {
    std::uint16_t tag;
    ExifValue value;
    ExifFact expected;
};

ExifValue Whole(std::int64_t n) {
    return {{}, {{n, 1}}};
}
ExifValue Ratio(std::int64_t n, std::int64_t d) {
    return {{}, {{n, d}}};
}
ExifValue Text(const char* text) {
    return {text, {}};
}

TEST(ExifFacts, ValuesInWordsAndUnits) {
    const Case cases[] = {
        {0x829D, Ratio(8, 1), {"Aperture", "f/8"}},
        {0x829D, Ratio(28, 10), {"Aperture", "f/2.8"}},
        {0x829A, Ratio(1, 250), {"Exposure time", "1/250 s"}},
        {0x829A, Ratio(10, 2500), {"Exposure time", "1/250 s"}},
        {0x829A, Ratio(5, 2), {"Exposure time", "2.5 s"}},
        {0xA001, Whole(1), {"Colour space", "sRGB"}},
        {0xA001, Whole(0xFFFF), {"Colour space", "Uncalibrated"}},
        {0x0128, Whole(2), {"Resolution unit", "Inch"}},
        {0x0128, Whole(3), {"Resolution unit", "Centimetre"}},
        {0x011A, Ratio(300, 1), {"Horizontal resolution", "300"}},
        {0x8822, Whole(3), {"Exposure program", "Aperture priority"}},
        {0x9209, Whole(0x19), {"Flash", "Fired, auto"}},
        {0x9209, Whole(0x10), {"Flash", "Did not fire, suppressed"}},
        {0x9209, Whole(0x41), {"Flash", "Fired, red-eye reduction"}},
        {0x9209, Whole(0x20), {"Flash", "No flash function"}},
        {0x9204, Ratio(2, 3), {"Exposure bias", "+0.7 EV"}},
        {0x9204, Ratio(-1, 3), {"Exposure bias", "-0.3 EV"}},
        {0x9204, Ratio(0, 1), {"Exposure bias", "0 EV"}},
        {0x920A, Ratio(50, 1), {"Focal length", "50 mm"}},
        {0x8827, Whole(100), {"ISO speed", "ISO 100"}},
        {0x9207, Whole(5), {"Metering mode", "Pattern"}},
        {0x0112, Whole(6), {"Orientation", "Turned 90° clockwise"}},
        {0x9003, Text("2024:05:01 12:00:00"), {"Date taken", "2024-05-01 12:00:00"}},
        {0x010F, Text("Maker"), {"Camera maker", "Maker"}},
        // Not shown: unknown tags, values outside their lists, zero divisors.
        {0x1234, Whole(1), {}},
        {0x8822, Whole(99), {}},
        {0x0112, Whole(0), {}},
        {0x829D, Ratio(8, 0), {}},
        {0x829D, ExifValue{}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DescribeExif(c.tag, c.value), c.expected) << std::hex << c.tag;
}

TEST(ExifFacts, ReadsBothDirectoriesInEitherByteOrder) {
    for (const bool little : {true, false}) {
        const auto block = ExifBlock(little).Build(
            {{0x010F, 2, {}, "Maker"}, {0x0128, 3, {2}, {}}},
            {{0x829A, 5, {1, 250}, {}}, {0x829D, 5, {8, 1}, {}}, {0x9204, 10, {-1, 3}, {}}});
        const std::vector<ExifFact> expected = {{"Camera maker", "Maker"},
                                                {"Resolution unit", "Inch"},
                                                {"Exposure time", "1/250 s"},
                                                {"Aperture", "f/8"},
                                                {"Exposure bias", "-0.3 EV"}};
        EXPECT_EQ(ReadExifFacts(block), expected) << little;
    }
}

TEST(ExifFacts, DamagedBlocksGiveWhatLiesInside) {
    auto block = ExifBlock().Build({{0x0128, 3, {2}, {}}, {0x829D, 5, {8, 1}, {}}});
    // The fraction's offset points past the end: that entry is skipped.
    const std::size_t fractionOffset = 6 + 8 + 2 + 12 + 8;
    block[fractionOffset] = 0xF0;
    block[fractionOffset + 1] = 0xFF;
    EXPECT_EQ(ReadExifFacts(block), (std::vector<ExifFact>{{"Resolution unit", "Inch"}}));
    // Cut short, a bad first offset, no TIFF header, not EXIF at all.
    for (std::size_t size : {4u, 10u, 16u, 30u}) {
        const std::vector<std::uint8_t> cut(block.begin(), block.begin() + size);
        EXPECT_NO_THROW(ReadExifFacts(cut));
    }
    block[13] = 0xFF; // the first directory far beyond the end
    EXPECT_TRUE(ReadExifFacts(block).empty());
    EXPECT_TRUE(ReadExifFacts(std::vector<std::uint8_t>{'J', 'F', 'I', 'F', 0, 0}).empty());
}

} // namespace
} // namespace zv
