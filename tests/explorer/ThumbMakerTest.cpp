#include "explorer/ThumbMaker.h"

#include "ExifJpeg.h"
#include "TempFolderTest.h"
#include "ToolRunner.h"
#include "explorer/FileList.h"
#include "explorer/ThumbPicture.h"
#include "formats/JpegWriter.h"
#include "formats/PngGraphic.h"
#include "formats/TgaGraphic.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstring>

namespace zv {
namespace {

Bitmap Picture(int width, int height) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y)
        std::memset(picture.ScanLine(y), (y * 7) & 0xFF, static_cast<std::size_t>(width) * 3);
    return picture;
}

class ThumbMakerTest : public zvtest::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        pictures = folder / "pictures";
        cache = folder / "cache";
        std::filesystem::create_directories(pictures);
    }

    // A file listed as finished: listings leave out files written in the last two seconds.
    void Age(const std::filesystem::path& path) {
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() -
                                                   std::chrono::minutes(5));
    }
    std::filesystem::path WriteJpeg(const std::string& name, int width, int height) {
        const std::filesystem::path path = pictures / name;
        TJpegWriter().SaveToFile(path, Picture(width, height));
        Age(path);
        return path;
    }
    void WriteSampleFolder() {
        WriteJpeg("photo.jpg", 320, 200);
        SaveThumbnail(pictures / "scan.bmp", Picture(50, 80));
        TPngGraphic png;
        png.Assign(Picture(64, 48));
        png.SaveToFile(pictures / "icon.png");
        Write("pictures/broken.jpg", std::string("\xFF\xD8\xFF\xE0 not really a JPEG", 22));
        Write("pictures/notes.txt", "some text");
        for (const char* name : {"scan.bmp", "icon.png", "broken.jpg", "notes.txt"})
            Age(pictures / name);
    }
    ThumbFolderResult Run(ThumbBox box = ThumbBox{}) {
        return ThumbnailFolder(pictures, cache, box, 0x80000005);
    }
    static int FileCount(const std::filesystem::path& where) {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(where))
            count += entry.is_regular_file() ? 1 : 0;
        return count;
    }

    std::filesystem::path pictures;
    std::filesystem::path cache;
};

TEST(ThumbJpegScale, HalvesWhileLargerThanTwiceTheBox) {
    const ThumbBox box{120, 90};
    EXPECT_EQ(ThumbJpegScale(240, 180, box), 1);
    EXPECT_EQ(ThumbJpegScale(241, 180, box), 2);
    EXPECT_EQ(ThumbJpegScale(240, 181, box), 2);
    EXPECT_EQ(ThumbJpegScale(960, 720, box), 4);
    EXPECT_EQ(ThumbJpegScale(2000, 1500, box), 8);
    EXPECT_EQ(ThumbJpegScale(60000, 40000, box), 8);
}

TEST_F(ThumbMakerTest, LargeJpegIsDecodedScaledIntoABoxSizedThumbnail) {
    const ThumbResult result =
        MakeThumbFor(WriteJpeg("big.jpg", 2000, 1500).string(), {120, 90}, 0);
    ASSERT_EQ(result.outcome, ThumbOutcome::Made);
    EXPECT_EQ(result.jpegScale, 8);
    EXPECT_EQ(result.fullWidth, 2000);
    EXPECT_EQ(result.fullHeight, 1500);
    EXPECT_EQ(result.thumbnail.Width(), 120);
    EXPECT_EQ(result.thumbnail.Height(), 90);
    EXPECT_EQ(result.State(), kThumbMade);
}

TEST_F(ThumbMakerTest, UnreadableFilesFailWithoutThrowing) {
    Write("pictures/broken.jpg", "\xFF\xD8 truncated");
    Write("pictures/empty.png", "not a png");
    for (const char* name : {"broken.jpg", "empty.png", "missing.bmp"}) {
        const ThumbResult result = MakeThumbFor((pictures / name).string(), {120, 90}, 0);
        EXPECT_EQ(result.outcome, ThumbOutcome::Failed) << name;
        EXPECT_EQ(result.State(), kThumbFailed) << name;
    }
}

