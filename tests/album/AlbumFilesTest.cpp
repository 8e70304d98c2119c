#include "album/AlbumFiles.h"

#include "FailingWrites.h"
#include "TempFolderTest.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>

namespace zv {
namespace {

namespace fs = std::filesystem;

std::string Lines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\r\n";
    return text;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The album: beach.jpg with effect 26, wait 5, gamma 120 and a
// comment, then song.mp3, in a pics/ folder of a temporary folder.
class AlbumFilesTest : public zvtest::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        pics = (folder / "pics").string() + "/";
        fs::create_directories(pics);
        Write("pics/beach.jpg", std::string(1000, 'b'));
        Write("pics/song.mp3", std::string(10, 's'));
        options.dataFolder = folder / "data";
        album.SetVolumeOf([](const std::string&) { return std::string("DATA.1A2B3C4D"); });
        ASSERT_TRUE(album.AddFile(pics + "beach.jpg", 0, 0));
        ASSERT_TRUE(album.AddFile(pics + "song.mp3", 1, 0));
        SlideRecord& beach = album.Slide(0);
        beach.effect = 26;
        beach.wait = 5;
        beach.gamma = 120;
        album.SetComment(0, "Sea, sand [and] sun");
    }

    // Paths, properties and comments of every slide.
    static std::vector<std::string> Summary(const SlideAlbum& a) {
        std::vector<std::string> rows;
        for (int i = 0; i < a.Count(); ++i) {
            const SlideRecord& r = a.Slide(i);
            rows.push_back(a.SlidePath(i) + " " + std::to_string(r.effect) + " " +
                           std::to_string(r.wait) + " " + std::to_string(r.gamma) + " " +
                           std::to_string(r.zoom) + " " + std::to_string(r.backColor) + " " +
                           std::to_string(r.fileSize) + " [" + std::string(a.CommentOf(i)) + "]");
        }
        return rows;
    }

    std::string LoadError(const fs::path& file) {
        SlideAlbum loaded;
        try {
            LoadAlbum(file, loaded, options);
        } catch (const EAlbumError& error) {
            EXPECT_EQ(loaded.Count(), 0);
            return error.what();
        }
        return "loaded " + std::to_string(loaded.Count());
    }

    std::string pics;
    AlbumFileOptions options;
    SlideAlbum album;
};

TEST(ScriptEscape, SeparatorsAndBack) {
    EXPECT_EQ(ScriptEscape("a,b[c]"), "a?b<c>");
    EXPECT_EQ(ScriptUnescape("a?b<c>"), "a,b[c]");
}

TEST_F(AlbumFilesTest, AvlHoldsTheExampleLinesAndReadsBackWithOrWithoutDataFiles) {
    const fs::path file = folder / "album.avl";
    SaveAlbum(file, album, options);
    const std::string script = zvtest::ReadText(file);
    EXPECT_NE(script.find("\r\nN=3\r\n"), std::string::npos);
    const std::string body =
        Lines({"[Directory]", ("0=" + pics).c_str(), "", "[1]", "F=beach.jpg,0", "E=1A", "W=5",
               "G=78", "S=Sea? sand <and> sun", "", "[2]", "F=song.mp3,0", "W=1", ""});
    EXPECT_EQ(script.substr(script.find("[Directory]")), body);
    const auto paths = AlbumDataFilePaths(options.dataFolder, file, 'A');
    EXPECT_EQ(zvtest::ReadText(paths[kCommentsFile]).substr(0, 3), " \r\n");
    EXPECT_EQ(fs::file_size(paths[kRecordsFile]), 2 * kSlideRecordSize);

    SlideAlbum restored;
    EXPECT_TRUE(LoadAlbum(file, restored, options).fromDataFiles);
    EXPECT_EQ(Summary(restored), Summary(album));
    for (const fs::path& path : paths) fs::remove(path);
    SlideAlbum decoded;
    EXPECT_FALSE(LoadAlbum(file, decoded, options).fromDataFiles);
    EXPECT_EQ(Summary(decoded), Summary(album));

    // LF and CR line ends read as CR LF does.
    for (const char* eol : {"\n", "\r"}) {
        const fs::path other = folder / "other.avl";
        std::ofstream(other, std::ios::binary) << Replaced(script, "\r\n", eol);
        SlideAlbum read;
        LoadAlbum(other, read, options);
        EXPECT_EQ(Summary(read), Summary(album)) << (eol[0] == '\n' ? "LF" : "CR");
    }
}

