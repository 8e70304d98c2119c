#include "explorer/Comments.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using namespace zv;

class Comments : public zvtest::TempFolderTest {
protected:
    std::string Read(const std::string& name) { return zvtest::ReadText(folder / name); }
};

TEST_F(Comments, SavedCommentsComeBackAndTheFilesAreCrLfLines) {
    FolderComments comments = LoadComments(folder.string());
    EXPECT_TRUE(comments.loaded);
    ASSERT_TRUE(comments.Set("beach.jpg", "Beach at noon"));
    ASSERT_TRUE(comments.Set("Rome 01.JPG", ""));
    ASSERT_TRUE(comments.Set("beach.jpg", "two\nlines"));
    SaveComments(comments);

    EXPECT_EQ(Read("FILELIST.ZVX"), "beach.jpg\r\nRome 01.JPG\r\n");
    EXPECT_EQ(Read("FILETEXT.ZVX"), "two lines\r\n\r\n");
    const FolderComments again = LoadComments(folder.string());
    EXPECT_EQ(again.CommentOf("beach.jpg"), "two lines");
    ASSERT_NE(again.Find("Rome 01.JPG"), nullptr);
    EXPECT_EQ(again.Find("rome 01.jpg"), nullptr);
    EXPECT_EQ(again.CommentOf("none.jpg"), "");
}

TEST_F(Comments, UnpairedLinesAreIgnoredNotShifted) {
    Write("FILELIST.ZVX", "a.jpg\r\nb.jpg\r\nc.jpg\r\n");
    Write("FILETEXT.ZVX", "first\nsecond");
    FolderComments comments = LoadComments(folder.string());
    EXPECT_EQ(comments.CommentOf("b.jpg"), "second");
    EXPECT_EQ(comments.Find("c.jpg"), nullptr);

    comments.Set("d.jpg", "fourth");
    SaveComments(comments);
    EXPECT_EQ(Read("FILELIST.ZVX"), "a.jpg\r\nb.jpg\r\nd.jpg\r\n");
    EXPECT_EQ(Read("FILETEXT.ZVX"), "first\r\nsecond\r\nfourth\r\n");
}

TEST_F(Comments, WindowsTextAndLowerCaseFileNamesAreRead) {
    Write("filelist.zvx", "caf\xE9.jpg\r\n");
    Write("filetext.zvx", "\x93quoted\x94\r\n");
    FolderComments comments = LoadComments(folder.string());
    EXPECT_EQ(comments.CommentOf("caf\xC3\xA9.jpg"), "\xE2\x80\x9Cquoted\xE2\x80\x9D");
    SaveComments(comments);
    EXPECT_EQ(Read("filetext.zvx"), "\xE2\x80\x9Cquoted\xE2\x80\x9D\r\n");
}

TEST_F(Comments, NamesTheFilesCannotHoldAndWriteFailuresAreRefused) {
    FolderComments comments = LoadComments((folder / "gone").string());
    EXPECT_FALSE(comments.Set("a\nb.jpg", "x"));
    EXPECT_FALSE(comments.Set("", "x"));
    EXPECT_TRUE(comments.names.empty());
    comments.Set("a.jpg", "x");
    try {
        SaveComments(comments);
        FAIL() << "saved into a missing folder";
    } catch (const ECommentWriteError& error) {
        EXPECT_STREQ(error.what(), "Cannot write comments to current folder.");
    }
}

} // namespace
