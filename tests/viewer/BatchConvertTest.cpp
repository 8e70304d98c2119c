// Batch conversion: target names, skipped sources, the same files for any
// number of workers, the stops (no room, a failed write, cancel) and DELETE.

#include "viewer/BatchConvert.h"

#include "formats/DecodeFile.h"

#include "../ExifJpeg.h"
#include "../TempFolderTest.h"
#include "../ToolRunner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

class BatchConvertTest : public zvtest::TempFolderTest {
protected:
    // A picture of `width` x `height` with a gradient, written as `type`.
    std::string Picture(const std::string& name, int type, int width = 40, int height = 30) {
        zv::Bitmap picture;
        picture.Create(width, height, zv::PixelFormat::Bits24);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width * 3; ++x)
                picture.ScanLine(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 3);
        zv::ImageLibrary library;
        library.ImgInit();
        zv::SaveSettings settings;
        settings.type = type;
        const std::string path = (folder / name).string();
        zv::WritePictureAs(picture, path, settings, library);
        return path;
    }

    std::string Folder(const std::string& name) {
        fs::create_directories(folder / name);
        return (folder / name).string();
    }

    zv::BatchConvertJob Job(std::vector<std::string> sources, const std::string& out,
                            std::optional<int> target = 2) {
        zv::BatchConvertJob job;
        job.sources = std::move(sources);
        job.targetFolder = out;
        job.target = target;
        return job;
    }
};

std::vector<std::string> Names(const std::vector<std::string>& paths) {
    std::vector<std::string> names;
    for (const std::string& path : paths) names.push_back(fs::path(path).filename().string());
    return names;
}

TEST_F(BatchConvertTest, NamesSkipsAndFilesAreTheSameForOneOrFourWorkers) {
    const std::string jpeg = Picture("a.jpg", zv::kSaveJpegColour);
    const std::string bytes = zvtest::ReadText(jpeg);
    Write("photo.jpeg", bytes);
    Write("x.jp", bytes);
    Write("cut.jpg", bytes.substr(0, bytes.size() / 3));
    Write("t.jpg", "just some text, not a picture\n");
    const std::vector<std::string> sources = {jpeg,
                                              Picture("a.png", zv::kSavePng),
                                              (folder / "cut.jpg").string(),
                                              (folder / "photo.jpeg").string(),
                                              (folder / "t.jpg").string(),
                                              (folder / "x.jp").string()};
    std::vector<std::vector<std::string>> contents;
    for (int jobs : {1, 4}) {
        zv::BatchConvertJob job = Job(sources, Folder("out" + std::to_string(jobs)));
        job.jobs = jobs;
        job.script = {"GAMMA=150,150,150", "SAVE=_s"};
        const zv::BatchConvertReport report = zv::RunBatchConvert(job);
        EXPECT_EQ(Names(report.written),
                  (std::vector<std::string>{"a_s.png", "a.png", "a_s-1.png", "a-1.png",
                                            "photo_s.png", "photo.png", "x_s.png", "x.png"}));
        EXPECT_EQ(report.log,
                  (std::vector<std::string>{"Skipped: " + sources[2], "Skipped: " + sources[4]}));
        std::vector<std::string> files;
        for (const std::string& path : report.written) files.push_back(zvtest::ReadText(path));
        contents.push_back(files);
        EXPECT_EQ(zvtest::FilesIn(job.targetFolder).size(), 8u); // no temporary file left
    }
    EXPECT_EQ(contents[0], contents[1]);
    EXPECT_EQ(zv::SkippedFilesText(2), "2 file(s) skipped.  Some files may be opened and "
                                       "processed manually.\nView log?");
}

TEST_F(BatchConvertTest, JpegTargetsCarryTheCommentAfterTheHeader) {
    zv::BatchConvertJob job = Job({Picture("c.png", zv::kSavePng)}, Folder("out"), 0);
    const zv::BatchConvertReport report = zv::RunBatchConvert(job);
    ASSERT_EQ(report.written.size(), 1u);
    const std::string bytes = zvtest::ReadText(report.written[0]);
    const std::string comment = zv::kBatchJpegComment;
    ASSERT_GT(bytes.size(), 24 + comment.size());
    EXPECT_EQ(bytes.substr(20, 2), "\xFF\xFE");
    EXPECT_EQ((std::uint8_t(bytes[22]) << 8) | std::uint8_t(bytes[23]), comment.size() + 2);
    EXPECT_EQ(bytes.substr(24, comment.size()), comment);
    EXPECT_TRUE(comment.starts_with("Encoded with Zelvan 7.04 - "));
}

