#include "catalog/ThumbCacheCommands.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

class ThumbCacheCommandsTest : public zvtest::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        paths = PrepareCacheFolders(folder / "cache", "000400.VM6", FolderKey("", "/pics/"));
        std::filesystem::create_directories(folder / "cache" / "000400.VM6" / "OTHERFOLD");
        Write("cache/000400.VM6/00000001", std::string(300, 'g'));
        Write("cache/000400.VM6/MP3", std::string(300, 'm'));
        Write("cache/000400.VM6/OTHERFOLD/A.001", std::string(300, 'a'));
        own = paths.folderCacheFolder / "B.002";
        std::ofstream(own) << std::string(500, 'b');
        Write("outside.txt", "keep me");
    }
    CachePaths paths;
    std::filesystem::path own;
};

TEST_F(ThumbCacheCommandsTest, QuestionsNameTheFolderInUpperCase) {
    EXPECT_EQ(KillCacheQuestion("/home/ann/Holiday pics/", false),
              "Delete thumbnail cache of HOLIDAY PICS?");
    EXPECT_EQ(KillCacheQuestion("/home/ann/Holiday pics/", true),
              "Delete thumbnail cache of ALL VISITED FOLDERS?");
    EXPECT_EQ(ThumbsProgressText(42), "Thumbs:42%");
}

TEST_F(ThumbCacheCommandsTest, InfoCountsTheFolderCache) {
    const CacheFolderInfo info = MeasureCacheFolder(paths.folderCacheFolder);
    EXPECT_EQ(info.files, 1u);
    EXPECT_EQ(info.bytes, 500u);
    EXPECT_NE(CacheInfoText(paths.folderCacheFolder, info).find("1 file(s), 1 KB"),
              std::string::npos);
}

TEST_F(ThumbCacheCommandsTest, KillRemovesOnlyTheCurrentFolderCache) {
    EXPECT_EQ(KillFolderCache(paths), 1u);
    EXPECT_FALSE(std::filesystem::exists(paths.folderCacheFolder));
    EXPECT_TRUE(std::filesystem::exists(paths.variantFolder / "OTHERFOLD" / "A.001"));
    EXPECT_TRUE(std::filesystem::exists(paths.variantFolder / "00000001"));
}

TEST_F(ThumbCacheCommandsTest, KillAllEmptiesTheVariantFolderAndNothingElse) {
    EXPECT_EQ(KillAllCaches(paths), 4u);
    EXPECT_TRUE(std::filesystem::is_empty(paths.variantFolder));
    EXPECT_TRUE(std::filesystem::exists(folder / "outside.txt"));
}

TEST_F(ThumbCacheCommandsTest, RedoDeletesEachFileOnceAndNeverOutsideTheCache) {
    const int deleted = DeleteThumbFiles(paths, {own,
                                                 own,
                                                 paths.variantFolder / "MP3",
                                                 folder / "outside.txt",
                                                 paths.variantFolder / ".." / ".." / "outside.txt",
                                                 {}});
    EXPECT_EQ(deleted, 2);
    EXPECT_FALSE(std::filesystem::exists(own));
    EXPECT_TRUE(std::filesystem::exists(folder / "outside.txt"));
}

} // namespace
} // namespace zv
