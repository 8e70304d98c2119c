#include "explorer/ThumbPass.h"

#include "TempFolderTest.h"
#include "catalog/ThumbPicture.h"
#include "explorer/Listing.h"
#include "explorer/RowThumbs.h"
#include "formats/BmpGraphic.h"
#include "formats/JpegWriter.h"
#include "imaging/Palettes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>

namespace zv {
namespace {

Bitmap Picture(int width, int height, int seed = 0) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y)
        std::memset(picture.ScanLine(y), (y * 7 + seed) & 0xFF,
                    static_cast<std::size_t>(width) * 3);
    return picture;
}

// The icon thumbnail stand-in: a box-sized picture of one grey per extension.
Bitmap IconFor(const FileRecord& record, ThumbBox box) {
    Bitmap icon;
    icon.Create(box.ThumbWidth, box.ThumbHeight, PixelFormat::Bits24);
    const int grey = record.FileName.ends_with(".mp3") ? 90 : 180;
    for (int y = 0; y < icon.Height(); ++y)
        std::memset(icon.ScanLine(y), grey, static_cast<std::size_t>(icon.Width()) * 3);
    return icon;
}

class ThumbPassTest : public zvtest::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        pictures = folder / "pictures";
        std::filesystem::create_directories(pictures);
    }
    void Age(const std::filesystem::path& path) {
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() -
                                                   std::chrono::minutes(5));
    }
    void WriteSampleFolder() {
        for (int i = 0; i < 6; ++i)
            TJpegWriter().SaveToFile(pictures / ("photo" + std::to_string(i) + ".jpg"),
                                     Picture(320 + 40 * i, 200, i * 30));
        SaveThumbnail(pictures / "scan.bmp", Picture(50, 80));
        Write("pictures/broken.jpg", std::string("\xFF\xD8\xFF\xE0 not really a JPEG", 22));
        Write("pictures/fake.png", "not a PNG at all");
        Write("pictures/song.mp3", "ID3");
        Write("pictures/other.mp3", "ID3 again");
        std::filesystem::create_directories(pictures / "sub");
        for (const auto& entry : std::filesystem::directory_iterator(pictures)) Age(entry.path());
    }
    ThumbPassFolder List() {
        store = RecordStore();
        order.clear();
        IconCache icons;
        folderText = pictures.string() + "/";
        EXPECT_TRUE(ListFolder(folderText, store, order, icons).ok);
        ThumbPassFolder where;
        where.folder = folderText;
        where.volume = "TEST.0000ABCD";
        where.paths = PrepareCacheFolders(folder / "cache",
                                          VariantFolderName(settings.colour, settings.box, 24),
                                          FolderKey(where.volume, folderText));
        return where;
    }
    // Runs a whole pass; the states by file name.
    std::map<std::string, int> RunPass(int threads, int* steps = nullptr) {
        const ThumbPassFolder where = List();
        ThumbnailPass pass(
            store, order,
            [this](const FileRecord& record, const std::string&) {
                return IconFor(record, settings.box);
            },
            threads);
        pass.Start(where, settings);
        int count = 0;
        for (int guard = 0; guard < 100000 && pass.Running(); ++guard) {
            const auto outcome = pass.Step();
            if (outcome.kind == ThumbnailPass::StepKind::Waiting)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            else
                ++count;
        }
        EXPECT_TRUE(pass.Complete());
        EXPECT_EQ(pass.Percent(), 100);
        if (steps) *steps = count;
        std::map<std::string, int> states;
        for (int row = 0; row < static_cast<int>(order.size()); ++row) {
            const FileRecord* record = RowRecord(store, order, row);
            states[record->FileName] = record->ThumbState;
        }
        thumbFolder = where;
        return states;
    }
    std::filesystem::path ThumbOf(const std::string& name) {
        for (int row = 0; row < static_cast<int>(order.size()); ++row) {
            const FileRecord* record = RowRecord(store, order, row);
            if (record->FileName == name)
                return RowThumbPath(thumbFolder.paths, thumbFolder.volume, folderText, *record);
        }
        return {};
    }
    std::string TypeTextOf(const std::string& name) {
        for (int row = 0; row < static_cast<int>(order.size()); ++row) {
            const FileRecord* record = RowRecord(store, order, row);
            if (record->FileName == name) return record->TypeText;
        }
        return {};
    }
    static std::string Bytes(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    std::filesystem::path pictures;
    std::string folderText;
    RecordStore store;
    ViewOrder order;
    ThumbPassSettings settings;
    ThumbPassFolder thumbFolder;
};