// The stored JPEG settings: progressive, the encoder's subsampling, no
// pre-filter with an amount of 200 (the encoder smooths at its most, 100) and
// quality 200, which doubles the standard tables.
TEST_F(BatchConvertTest, JpegTargetsFollowTheStoredSettings) {
    zv::BatchConvertJob job = Job({Picture("d.png", zv::kSavePng)}, Folder("out"), 0);
    job.jpeg = zv::JpegWizardRecord::Parse(
        std::vector<std::uint8_t>{1, 1, 1, 1, 0, 0, 0, 0, 0xC8, 0, 0, 0, 0xC8, 0, 0, 0});
    const zv::BatchConvertReport report = zv::RunBatchConvert(job);
    ASSERT_EQ(report.written.size(), 1u);
    const std::string bytes = zvtest::ReadText(report.written[0]);
    const std::size_t sof = bytes.find("\xFF\xC2");
    ASSERT_NE(sof, std::string::npos) << "not progressive";
    EXPECT_EQ(std::uint8_t(bytes[sof + 11]), 0x22); // luma sampled 2 x 2
    const std::size_t dqt = bytes.find("\xFF\xDB");
    ASSERT_NE(dqt, std::string::npos);
    EXPECT_EQ(std::uint8_t(bytes[dqt + 5]), 32); // 16 x 200 / 100
}

// A PNG with alpha converted to PNG and TGA keeps its alpha.
TEST_F(BatchConvertTest, PngAndTgaTargetsKeepAlpha) {
    zv::Bitmap source;
    source.Create(4, 2, zv::PixelFormat::Bits32);
    source.SetAlpha(true);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            std::uint8_t* p = source.ScanLine(y) + 4 * x;
            p[0] = 30, p[1] = static_cast<std::uint8_t>(100 * y), p[2] = 200;
            p[3] = static_cast<std::uint8_t>(85 * x); // clear to opaque
        }
    zv::ImageLibrary library;
    library.ImgInit();
    zv::SaveSettings settings;
    settings.type = zv::kSavePng;
    const std::string path = (folder / "alpha.png").string();
    zv::WritePictureAs(source, path, settings, library);
    for (const int target : {2, 4}) {
        const zv::BatchConvertReport report =
            zv::RunBatchConvert(Job({path}, Folder("out" + std::to_string(target)), target));
        ASSERT_EQ(report.written.size(), 1u);
        zv::DecodeOptions keep;
        keep.keepAlpha = true;
        const zv::Bitmap back = zv::DecodeFile(report.written[0], 1, keep).pixels;
        ASSERT_TRUE(back.HasAlpha()) << report.written[0];
        for (int x = 1; x < 4; ++x) // a clear pixel's colour need not be kept
            EXPECT_EQ(back.ScanLine(1)[4 * x + 3], source.ScanLine(1)[4 * x + 3]) << x;
    }
}

TEST_F(BatchConvertTest, AllNumberedNamesTakenGivesNoName) {
    const auto taken = [](const std::string&) { return true; };
    EXPECT_FALSE(zv::BatchTargetName("/out", "/in/a.jpg", ".png", taken));
    const auto aTaken = [](const std::string& name) { return name == "/out/a.png"; };
    EXPECT_EQ(zv::BatchTargetName("/out", "/in/a.jpg", ".png", aTaken), "/out/a-1.png");
}

TEST_F(BatchConvertTest, ProgressAndTheRoomOnTheDisk) {
    const std::vector<std::string> sources = {Picture("p1.png", zv::kSavePng),
                                              Picture("p2.png", zv::kSavePng),
                                              Picture("p3.png", zv::kSavePng)};
    zv::BatchConvertJob job = Job(sources, Folder("out"));
    std::vector<std::string> progress;
    job.progress = [&](int done, int percent) {
        progress.push_back(zv::BatchProgressText(done, percent));
    };
    zv::RunBatchConvert(job);
    EXPECT_EQ(progress.front(), "1 file(s) processed.  33% done.");
    EXPECT_EQ(progress.back(), "3 file(s) processed.  100% done.");

    zv::BatchConvertJob big =
        Job({Picture("big.png", zv::kSavePng, 1000, 1000), sources[0]}, Folder("full"), 1);
    big.freeSpace = [](const std::string&) { return std::uint64_t{1048576}; };
    const zv::BatchConvertReport report = zv::RunBatchConvert(big);
    EXPECT_EQ(report.stopText,
              "Insufficient disk space.\nReq.: 2961 Kb\nFree: 1024 Kb\n\nBatch cancelled.");
    EXPECT_TRUE(report.written.empty());
    EXPECT_TRUE(zvtest::FilesIn(big.targetFolder).empty());
}

