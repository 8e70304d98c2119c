// DecodeFile against the readers it replaces: the same pixels as the
// layer's classes, the JPEG reader and the imaging library gave for every
// test picture, the same bytes on four threads as on one, and damaged files
// raising their reader's error.

#include "library/DecodeFile.h"

#include "TempFolderTest.h"
#include "TestData.h"
#include "formats/BmpGraphic.h"
#include "formats/DcxFile.h"
#include "formats/GraphicClasses.h"
#include "formats/JpegReader.h"
#include "formats/JpegWriter.h"
#include "formats/PSDGraphic.h"
#include "imaging/PackedDib.h"
#include "library/FaxQuality.h"
#include "library/ImageLibrary.h"
#include "library/PhotoCd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace zv {
namespace {

namespace fs = std::filesystem;

void ExpectSamePixels(const Bitmap& got, const Bitmap& want) {
    ASSERT_EQ(got.Format(), want.Format());
    ASSERT_EQ(got.Width(), want.Width());
    ASSERT_EQ(got.Height(), want.Height());
    EXPECT_EQ(got.Colours(), want.Colours());
    const auto rowBytes = static_cast<std::size_t>((got.Width() * got.BitsPerPixel() + 7) / 8);
    for (std::int32_t y = 0; y < got.Height(); ++y)
        ASSERT_EQ(std::memcmp(got.ScanLine(y), want.ScanLine(y), rowBytes), 0) << "row " << y;
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bitmap Gradient(int width, int height) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3 * width; ++x)
            picture.ScanLine(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 13);
    return picture;
}

// The test pictures, and made here: JPEG files, a two-page DCX, a Photo CD
// pack and a top-down BMP with padded rows.
class DecodeFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        temp = new zvtest::TempFolder;
        for (const auto& entry : fs::recursive_directory_iterator(zvtest::TestDataFolder())) {
            const std::string extension = entry.path().extension().string();
            if (FormatForExtension(extension) && entry.path().parent_path().filename() != "media")
                files.push_back(entry.path());
        }
        TJpegWriter colour;
        colour.xDpi = colour.yDpi = 150;
        colour.SaveToFile(*temp / "colour.jpg", Gradient(67, 45));
        TJpegWriter grey;
        grey.grey = true;
        grey.SaveToFile(*temp / "grey.jpeg", Gradient(40, 30));

        const auto data = zvtest::TestDataFolder();
        const Bytes first = zvtest::ReadTestFile(data / "pcx/im-8.pcx");
        const Bytes second = zvtest::ReadTestFile(data / "pcx/netpbm-1.pcx");
        Bytes dcx = {0xB1, 0x68, 0xDE, 0x3A};
        const std::uint32_t offsets[] = {16, static_cast<std::uint32_t>(16 + first.size()), 0};
        for (std::uint32_t offset : offsets)
            for (int i = 0; i < 4; ++i) dcx.push_back(static_cast<std::uint8_t>(offset >> 8 * i));
        dcx.insert(dcx.end(), first.begin(), first.end());
        dcx.insert(dcx.end(), second.begin(), second.end());
        WriteBytes(*temp / "fax.dcx", dcx);
        WriteBytes(*temp / "img0001.pcd",
                   zvtest::ReadGzippedTestFile(data / "pcd/portrait.pcd.gz"));

        // Top-down: the height negated and the rows in top-down order.
        TBmpGraphic bmp;
        bmp.Assign(Gradient(5, 3));
        Bytes bottomUp;
        bmp.SaveToStream(bottomUp);
        Bytes topDown(bottomUp.begin(), bottomUp.begin() + 54);
        const std::int32_t height = -3;
        std::memcpy(&topDown[22], &height, 4);
        for (int row = 2; row >= 0; --row)
            topDown.insert(topDown.end(), bottomUp.begin() + 54 + row * 16,
                           bottomUp.begin() + 54 + (row + 1) * 16);
        WriteBytes(*temp / "top-down.bmp", topDown);
        for (const char* name :
             {"colour.jpg", "grey.jpeg", "fax.dcx", "img0001.pcd", "top-down.bmp"})
            files.push_back(*temp / name);
    }
    static void TearDownTestSuite() {
        delete temp;
        files.clear();
    }

    static zvtest::TempFolder* temp;
    static std::vector<fs::path> files;
};

zvtest::TempFolder* DecodeFileTest::temp = nullptr;
std::vector<fs::path> DecodeFileTest::files;