TEST_F(ThumbMakerTest, PictureHeaderBeyondThePixelBudgetIsTooLarge) {
    // A 12000 x 12000 24-bit BMP (144 Mpixel): a sparse file holding the header
    // and room for every row, so the header is believed but nothing is decoded.
    std::string bmp(54, '\0');
    const auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) bmp[at + i] = static_cast<char>(value >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put(2, 54, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, 12000, 4);
    put(22, 12000, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    const std::string path = Write("huge.bmp", bmp);
    std::filesystem::resize_file(path, 54 + std::uintmax_t{12000} * 12000 * 3);
    const ThumbResult result = MakeThumbFor(path, {120, 90}, 0);
    EXPECT_EQ(result.outcome, ThumbOutcome::TooLarge);
    EXPECT_EQ(result.State(), kThumbTooLarge);
}

TEST_F(ThumbMakerTest, FolderGetsOneThumbnailPerPictureAndKeepsPresentOnes) {
    WriteSampleFolder();
    int calls = 0;
    int lastTotal = 0;
    const ThumbFolderResult first =
        ThumbnailFolder(pictures, cache, {120, 90}, 0x80000005, [&](int done, int total) {
            ++calls;
            lastTotal = total;
            EXPECT_EQ(done, calls);
        });
    ASSERT_TRUE(first.listed);
    EXPECT_EQ(first.made, 3);
    EXPECT_EQ(first.present, 0);
    EXPECT_EQ(first.failed, 1); // broken.jpg; notes.txt is no picture row
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(lastTotal, 4);
    EXPECT_EQ(first.folderCacheFolder.parent_path().parent_path(), cache);
    EXPECT_EQ(first.folderCacheFolder.parent_path().filename(), "000400.VM6");
    EXPECT_EQ(FileCount(first.folderCacheFolder), 3);
    for (const auto& entry : std::filesystem::directory_iterator(first.folderCacheFolder))
        EXPECT_TRUE(ThumbPresent(entry.path())) << entry.path();

    const ThumbFolderResult second = Run();
    EXPECT_EQ(second.made, 0);
    EXPECT_EQ(second.present, 3);
    EXPECT_EQ(second.failed, 1);
    EXPECT_EQ(second.folderCacheFolder, first.folderCacheFolder);

    // A leftover too short to count is made again; a new size selects another variant.
    for (const auto& entry : std::filesystem::directory_iterator(first.folderCacheFolder)) {
        std::filesystem::resize_file(entry.path(), 200);
        break;
    }
    EXPECT_EQ(Run().made, 1);
    const ThumbFolderResult larger = Run(ThumbBoxFor(8));
    EXPECT_EQ(larger.made, 3);
    EXPECT_NE(larger.folderCacheFolder, first.folderCacheFolder);
}

TEST_F(ThumbMakerTest, UnreadableFolderIsNotListed) {
    const ThumbFolderResult result = ThumbnailFolder(folder / "nowhere", cache, {120, 90}, 0);
    EXPECT_FALSE(result.listed);
    EXPECT_FALSE(std::filesystem::exists(cache));
}

TEST_F(ThumbMakerTest, ToolFillsTheCacheUnderTheUsersCacheFolder) {
    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL is not set";
    WriteSampleFolder();
    const std::string environment = "XDG_CACHE_HOME='" + cache.string() + "'";
    const zvtest::ToolRun first =
        zvtest::RunTool("thumbs --size 4 '" + pictures.string() + "'", environment);
    EXPECT_EQ(first.status, 1); // broken.jpg failed
    EXPECT_NE(first.output.find("(144 x 108)"), std::string::npos) << first.output;
    EXPECT_NE(first.output.find("made 3, already present 0, too large 0, failed 1"),
              std::string::npos)
        << first.output;
    const std::string where = (cache / "zelvan" / "data").string();
    EXPECT_NE(first.output.find(where), std::string::npos) << first.output;

    std::filesystem::remove(pictures / "broken.jpg");
    const zvtest::ToolRun second =
        zvtest::RunTool("thumbs --size 4 " + pictures.string(), environment);
    EXPECT_EQ(second.status, 0);
    EXPECT_NE(second.output.find("made 0, already present 3"), std::string::npos) << second.output;
    EXPECT_EQ(zvtest::RunTool("thumbs", environment).status, 2);
}

// A photo taken turned: 32 x 16 upright, stored 16 x 32 with orientation 6.
// Its thumbnail is wide unless the option is off, and the two are kept
// under different names.
TEST(ThumbMaker, JpegThumbnailsFollowTheExifOrientationOption) {
    const zvtest::TempFolder temp;
    Bitmap stored;
    stored.Create(16, 32, PixelFormat::Bits24);
    for (int y = 0; y < 32; ++y) std::memset(stored.ScanLine(y), 40, 3 * 16);
    const Bytes file = zvtest::JpegWithOrientation(stored, 6);
    const std::string path = temp.Write("turned.jpg", std::string(file.begin(), file.end()));
    const ThumbBox box{120, 90};
    const Bitmap upright = MakeThumbFor(path, box, 0xFFFFFF, true).thumbnail;
    const Bitmap asStored = MakeThumbFor(path, box, 0xFFFFFF, false).thumbnail;
    // Left of the middle row: picture when wide, background when tall.
    const auto pixel = [](const Bitmap& b, int x, int y) { return b.ScanLine(y)[3 * x]; };
    EXPECT_NE(pixel(upright, 5, 45), pixel(upright, 0, 0));
    EXPECT_EQ(pixel(asStored, 5, 45), pixel(asStored, 0, 0));

    const CachePaths paths{"/c", "/c/V", "/c/V/F"};
    FileRecord photo, drawing;
    photo.FileName = "turned.jpg";
    drawing.FileName = "plan.png";
    const auto photoOn = RowThumbPath(paths, "", "/p/", photo);
    const auto drawingOn = RowThumbPath(paths, "", "/p/", drawing);
    SetThumbExifOrientation(false);
    EXPECT_NE(RowThumbPath(paths, "", "/p/", photo), photoOn);
    EXPECT_EQ(RowThumbPath(paths, "", "/p/", drawing), drawingOn);
    SetThumbExifOrientation(true);
    EXPECT_EQ(RowThumbPath(paths, "", "/p/", photo), photoOn);
}

// A picture opaque red on its left half and clear (black beneath) on its
// right: the clear half shows the thumbnail colour in PNG and TGA files.
TEST_F(ThumbMakerTest, ClearPartsShowTheThumbnailColour) {
    Bitmap half;
    half.Create(64, 48, PixelFormat::Bits32);
    half.SetAlpha(true);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            std::uint8_t* p = half.ScanLine(y) + 4 * x;
            const bool opaque = x < 32;
            p[0] = p[1] = 0;
            p[2] = opaque ? 255 : 0;
            p[3] = opaque ? 255 : 0;
        }
    TPngGraphic png;
    TTgaGraphic tga;
    for (TDibGraphic* graphic : std::initializer_list<TDibGraphic*>{&png, &tga}) {
        const std::filesystem::path path =
            pictures / (std::string("half.") + (graphic == &png ? "png" : "tga"));
        SCOPED_TRACE(path.filename().string());
        graphic->Assign(half);
        graphic->SaveToFile(path);
        const ThumbResult result = MakeThumbFor(path.string(), {120, 90}, 0x00C08040);
        ASSERT_EQ(result.outcome, ThumbOutcome::Made);
        const std::uint8_t* left = result.thumbnail.ScanLine(45) + 3 * 20;
        const std::uint8_t* right = result.thumbnail.ScanLine(45) + 3 * 100;
        EXPECT_EQ(std::vector<int>(left, left + 3), (std::vector<int>{0, 0, 255}));
        EXPECT_EQ(std::vector<int>(right, right + 3), (std::vector<int>{0xC0, 0x80, 0x40}));
    }
}

} // namespace
} // namespace zv
