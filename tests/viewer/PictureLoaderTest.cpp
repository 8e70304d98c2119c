#include "viewer/PictureLoader.h"

#include "formats/BmpGraphic.h"
#include "formats/IconGraphic.h"
#include "formats/PngGraphic.h"
#include "formats/TiffGraphic.h"
#include "platform/ScriptedDialogs.h"

#include "ExifJpeg.h"
#include "TempFolderTest.h"
#include "formats/FlashPixChecks.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace zv;
namespace fs = std::filesystem;

class FakeHost : public LoadHost {
public:
    void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
    ViewArea ViewSize() const override { return view; }
    void ShowEmptyPicture() override { ++emptyShown; }
    void PictureShown() override { ++shown; }
    std::vector<std::string> statusTexts;
    ViewArea view;
    int emptyShown = 0;
    int shown = 0;
};

class PictureLoaderTest : public zvtest::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        names = std::make_unique<TempNames>(folder, 99);
        names->DrawPrefix(3u);
        loader = std::make_unique<PictureLoader>(
            LoadServices{imaging, library, photoCd, *names, dialogs, host, settings});
    }

    std::string Write(TDibGraphic& image, const char* name) {
        const auto path = folder / name;
        image.SaveToFile(path);
        return path.string();
    }
    std::string Picture(TDibGraphic& image, const char* name, int w, int h, ImageFormat format) {
        image.NewImage(w, h, format);
        return Write(image, name);
    }
    int Probe(const std::string& path) {
        state.path = path;
        return loader->ProbePicture(state);
    }
    // As the viewer opens: the failure exit when the probe fails.
    bool Open(const std::string& path) {
        if (Probe(path) < 0) {
            loader->ImageErr(state);
            return false;
        }
        loader->OpenImage(state);
        return state.ready;
    }

    std::unique_ptr<TempNames> names;
    ImagingContext imaging;
    ImageLibrary library;
    PhotoCdLibrary photoCd;
    ScriptedDialogs dialogs;
    FakeHost host;
    LoadSettings settings;
    PictureState state;
    std::unique_ptr<PictureLoader> loader;
};

TEST_F(PictureLoaderTest, ExtensionsDecideTheKindOfFile) {
    state.fallbackPath = "/pictures/start.bmp";
    EXPECT_EQ(Probe((folder / "notes.txt").string()), kProbeText);
    EXPECT_EQ(Probe((folder / "drawing.wmf").string()), kProbeVector);
    EXPECT_EQ(Probe((folder / "song.mp3").string()), kProbeMedia);
    EXPECT_EQ(Probe((folder / "photo.jpe").string()), kProbeFailed); // accepted, but missing
    // An empty extension or a lone dot is in no list, and the path goes back.
    EXPECT_EQ(Probe((folder / "README").string()), kProbeFailed);
    EXPECT_EQ(state.path, "/pictures/start.bmp");
    EXPECT_EQ(Probe((folder / "odd.").string()), kProbeFailed);
    EXPECT_EQ(Probe((folder / "archive.xyz").string()), kProbeFailed);
}

TEST_F(PictureLoaderTest, AOneBitBmpIsMeasuredByTheBmpReader) {
    TBmpGraphic bmp;
    const std::string path = Picture(bmp, "mono.bmp", 33, 7, ImageFormat::BW);
    EXPECT_EQ(Probe(path), kProbePicture);
    EXPECT_EQ(imaging.descriptor.ImageWidth, 33);
    EXPECT_EQ(imaging.descriptor.ImageBits, 1);
    loader->OpenImage(state);
    ASSERT_TRUE(state.ready);
    EXPECT_EQ(imaging.current.Format(), PixelFormat::Bits1);
}

TEST_F(PictureLoaderTest, SmallTrueColourPngsGoThroughTheLibraryLargeOnesDirect) {
    TPngGraphic small, large;
    ASSERT_TRUE(Open(Picture(small, "small.png", 100, 100, ImageFormat::Color24)));
    EXPECT_EQ(state.route, "library");
    EXPECT_EQ(imaging.current.Width(), 100);
    ASSERT_TRUE(Open(Picture(large, "large.png", 200, 200, ImageFormat::Color24)));
    EXPECT_EQ(state.route, "layer");
    EXPECT_EQ(imaging.descriptor.ImageBits, 24);
    TPngGraphic grey;
    ASSERT_TRUE(Open(Picture(grey, "grey.png", 20, 10, ImageFormat::Gray8)));
    EXPECT_EQ(imaging.current.Format(), PixelFormat::Bits8);
    EXPECT_EQ(imaging.descriptor.ImageBits, 8);
}