TEST_F(AlbumFilesTest, CatalogsKeepOnlyTheSlidesLeftAndRefuseDamagedDataFiles) {
    const fs::path file = folder / "album.avc";
    ASSERT_TRUE(album.AddFile(pics + "beach.jpg", 2, 0));
    SlideAlbum three = album;
    three.Cut({0});
    SaveAlbum(file, three, options);
    const auto paths = AlbumDataFilePaths(options.dataFolder, file, 'A');
    EXPECT_EQ(fs::file_size(paths[kRecordsFile]), 272u);
    SlideAlbum restored;
    LoadAlbum(file, restored, options);
    EXPECT_EQ(Summary(restored), Summary(three));

    // Saving again writes the other slot and removes the first.
    SaveAlbum(file, album, options);
    EXPECT_FALSE(fs::exists(paths[kRecordsFile]));
    const auto records = AlbumDataFilePaths(options.dataFolder, file, 'B')[kRecordsFile];
    EXPECT_EQ(fs::file_size(records), 3 * kSlideRecordSize);

    fs::resize_file(records, 3 * kSlideRecordSize - 1);
    EXPECT_NE(LoadError(file).find("Catalog data file is damaged:\n" + records.string()),
              std::string::npos);
    const std::string script = zvtest::ReadText(file);
    std::ofstream(file, std::ios::binary) << Replaced(script, records.string(), "/dev/zero");
    EXPECT_EQ(LoadError(file),
              "Catalog data file is damaged:\n/dev/zero\nIt is not a regular file.");
    std::ofstream(file, std::ios::binary) << Replaced(script, records.string(), "");
    EXPECT_EQ(LoadError(file).substr(0, 32), "Catalog data files are missing.\n");
}

TEST_F(AlbumFilesTest, BadScriptsSayWhichLine) {
    const fs::path file = folder / "album.avl";
    album.AddFile((folder / "sound.mp3").string(), 2, 0); // missing: not added
    ASSERT_TRUE(album.AddFile(Write("other.jpg", "x"), 2, 0));
    SaveAlbum(file, album, options);
    for (const fs::path& path : AlbumDataFilePaths(options.dataFolder, file, 'A')) fs::remove(path);
    const std::string script = zvtest::ReadText(file);
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {Replaced(script, "\r\n1=", "\r\n2="), "Bad AVL file.\nLine 16: expected \"1=\""},
        {script.substr(0, script.find("[2]")), "Bad AVL file.\nLine 25: expected \"[2]\""},
        {Replaced(script, "[1]", "[one]"), "Bad AVL file."},
        {"", "Bad AVL file."},
    };
    for (const auto& c : cases) {
        std::ofstream(file, std::ios::binary) << c.text;
        EXPECT_EQ(LoadError(file), c.error);
    }
}

TEST_F(AlbumFilesTest, FieldsOutOfRangeTakeTheirDefaultsAndUnsafeNamesAreMissing) {
    Write("pics/photo.JPG", "jpeg bytes");
    const fs::path file = folder / "hand.avl";
    std::ofstream(file, std::ios::binary) << Lines({"[Header]",
                                                    "N=6",
                                                    "[Directory]",
                                                    ("0=" + pics).c_str(),
                                                    "",
                                                    "[1]",
                                                    "F=photo,0",
                                                    "P=10,-5",
                                                    "U=0,300",
                                                    "E=FFFFF",
                                                    "G=zz",
                                                    "",
                                                    "[2]",
                                                    "F=beach.jpg,7",
                                                    "[3]",
                                                    "F=../pics/beach.jpg,0",
                                                    "[4]",
                                                    "F=..,0",
                                                    "[5]",
                                                    "F=------------------------------",
                                                    "X=3",
                                                    "W=9"});
    int asked = 0;
    options.missing = [&](std::int64_t, const std::string&) { return ++asked, true; };
    SlideAlbum read;
    EXPECT_EQ(LoadAlbum(file, read, options).missing, 3);
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(read.Count(), 2);
    EXPECT_EQ(read.SlidePath(0), pics + "photo.JPG");
    const SlideRecord& photo = read.Slide(0);
    EXPECT_EQ(std::vector<int>({photo.posX, photo.posY, photo.panelW, photo.panelH, photo.effect,
                                photo.gamma, photo.wait}),
              std::vector<int>({-2, -2, -2, -2, 0, 100, 0}));
    EXPECT_EQ(read.Slide(1).effect, 3);
    EXPECT_EQ(read.Slide(1).wait, 9);
    EXPECT_EQ(read.Slide(1).sequence, 4);

    options.missing = [](std::int64_t, const std::string&) { return false; };
    EXPECT_EQ(LoadAlbum(file, read, options).stopped, true);
    EXPECT_EQ(read.Count(), 0);
}

