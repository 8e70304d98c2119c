#include "album/JpegComments.h"

#include "JpegFixtures.h"
#include "TempFolderTest.h"
#include "TestData.h"
#include "formats/JpegReader.h"
#include "platform/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

namespace zv {
namespace {

namespace fs = std::filesystem;
using zvtest::Join;
using zvtest::PlainJpeg;
using zvtest::Segment;
using zvtest::Splice;

JpegBytes OrientationExif() {
    zvtest::ExifBuilder exif(true);
    exif.Short(false, 274, 1);
    return Segment(0xE1, exif.Build());
}

std::string Text(const JpegBytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class JpegCommentsTest : public zvtest::TempFolderTest {
protected:
    fs::path WriteFile(const std::string& name, const JpegBytes& bytes) {
        return Write(name, Text(bytes));
    }
    JpegBytes Read(const fs::path& path) { return zvtest::ReadTestFile(path); }

    ScriptedDialogs dialogs;
};

// ---- Reading ----

TEST(JpegTextRead, ExifLinesThenEveryCommentBeforeThePictureData) {
    const JpegBytes plain = PlainJpeg();
    const JpegBytes file = Join({{0xFF, 0xD8},
                                 Segment(0xFE, "First line\r\nSecond"),
                                 Segment(0xFE, ""),
                                 Segment(0xFE, "Third\n"),
                                 OrientationExif(),
                                 Segment(0xFE, "after the EXIF block"),
                                 JpegBytes(plain.begin() + 2, plain.end())});
    const JpegText text = ReadJpegText(file);
    EXPECT_FALSE(text.macHeader);
    EXPECT_EQ(text.exifLines, std::vector<std::string>{"Orientation = 1"});
    // A comment after the EXIF block (where cameras and editors put them) is read too.
    EXPECT_EQ(text.commentLines,
              (std::vector<std::string>{"First line", "Second", "Third", "after the EXIF block"}));
    EXPECT_EQ(text.Text(), "Orientation = 1\nFirst line\nSecond\nThird\nafter the EXIF block");
}

TEST(JpegTextRead, PlainPictureHasNoLines) {
    EXPECT_TRUE(ReadJpegText(PlainJpeg()).Lines().empty());
}

TEST(JpegTextRead, CommentLengthZeroOrAbove32766EndsTheReading) {
    const JpegBytes soi{0xFF, 0xD8};
    const JpegBytes zero =
        Join({soi, Segment(0xFE, "kept"), {0xFF, 0xFE, 0, 0}, Segment(0xFE, "never")});
    EXPECT_EQ(ReadJpegText(zero).commentLines, std::vector<std::string>{"kept"});
    const JpegBytes longComment =
        Join({soi, Segment(0xFE, "kept"), Segment(0xFE, std::string(32765, 'x')),
              Segment(0xFE, "never"), OrientationExif()});
    const JpegText text = ReadJpegText(longComment);
    EXPECT_EQ(text.commentLines, std::vector<std::string>{"kept"});
    EXPECT_TRUE(text.exifLines.empty());
    // 32766 itself is still read.
    const JpegBytes limit = Join({soi, Segment(0xFE, std::string(32764, 'y'))});
    EXPECT_EQ(ReadJpegText(limit).commentLines, std::vector<std::string>{std::string(32764, 'y')});
}

TEST(JpegTextRead, MacHeaderIsSkippedWithAWarning) {
    const JpegBytes file = Join({JpegBytes(128, 0), Splice(PlainJpeg(), 20, Segment(0xFE, "hi"))});
    const JpegText text = ReadJpegText(file);
    EXPECT_TRUE(text.macHeader);
    EXPECT_EQ(text.Lines(), (std::vector<std::string>{"", "Warning: Mac header found!", "", "hi"}));
}

TEST(JpegTextRead, FilesThatAreNotJpegOrCutShortAreBadMarkers) {
    EXPECT_THROW(ReadJpegText(JpegBytes{'G', 'I', 'F', '8', '9', 'a', 0, 0}), EJpegMarkers);
    const JpegBytes cut = Join({{0xFF, 0xD8}, {0xFF, 0xFE, 0x00, 0x10, 'a', 'b'}});
    EXPECT_THROW(ReadJpegText(cut), EJpegMarkers);
    try {
        ReadJpegText(cut);
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "File has bad JPEG markers.");
    }
}

// ---- Adding ----

TEST_F(JpegCommentsTest, CommentGoesAfterAnApp0OfLength16AtOffset20) {
    const JpegBytes original = PlainJpeg();
    ASSERT_EQ(Text(JpegBytes(original.begin(), original.begin() + 11)),
              Text({0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0}));
    const fs::path path = WriteFile("photo.jpg", original);

    EXPECT_EQ(AddJpegComment(path, "Hello\nworld", dialogs), JpegCommandResult::Changed);

    // FF FE, length 16, "Hello" CR LF "world" CR LF, at offset 20.
    EXPECT_EQ(Read(path), Splice(original, 20, Segment(0xFE, "Hello\r\nworld\r\n")));
    EXPECT_EQ(Read(path)[22], 0x00);
    EXPECT_EQ(Read(path)[23], 0x10);
    EXPECT_EQ(Read(folder / "photo.bak"), original);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(ReadJpegText(Read(path)).commentLines, (std::vector<std::string>{"Hello", "world"}));
}

TEST_F(JpegCommentsTest, WithoutApp0FirstTheCommentFollowsTheSoi) {
    // An EXIF file whose APP0 comes second: the comment still goes after
    // the SOI, never into the middle of the EXIF segment.
    const JpegBytes plain = PlainJpeg();
    const JpegBytes original =
        Join({{0xFF, 0xD8}, OrientationExif(), JpegBytes(plain.begin() + 2, plain.end())});
    const fs::path path = WriteFile("camera.jpeg", original);
    ASSERT_EQ(AddJpegComment(path, "x", dialogs), JpegCommandResult::Changed);
    EXPECT_EQ(Read(path), Join({{0xFF, 0xD8},
                                Segment(0xFE, "x\r\n"),
                                JpegBytes(original.begin() + 2, original.end())}));
    EXPECT_EQ(Read(folder / "camera.bak"), original);
}

TEST_F(JpegCommentsTest, MacHeaderIsDroppedFromTheRewrittenFile) {
    const JpegBytes plain = PlainJpeg();
    const JpegBytes original = Join({JpegBytes(128, 0), plain});
    const fs::path path = WriteFile("mac.jpg", original);
    ASSERT_EQ(AddJpegComment(path, "", dialogs), JpegCommandResult::Changed);
    EXPECT_EQ(Read(path), Splice(plain, 20, {0xFF, 0xFE, 0, 2}));
    EXPECT_EQ(Read(folder / "mac.bak"), original);
}

TEST_F(JpegCommentsTest, AddingToAFileThatIsNotAJpegIsRefused) {
    const JpegBytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
    const fs::path path = WriteFile("fake.jpg", png);
    EXPECT_EQ(AddJpegComment(path, "x", dialogs), JpegCommandResult::BadMarkers);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"File has bad JPEG markers."});
    EXPECT_EQ(Read(path), png);
    EXPECT_FALSE(fs::exists(folder / "fake.bak"));
    // An APP0 whose length runs past the file is refused too.
    const fs::path cut = WriteFile("cut.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x40, 'J'});
    EXPECT_EQ(AddJpegComment(cut, "x", dialogs), JpegCommandResult::BadMarkers);
}

TEST_F(JpegCommentsTest, CommentLimitIn32000CharactersAndOneSegment) {
    // Line breaks count as CR LF; the last line gets one too.
    EXPECT_TRUE(JpegCommentFits(std::string(31998, 'a')));
    EXPECT_FALSE(JpegCommentFits(std::string(31999, 'a')));
    EXPECT_TRUE(JpegCommentFits(std::string(15998, 'a') + "\n" + std::string(15997, 'b')));
    EXPECT_FALSE(JpegCommentFits(std::string(15998, 'a') + "\n" + std::string(15999, 'b')));
    // 22,000 three-byte characters are 66,002 bytes: more than one segment holds.
    std::string euros;
    for (int i = 0; i < 22000; ++i) euros += "\xE2\x82\xAC";
    EXPECT_EQ(JpegCommentCharacters(euros), 22002u);
    EXPECT_FALSE(JpegCommentFits(euros));

    const JpegBytes original = PlainJpeg();
    const fs::path path = WriteFile("big.jpg", original);
    EXPECT_EQ(AddJpegComment(path, euros, dialogs), JpegCommandResult::TooLarge);
    EXPECT_EQ(dialogs.LastText(), "Comment too large; limit text to 32000 characters.");
    EXPECT_EQ(Read(path), original);
    EXPECT_FALSE(fs::exists(folder / "big.bak"));
}

TEST(JpegCommentEncoding, LinesEndInCrLf) {
    EXPECT_EQ(EncodeJpegComment(""), "");
    EXPECT_EQ(EncodeJpegComment("a"), "a\r\n");
    EXPECT_EQ(EncodeJpegComment("a\n"), "a\r\n");
    EXPECT_EQ(EncodeJpegComment("a\r\nb\rc\n\nd"), "a\r\nb\r\nc\r\n\r\nd\r\n");
}

// ---- Stripping ----

TEST_F(JpegCommentsTest, CommentsOnlyWithoutCommentsChangesNothing) {
    const JpegBytes original = Splice(PlainJpeg(), 2, OrientationExif());
    const fs::path path = WriteFile("plain.jpg", original);
    EXPECT_EQ(StripJpegFile(path, JpegStripMode::CommentsOnly, dialogs),
              JpegCommandResult::Unchanged);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].kind, BoxKind::Information);
    EXPECT_EQ(dialogs.boxes[0].text, "No Comments found.\nFile unchanged.");
    EXPECT_FALSE(fs::exists(folder / "plain.bak"));
    EXPECT_EQ(Read(path), original);

    const fs::path bare = WriteFile("bare.jpg", {0xFF, 0xD8, 0xFF, 0xD9});
    EXPECT_EQ(StripJpegFile(bare, JpegStripMode::AllExtraInfo, dialogs),
              JpegCommandResult::Unchanged);
    EXPECT_EQ(dialogs.LastText(), "No extra info found.\nFile unchanged.");
    EXPECT_FALSE(fs::exists(folder / "bare.bak"));
}