TEST_F(PictureLoaderTest, FaxPagesBecomeGreyAtTheirQuality) {
    TTiffGraphic fax;
    fax.NewImage(1728, 2200, ImageFormat::BW);
    fax.SetCompression(TiffCompression::FaxGroup4);
    const std::string path = Write(fax, "fax.tif");

    settings.faxQuality = 2;
    ASSERT_TRUE(Open(path));
    EXPECT_TRUE(loader->TiffNeedsLibrary());
    EXPECT_EQ(imaging.current.Width(), 573);
    EXPECT_EQ(imaging.current.Height(), 730);
    EXPECT_EQ(imaging.descriptor.ImageBits, 8);

    settings.faxQuality = 1;
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(imaging.current.Width(), 860);
    EXPECT_EQ(imaging.current.Height(), 1096);

    settings.faxQuality = 0;
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(imaging.current.Format(), PixelFormat::Bits1);
    EXPECT_EQ(imaging.current.Width(), 1728);
}

TEST_F(PictureLoaderTest, TheTiffReadByTheProbeIsTheOneLoaded) {
    TTiffGraphic tiff;
    tiff.NewImage(30, 20, ImageFormat::Color24);
    tiff.SetPixel(4, 5, 0x00123456);
    const std::string path = Write(tiff, "colour.tif");
    ASSERT_EQ(Probe(path), kProbePicture);
    fs::remove(path); // the load must not need the file again
    loader->OpenImage(state);
    ASSERT_TRUE(state.ready);
    EXPECT_EQ(imaging.current.ScanLine(5)[3 * 4 + 2], 0x56);
}

TEST_F(PictureLoaderTest, AFailedOpenPutsTheDepthAndPathBack) {
    state.fallbackPath = "/pictures/start.bmp";
    imaging.descriptor.ImageBits = 4;
    const auto path = folder / "broken.png";
    std::ofstream(path) << "\x89PNG\r\n\x1a\n not really";
    state.path = path.string();
    // The viewer takes the failure exit when the probe fails, else opens.
    if (loader->ProbePicture(state) < 0)
        loader->ImageErr(state);
    else
        loader->OpenImage(state);
    EXPECT_FALSE(state.ready);
    EXPECT_EQ(imaging.descriptor.ImageBits, 4);
    EXPECT_EQ(state.path, "/pictures/start.bmp");
}

TEST_F(PictureLoaderTest, AHeaderLargerThanItsFileIsRefusedByTheProbe) {
    TBmpGraphic bmp;
    const std::string path = Picture(bmp, "liar.bmp", 4, 4, ImageFormat::Color24);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    const std::int32_t huge = 60000;
    file.seekp(18);
    file.write(reinterpret_cast<const char*>(&huge), 4);
    file.write(reinterpret_cast<const char*>(&huge), 4);
    file.close();
    EXPECT_EQ(Probe(path), kProbeFailed);
}

} // namespace

#include "viewer/ImageInfo.h"

namespace {

TEST_F(PictureLoaderTest, TheInformationTextDescribesPictureAndFile) {
    TPngGraphic png;
    const std::string path = Picture(png, "info.png", 300, 200, ImageFormat::Color24);
    ASSERT_TRUE(Open(path));
    const ImageInfoText info = BuildImageInfo({path, std::nullopt, ""}, state, imaging);
    EXPECT_FALSE(info.missing);
    EXPECT_TRUE(info.text.starts_with("300x200(24) dib\nName: info.png\nPath: " + folder.string() +
                                      "/\nDate: "))
        << info.text;
    EXPECT_NE(info.text.find("\nUses: 180000 bytes\nVideo: 24 bpp"), std::string::npos);
    EXPECT_NE(info.text.find("\nCRC: "), std::string::npos);
    EXPECT_EQ(info.text.find("Pages:"), std::string::npos);

    state.scaledDecode = true;
    state.fullWidth = 1200;
    state.fullHeight = 800;
    state.jpegScale = 4;
    const ImageInfoText scaled = BuildImageInfo({path, std::string("comment"), ""}, state, imaging);
    EXPECT_TRUE(scaled.text.starts_with("1200x800(24) [1:4] dib\nDate: ")) << scaled.text;

    EXPECT_EQ(BuildImageInfo({"Untitled", std::nullopt, ""}, state, imaging).text, "");
    const ImageInfoText gone =
        BuildImageInfo({(folder / "gone.png").string(), std::nullopt, ""}, state, imaging);
    EXPECT_TRUE(gone.missing);
    EXPECT_EQ(gone.text, "gone.png not found.");
}

} // namespace

namespace {

// A JPEG written by the library's writer.
std::string WriteJpeg(ImageLibrary& library, const fs::path& path, int width, int height) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    LibraryImage image;
    image.pages.push_back(std::move(picture));
    const ImgHandle handle = library.Adopt(std::move(image));
    EXPECT_EQ(library.ImgXWriteImage(path.string(), "jpg", handle, 0, 0, 0), 1);
    library.ImgClose(handle);
    return path.string();
}