TEST_F(AlbumFilesTest, AFailedSaveLeavesTheAlbumAndItsDataFilesAsTheyWere) {
    const fs::path file = folder / "album.avc";
    SaveAlbum(file, album, options);
    ASSERT_TRUE(album.AddFile(pics + "song.mp3", 0, 0));
    const std::vector<std::string> names = zvtest::FilesIn(options.dataFolder);
    std::vector<std::string> before{zvtest::ReadText(file)};
    for (const std::string& name : names)
        before.push_back(zvtest::ReadText(options.dataFolder / name));
    const auto unchanged = [&] {
        if (zvtest::FilesIn(options.dataFolder) != names) return false;
        for (std::size_t i = 0; i < names.size(); ++i)
            if (zvtest::ReadText(options.dataFolder / names[i]) != before[i + 1]) return false;
        return zvtest::ReadText(file) == before[0];
    };
    for (int n = 1; n < 200; ++n) {
        SCOPED_TRACE("write call " + std::to_string(n));
        zvtest::FailingWrites writes(n, n % 2 ? ENOSPC : EIO);
        try {
            SaveAlbum(file, album, options);
        } catch (const EAlbumError& error) {
            EXPECT_EQ(std::string(error.what()), kCouldNotSaveScript);
            EXPECT_TRUE(unchanged()) << "after a failed " << writes.FailedCall();
            continue;
        }
        // Only the closing folder sync and the removal of the old files may
        // fail without failing the save, which has then taken place.
        if (!writes.Fired()) break;
        EXPECT_TRUE(writes.FailedCall() == "SyncFolder" || writes.FailedCall() == "Remove")
            << writes.FailedCall();
        fs::remove_all(options.dataFolder);
        fs::create_directories(options.dataFolder);
        std::ofstream(file, std::ios::binary) << before[0];
        for (std::size_t i = 0; i < names.size(); ++i)
            std::ofstream(options.dataFolder / names[i], std::ios::binary) << before[i + 1];
    }
}

TEST_F(AlbumFilesTest, PictureListsTestScriptsAndSaveNames) {
    const fs::path list = folder / "album.zvp";
    SaveAlbum(list, album, options);
    EXPECT_EQ(zvtest::ReadText(list),
              Lines({(pics + "beach.jpg").c_str(), (pics + "song.mp3").c_str()}));
    std::ofstream(list, std::ios::app | std::ios::binary) << folder.string() << "/gone.jpg\r\n";
    SlideAlbum read;
    EXPECT_EQ(LoadAlbum(list, read, options).missing, 1);
    EXPECT_EQ(read.Count(), 2);
    EXPECT_EQ(read.Slide(1).sequence, 1);

    const fs::path test = WriteTestScript(folder, album, 2, options);
    EXPECT_EQ(test.filename(), "Zelvan 7.04_Test.AVL");
    const std::string script = zvtest::ReadText(test);
    EXPECT_NE(script.find("\r\n@D=\r\n@C=\r\nRUN=2\r\n"), std::string::npos);
    EXPECT_EQ(LoadAlbum(test, read, options).runSlide, 2);
    EXPECT_EQ(read.Count(), 2);

    EXPECT_EQ(AlbumSaveName("/a/album.avl", AlbumFileType::Avc), fs::path("/a/album.avc"));
    EXPECT_EQ(AlbumSaveName("/a/album", AlbumFileType::PictureList), fs::path("/a/album.zvp"));
    EXPECT_EQ(AlbumSaveName("/a[1]/album", AlbumFileType::Avl), fs::path("/a[1]/album.avl"));
    EXPECT_EQ(AlbumSaveName("/a/my,album", AlbumFileType::Avl), std::nullopt);
}

