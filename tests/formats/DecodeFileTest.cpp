// DecodeFile against the readers it replaces: the same pixels as the
// layer's classes and the JPEG reader gave for every test picture, the same
// bytes on four threads as on one, and damaged files raising their reader's
// error. tests/library/DecodeFileRoutesTest.cpp compares the pictures the
// imaging library used to read (DCX, TIFF kinds the layer refuses, fax greys,
// Photo CD).

#include "formats/DecodeFile.h"

#include "DecodeSamples.h"
#include "formats/DcxFile.h"
#include "formats/GraphicClasses.h"
#include "formats/JpegReader.h"
#include "formats/PSDGraphic.h"
#include "formats/PhotoCdDecode.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

namespace zv {
namespace {

namespace fs = std::filesystem;
using zvtest::ExpectSamePixels;

class DecodeFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { samples = new zvtest::DecodeSamples; }
    static void TearDownTestSuite() { delete samples; }
    static const std::vector<fs::path>& Files() { return samples->files; }
    static fs::path Made(const std::string& name) { return samples->temp / name; }

    static zvtest::DecodeSamples* samples;
};

zvtest::DecodeSamples* DecodeFileTest::samples = nullptr;

// How the program read each kind before, where the format layer read it:
// the layer's class, the JPEG reader at full size, the Photoshop reader.
std::optional<Bitmap> LayerRoute(const fs::path& path, int page = 1) {
    const std::string extension = path.extension().string();
    const FormatId id = FormatForExtension(extension)->id;
    if (id == FormatId::Jpeg) {
        TJpegReader reader;
        reader.ReadHeader(path);
        reader.output = reader.Components() == 1 ? JpegOutput::Bits8 : JpegOutput::Bits24;
        Bitmap picture;
        reader.Decode(picture);
        return picture;
    }
    if (id == FormatId::Psd) {
        TPSDGraphic psd;
        psd.LoadFromFile(path);
        return psd.Pixels();
    }
    auto layer = NewGraphicForExtension(extension);
    if (!layer) return std::nullopt;
    layer->imageToRead = page;
    layer->LoadFromFile(path);
    Bitmap picture;
    layer->AssignTo(picture);
    return picture;
}

TEST_F(DecodeFileTest, GivesThePixelsTheLayerGave) {
    ASSERT_GT(Files().size(), 60u);
    std::size_t compared = 0;
    for (const fs::path& file : Files()) {
        SCOPED_TRACE(file.string());
        const DecodedPicture picture = DecodeFile(file);
        EXPECT_EQ(picture.bits, picture.pixels.BitsPerPixel());
        EXPECT_EQ(picture.format, FormatForExtension(file.extension().string()));
        std::optional<Bitmap> before;
        try {
            before = LayerRoute(file);
        } catch (const std::exception&) {
            // Read by the imaging library before.
        }
        if (!before) continue;
        ExpectSamePixels(picture.pixels, *before);
        ++compared;
    }
    EXPECT_GT(compared, 50u);
    const DecodedPicture jpeg = DecodeFile(Made("colour.jpg"));
    EXPECT_EQ(jpeg.xDpi, 150);
    EXPECT_EQ(DecodeFile(Made("grey.jpeg")).bits, 8);
    const DecodedPicture second = DecodeFile(Made("fax.dcx"), 2);
    EXPECT_EQ(second.pages, 2);
    EXPECT_EQ(second.formatName, "DCX page 2");
    ExpectSamePixels(second.pixels, *LayerRoute(zvtest::TestDataFolder() / "pcx/netpbm-1.pcx"));
}

TEST_F(DecodeFileTest, ProbesWithoutDecodingAndKeepsThePixelBudget) {
    const auto data = zvtest::TestDataFolder();
    const PictureHeader bmp = ProbeFile(data / "bmp/netpbm-8.bmp");
    const DecodedPicture full = DecodeFile(data / "bmp/netpbm-8.bmp");
    EXPECT_EQ(bmp.width, full.pixels.Width());
    EXPECT_EQ(bmp.height, full.pixels.Height());
    EXPECT_EQ(bmp.bits, 8);
    EXPECT_EQ(ProbeFile(data / "tiff/pages.tif").pages, DecodeFile(data / "tiff/pages.tif").pages);
    EXPECT_EQ(ProbeFile(data / "tiff/lzw.tif").width,
              DecodeFile(data / "tiff/lzw.tif").pixels.Width());

    DecodeOptions budget;
    budget.pixelBudget = std::int64_t{full.pixels.Width()} * full.pixels.Height() - 1;
    const DecodedPicture refused = DecodeFile(data / "bmp/netpbm-8.bmp", 1, budget);
    EXPECT_TRUE(refused.tooLarge);
    EXPECT_TRUE(refused.pixels.Empty());
    EXPECT_EQ(refused.fullWidth, full.pixels.Width());

    // JPEG: the scale for a box, and the budget at that scale.
    DecodeOptions box;
    box.jpegScale = 0;
    box.fitWidth = 8;
    box.fitHeight = 6;
    const DecodedPicture scaled = DecodeFile(Made("colour.jpg"), 1, box);
    EXPECT_EQ(scaled.scale, ChooseJpegScale(67, 45, 8, 6, false));
    EXPECT_EQ(scaled.fullWidth, 67);
    EXPECT_EQ(scaled.pixels.Width(), (67 + scaled.scale - 1) / scaled.scale);
    box.pixelBudget = 1;
    EXPECT_TRUE(DecodeFile(Made("colour.jpg"), 1, box).tooLarge);
}

TEST_F(DecodeFileTest, PhotoCdStepIsChosenByTheOptions) {
    DecodeOptions options;
    options.photoCdStep = 0;
    const DecodedPicture small = DecodeFile(Made("img0001.pcd"), 1, options);
    EXPECT_EQ(small.formatName, "Photo CD step 0");
    EXPECT_EQ(small.pixels.Width() * small.pixels.Height(), 64 * 96);
    EXPECT_EQ(ProbeFile(Made("img0001.pcd"), options).height, small.pixels.Height());
}

TEST_F(DecodeFileTest, FourThreadsGiveTheBytesOfOne) {
    std::vector<Bitmap> alone;
    for (const fs::path& file : Files()) alone.push_back(DecodeFile(file).pixels);
    std::vector<std::vector<Bitmap>> threaded(4);
    std::vector<std::thread> threads;
    for (auto& results : threaded)
        threads.emplace_back([&results] {
            for (const fs::path& file : Files()) results.push_back(DecodeFile(file).pixels);
        });
    for (std::thread& thread : threads) thread.join();
    for (const auto& results : threaded) {
        ASSERT_EQ(results.size(), alone.size());
        for (std::size_t i = 0; i < alone.size(); ++i) {
            SCOPED_TRACE(Files()[i].string());
            ExpectSamePixels(results[i], alone[i]);
        }
    }
}

template <typename Error> bool Throws(const fs::path& path, int page = 1) {
    try {
        DecodeFile(path, page);
    } catch (const Error&) {
        return true;
    } catch (const std::exception& other) {
        ADD_FAILURE() << path << ": " << typeid(other).name() << " " << other.what();
    }
    return false;
}

TEST_F(DecodeFileTest, DamagedFilesRaiseTheirReadersError) {
    const zvtest::TempFolder bad;
    const std::string junk(300, '\x55');
    EXPECT_TRUE(Throws<EGbmError>(bad.Write("a.bmp", "BM" + junk)));
    EXPECT_TRUE(Throws<EGbmError>(bad.Write("a.pcx", "\x0A\x05\x01\x08" + junk)));
    EXPECT_TRUE(Throws<EPNGError>(bad.Write("a.png", "\x89PNG\r\n\x1A\n" + junk)));
    EXPECT_TRUE(Throws<ETiffError>(bad.Write("a.tif", "II*\0" + junk)));
    EXPECT_TRUE(Throws<EJpegError>(bad.Write("a.jpg", "\xFF\xD8\xFF\xE0" + junk)));
    EXPECT_TRUE(Throws<EInvalidGraphic>(bad.Write("a.psd", "8BPS" + junk)));
    EXPECT_TRUE(Throws<EDcxError>(bad.Write("a.dcx", "\xB1\x68\xDE\x3A" + junk)));
    EXPECT_TRUE(Throws<EPhotoCdError>(bad.Write("a.pcd", junk)));
    EXPECT_TRUE(Throws<EInvalidGraphic>(bad.Write("a.xyz", junk)));
    EXPECT_TRUE(Throws<EInvalidGraphic>(bad / "missing.png"));
    try {
        DecodeFile(Made("fax.dcx"), 3);
        ADD_FAILURE();
    } catch (const EInvalidGraphic& error) {
        EXPECT_EQ(error.what(), Made("fax.dcx").string() + " has 2 page(s), not page 3");
    }
}

} // namespace
} // namespace zv