// A file with every kind of extra segment and bytes after its end.
struct Loaded {
    JpegBytes plain = PlainJpeg();
    JpegBytes app2 = Segment(0xE2, "ICC_PROFILE");
    JpegBytes com = Segment(0xFE, "a comment");
    JpegBytes exif = OrientationExif();
    JpegBytes trailer{'T', 'R', 0xFF, 0xFE, 0x00, 0x04};
    JpegBytes file = Join({Splice(Splice(Splice(plain, 20, app2), 2, exif), 2, com), trailer});
};

Bitmap Decode(const JpegBytes& bytes) {
    TJpegReader reader;
    reader.ReadHeader(Bytes(bytes));
    Bitmap picture;
    reader.Decode(picture);
    return picture;
}

TEST_F(JpegCommentsTest, AllExtraInfoLeavesTheSamePicture) {
    const Loaded loaded;
    const fs::path path = WriteFile("loaded.jpg", loaded.file);
    EXPECT_EQ(StripJpegFile(path, JpegStripMode::AllExtraInfo, dialogs),
              JpegCommandResult::Changed);
    // APP0 (18 bytes), APP1, APP2 and COM are gone; the trailer stays.
    const std::size_t removed = 18 + loaded.exif.size() + loaded.app2.size() + loaded.com.size();
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{"Extra info removed:" + std::to_string(removed) + " bytes"});
    const JpegBytes stripped = Read(path);
    EXPECT_EQ(stripped,
              Join({JpegBytes{0xFF, 0xD8}, JpegBytes(loaded.plain.begin() + 20, loaded.plain.end()),
                    loaded.trailer}));
    EXPECT_EQ(Read(folder / "loaded.bak"), loaded.file);

    const Bitmap before = Decode(loaded.plain);
    const Bitmap after = Decode(stripped);
    ASSERT_EQ(after.Width(), before.Width());
    ASSERT_EQ(after.Height(), before.Height());
    for (int y = 0; y < before.Height(); ++y)
        EXPECT_EQ(std::memcmp(before.ScanLine(y), after.ScanLine(y),
                              static_cast<std::size_t>(before.Width()) * 3),
                  0)
            << y;
}

