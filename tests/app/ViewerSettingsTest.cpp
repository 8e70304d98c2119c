#include "viewer/ViewerSettings.h"
#include "app/SettingsSession.h"

#include "app/MemorySettingsStore.h"

#include <gtest/gtest.h>

namespace {

using namespace zv;

std::uint32_t Int32At(const Bytes& record, std::size_t offset) {
    return record[offset] | record[offset + 1] << 8 | record[offset + 2] << 16 |
           std::uint32_t{record[offset + 3]} << 24;
}

Bytes RecordOf(const ViewerSettings& settings) {
    const auto record = SerializeViewerSettings(settings);
    return Bytes(record.begin(), record.end());
}

TEST(ViewerSettingsRecord, DefaultsSitAtTheirOffsets) {
    const Bytes record = RecordOf(DefaultViewerSettings(24));
    ASSERT_EQ(record.size(), 148u);
    for (std::size_t offset = 0; offset < 0x30; ++offset) EXPECT_EQ(record[offset], 0) << offset;
    const std::pair<std::size_t, int> bytes[] = {
        {0x30, 1}, {0x31, 1}, {0x32, 1}, {0x33, 1}, {0x34, 1}, {0x35, 0}, {0x36, 1}, {0x37, 0},
        {0x48, 1}, {0x49, 1}, {0x58, 1}, {0x59, 1}, {0x5A, 1}, {0x5B, 1}, {0x5C, 1}, {0x70, 1},
        {0x71, 1}, {0x7C, 0}, {0x7D, 0}, {0x7E, 1}, {0x7F, 0}, {0x90, 1}, {0x91, 0}, {0x92, 0}};
    for (auto [offset, value] : bytes) EXPECT_EQ(record[offset], value) << std::hex << offset;
    const std::pair<std::size_t, std::uint32_t> words[] = {
        {0x38, 2},   {0x3C, 3}, {0x40, 0}, {0x4C, 1}, {0x50, 0}, {0x54, 500},
        {0x6C, 500}, {0x78, 0}, {0x80, 3}, {0x84, 0}, {0x88, 0}, {0x8C, 0}};
    for (auto [offset, value] : words)
        EXPECT_EQ(Int32At(record, offset), value) << std::hex << offset;
}

TEST(ViewerSettingsRecord, FastRefreshDefaultsOffOnPaletteDisplays) {
    EXPECT_EQ(RecordOf(DefaultViewerSettings(8))[0x90], 0);
    EXPECT_EQ(RecordOf(DefaultViewerSettings(16))[0x90], 1);
}

TEST(ViewerSettingsRecord, EveryFieldSurvivesARoundTrip) {
    ViewerSettings settings;
    settings.viewerBounds = {-1280, -20, -300, 700};
    settings.commentBounds = {1, 2, 3, 4};
    settings.menuBar = false;
    settings.autoReduce = true;
    settings.backColour = 0x00FF8040;
    settings.delayMs = 3000;
    settings.volume = 999;
    settings.photoCdStep = 5;
    settings.mergeToolBar = true;
    settings.fullScreenMenus = true;
    const auto parsed = ParseViewerSettings(RecordOf(settings));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, settings);
    EXPECT_EQ(Int32At(RecordOf(settings), 0x20), static_cast<std::uint32_t>(-1280));
}

TEST(ViewerSettingsRecord, ARecordOfAnotherSizeIsNotRead) {
    EXPECT_FALSE(ParseViewerSettings(Bytes(147, 0)));
    EXPECT_FALSE(ParseViewerSettings(Bytes(149, 0)));
}

TEST(ViewerSettingsRecord, ReadCorrectionsBringFieldsIntoRange) {
    ViewerSettings settings;
    settings.delayMs = 90000;
    settings.jpegPalette = 7;
    settings.faxQuality = -2;
    settings.effectSpeed = 9;
    settings.showPalette = 3;
    settings.textPosition = -1;
    settings.photoCdStep = 12;
    settings.volume = 0;
    settings.useScreen = true;
    CorrectReadSettings(settings, 8);
    EXPECT_EQ(settings.delayMs, 1000);
    EXPECT_EQ(settings.jpegPalette, 3);
    EXPECT_EQ(settings.faxQuality, 0);
    EXPECT_EQ(settings.effectSpeed, 3);
    EXPECT_EQ(settings.showPalette, 2);
    EXPECT_EQ(settings.textPosition, 0);
    EXPECT_EQ(settings.photoCdStep, 6);
    EXPECT_EQ(settings.volume, 1);
    EXPECT_FALSE(settings.useScreen);
    EXPECT_FALSE(settings.fastRefresh);

    settings.delayMs = 60000;
    settings.jpegPalette = -1;
    settings.volume = 5000;
    CorrectReadSettings(settings, 24);
    EXPECT_EQ(settings.delayMs, 60000);
    EXPECT_EQ(settings.jpegPalette, 3);
    EXPECT_EQ(settings.volume, 1000);
}