TEST_F(PictureLoaderTest, AFittedJpegIsDecodedAtTheScaleOfTheView) {
    const std::string path = WriteJpeg(library, folder / "big.jpg", 4000, 3000);
    settings.fitToWindow = true;
    host.view = {800, 600};
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(state.route, "jpeg");
    EXPECT_EQ(state.jpegScale, 4);
    EXPECT_TRUE(state.scaledDecode);
    EXPECT_EQ(imaging.current.Width(), 1000);
    EXPECT_EQ(imaging.current.Height(), 750);
    EXPECT_EQ(state.fullWidth, 4000);
    EXPECT_TRUE(host.statusTexts.back().starts_with("Loaded ")) << host.statusTexts.back();

    settings.fitToWindow = false;
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(imaging.current.Width(), 4000);
    EXPECT_FALSE(state.scaledDecode);
}

TEST_F(PictureLoaderTest, AnyExtensionWithJpTakesTheJpegRoute) {
    const std::string path = WriteJpeg(library, folder / "small.jpe", 40, 30);
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(state.route, "jpeg");
    EXPECT_EQ(imaging.current.Width(), 40);
}

TEST_F(PictureLoaderTest, AJpegErrorReachesTheCallerAndTheNextJpegOpenFailsAtOnce) {
    const std::string good = WriteJpeg(library, folder / "good.jpg", 64, 64);
    // A second frame header inside the scan: the header reads, the decode fails.
    Bytes bytes = ReadWholeFile(good);
    std::size_t sof = 0, sos = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0 && !sof) sof = i;
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA && !sos) sos = i;
    }
    ASSERT_TRUE(sof && sos);
    const std::size_t sofLength = 2 + (bytes[sof + 2] << 8 | bytes[sof + 3]);
    const std::size_t scanData = sos + 2 + (bytes[sos + 2] << 8 | bytes[sos + 3]);
    const Bytes frame(bytes.begin() + static_cast<std::ptrdiff_t>(sof),
                      bytes.begin() + static_cast<std::ptrdiff_t>(sof + sofLength));
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(scanData + 4), frame.begin(),
                 frame.end());
    const auto broken = folder / "broken.jpg";
    std::ofstream(broken, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));

    state.fallbackPath = good;
    state.path = broken.string();
    ASSERT_EQ(loader->ProbePicture(state), kProbePicture);
    try {
        loader->OpenImage(state);
        ADD_FAILURE() << "a broken JPEG opened";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("JPEG"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(state.jpegError);
    state.path = good;
    loader->OpenImage(state);
    EXPECT_FALSE(state.ready);
    EXPECT_FALSE(state.jpegError);
    ASSERT_TRUE(Open(good));
}

TEST_F(PictureLoaderTest, IconFilesOpenAsPictures) {
    TIconGraphic icon;
    const std::string path = Picture(icon, "app.ico", 32, 32, ImageFormat::Color24);
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(state.route, "layer");
    EXPECT_EQ(imaging.current.Width(), 32);
    EXPECT_EQ(imaging.current.Height(), 32);
    EXPECT_EQ(imaging.descriptor.ImageBits, 24);
}

// Every image of an icon is a page, the largest first; a lying directory
// fails the open. The files are the icon fuzz target's seeds.
TEST_F(PictureLoaderTest, IconImagesArePagesAndLyingIconsFail) {
    const auto seeds = zvtest::TestDataFolder().parent_path() / "fuzz/seeds/IconFuzz";
    const auto icon = folder / "two.cur";
    std::filesystem::copy_file(seeds / "two-images.ico", icon);
    ASSERT_TRUE(Open(icon.string()));
    EXPECT_EQ(state.pageCount, 2);
    EXPECT_EQ(imaging.current.Width(), 4);
    ASSERT_TRUE(loader->LoadPictureFile(state, true, 1));
    EXPECT_EQ(imaging.current.Width(), 2);
    EXPECT_EQ(state.page, 1);
    for (const char* lying : {"lying-count.ico", "lying-offset.ico"}) {
        std::filesystem::copy_file(seeds / lying, folder / lying);
        EXPECT_FALSE(Open((folder / lying).string())) << lying;
    }
}

// A photo taken turned (stored 16 x 32, EXIF orientation 6) stands upright
// unless the option is off.
TEST_F(PictureLoaderTest, JpegsStandUprightByTheirExifOrientationWhenAsked) {
    Bitmap stored;
    stored.Create(16, 32, PixelFormat::Bits24);
    const Bytes file = zvtest::JpegWithOrientation(stored, 6);
    const std::string path =
        zvtest::TempFolderTest::Write("turned.jpg", std::string(file.begin(), file.end()));
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(imaging.current.Width(), 32);
    EXPECT_EQ(imaging.descriptor.ImageWidth, 32);
    settings.exifOrientation = false;
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(imaging.current.Width(), 16);
    EXPECT_EQ(imaging.descriptor.ImageHeight, 32);
}

TEST_F(PictureLoaderTest, ACutOffJpegShowsWhatItHoldsAndSaysItIsDamaged) {
    const std::string good = WriteJpeg(library, folder / "whole.jpg", 256, 256);
    Bytes bytes = ReadWholeFile(good);
    std::size_t sos = 0;
    for (std::size_t i = 0; i + 1 < bytes.size() && !sos; ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) sos = i;
    ASSERT_NE(sos, 0u);
    bytes.resize(sos + (bytes.size() - sos) / 2);
    const auto cut = folder / "cut.jpg";
    std::ofstream(cut, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));

    ASSERT_TRUE(Open(cut.string()));
    EXPECT_EQ(state.path, cut.string());
    EXPECT_FALSE(state.jpegError);
    EXPECT_EQ(host.statusTexts.back(), kDamagedJpegText);
    ASSERT_EQ(imaging.current.Width(), 256);
    ASSERT_EQ(imaging.current.Height(), 256);
    // The black rows the file holds, then libjpeg's grey for the missing ones.
    EXPECT_LT(imaging.current.ScanLine(0)[0], 8);
    EXPECT_GT(imaging.current.ScanLine(255)[3 * 255], 100);
}

} // namespace