TEST_F(BatchConvertTest, DeleteWaitsForTheTargetAndCancelLeavesNoFile) {
    const std::string kept = Picture("kept.png", zv::kSavePng);
    zv::BatchConvertJob failing = Job({kept}, (folder / "missing").string());
    failing.script = {"SAVE=_x", "DELETE"};
    failing.allowDelete = true;
    EXPECT_EQ(zv::RunBatchConvert(failing).stopText, zv::kBatchAbortedText);
    EXPECT_TRUE(fs::exists(kept));

    zv::BatchConvertJob deleting = failing;
    deleting.targetFolder = Folder("out");
    EXPECT_EQ(zv::RunBatchConvert(deleting).deleted, std::vector<std::string>{kept});
    EXPECT_FALSE(fs::exists(kept));

    std::atomic<int> polls = 0;
    zv::BatchConvertJob cancelled =
        Job({Picture("c1.png", zv::kSavePng), Picture("c2.png", zv::kSavePng)}, Folder("c"));
    cancelled.jobs = 2;
    cancelled.cancelled = [&] { return polls++ > 0; };
    const zv::BatchConvertReport report = zv::RunBatchConvert(cancelled);
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(zvtest::FilesIn(cancelled.targetFolder), Names(report.written));
}

// A JPEG taken turned stands upright in the targets unless --no-orient.
TEST_F(BatchConvertTest, TheToolStandsTurnedJpegsUprightUnlessAsked) {
    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL names the tool";
    zv::Bitmap stored;
    stored.Create(40, 30, zv::PixelFormat::Bits24);
    const zv::Bytes turned = zvtest::JpegWithOrientation(stored, 6);
    const std::string source = Write("turned.jpg", std::string(turned.begin(), turned.end()));
    for (const bool keep : {false, true}) {
        const std::string out = Folder(keep ? "stored" : "upright");
        EXPECT_EQ(zvtest::RunTool("batch-convert --to bmp --out '" + out + "' " +
                                  (keep ? "--no-orient '" : "'") + source + "'")
                      .status,
                  0);
        const zv::Bitmap back = zv::DecodeFile(out + "/turned.bmp", 1, {}).pixels;
        EXPECT_EQ(back.Width(), keep ? 40 : 30);
    }
}

TEST_F(BatchConvertTest, TheToolChecksTheScriptFirstAndExitsOneOnASkip) {
    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL names the tool";
    const std::string a = Picture("a.png", zv::kSavePng);
    const std::string text = Write("t.jpg", "not a picture\n");
    const std::string good = Write("good.bip", "gamma=150,150,150\r\n>inactive\r\n");
    const std::string bad = Write("bad.bip", "GAMMA=150,150,150\nFROB\n");
    const std::string log = (folder / "log.txt").string();
    const std::string out = Folder("out"), viaBip = Folder("bip");
    const std::string files = " '" + a + "' '" + text + "'";

    EXPECT_EQ(
        zvtest::RunTool("batch-convert --to png --out '" + out + "' --script '" + bad + "'" + files)
            .status,
        2);
    EXPECT_TRUE(zvtest::FilesIn(out).empty());
    EXPECT_EQ(zvtest::RunTool("batch-convert --to png --jobs 2 --out '" + out + "' --log '" + log +
                              "' --script '" + good + "'" + files)
                  .status,
              1);
    EXPECT_EQ(zvtest::ReadText(log), "Skipped: " + text + "\r\n");
    const std::string list = Write("list.zvp", a + "\r\n");
    EXPECT_EQ(
        zvtest::RunTool("batch-convert --to bmp --out '" + out + "' --files-from '" + list + "'")
            .status,
        0);
    EXPECT_TRUE(fs::exists(folder / "out" / "a.bmp"));
    EXPECT_EQ(zvtest::RunTool("bip '" + good + "' '" + a + "' --out '" + viaBip + "'").status, 0);
    EXPECT_EQ(zvtest::ReadText(folder / "out" / "a.png"),
              zvtest::ReadText(folder / "bip" / "a.png"));
}

TEST_F(BatchConvertTest, InterruptingTheToolLeavesNoTemporaryFile) {
    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL names the tool";
    std::string files;
    for (int i = 0; i < 8; ++i)
        files += " '" + Picture("i" + std::to_string(i) + ".png", zv::kSavePng, 900, 700) + "'";
    const std::string out = Folder("out");
    // The run may end before the signal comes: either way nothing half-made stays.
    const zvtest::ToolRun run =
        zvtest::RunTool("batch-convert --to tif --jobs 2 --out '" + out + "'" + files +
                        " & pid=$!; sleep 0.2; kill -INT $pid; wait $pid; echo \" status $?\"");
    EXPECT_TRUE(run.output.ends_with(" status 130\n") || run.output.ends_with(" status 0\n"))
        << run.output;
    for (const std::string& name : zvtest::FilesIn(out))
        EXPECT_FALSE(name.starts_with(".")) << name;
}

} // namespace