TEST_F(JpegCommentsTest, CommentsOnlyKeepsTheApplicationSegments) {
    const Loaded loaded;
    const fs::path path = WriteFile("loaded.jpg", loaded.file);
    EXPECT_EQ(StripJpegFile(path, JpegStripMode::CommentsOnly, dialogs),
              JpegCommandResult::Changed);
    EXPECT_EQ(dialogs.LastText(),
              "Comments removed:" + std::to_string(loaded.com.size()) + " bytes");
    JpegBytes expected = loaded.file;
    expected.erase(expected.begin() + 2,
                   expected.begin() + 2 + static_cast<std::ptrdiff_t>(loaded.com.size()));
    EXPECT_EQ(Read(path), expected);
}

TEST_F(JpegCommentsTest, BadMarkersLeaveTheFileAlone) {
    const JpegBytes bad = Join({{0xFF, 0xD8}, {0xFF, 0xFE, 0x00, 0x01}, PlainJpeg()});
    const fs::path path = WriteFile("bad.jpg", bad);
    EXPECT_EQ(StripJpegFile(path, JpegStripMode::CommentsOnly, dialogs),
              JpegCommandResult::BadMarkers);
    EXPECT_EQ(dialogs.LastText(), "File has bad JPEG markers.");
    EXPECT_EQ(StripJpegFile(folder / "missing.jpg", JpegStripMode::AllExtraInfo, dialogs),
              JpegCommandResult::BadMarkers);
    EXPECT_EQ(Read(path), bad);
    EXPECT_FALSE(fs::exists(folder / "bad.bak"));
}

