#include "explorer/ExplorerSettings.h"
#include "platform/FileDate.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace zv;

std::uint32_t Int32At(const ExplorerSettingsRecord& record, std::size_t offset) {
    return record[offset] | record[offset + 1] << 8 | record[offset + 2] << 16 |
           std::uint32_t{record[offset + 3]} << 24;
}

TEST(ExplorerSettingsRecord, DefaultsAndLayout) {
    const ExplorerSettings settings = DefaultExplorerSettings(1024, 768);
    EXPECT_EQ(settings.bounds, (WindowBounds{128, 96, 896, 672}));
    EXPECT_EQ(settings.thumbSizeIndex, 3);
    EXPECT_EQ(DefaultExplorerSettings(1152, 864).thumbSizeIndex, 4);
    EXPECT_EQ(DefaultExplorerSettings(1280, 1024).thumbSizeIndex, 5);

    const ExplorerSettingsRecord record = SerializeExplorerSettings(settings);
    const std::pair<std::size_t, int> bytes[] = {{16, 1}, {17, 1}, {18, 1}, {19, 1},
                                                 {20, 1}, {21, 0}, {22, 0}, {23, 0},
                                                 {52, 0}, {53, 1}, {54, 0}};
    for (auto [offset, value] : bytes) EXPECT_EQ(record[offset], value) << offset;
    const std::pair<std::size_t, std::uint32_t> words[] = {
        {0, 128}, {4, 96}, {8, 896}, {12, 672},        {28, 4}, // first start: thumbnails
        {32, 3},  {36, 1}, {40, 1},  {44, 0x80000005}, {48, 1}};
    for (auto [offset, value] : words) EXPECT_EQ(Int32At(record, offset), value) << offset;
    for (std::size_t offset = 55; offset < kExplorerSettingsSize; ++offset)
        EXPECT_EQ(record[offset], 0) << offset;
}

TEST(ExplorerSettingsRecord, RoundTripsAndStoresLeftTopAbsolute) {
    ExplorerSettings settings = DefaultExplorerSettings(1920, 1080);
    settings.folderTree = true;
    settings.toolBar = false;
    settings.treeWidth = 240;
    settings.viewStyle = ExplorerViewStyle::Thumbnails;
    settings.thumbColour = 0x00123456;
    settings.clickStyle = 0;
    settings.networkSupport = true;
    settings.useViewer = false;
    const ExplorerSettingsRecord record = SerializeExplorerSettings(settings);
    EXPECT_EQ(ParseExplorerSettings(Bytes(record.begin(), record.end())), settings);

    settings.bounds = {-20, std::numeric_limits<std::int32_t>::min(), 500, 400};
    const auto moved = SerializeExplorerSettings(settings);
    const auto parsed = ParseExplorerSettings(Bytes(moved.begin(), moved.end()));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->bounds,
              (WindowBounds{20, std::numeric_limits<std::int32_t>::max(), 500, 400}));

    Bytes flags(kExplorerSettingsSize, 0);
    flags[36] = 0x01;
    flags[37] = 0xFF;
    flags[41] = 0xFF; // only the low byte of the two flags counts
    EXPECT_TRUE(ParseExplorerSettings(flags)->useViewer);
    EXPECT_FALSE(ParseExplorerSettings(flags)->ditherThumbs);
    EXPECT_FALSE(ParseExplorerSettings(Bytes(83, 0)));
    EXPECT_FALSE(ParseExplorerSettings(Bytes(85, 0)));
}

TEST(ExplorerSettingsRecord, SavedBoundsNeedSizeAndScreen) {
    EXPECT_TRUE(ExplorerBoundsUsable({0, 0, 64, 64}, 800, 600));
    EXPECT_FALSE(ExplorerBoundsUsable({0, 0, 63, 64}, 800, 600));
    EXPECT_FALSE(ExplorerBoundsUsable({100, 100, 900, 500}, 800, 600));
    EXPECT_FALSE(
        ExplorerBoundsUsable({0, 0, std::numeric_limits<std::int32_t>::min(), 100}, 800, 600));
}

TEST(DosDateTime, PacksFieldsAndClampsTheRange) {
    std::tm local{};
    local.tm_year = 2004 - 1900;
    local.tm_mon = 6; // July
    local.tm_mday = 15;
    local.tm_hour = 13;
    local.tm_min = 45;
    local.tm_sec = 31;
    const std::uint32_t packed = PackDosDateTime(local);
    EXPECT_EQ(packed, (24u << 9 | 7u << 5 | 15u) << 16 | (13u << 11 | 45u << 5 | 15u));
    const std::tm back = UnpackDosDateTime(packed);
    EXPECT_EQ(back.tm_year, local.tm_year);
    EXPECT_EQ(back.tm_mon, 6);
    EXPECT_EQ(back.tm_mday, 15);
    EXPECT_EQ(back.tm_hour, 13);
    EXPECT_EQ(back.tm_min, 45);
    EXPECT_EQ(back.tm_sec, 30);

    local.tm_year = 1970 - 1900;
    EXPECT_EQ(PackDosDateTime(local), (0u << 9 | 1u << 5 | 1u) << 16);
    local.tm_year = 2200 - 1900;
    EXPECT_EQ(PackDosDateTime(local),
              (127u << 9 | 12u << 5 | 31u) << 16 | (23u << 11 | 59u << 5 | 29u));
    local.tm_year = 2000 - 1900;
    local.tm_sec = 60; // a leap second stays within its bits
    EXPECT_EQ(PackDosDateTime(local) & 0x1F, 29u);
}

} // namespace