// Files written on Windows: "C:\PICS OLD\" in upper case, names in other case.
TEST_F(AlbumFilesTest, FoldersAndNamesOfWindowsFilesAreFoundHere) {
    fs::create_directories(folder / "Pics Old");
    const std::string real = Write("Pics Old/Beach.JPG", "bytes");
    std::string windows = "C:" + (folder / "PICS OLD").string() + "/";
    for (char& c : windows) c = c == '/' ? '\\' : static_cast<char>(std::toupper(c));

    const fs::path avl = folder / "old.avl";
    std::ofstream(avl, std::ios::binary) << Lines(
        {"[Header]", "N=2", "[Directory]", ("0=" + windows).c_str(), "[1]", "F=BEACH.JPG,0"});
    SlideAlbum read;
    LoadAlbum(avl, read, options);
    ASSERT_EQ(read.Count(), 1);
    EXPECT_EQ(read.SlidePath(0), real);

    // A folder written in Windows-1252 ("caf\xE9") that is UTF-8 here.
    fs::create_directories(folder / "caf\xC3\xA9");
    const std::string inCafe = Write("caf\xC3\xA9/a.jpg", "bytes");
    std::ofstream(avl, std::ios::binary)
        << Lines({"[Header]", "N=2", "[Directory]", ("0=" + folder.string() + "/caf\xE9/").c_str(),
                  "[1]", "F=a.jpg,0"});
    LoadAlbum(avl, read, options);
    ASSERT_EQ(read.Count(), 1);
    EXPECT_EQ(read.SlidePath(0), inCafe);

    SlideAlbum old;
    old.SetVolumeOf([](const std::string&) { return std::string("DATA.1A2B3C4D"); });
    ASSERT_TRUE(old.AddSlide({windows, "beach", ".JPG"}, {5, 0, 0, 0}, 0, 0));
    options.mounts = [](const std::string& volume) {
        return std::string(volume == "DATA.1A2B3C4D" ? "/" : "");
    };
    const fs::path avc = folder / "old.avc";
    SaveAlbum(avc, old, options);
    // The header names its data files where they were, in another case.
    std::string script = zvtest::ReadText(avc);
    for (const fs::path& path : AlbumDataFilePaths(options.dataFolder, avc, 'A')) {
        std::string name = path.filename().string();
        for (char& c : name) c = static_cast<char>(std::toupper(c));
        script = Replaced(script, path.string(), "C:\\ZELVAN\\DATA\\" + name);
    }
    std::ofstream(avc, std::ios::binary) << script;
    EXPECT_TRUE(LoadAlbum(avc, read, options).fromDataFiles);
    ASSERT_EQ(read.Count(), 1);
    EXPECT_EQ(read.SlidePath(0), real);
}

TEST_F(AlbumFilesTest, ToolListsAndChecksAlbums) {
    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL is not set";
    const std::string home = "ZELVAN_HOME='" + folder.string() + "'";
    options.dataFolder = folder / "data";
    const fs::path avc = folder / "album.avc", avl = folder / "album.avl";
    SaveAlbum(avc, album, options);
    SaveAlbum(avl, album, options);
    const zvtest::ToolRun list = zvtest::RunTool("album list '" + avc.string() + "'", home);
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.output,
              "1\t" + pics + "beach.jpg\tSea, sand [and] sun\n2\t" + pics + "song.mp3\t\n");
    EXPECT_EQ(zvtest::RunTool("album check '" + avc.string() + "'", home).status, 0);

    fs::remove(pics + "song.mp3");
    const zvtest::ToolRun catalog = zvtest::RunTool("album check '" + avc.string() + "'", home);
    EXPECT_EQ(catalog.status, 1);
    EXPECT_EQ(catalog.output, "record 1: missing file " + pics + "song.mp3\n");
    fs::remove_all(folder / "data");
    const zvtest::ToolRun script = zvtest::RunTool("album check '" + avl.string() + "'", home);
    EXPECT_EQ(script.output, "slide 2: missing file " + pics + "song.mp3\n");
    EXPECT_EQ(zvtest::RunTool("album list", home).status, 2);

    const fs::path made = folder / "made.avc", listed = folder / "list.txt";
    std::ofstream(listed) << pics << "beach.jpg\n" << pics << "song.mp3\n";
    EXPECT_EQ(zvtest::RunTool(
                  "album make '" + made.string() + "' --files-from '" + listed.string() + "'", home)
                  .status,
              1);
    const fs::path converted = folder / "converted.zvp";
    EXPECT_EQ(
        zvtest::RunTool("album convert '" + made.string() + "' '" + converted.string() + "'", home)
            .status,
        0);
    EXPECT_EQ(zvtest::ReadText(converted), pics + "beach.jpg\r\n");
}

} // namespace
} // namespace zv
