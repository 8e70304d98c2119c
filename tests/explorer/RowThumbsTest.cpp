#include "explorer/RowThumbs.h"

#include "ThumbFolderTest.h"
#include "ToolRunner.h"
#include "catalog/ThumbPicture.h"
#include "formats/JpegWriter.h"
#include "formats/PngGraphic.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

namespace zv {
namespace {

namespace fs = std::filesystem;

class RowThumbsTest : public zvtest::ThumbFolderTest {
protected:
    void WriteSampleFolder() {
        WriteJpeg("photo.jpg", 320, 200);
        SaveThumbnail(pictures / "scan.bmp", zvtest::StripedPicture(50, 80));
        TPngGraphic png;
        png.Assign(zvtest::StripedPicture(64, 48));
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
};

TEST(ThumbRowPaths, PicturesOwnFileOthersShareByExtension) {
    const CachePaths paths{"/c", "/c/V", "/c/V/F"};
    FileRecord photo;
    photo.FileName = "Photo.jpg";
    photo.Size = 1000;
    photo.FileDate = 0x5A213C00;
    photo.TimeOfDayMs = 36000000;
    const std::string key = ThumbKey("L.1", "/pics/Photo.jpg", 1000, 0x5A213C00, 36000000);
    EXPECT_EQ(RowThumbPath(paths, "L.1", "/pics/", photo), fs::path("/c/V/F") / ThumbFileName(key));

    FileRecord touched = photo;
    touched.TimeOfDayMs += 1;
    EXPECT_NE(RowThumbPath(paths, "L.1", "/pics/", touched),
              RowThumbPath(paths, "L.1", "/pics/", photo));

    FileRecord song;
    song.FileName = "a.mp3";
    EXPECT_EQ(RowThumbPath(paths, "L.1", "/pics/", song), fs::path("/c/V/MP3"));
    EXPECT_EQ(RowThumbPath(paths, "", "/music/other/", song), fs::path("/c/V/MP3"));
    FileRecord bare;
    bare.FileName = "README";
    EXPECT_EQ(RowThumbPath(paths, "", "/pics/", bare), fs::path("/c/V/00000002"));
    FileRecord folderRow;
    folderRow.FileName = "sub.jpg";
    folderRow.ThumbState = kThumbFolder;
    EXPECT_EQ(RowThumbPath(paths, "", "/pics/", folderRow), fs::path("/c/V/00000001"));
}

TEST_F(RowThumbsTest, FolderGetsOneThumbnailPerPictureAndKeepsPresentOnes) {
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

TEST_F(RowThumbsTest, UnreadableFolderIsNotListed) {
    const ThumbFolderResult result = ThumbnailFolder(folder / "nowhere", cache, {120, 90}, 0);
    EXPECT_FALSE(result.listed);
    EXPECT_FALSE(std::filesystem::exists(cache));
}

TEST_F(RowThumbsTest, ToolFillsTheCacheUnderTheUsersCacheFolder) {
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

TEST(RowThumbs, JpegRowsOfEitherOrientationOptionKeepTheirOwnNames) {
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

} // namespace
} // namespace zv