// How the program read each kind before: the layer's class where it reads
// the file, the JPEG reader at full size, the Photo CD import, and the
// imaging library for the rest (DCX, TIFF kinds the layer refuses).
Bitmap OldRoute(const fs::path& path, int page = 1) {
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
    if (id == FormatId::PhotoCd) {
        PhotoCdLibrary photoCd;
        const PcdImport imported = ImportPCD(photoCd, path.string(), kPcdDefaultStep, true);
        return ParsePackedDib(imported.packedDib.data(), imported.packedDib.size());
    }
    if (auto layer = NewGraphicForExtension(extension)) {
        try {
            layer->imageToRead = page;
            layer->LoadFromFile(path);
            Bitmap picture;
            layer->AssignTo(picture);
            return picture;
        } catch (const std::exception&) {
        }
    }
    ImageLibrary library;
    const ImgHandle handle = library.ImgOpenSolo(path.string());
    EXPECT_NE(handle, 0) << library.LastError();
    EXPECT_TRUE(library.ImgSetPage(handle, page - 1));
    return library.Image(handle)->Picture();
}

TEST_F(DecodeFileTest, GivesThePixelsTheOldRoutesGave) {
    ASSERT_GT(files.size(), 60u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const DecodedPicture picture = DecodeFile(file);
        ExpectSamePixels(picture.pixels, OldRoute(file));
        EXPECT_EQ(picture.bits, picture.pixels.BitsPerPixel());
        EXPECT_EQ(picture.format, FormatForExtension(file.extension().string()));
    }
    const DecodedPicture jpeg = DecodeFile(*temp / "colour.jpg");
    EXPECT_EQ(jpeg.xDpi, 150);
    EXPECT_EQ(DecodeFile(*temp / "grey.jpeg").bits, 8);
    const DecodedPicture second = DecodeFile(*temp / "fax.dcx", 2);
    EXPECT_EQ(second.pages, 2);
    EXPECT_EQ(second.formatName, "DCX page 2");
    ExpectSamePixels(second.pixels, OldRoute(*temp / "fax.dcx", 2));
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
    const DecodedPicture scaled = DecodeFile(*temp / "colour.jpg", 1, box);
    EXPECT_EQ(scaled.scale, ChooseJpegScale(67, 45, 8, 6, false));
    EXPECT_EQ(scaled.fullWidth, 67);
    EXPECT_EQ(scaled.pixels.Width(), (67 + scaled.scale - 1) / scaled.scale);
    box.pixelBudget = 1;
    EXPECT_TRUE(DecodeFile(*temp / "colour.jpg", 1, box).tooLarge);
}

TEST_F(DecodeFileTest, PhotoCdStepIsChosenByTheOptions) {
    DecodeOptions options;
    options.photoCdStep = 0;
    const DecodedPicture small = DecodeFile(*temp / "img0001.pcd", 1, options);
    EXPECT_EQ(small.formatName, "Photo CD step 0");
    EXPECT_EQ(small.pixels.Width() * small.pixels.Height(), 64 * 96);
    EXPECT_EQ(ProbeFile(*temp / "img0001.pcd", options).height, small.pixels.Height());
}

TEST_F(DecodeFileTest, FaxPagesInGreyAsTheLibraryCopiedThem) {
    const fs::path fax = zvtest::TestDataFolder() / "tiff/fax-g4.tif";
    ImageLibrary library;
    const ImgHandle page = library.ImgOpenSolo(fax.string());
    for (int quality = 1; quality <= 3; ++quality) {
        SCOPED_TRACE(quality);
        DecodeOptions options;
        options.faxQuality = quality;
        const DecodedPicture grey = DecodeFile(fax, 1, options);
        const ImgHandle copy = FaxGreyCopy(library, page, quality);
        ASSERT_NE(copy, 0);
        ExpectSamePixels(grey.pixels, library.Image(copy)->Picture());
        EXPECT_EQ(grey.className, "ImageLibrary");
        EXPECT_EQ(grey.formatName, "TIF page 1");
    }
}

TEST_F(DecodeFileTest, FourThreadsGiveTheBytesOfOne) {
    std::vector<Bitmap> alone;
    for (const fs::path& file : files) alone.push_back(DecodeFile(file).pixels);
    std::vector<std::vector<Bitmap>> threaded(4);
    std::vector<std::thread> threads;
    for (auto& results : threaded)
        threads.emplace_back([&results] {
            for (const fs::path& file : files) results.push_back(DecodeFile(file).pixels);
        });
    for (std::thread& thread : threads) thread.join();
    for (const auto& results : threaded) {
        ASSERT_EQ(results.size(), alone.size());
        for (std::size_t i = 0; i < alone.size(); ++i) {
            SCOPED_TRACE(files[i].string());
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
        DecodeFile(*temp / "fax.dcx", 3);
        ADD_FAILURE();
    } catch (const EInvalidGraphic& error) {
        EXPECT_EQ(error.what(), (*temp / "fax.dcx").string() + " has 2 page(s), not page 3");
    }
}

} // namespace
} // namespace zv