TEST(ViewerSettingsRecord, LongDelaysAreStoredAsHalfASecond) {
    ViewerSettings settings;
    settings.delayMs = 4000;
    CorrectWrittenSettings(settings);
    EXPECT_EQ(settings.delayMs, 4000);
    settings.delayMs = 4001;
    CorrectWrittenSettings(settings);
    EXPECT_EQ(settings.delayMs, 500);
}

class SettingsSessionTest : public ::testing::Test {
protected:
    void StoreRecord(const ViewerSettings& settings) {
        store.binaries[kViewerSettingsName] = RecordOf(settings);
        store.binaries[kExplorerSettingsName] = Bytes(84, 0);
    }
    zvtest::MemorySettingsStore store;
};

TEST_F(SettingsSessionTest, AFirstRunStartsFromDefaultsAndStoresThem) {
    SettingsSession session(store, 24);
    EXPECT_FALSE(session.ViewerSettingsExisted());
    EXPECT_TRUE(session.FirstRun());
    EXPECT_EQ(session.settings, DefaultViewerSettings(24));
    EXPECT_TRUE(session.SaveAtClose("*"));
    EXPECT_EQ(store.binaries[kViewerSettingsName], RecordOf(DefaultViewerSettings(24)));
}

TEST_F(SettingsSessionTest, ARunGivenAPictureStoresTheRecord) {
    StoreRecord(DefaultViewerSettings(24));
    store.writes = 0;
    SettingsSession session(store, 24);
    session.openDir = "/home/me/Pictures";
    EXPECT_TRUE(session.SaveAtClose("/home/me/Pictures/cat.bmp"));
    EXPECT_EQ(store.binaries[kViewerSettingsName].size(), 148u);
    EXPECT_EQ(store.strings[kOpenDirName], "/home/me/Pictures");
}

TEST_F(SettingsSessionTest, ARunThatChangedNothingRewritesNothing) {
    StoreRecord(DefaultViewerSettings(24));
    store.writes = 0;
    SettingsSession session(store, 24);
    EXPECT_FALSE(session.FirstRun());
    EXPECT_FALSE(session.SaveAtClose("*"));
    EXPECT_EQ(store.writes, 0);
}

TEST_F(SettingsSessionTest, AnOptionChangedWithoutAPictureIsKept) {
    StoreRecord(DefaultViewerSettings(24));
    SettingsSession session(store, 24);
    session.settings.statusBar = false;
    EXPECT_TRUE(session.SaveAtClose("*"));
    EXPECT_EQ(store.binaries[kViewerSettingsName][0x32], 0);
}

// Its own value, on until a run turns it off; the record's bytes never hold it.
TEST_F(SettingsSessionTest, ExifOrientationIsItsOwnValue) {
    StoreRecord(DefaultViewerSettings(24));
    const Bytes record = store.binaries[kViewerSettingsName];
    SettingsSession first(store, 24);
    EXPECT_TRUE(first.exifOrientation);
    first.exifOrientation = false;
    EXPECT_TRUE(first.SaveAtClose("*"));
    EXPECT_EQ(store.strings[kExifOrientationName], "0");
    EXPECT_EQ(store.binaries[kViewerSettingsName], record);
    EXPECT_FALSE(SettingsSession(store, 24).exifOrientation);
}

TEST_F(SettingsSessionTest, DelaysAreCorrectedBothWays) {
    ViewerSettings stored = DefaultViewerSettings(24);
    stored.delayMs = 90000;
    StoreRecord(stored);
    SettingsSession session(store, 24);
    EXPECT_EQ(session.settings.delayMs, 1000);

    session.settings.delayMs = 5000;
    session.SaveAtClose("/tmp/x.bmp");
    EXPECT_EQ(Int32At(store.binaries[kViewerSettingsName], 0x54), 500u);
}

TEST_F(SettingsSessionTest, AShortRecordMeansDefaults) {
    store.binaries[kViewerSettingsName] = Bytes(100, 0xFF);
    SettingsSession session(store, 24);
    EXPECT_FALSE(session.ViewerSettingsExisted());
    EXPECT_EQ(session.settings, DefaultViewerSettings(24));
}

TEST_F(SettingsSessionTest, ACorrectedRecordIsNotRewrittenForTheCorrectionAlone) {
    ViewerSettings stored = DefaultViewerSettings(24);
    stored.volume = 0;
    StoreRecord(stored);
    store.writes = 0;
    SettingsSession session(store, 24);
    EXPECT_EQ(session.settings.volume, 1);
    EXPECT_FALSE(session.SaveAtClose("*"));
}

} // namespace

namespace {

class UnreadableStore : public zvtest::MemorySettingsStore {
public:
    std::optional<zv::Bytes> ReadBinary(const std::string& name) const override {
        throw zv::ESettingsError("Cannot read the settings file " + name);
    }
};

TEST(SettingsSessionUnreadable, AStoreThatCannotBeReadIsNeitherUsedNorOverwritten) {
    UnreadableStore store;
    zv::SettingsSession session(store, 24);
    EXPECT_EQ(session.settings, zv::DefaultViewerSettings(24));
    EXPECT_FALSE(session.SaveAtClose("/p/a.bmp"));
    EXPECT_EQ(store.writes, 0);
}

} // namespace
