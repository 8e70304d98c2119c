#include "viewer/PictureSave.h"

#include "formats/GraphicClasses.h"
#include "formats/JpegReader.h"
#include "imaging/PixelConvert.h"
#include "platform/Extensions.h"
#include "platform/ScriptedDialogs.h"

#include "ExifBlocks.h"
#include "TempFolderTest.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>

namespace {

using namespace zv;
namespace fs = std::filesystem;

std::uint32_t ColourAt(const Bitmap& picture, int x, int y) {
    std::vector<std::uint8_t> bgr(3 * static_cast<std::size_t>(picture.Width()));
    DecodeRow(picture, y, bgr.data());
    const std::uint8_t* p = &bgr[3 * static_cast<std::size_t>(x)];
    return p[0] << 16 | p[1] << 8 | p[2];
}

// A file read back by the layer's reader of its extension, or by the JPEG reader.
struct ReadBack {
    Bitmap picture;
    int bits = 0;
    explicit ReadBack(const std::string& path) {
        const std::string extension = UpperExtension(path);
        if (extension == ".JPG") {
            TJpegReader reader;
            reader.performance = JpegPerformance::Quality;
            reader.ReadHeader(path);
            reader.Decode(picture);
            bits = reader.ImageBits();
            return;
        }
        auto reader = NewGraphicForExtension(extension);
        reader->LoadFromFile(path);
        reader->AssignTo(picture);
        bits = reader->Bits();
    }
};

class PictureSaveTest : public zvtest::TempFolderTest {
protected:
    // 24-bit: every pixel its own colour. 1-bit: a checker of black and white.
    void Picture(PixelFormat format) {
        Bitmap& picture = imaging.current;
        picture.Create(19, 7, format);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 19; ++x) {
                std::uint8_t* row = picture.ScanLine(y);
                if (format == PixelFormat::Bits1 && (x + y) % 2)
                    row[x / 8] |= std::uint8_t(0x80 >> (x % 8));
                if (format == PixelFormat::Bits24)
                    row[3 * x] = std::uint8_t(x * 13), row[3 * x + 1] = std::uint8_t(y * 37),
                            row[3 * x + 2] = std::uint8_t(200 - x * 5);
            }
        imaging.descriptor = {19, 7, ImageBitsOf(format), 24};
        flags.modified = true;
    }
    SaveResult Save(const std::string& name, int type, int quality = 50) {
        SaveJob job;
        job.path = (folder / name).string();
        job.type = type;
        job.quality = quality;
        return SavePicture(job, services);
    }
    void ExpectSame(const Bitmap& back, int tolerance) const {
        ASSERT_EQ(back.Width(), 19);
        ASSERT_EQ(back.Height(), 7);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 19; ++x)
                for (int shift : {0, 8, 16}) {
                    const int want = ColourAt(imaging.current, x, y) >> shift & 0xFF;
                    EXPECT_NEAR(int(ColourAt(back, x, y) >> shift & 0xFF), want, tolerance)
                        << x << "," << y;
                }
    }

    ImagingContext imaging;
    ImageLibrary library;
    ScriptedDialogs dialogs;
    DocumentFlags flags;
    SaveServices services{imaging, library, dialogs, {}, {}};
};

TEST_F(PictureSaveTest, TypesOfferedAndTheNameRule) {
    EXPECT_EQ(OfferedSaveTypes(1), 12);
    EXPECT_EQ(OfferedSaveTypes(24), 9);
    EXPECT_EQ(SaveFilter(24).find("Fax"), std::string::npos);
    EXPECT_EQ(SaveFilter(1).substr(0, 50), "BMP (Windows Bitmap)|*.bmp|PCX (Zsoft Paintbrush)|");
    EXPECT_TRUE(SaveQualityEnabled(kSaveJpegGrey) && SaveProgressiveEnabled(kSavePng));
    EXPECT_FALSE(SaveQualityEnabled(kSavePng) || SaveProgressiveEnabled(kSaveTiff));
    EXPECT_EQ(SaveFileName("/a/x.png", kSaveJpegColour), "/a/x.jpg");
    EXPECT_EQ(SaveFileName("/a/x.JPG", kSaveJpegGrey), "/a/x.JPG");
    EXPECT_EQ(SaveFileName("/a.b/x", kSaveTiff), "/a.b/x.tif");
    EXPECT_EQ(SaveFileName("x.tiff", kSaveTiffPackbits), "x.tif");
    EXPECT_EQ(WriteFailureText(3, "/p/x.png"),
              "Zelvan 7.04 Write failure.\nSave Format=3\n/p/x.png");
}