TEST_F(ThumbPassTest, EveryRowGetsItsStateAndFile) {
    WriteSampleFolder();
    const auto states = RunPass(0);
    for (int i = 0; i < 6; ++i) {
        const std::string name = "photo" + std::to_string(i) + ".jpg";
        EXPECT_EQ(states.at(name), kThumbMade) << name;
        EXPECT_TRUE(ThumbPresent(ThumbOf(name))) << name;
    }
    EXPECT_EQ(states.at("scan.bmp"), kThumbMade);
    EXPECT_EQ(states.at("sub"), kThumbFolder);
    // A broken JPEG fails; a picture file no reader takes shows its icon.
    EXPECT_EQ(states.at("broken.jpg"), kThumbFailed);
    EXPECT_FALSE(ThumbPresent(ThumbOf("broken.jpg")));
    EXPECT_EQ(states.at("fake.png"), kThumbMade);
    // Both MP3 files share the one thumbnail of their extension.
    EXPECT_EQ(states.at("song.mp3"), kThumbMade);
    EXPECT_EQ(ThumbOf("song.mp3"), ThumbOf("other.mp3"));
    EXPECT_EQ(ThumbOf("song.mp3"), thumbFolder.paths.variantFolder / "MP3");
    EXPECT_TRUE(ThumbPresent(ThumbOf("song.mp3")));
    // The pass fills the type column as it goes.
    EXPECT_EQ(TypeTextOf("photo0.jpg"), ".JPG 320x200(24)");
    EXPECT_EQ(TypeTextOf("song.mp3"), ".MP3");
}

TEST_F(ThumbPassTest, WorkerThreadsGiveTheSameStatesAndFiles) {
    WriteSampleFolder();
    const auto alone = RunPass(0);
    std::map<std::string, std::string> files;
    for (const auto& [name, state] : alone)
        if (state == kThumbMade) files[name] = Bytes(ThumbOf(name));
    std::filesystem::remove_all(folder / "cache");
    const auto threaded = RunPass(2);
    EXPECT_EQ(threaded, alone);
    for (const auto& [name, bytes] : files) EXPECT_EQ(Bytes(ThumbOf(name)), bytes) << name;
}

TEST_F(ThumbPassTest, SecondPassFindsTheFilesAndStopResumeStartsAgain) {
    WriteSampleFolder();
    RunPass(2);
    const auto made = std::filesystem::last_write_time(ThumbOf("photo3.jpg"));
    // A new listing: rows pending again, every thumbnail found by name.
    const auto again = RunPass(2);
    EXPECT_EQ(std::filesystem::last_write_time(ThumbOf("photo3.jpg")), made);
    EXPECT_EQ(again.at("photo3.jpg"), kThumbPending); // corrected when the row is painted

    const ThumbPassFolder where = List();
    ThumbnailPass pass(store, order, {}, 0);
    pass.Start(where, settings);
    pass.Step();
    pass.Step();
    EXPECT_EQ(pass.CurrentRow(), 1);
    EXPECT_TRUE(pass.Stop());
    EXPECT_FALSE(pass.Stop());
    EXPECT_EQ(pass.Step().kind, ThumbnailPass::StepKind::Idle);
    EXPECT_FALSE(pass.Complete());
    pass.Start(where, settings);
    EXPECT_EQ(pass.CurrentRow(), -1);
    EXPECT_EQ(pass.Step().row, 0);
}

TEST_F(ThumbPassTest, ProgressIsTheRowOverTheLastRow) {
    WriteSampleFolder();
    const ThumbPassFolder where = List();
    ThumbnailPass pass(store, order, {}, 0);
    pass.Start(where, settings);
    EXPECT_EQ(pass.LastRow(), static_cast<int>(order.size()) - 1);
    for (int i = 0; i < 5; ++i) pass.Step();
    EXPECT_EQ(pass.Percent(), 4 * 100 / pass.LastRow());
}

TEST_F(ThumbPassTest, SingleRowProductionMakesOneRowNow) {
    WriteSampleFolder();
    const ThumbPassFolder where = List();
    thumbFolder = where;
    ThumbnailPass pass(store, order, {}, 2);
    int row = 0;
    while (RowRecord(store, order, row)->FileName != "photo2.jpg") ++row;
    EXPECT_TRUE(pass.MakeRowNow(row, where, settings));
    EXPECT_EQ(RowRecord(store, order, row)->ThumbState, kThumbMade);
    EXPECT_TRUE(ThumbPresent(ThumbOf("photo2.jpg")));
    EXPECT_FALSE(ThumbPresent(ThumbOf("photo1.jpg")));
}

TEST(ThumbAtDisplayDepth, EightBitThumbnailsUseTheDisplayPalette) {
    const Bitmap picture = Picture(30, 20, 5);
    EXPECT_EQ(ThumbAtDisplayDepth(picture, 24, true).Format(), PixelFormat::Bits24);
    for (bool dither : {false, true}) {
        const Bitmap reduced = ThumbAtDisplayDepth(picture, 8, dither);
        ASSERT_EQ(reduced.Format(), PixelFormat::Bits8);
        EXPECT_EQ(reduced.Colours(), HalftonePalette());
    }
    // A colour of the palette stays exactly that colour, dithered or not.
    Bitmap white;
    white.Create(8, 8, PixelFormat::Bits24);
    for (int y = 0; y < 8; ++y) std::memset(white.ScanLine(y), 255, 24);
    const Bitmap reduced = ThumbAtDisplayDepth(white, 8, true);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const PaletteEntry& colour = reduced.Colours()[reduced.ScanLine(y)[x]];
            EXPECT_EQ(colour.red + colour.green + colour.blue, 765);
        }
}

} // namespace
} // namespace zv
