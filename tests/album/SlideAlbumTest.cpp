#include "album/SlideAlbum.h"

#include "TempFolderTest.h"
#include "catalog/ThumbStates.h"
#include "platform/FileCrc.h"
#include "platform/FileDate.h"

#include <gtest/gtest.h>

#include <cstring>

namespace zv {
namespace {

// /pics/beach.jpg: 1,000 bytes written 2024-05-17 13:45:30.250 local time.
SlideFileFacts BeachFacts() {
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 4;
    local.tm_mday = 17;
    local.tm_hour = 13;
    local.tm_min = 45;
    local.tm_sec = 30;
    SlideFileFacts facts;
    facts.size = 1000;
    facts.dosDateTime = PackDosDateTime(local);
    facts.timeOfDayMs = (13 * 3600 + 45 * 60 + 30) * 1000 + 250;
    return facts;
}

SlideAlbum AlbumWithoutVolumes() {
    SlideAlbum album;
    album.SetVolumeOf([](const std::string&) { return std::string(); });
    return album;
}

// Slides "/p/A.jpg" ... one per letter, in order.
SlideAlbum Lettered(std::string_view letters) {
    SlideAlbum album = AlbumWithoutVolumes();
    for (char letter : letters)
        album.AddSlide({"/p/", std::string(1, letter), ".jpg"}, {}, album.Count(), 0);
    return album;
}

std::string Letters(const SlideAlbum& album) {
    std::string letters;
    for (int i = 0; i < album.Count(); ++i) letters += album.NameOf(i);
    return letters;
}

TEST(SlideRecord, APictureSlideHasTheHandWorkedBytes) {
    SlideAlbum album = AlbumWithoutVolumes();
    ASSERT_TRUE(album.AddSlide(SplitSlidePath("/pics/beach.jpg"), BeachFacts(), 0, 0));
    std::uint8_t bytes[kSlideRecordSize];
    std::memcpy(bytes, &album.Slide(0), kSlideRecordSize);
    std::uint8_t expected[kSlideRecordSize] = {};
    const auto put = [&](int at, std::initializer_list<int> values) {
        for (int value : values) expected[at++] = static_cast<std::uint8_t>(value);
    };
    put(25, {0x04, 0x2E, 0x6A, 0x70, 0x67}); // ".jpg" as on disk
    put(38, {0x01});
    put(40, {IconCache::kFolder + 1, 0}); // the first extension's icon
    put(56, {0xE8, 0x03, 0x00, 0x00, 0xAF, 0x6D, 0xB1, 0x58, 0x8A, 0xC5, 0xF3, 0x02});
    put(72, {0xFF, 0xFF, 0xFF, 0xFF});
    put(108, {0xFE, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x64, 0x00, 0x64, 0x00});
    put(120, {0xFE, 0xFF, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE, 0xFF});
    EXPECT_EQ(0, std::memcmp(bytes, expected, kSlideRecordSize));
    EXPECT_EQ(album.SlidePath(0), "/pics/beach.jpg");
    EXPECT_EQ(album.Folders(), std::vector<std::string>{"/pics/"});

    const zvtest::TempFolder temp;
    ASSERT_TRUE(album.AddFile(temp.Write("abc", "abc"), 1, 0));
    ASSERT_TRUE(album.ComputeCrc(1));
    std::memcpy(bytes, &album.Slide(1), kSlideRecordSize);
    EXPECT_EQ(std::vector<int>(bytes + 72, bytes + 76), (std::vector<int>{0x3D, 0xBE, 0xDB, 0xCA}));
    EXPECT_EQ(CrcText(static_cast<std::uint32_t>(album.Slide(1).crc)), "CADBBE3D");
}

TEST(SlideRecord, EachKindGetsItsDefaults) {
    struct Case {
        const char* ext;
        std::int32_t backColor;
        std::int16_t effect, gamma, zoom, pos, rotate;
    };
    const Case cases[] = {
        {".JPG", -2, 0, 100, 100, -2, 0}, {".jp", -2, 0, 100, 100, -2, 0},
        {".mp3", -1, -1, -1, -1, -1, -1}, {".AVL", -1, -1, -1, -1, -1, -1},
        {".avi", -2, -1, -1, 100, -2, 0}, {"", -2, -1, -1, 100, -2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ext);
        const SlideRecord r = NewSlideRecord(c.ext, {}, 7);
        EXPECT_EQ(r.backColor, c.backColor);
        EXPECT_EQ(std::vector<int>({r.effect, r.gamma, r.zoom, r.posX, r.panelH, r.rotate}),
                  std::vector<int>({c.effect, c.gamma, c.zoom, c.pos, c.pos, c.rotate}));
        EXPECT_EQ(r.wait, 1);
        EXPECT_EQ(r.sequence, 7);
    }
    const SlideRecord track = NewCdTrackRecord(5, 0x12345678, 3);
    EXPECT_EQ(track.ext.View(), ".CDA");
    EXPECT_EQ(track.effect, 5);
    EXPECT_EQ(track.gamma, -1);
    EXPECT_EQ(track.backColor, -1);
    EXPECT_EQ(KindOf(track), SlideKind::CdTrack);
}

TEST(SlideOrder, RelocateMovesTheSelectionAsOneBlock) {
    const struct {
        int target;
        const char* result;
        std::vector<int> selected;
    } cases[] = {
        {4, "ACBDE", {2, 3}}, {1, "ABDCE", {1, 2}}, {0, "BDACE", {0, 1}}, {9, "ACEBD", {3, 4}}};
    for (const auto& c : cases) {
        SlideAlbum album = Lettered("ABCDE");
        EXPECT_EQ(album.Relocate({1, 3}, c.target), c.selected) << c.target;
        EXPECT_EQ(Letters(album), c.result) << c.target;
    }
}

TEST(SlideOrder, CuttingKeepsRecordNumbers) {
    SlideAlbum album = Lettered("ABC");
    album.Cut({0});
    EXPECT_EQ(Letters(album), "BC");
    EXPECT_EQ(album.Order(), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(album.RecordCount(), 3);
    album.AddSlide({"/q/", "D", ".png"}, {}, 0, 0);
    EXPECT_EQ(album.Order(), (std::vector<std::int32_t>{3, 1, 2}));
    EXPECT_EQ(album.Folders(), (std::vector<std::string>{"/p/", "/q/"}));
}

TEST(SlideAlbum, CommentsAreOneLineAndNeverShared) {
    SlideAlbum album = Lettered("AB");
    album.SetComment(0, "same");
    album.SetComment(1, "same");
    EXPECT_EQ(album.Comments(), (std::vector<std::string>{" ", "same", "same"}));
    album.SetComment(0, "two\r\nlines");
    EXPECT_EQ(album.CommentOf(0), "two  lines");
    EXPECT_EQ(album.CommentOf(1), "same");

    ASSERT_TRUE(album.InsertCdTrack(4, 1, 0));
    EXPECT_EQ(album.NameOf(1), "CD Track 4");
    EXPECT_EQ(album.CommentOf(1), "same");
    album.SetComment(1, "track");
    EXPECT_EQ(album.CommentOf(2), "same");

    // A name with a line break would shift the name file's lines: refused.
    EXPECT_FALSE(album.AddSlide({"/p/", "x\ny", ".jpg"}, {}, 0, 0));
    EXPECT_EQ(album.Count(), 3);
}

TEST(SlideAlbum, ThumbNamesAreTheExplorersCacheNames) {
    SlideAlbum album = AlbumWithoutVolumes();
    album.AddSlide(SplitSlidePath("/pics/beach.jpg"), BeachFacts(), 0, 0);
    album.AddSlide(SplitSlidePath("/pics/song.mp3"), BeachFacts(), 1, 0);
    album.InsertCdTrack(2, 2, 0);
    for (int i = 0; i < 3; ++i) album.ComputeThumbNames(i, "DATA.1A2B3C4D");
    EXPECT_EQ(album.Slide(0).thumbFolder.View(), "056CFEF9");
    EXPECT_EQ(album.Slide(0).thumbName.View(), "84A48767.01S");
    EXPECT_EQ(album.Slide(1).thumbName.View(), "MP3");
    EXPECT_EQ(album.Slide(1).thumbFolder.View(), "");
    EXPECT_EQ(album.Slide(2).thumbName.View(), "CDA");

    for (const char* good : {"84A48767.01S", "MP3", "00000003", "0000800012345678"})
        EXPECT_TRUE(IsThumbNameShape(good)) << good;
    for (const char* bad : {"..", "../x", "a/b", ".MP3", "84a48767.01s", ""})
        EXPECT_FALSE(IsThumbNameShape(bad)) << bad;
    EXPECT_TRUE(IsThumbFolderShape("056CFEF9"));
    EXPECT_FALSE(IsThumbFolderShape("../../xx"));
}

} // namespace
} // namespace zv