#include "TestData.h"

namespace {

TEST_F(PictureLoaderTest, ASlideIsThePictureFittedIntoTheViewOnTheBackground) {
    TPngGraphic png;
    png.NewImage(400, 200, ImageFormat::Color24);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 400; ++x) png.SetPixel(x, y, 0x00FFFFFF);
    const std::string path = Write(png, "wide.png");
    host.view = {100, 100};
    ASSERT_GE(Probe(path), 0);
    loader->OpenSlideImage(state, 0x000000FF); // red background
    ASSERT_TRUE(state.ready);
    EXPECT_EQ(imaging.current.Width(), 100);
    EXPECT_EQ(imaging.current.Height(), 100);
    EXPECT_EQ(imaging.current.ScanLine(10)[2], 255); // above the picture: red
    EXPECT_EQ(imaging.current.ScanLine(10)[0], 0);
    EXPECT_EQ(imaging.current.ScanLine(50)[150], 255); // inside: white
    EXPECT_EQ(imaging.current.ScanLine(50)[151], 255);
}

TEST_F(PictureLoaderTest, EveryReferenceFileOpensWithItsSizeOrFailsCleanly) {
    int opened = 0;
    for (const char* kind : {"bmp", "pcx", "tga", "png", "tiff", "psd"}) {
        for (const auto& entry : fs::directory_iterator(zvtest::TestDataFolder() / kind)) {
            std::string extension = entry.path().extension().string();
            if (extension == ".pnm" || extension == ".ppm" || extension == ".pgm" ||
                extension == ".pam" || extension == ".txt")
                continue;
            // The loader knows TIFF files by ".TIF".
            fs::path copy = folder / entry.path().filename();
            if (extension == ".tiff") copy.replace_extension(".tif");
            fs::copy_file(entry.path(), copy, fs::copy_options::overwrite_existing);
            SCOPED_TRACE(copy.filename().string());
            state.fallbackPath = "*";
            try {
                if (Open(copy.string())) {
                    ++opened;
                    EXPECT_FALSE(imaging.current.Empty());
                    EXPECT_EQ(imaging.current.Width(), imaging.descriptor.ImageWidth);
                    EXPECT_EQ(imaging.current.Height(), imaging.descriptor.ImageHeight);
                } else {
                    EXPECT_EQ(state.path, "*");
                }
            } catch (const std::exception& error) {
                ADD_FAILURE() << error.what();
            }
        }
    }
    EXPECT_GT(opened, 30);
}

// A FlashPix file opens through the library's route with its largest
// resolution's pixels (JPEG tiles within JPEG's error).
TEST_F(PictureLoaderTest, AFlashPixFileOpensWithItsPixels) {
    const zvtest::PnmPicture source = zvtest::FpxSource(3, false);
    const auto bytes = zvtest::WriteFlashPix(source, {});
    const std::string path =
        TempFolderTest::Write("picture.fpx", std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(state.route, "library");
    EXPECT_EQ(imaging.descriptor.ImageBits, 24);
    EXPECT_LE(zvtest::FpxCompare(source, imaging.current).most, 12);
}

} // namespace