// ---- The backup ----

TEST_F(JpegCommentsTest, ExistingBackupIsOverwrittenOnlyWhenAllowed) {
    const Loaded loaded;
    const fs::path path = WriteFile("photo.jpg", loaded.file);
    const fs::path backup = WriteFile("photo.bak", {'o', 'l', 'd'});
    const std::string question =
        backup.string() + " exists.\nOrignal file is copied to *.bak.\nOverwrite *.bak file?";

    dialogs.answers = {Answer::No};
    EXPECT_EQ(StripJpegFile(path, JpegStripMode::CommentsOnly, dialogs),
              JpegCommandResult::Cancelled);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].kind, BoxKind::Warning);
    EXPECT_EQ(dialogs.boxes[0].buttons, Buttons::YesNo);
    EXPECT_EQ(dialogs.boxes[0].text, question);
    EXPECT_EQ(Read(path), loaded.file);
    EXPECT_EQ(Text(Read(backup)), "old");

    dialogs.answers = {Answer::Yes};
    EXPECT_EQ(AddJpegComment(path, "new", dialogs), JpegCommandResult::Changed);
    EXPECT_EQ(Read(backup), loaded.file);
}

TEST_F(JpegCommentsTest, BackupThatCannotBeWrittenStopsTheCommand) {
    const JpegBytes original = PlainJpeg();
    const fs::path path = WriteFile("photo.jpg", original);
    fs::create_directory(folder / "photo.bak");
    WriteFile("photo.bak/inside", {1});
    dialogs.answers = {Answer::Yes};
    EXPECT_EQ(AddJpegComment(path, "x", dialogs), JpegCommandResult::Failed);
    EXPECT_EQ(dialogs.LastText(), "Could not create backup.  Aborting.");
    EXPECT_EQ(Read(path), original);
    // A file named like its own backup cannot have one.
    const fs::path bak = WriteFile("odd.bak", original);
    EXPECT_EQ(AddJpegComment(bak, "x", dialogs), JpegCommandResult::Failed);
    EXPECT_EQ(Read(bak), original);
}

TEST_F(JpegCommentsTest, RewritesKeepPermissionsAndFollowLinks) {
    const fs::path path = WriteFile("private.jpg", PlainJpeg());
    ::chmod(path.c_str(), 0600);
    fs::create_symlink(path, folder / "link.jpg");
    ASSERT_EQ(AddJpegComment(folder / "link.jpg", "x", dialogs), JpegCommandResult::Changed);
    EXPECT_TRUE(fs::is_symlink(folder / "link.jpg"));
    EXPECT_EQ(ReadJpegText(Read(path)).commentLines, std::vector<std::string>{"x"});
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    ASSERT_EQ(::stat((folder / "link.bak").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    // No temporary file is left behind.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++files;
    EXPECT_EQ(files, 3);
}

TEST(JpegBackupPath, ReplacesTheExtension) {
    EXPECT_EQ(JpegBackupPath("/a/b.c/photo.JPG"), fs::path("/a/b.c/photo.bak"));
    EXPECT_EQ(JpegBackupPath("/a/photo"), fs::path("/a/photo.bak"));
}

// ---- The window's place ----

TEST(JpegTextWindowBounds, StoredBoundsOrAQuarterOfTheScreenCentred) {
    DisplayInfo big;
    big.width = big.availableWidth = 1920;
    big.height = 1080;
    big.availableHeight = 1040;
    EXPECT_EQ(JpegTextWindowBounds({100, 100, 500, 400}, big), (WindowBounds{100, 100, 500, 400}));
    EXPECT_EQ(JpegTextWindowBounds({}, big), (WindowBounds{720, 385, 1200, 655}));
    EXPECT_EQ(JpegTextWindowBounds({100, 100, 150, 400}, big), (WindowBounds{720, 385, 1200, 655}))
        << "too narrow";
    EXPECT_EQ(JpegTextWindowBounds({1800, 100, 2000, 400}, big),
              (WindowBounds{720, 385, 1200, 655}))
        << "off screen";
    DisplayInfo small;
    small.width = small.availableWidth = 1024;
    small.height = small.availableHeight = 768;
    EXPECT_EQ(JpegTextWindowBounds({}, small), (WindowBounds{352, 264, 672, 504}));
}

} // namespace
} // namespace zv