TEST_F(PictureSaveTest, EveryTypeRoundTripsWithItsDepth) {
    struct Case {
        PixelFormat format;
        int type;
        int bits;
        int tolerance;
    };
    const int fax[] = {kSaveTiffFax3, kSaveTiffFax4, kSaveTiffPackbits};
    std::vector<Case> cases;
    for (int type = 1; type <= 9; ++type) {
        const bool jpeg = SaveQualityEnabled(type);
        cases.push_back({PixelFormat::Bits24, type, type == kSaveJpegGrey ? 8 : 24, jpeg ? 12 : 0});
        const int oneBitDepth = jpeg ? (type == kSaveJpegGrey ? 8 : 24) : type == kSaveTga ? 8 : 1;
        cases.push_back({PixelFormat::Bits1, type, oneBitDepth, jpeg ? 12 : 0});
    }
    for (int type : fax) cases.push_back({PixelFormat::Bits1, type, 1, 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "type " << c.type << ", bits " << BitsPerPixel(c.format));
        Picture(c.format);
        const std::string name = "p" + std::to_string(c.type) + "." + SaveTypeAt(c.type).extension;
        ASSERT_TRUE(Save(name, c.type, 0).saved) << dialogs.LastText();
        const ReadBack back((folder / name).string());
        EXPECT_EQ(back.bits, c.bits);
        if (c.type != kSaveJpegGrey) ExpectSame(back.picture, c.tolerance);
    }
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(PictureSaveTest, GreyJpegConvertsACopyAndBmpGoesThroughTheLibraryOnFewColours) {
    Picture(PixelFormat::Bits24);
    const Bitmap before = imaging.current;
    ASSERT_TRUE(Save("g.jpg", kSaveJpegGrey).saved);
    EXPECT_EQ(imaging.current.Format(), PixelFormat::Bits24);
    EXPECT_EQ(imaging.descriptor.ImageBits, 24);
    for (int y = 0; y < 7; ++y)
        EXPECT_EQ(0, std::memcmp(before.ScanLine(y), imaging.current.ScanLine(y), 19 * 3));
    EXPECT_EQ(ReadBack((folder / "g.jpg").string()).bits, 8);

    imaging.descriptor.ScreenBits = 8;
    ASSERT_TRUE(Save("lib.bmp", kSaveBmp).saved) << dialogs.LastText();
    ExpectSame(ReadBack((folder / "lib.bmp").string()).picture, 0);
    // A display picture is written as a true-colour one and stays as it is.
    imaging.current.SetPixelFormat(PixelFormat::Device);
    ASSERT_TRUE(Save("dev.bmp", kSaveBmp).saved);
    EXPECT_EQ(imaging.current.Format(), PixelFormat::Device);
    EXPECT_EQ(ReadBack((folder / "dev.bmp").string()).bits, 24);
}

TEST_F(PictureSaveTest, AJpegSavedFromAJpegKeepsItsMetadata) {
    Picture(PixelFormat::Bits24);
    const auto segment = [](std::uint8_t code, std::string text) {
        return JpegMarker{code, Bytes(text.begin(), text.end())};
    };
    const JpegMarker exif = segment(0xE1, std::string("Exif\0\0MM\0\x2a", 10) + "tags");
    const JpegMarker profile = segment(0xE2, std::string("ICC_PROFILE\0\x01\x01", 14) + "icc");
    const JpegMarker comment = segment(kJpegComment, "a comment");
    const JpegMarker adobe = segment(0xEE, std::string("Adobe\0\x64\0\0\0\0\0", 12));
    JpegEncodeOptions camera;
    camera.markers = {exif, profile, adobe, comment};
    const Bytes source = JpegEncode(imaging.current, camera);
    const std::string sourcePath = (folder / "camera.jpg").string();
    std::ofstream(sourcePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(source.data()),
               static_cast<std::streamsize>(source.size()));

    const auto savedMarkers = [&](const char* name, int type) {
        SaveJob job;
        job.path = (folder / name).string();
        job.type = type;
        job.metadataSource = sourcePath;
        EXPECT_TRUE(SavePicture(job, services).saved);
        return JpegDecoder(ReadWholeFile(job.path), true).Header().markers;
    };
    // EXIF, the colour profile and the comment come through in order, byte
    // for byte; the old file's Adobe segment does not describe the new coding.
    const std::vector<JpegMarker> colour = savedMarkers("copy.jpg", kSaveJpegColour);
    ASSERT_GE(colour.size(), 4u);
    EXPECT_EQ(colour[0].code, 0xE0); // the encoder's own JFIF header
    EXPECT_EQ(std::vector<JpegMarker>(colour.begin() + 1, colour.end()),
              (std::vector<JpegMarker>{exif, profile, comment}));
    // A grey copy drops the colour profile; a save from no JPEG keeps nothing.
    const std::vector<JpegMarker> grey = savedMarkers("grey.jpg", kSaveJpegGrey);
    EXPECT_EQ(std::vector<JpegMarker>(grey.begin() + 1, grey.end()),
              (std::vector<JpegMarker>{exif, comment}));
    ASSERT_TRUE(Save("plain.jpg", kSaveJpegColour).saved);
    EXPECT_EQ(JpegDecoder(ReadWholeFile(folder / "plain.jpg"), true).Header().markers.size(), 1u);
}

// exiftool, where installed, lists every EXIF tag of a camera JPEG again in
// the copy the viewer saves; only the orientation becomes 1 when the picture
// was turned upright by it.
TEST_F(PictureSaveTest, ExiftoolFindsEveryTagInTheSavedCopy) {
    if (std::system("exiftool -ver > /dev/null 2>&1") != 0) GTEST_SKIP() << "no exiftool";
    using zvtest::ExifEntry;
    const Bytes exif = zvtest::ExifBlock(false).Build({{0x010F, 2, {}, "Camera Maker"},
                                                       {0x0110, 2, {}, "Model 7"},
                                                       {0x0112, 3, {6}, {}},
                                                       {0x011A, 5, {72, 1}, {}},
                                                       {0x0128, 3, {2}, {}},
                                                       {0x0132, 2, {}, "2024:05:17 13:45:30"}},
                                                      {{0x829A, 5, {1, 250}, {}},
                                                       {0x829D, 5, {8, 1}, {}},
                                                       {0x8827, 3, {200}, {}},
                                                       {0x9003, 2, {}, "2024:05:17 13:45:30"},
                                                       {0x9209, 3, {16}, {}},
                                                       {0xA001, 3, {1}, {}}});
    Picture(PixelFormat::Bits24);
    JpegEncodeOptions camera;
    camera.markers = {{0xE1, exif}, {kJpegComment, Bytes{'h', 'i'}}};
    const Bytes source = JpegEncode(imaging.current, camera);
    const std::string sourcePath = (folder / "camera.jpg").string();
    std::ofstream(sourcePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(source.data()),
               static_cast<std::streamsize>(source.size()));
    const auto tags = [](const std::string& path) {
        const std::string list = path + ".tags";
        const std::string command =
            "exiftool -s -s -EXIF:all -Comment '" + path + "' > '" + list + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return zvtest::ReadText(list);
    };
    const std::string before = tags(sourcePath);
    ASSERT_NE(before.find("Model: Model 7"), std::string::npos) << before;
    ASSERT_NE(before.find("ExposureTime: 1/250"), std::string::npos) << before;

    for (const bool turned : {false, true}) {
        SaveJob job;
        job.path = (folder / (turned ? "upright.jpg" : "stored.jpg")).string();
        job.type = kSaveJpegColour;
        job.metadataSource = sourcePath;
        job.keepStoredOrientation = !turned;
        ASSERT_TRUE(SavePicture(job, services).saved);
        std::string expected = before;
        if (turned) {
            const std::string stored = "Orientation: Rotate 90 CW";
            ASSERT_NE(expected.find(stored), std::string::npos);
            expected.replace(expected.find(stored), stored.size(),
                             "Orientation: Horizontal (normal)");
        }
        EXPECT_EQ(tags(job.path), expected) << (turned ? "turned upright" : "as stored");
    }
}

TEST_F(PictureSaveTest, AFailedSaveReportsKeepsTheDocumentAndTheOldFile) {
    Picture(PixelFormat::Bits24);
    std::string currentPath = "/old/a.png", saveDir = "/old";
    ViewerHistory history;
    // Nobody may create files in /proc, whoever runs the test.
    SaveJob job;
    job.path = "/proc/zv-save.png";
    job.type = kSavePng;
    ApplySaveResult(SavePicture(job, services), currentPath, history, flags, saveDir);
    EXPECT_EQ(dialogs.LastText(), WriteFailureText(kSavePng, "/proc/zv-save.png"));
    EXPECT_TRUE(flags.modified);
    EXPECT_EQ(currentPath, "/old/a.png");
    EXPECT_TRUE(history.Empty());

    // A write cut short by the file size limit leaves the file that was there.
    const std::string kept = Write("keep.bmp", "old");
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 100;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const SaveResult failed = Save("keep.bmp", kSaveBmp);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(failed.saved);
    EXPECT_EQ(zvtest::ReadText(kept), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    // A type not offered for the picture is a write failure too.
    EXPECT_FALSE(Save("fax.tif", kSaveTiffFax4).saved);
    EXPECT_EQ(dialogs.LastText(), WriteFailureText(kSaveTiffFax4, (folder / "fax.tif").string()));
}

TEST_F(PictureSaveTest, TooLittleRoomWarnsAndWritesNothing) {
    Picture(PixelFormat::Bits24);
    imaging.descriptor.ImageWidth = 2048; // the room needed is judged by the descriptor
    imaging.descriptor.ImageHeight = 1024;
    services.freeSpace = [](const std::string&) { return std::optional<std::uint64_t>(2047); };
    const SaveResult result = Save("x.bmp", kSaveBmp);
    EXPECT_FALSE(result.saved);
    EXPECT_FALSE(result.saveDir);
    EXPECT_EQ(dialogs.LastText(),
              "Insufficient disk space.\nReq.: 6144 Kb\nFree: 1 Kb\n\nSave operation failed.");
    EXPECT_FALSE(fs::exists(folder / "x.bmp"));
}

class SaveCommandTest : public PictureSaveTest {
protected:
    SaveResult Run() {
        hooks.showDialog = [this](const SaveDialogRequest& request) {
            requests.push_back(request);
            SaveDialogAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        };
        hooks.askOverwrite = [this](const std::string& text) {
            questions.push_back(text);
            const Answer answer = overwrite.front();
            overwrite.pop_front();
            return answer;
        };
        return SaveAsCommand(context, state, services, hooks);
    }
    SaveDialogAnswer Chosen(const std::string& name, int type, int quality = 50) {
        return {SaveDialogResult::Save, (folder / name).string(), type, quality, false};
    }

    SaveCommandContext context{"/pictures/x.png", "/pictures/x.png", "", "/home"};
    SaveDialogState state;
    SaveCommandHooks hooks;
    std::deque<SaveDialogAnswer> answers;
    std::deque<Answer> overwrite;
    std::vector<SaveDialogRequest> requests;
    std::vector<std::string> questions;
};

TEST_F(SaveCommandTest, NameRuleQualityAndTheDocumentAfterwards) {
    Picture(PixelFormat::Bits24);
    context.saveDir = folder.string() + "/";
    answers = {Chosen("x.png", kSaveJpegColour, 200)};
    const SaveResult result = Run();
    ASSERT_TRUE(result.saved);
    EXPECT_EQ(requests[0].initialFolder, folder.string());
    EXPECT_EQ(requests[0].fileName, "x");
    EXPECT_EQ(state.quality, 50);
    const Bytes written = ReadWholeFile(folder / "x.jpg");
    TJpegWriter fifty;
    EXPECT_EQ(written, fifty.Compress(imaging.current));

    std::string currentPath = "/pictures/x.png", saveDir;
    ViewerHistory history;
    ApplySaveResult(result, currentPath, history, flags, saveDir);
    EXPECT_EQ(currentPath, (folder / "x.jpg").string());
    EXPECT_EQ(history.Current(), currentPath);
    EXPECT_FALSE(flags.modified);
    EXPECT_EQ(saveDir, folder.string());
}

TEST_F(SaveCommandTest, OverwriteNoAsksAgainAndCancelStops) {
    Picture(PixelFormat::Bits24);
    Write("x.bmp", "old");
    answers = {Chosen("x", kSaveBmp), Chosen("x.bmp", kSaveBmp)};
    overwrite = {Answer::No, Answer::Cancel};
    context.batch = true;
    const SaveResult result = Run();
    EXPECT_FALSE(result.saved);
    EXPECT_TRUE(result.clearBatchFlag);
    EXPECT_EQ(questions, std::vector<std::string>(2, "x.bmp exists.\nOverwrite?"));
    EXPECT_EQ(ReadWholeFile(folder / "x.bmp"), Bytes({'o', 'l', 'd'}));

    answers = {{SaveDialogResult::Wizard}};
    EXPECT_TRUE(Run().wizardWanted);
}

TEST_F(SaveCommandTest, BatchBmpWithASuffixGoesWithoutTheDialog) {
    Picture(PixelFormat::Bits24);
    context.saveDir = folder.string();
    context.batch = true;
    context.batchSuffix = "_b";
    const SaveResult result = Run();
    EXPECT_TRUE(result.saved);
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(result.currentPath.empty()); // a batch save leaves the document's path
    EXPECT_TRUE(fs::exists(folder / "x_b.bmp"));
}

TEST(SaveSettings, AdobeWarningAndTheWizardRecord) {
    ScriptedDialogs dialogs;
    SaveDialogState state;
    dialogs.answers = {Answer::Ok, Answer::Ignore};
    for (int i = 0; i < 3; ++i) SaveTypeChosen(kSaveTiffAdobeDeflate, state, dialogs);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>(2, kAdobeDeflateWarningText));

    const JpegWizardRecord defaults = JpegWizardRecord::Parse(std::nullopt);
    EXPECT_EQ(defaults.Serialize(), Bytes({0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 48, 0, 0, 0}));
    JpegWizardRecord changed;
    changed.values[2] = -2;
    EXPECT_EQ(JpegWizardRecord::Parse(changed.Serialize()), changed);
    EXPECT_EQ(JpegWizardRecord::Parse(Bytes(15, 7)), defaults);
}

TEST_F(PictureSaveTest, TheToolSavesThroughTheSameRoutes) {
    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL names the tool";
    Picture(PixelFormat::Bits24);
    ASSERT_TRUE(Save("in.png", kSavePng).saved);
    const std::string in = " '" + (folder / "in.png").string() + "' ";
    const auto out = [&](const char* name) { return "'" + (folder / name).string() + "'"; };
    EXPECT_EQ(zvtest::RunTool("convert --grey --quality 200" + in + out("g.png")).status, 0);
    ASSERT_TRUE(Save("here.jpg", kSaveJpegGrey).saved);
    EXPECT_EQ(ReadWholeFile(folder / "g.jpg"), ReadWholeFile(folder / "here.jpg"));
    const auto refused = zvtest::RunTool("convert --type 11" + in + out("f.tif"), {}, true);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("Write failure.\nSave Format=11\n"), std::string::npos)
        << refused.output;
}

} // namespace
