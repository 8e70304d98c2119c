#include "platform/linux/FreedesktopTrash.h"

#include "platform/ScratchFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace zv {
namespace {

namespace fs = std::filesystem;
using test::FakeEnvironment;
using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

// "YYYY-MM-DDThh:mm:ss\n"
bool IsDateTimeLine(const std::string& text) {
    const std::string shape = "dddd-dd-ddTdd:dd:dd\n";
    if (text.size() != shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == 'd' ? !digit : text[i] != shape[i]) return false;
    }
    return true;
}

class FreedesktopTrashTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
    fs::path pictures = scratch / "Bilder";
    fs::path trashFolder = scratch / "data/Trash";
    FreedesktopTrash trash{FakeEnvironment(
        {{"HOME", "/nonexistent-home"}, {"XDG_DATA_HOME", (scratch / "data").string()}})};

    void SetUp() override { fs::create_directories(pictures); }

    std::string Info(const std::string& name) const {
        return ReadFile(trashFolder / "info" / (name + ".trashinfo"));
    }
    std::size_t EntriesIn(const std::string& sub) const {
        if (!fs::exists(trashFolder / sub)) return 0;
        std::size_t count = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(trashFolder / sub)) ++count;
        return count;
    }
};

TEST_F(FreedesktopTrashTest, RecycledFileLandsInFilesWithItsRecord) {
    fs::path photo = pictures / "Tag am See.jpg";
    WriteFile(photo, "JPEGDATA");

    EXPECT_EQ(trash.Recycle(photo.string()), "");

    EXPECT_FALSE(fs::exists(photo));
    EXPECT_EQ(ReadFile(trashFolder / "files" / "Tag am See.jpg"), "JPEGDATA");
    std::string info = Info("Tag am See.jpg");
    std::string head =
        "[Trash Info]\nPath=" + FreedesktopTrash::EncodePath(fs::canonical(pictures).string()) +
        "/Tag%20am%20See.jpg\nDeletionDate=";
    ASSERT_TRUE(info.starts_with(head)) << info;
    EXPECT_TRUE(IsDateTimeLine(info.substr(head.size()))) << info;
    EXPECT_EQ(fs::status(trashFolder).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST(FreedesktopTrash, RecordTextEncodesThePathAndDatesInLocalTime) {
    EXPECT_EQ(FreedesktopTrash::EncodePath("/home/ann/a b/100%/x#y?z/\xC3\x96l~_-.png"),
              "/home/ann/a%20b/100%25/x%23y%3Fz/%C3%96l~_-.png");

    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 1;
    local.tm_mday = 29;
    local.tm_hour = 7;
    local.tm_min = 5;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    EXPECT_EQ(FreedesktopTrash::TrashInfoText("/p/q r", std::mktime(&local)),
              "[Trash Info]\nPath=/p/q%20r\nDeletionDate=2024-02-29T07:05:09\n");
}

TEST_F(FreedesktopTrashTest, NameClashesGetNumberedNamesAndNothingIsOverwritten) {
    for (const char* folder : {"a", "b", "c"}) {
        fs::create_directories(pictures / folder);
        WriteFile(pictures / folder / "photo.jpg", folder);
        ASSERT_EQ(trash.Recycle((pictures / folder / "photo.jpg").string()), "");
    }
    // An item left in files/ without its record is not overwritten either.
    WriteFile(trashFolder / "files" / "photo.4.jpg", "stray");
    WriteFile(pictures / "photo.jpg", "d");
    ASSERT_EQ(trash.Recycle((pictures / "photo.jpg").string()), "");

    EXPECT_EQ(ReadFile(trashFolder / "files" / "photo.jpg"), "a");
    EXPECT_EQ(ReadFile(trashFolder / "files" / "photo.2.jpg"), "b");
    EXPECT_EQ(ReadFile(trashFolder / "files" / "photo.3.jpg"), "c");
    EXPECT_EQ(ReadFile(trashFolder / "files" / "photo.4.jpg"), "stray");
    EXPECT_EQ(ReadFile(trashFolder / "files" / "photo.5.jpg"), "d");
    EXPECT_NE(Info("photo.2.jpg").find("/b/photo.jpg\n"), std::string::npos);
    EXPECT_NE(Info("photo.5.jpg").find("/Bilder/photo.jpg\n"), std::string::npos);
    EXPECT_EQ(EntriesIn("info"), 4u);
}

TEST(FreedesktopTrash, CandidateNamesKeepTheExtensionAndFitTheNameLimit) {
    EXPECT_EQ(FreedesktopTrash::CandidateName("photo.jpg", 1), "photo.jpg");
    EXPECT_EQ(FreedesktopTrash::CandidateName("photo.jpg", 2), "photo.2.jpg");
    EXPECT_EQ(FreedesktopTrash::CandidateName("Album", 3), "Album.3");
    EXPECT_EQ(FreedesktopTrash::CandidateName(".hidden", 2), ".hidden.2");

    std::string longName;
    for (int i = 0; i < 100; ++i) longName += "\xC3\x96"; // 200 bytes of "Ö"
    longName += std::string(50, 'x') + ".jpeg";
    std::string candidate = FreedesktopTrash::CandidateName(longName, 12);
    EXPECT_LE(candidate.size() + std::string(".trashinfo").size(), 255u);
    EXPECT_TRUE(candidate.ends_with(".12.jpeg"));
    EXPECT_TRUE(candidate.starts_with("\xC3\x96\xC3\x96"));
}

TEST_F(FreedesktopTrashTest, LongNamesAndFoldersCanBeRecycled) {
    std::string longName = std::string(250, 'n') + ".tif";
    WriteFile(pictures / longName, "tiff");
    EXPECT_EQ(trash.Recycle((pictures / longName).string()), "");
    EXPECT_FALSE(fs::exists(pictures / longName));
    EXPECT_EQ(EntriesIn("files"), 1u);
    EXPECT_EQ(EntriesIn("info"), 1u);

    fs::create_directories(pictures / "Urlaub" / "Tag 1");
    WriteFile(pictures / "Urlaub" / "Tag 1" / "a.png", "png");
    EXPECT_EQ(trash.Recycle((pictures / "Urlaub/").string()), "");
    EXPECT_FALSE(fs::exists(pictures / "Urlaub"));
    EXPECT_EQ(ReadFile(trashFolder / "files" / "Urlaub" / "Tag 1" / "a.png"), "png");
    EXPECT_NE(Info("Urlaub").find("/Bilder/Urlaub\n"), std::string::npos);
}

TEST_F(FreedesktopTrashTest, FailuresLeaveTheOriginalAndNoRecord) {
    EXPECT_NE(trash.Recycle((pictures / "missing.jpg").string()), "");
    EXPECT_NE(trash.Recycle(""), "");
    EXPECT_NE(trash.Recycle("/"), "");
    EXPECT_NE(trash.Recycle((pictures / ".").string()), "");
    EXPECT_EQ(EntriesIn("info"), 0u);
    EXPECT_EQ(EntriesIn("files"), 0u);

    // A trash whose files/ cannot hold anything.
    fs::create_directories(trashFolder);
    WriteFile(trashFolder / "files", "not a folder");
    WriteFile(pictures / "keep.jpg", "keep");
    std::string error = trash.Recycle((pictures / "keep.jpg").string());
    EXPECT_NE(error, "");
    EXPECT_EQ(ReadFile(pictures / "keep.jpg"), "keep");
    EXPECT_EQ(EntriesIn("info"), 0u);
}

TEST_F(FreedesktopTrashTest, FileOnAnotherFileSystemIsCopiedCheckedThenRemoved) {
    if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm";
    ScratchFolder other("/dev/shm");
    struct stat here {
    }, there{};
    ASSERT_EQ(::stat(scratch.Path().c_str(), &here), 0);
    ASSERT_EQ(::stat(other.Path().c_str(), &there), 0);
    if (here.st_dev == there.st_dev) GTEST_SKIP() << "/dev/shm is on the same file system";

    std::string content(3 << 20, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
    fs::path photo = other / "big.raw";
    WriteFile(photo, content);
    fs::permissions(photo, fs::perms::owner_read | fs::perms::group_read);
    fs::create_directories(other / "album");

    EXPECT_EQ(trash.Recycle(photo.string()), "");
    EXPECT_FALSE(fs::exists(photo));
    EXPECT_EQ(ReadFile(trashFolder / "files" / "big.raw"), content);
    EXPECT_EQ(fs::status(trashFolder / "files" / "big.raw").permissions(),
              fs::perms::owner_read | fs::perms::group_read);

    // A folder cannot be copied across; it stays where it is.
    EXPECT_NE(trash.Recycle((other / "album").string()), "");
    EXPECT_TRUE(fs::is_directory(other / "album"));
    EXPECT_EQ(EntriesIn("info"), 1u);
}

TEST_F(FreedesktopTrashTest, DeleteRemovesForGoodAndReportsFailure) {
    WriteFile(pictures / "gone.jpg", "x");
    EXPECT_EQ(trash.Delete((pictures / "gone.jpg").string()), "");
    EXPECT_FALSE(fs::exists(pictures / "gone.jpg"));
    std::string error = trash.Delete((pictures / "gone.jpg").string());
    EXPECT_NE(error.find("gone.jpg"), std::string::npos);
    EXPECT_NE(trash.Delete(""), "");
    EXPECT_FALSE(fs::exists(trashFolder));
}

} // namespace
} // namespace zv
