// Photo CD reading: packs built here byte by byte with values worked out by
// hand from the Photo YCC formulas, and one pack written by ImageMagick.

#include "library/PhotoCd.h"
#include "formats/PhotoCdPacks.h"
#include "imaging/PackedDib.h"

#include "TempFolderTest.h"
#include "TestData.h"
#include "imaging/PixelHelpers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace zv {
namespace {

namespace fs = std::filesystem;
using test::Bgr;
using test::Pixel24;

// A pack holding the first `components` image components, every pixel grey 0.
std::vector<std::uint8_t> MakePack(int components, int rotation = 0) {
    std::vector<std::uint8_t> pack(static_cast<std::size_t>(kPcdComponents[components - 1].End()));
    std::fill_n(pack.begin(), kPcdSectorSize, 0xFF);
    std::memcpy(pack.data() + kPcdInfoOffset, "PCD_IPI", 7);
    pack[kPcdInfoOffset + 7] = 2;
    pack[0xE02] = static_cast<std::uint8_t>(rotation);
    for (int c = 0; c < components; ++c) {
        const PcdComponent& part = kPcdComponents[c];
        for (std::int64_t k = 0; k < part.height / 2; ++k) {
            std::uint8_t* chroma = pack.data() + part.offset + k * 3 * part.width + 2 * part.width;
            std::fill_n(chroma, part.width / 2, 156);
            std::fill_n(chroma + part.width / 2, part.width / 2, 137);
        }
    }
    return pack;
}

std::uint8_t& Luma(std::vector<std::uint8_t>& pack, const PcdComponent& part, int x, int y) {
    return pack[static_cast<std::size_t>(part.offset + (y / 2) * 3 * part.width +
                                         (y % 2) * part.width + x)];
}
// Colour difference 1 (plane 0) or 2 (plane 1) at half-size position (x, k).
std::uint8_t& Chroma(std::vector<std::uint8_t>& pack, const PcdComponent& part, int plane, int x,
                     int k) {
    return pack[static_cast<std::size_t>(part.offset + k * 3 * part.width + 2 * part.width +
                                         plane * part.width / 2 + x)];
}

void FillBase16(std::vector<std::uint8_t>& pack, int y, int c1, int c2) {
    const PcdComponent& part = kPcdComponents[0];
    for (int row = 0; row < part.height; ++row)
        for (int x = 0; x < part.width; ++x)
            Luma(pack, part, x, row) = static_cast<std::uint8_t>(y);
    for (int k = 0; k < part.height / 2; ++k)
        for (int x = 0; x < part.width / 2; ++x) {
            Chroma(pack, part, 0, x, k) = static_cast<std::uint8_t>(c1);
            Chroma(pack, part, 1, x, k) = static_cast<std::uint8_t>(c2);
        }
}

Bitmap Decode(const std::vector<std::uint8_t>& pack, int step) {
    return DecodePcdStep(pack, ReadPcdLayout(pack), step);
}

TEST(PhotoCdDecode, ConvertsPhotoYccOverItsWholeRange) {
    // R = Y + 1.3409 (C2 - 137), G = Y - 0.3168 (C1 - 156) - 0.6825 (C2 - 137),
    // B = Y + 1.6327 (C1 - 156), rounded and held within 0..255.
    struct Case {
        int y, c1, c2;
        Bgr expected;
    };
    const Case cases[] = {
        {77, 156, 137, {77, 77, 77}},     // neutral: luma as it stands
        {100, 166, 137, {116, 97, 100}},  // B 116.33, G 96.83
        {100, 156, 147, {100, 93, 113}},  // R 113.41, G 93.17
        {250, 156, 255, {250, 169, 255}}, // R 408 held at 255, G 169.46
        {5, 0, 137, {0, 54, 5}},          // B -249.7 held at 0, G 54.41
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> pack = MakePack(1);
        FillBase16(pack, c.y, c.c1, c.c2);
        EXPECT_EQ(Pixel24(Decode(pack, 1), 10, 10), c.expected)
            << c.y << " " << c.c1 << " " << c.c2;
    }
}

TEST(PhotoCdDecode, InterpolatesChromaBetweenSamplesAndRepeatsTheLast) {
    std::vector<std::uint8_t> pack = MakePack(1);
    FillBase16(pack, 100, 176, 137); // blue difference 20 everywhere: B = 132.65
    const PcdComponent& part = kPcdComponents[0];
    for (int x = 0; x < part.width / 2; ++x) Chroma(pack, part, 0, x, 0) = 156;
    for (int k = 0; k < part.height / 2; ++k) Chroma(pack, part, 0, 0, k) = 156;
    const Bitmap picture = Decode(pack, 1);
    EXPECT_EQ(Pixel24(picture, 0, 0)[0], 100);
    EXPECT_EQ(Pixel24(picture, 1, 0)[0], 100);
    EXPECT_EQ(Pixel24(picture, 0, 1)[0], 100);
    EXPECT_EQ(Pixel24(picture, 1, 1)[0], 108); // (156+156+156+176)/4 = 161: 100 + 8.16
    EXPECT_EQ(Pixel24(picture, 3, 1)[0], 116); // halfway between 156 and 176: 100 + 16.33
    EXPECT_EQ(Pixel24(picture, 2, 2)[0], 133);
    EXPECT_EQ(Pixel24(picture, 191, 127)[0], 133); // last column and row repeat their sample
}

TEST(PhotoCdDecode, StepZeroAveragesBase16AndRotationTurnsThePicture) {
    std::vector<std::uint8_t> pack = MakePack(1);
    const PcdComponent& part = kPcdComponents[0];
    Luma(pack, part, 0, 0) = 10;
    Luma(pack, part, 1, 0) = 20;
    Luma(pack, part, 0, 1) = 30;
    Luma(pack, part, 1, 1) = 42;
    Bitmap small = Decode(pack, 0);
    EXPECT_EQ(small.Width(), 96);
    EXPECT_EQ(small.Height(), 64);
    EXPECT_EQ(Pixel24(small, 0, 0), (Bgr{26, 26, 26})); // 102 / 4 = 25.5

    Luma(pack, part, 191, 0) = 200; // the stored top right corner
    struct Case {
        int rotation, x, y;
    };
    for (const Case c : {Case{1, 0, 0}, Case{2, 0, 127}, Case{3, 127, 191}}) {
        pack[0xE02] = static_cast<std::uint8_t>(c.rotation);
        const Bitmap turned = Decode(pack, 1);
        EXPECT_EQ(turned.Width(), c.rotation == 2 ? 192 : 128);
        EXPECT_EQ(Pixel24(turned, c.x, c.y)[1], 200) << "rotation " << c.rotation;
    }
}

TEST(PhotoCdDecode, CountsOnlyWholeComponentsAndRefusesOtherData) {
    EXPECT_EQ(ReadPcdLayout(MakePack(1)).stepCount, 2);
    EXPECT_EQ(ReadPcdLayout(MakePack(2)).stepCount, 3);
    std::vector<std::uint8_t> pack = MakePack(3);
    EXPECT_EQ(ReadPcdLayout(pack).stepCount, 4);
    pack.pop_back();
    EXPECT_EQ(ReadPcdLayout(pack).stepCount, 3);
    EXPECT_THROW(Decode(pack, 3), EPhotoCdError);

    const auto message = [](std::vector<std::uint8_t> bytes) {
        try {
            ReadPcdLayout(bytes);
        } catch (const EPhotoCdError& e) {
            return std::string(e.what());
        }
        return std::string("read");
    };
    std::vector<std::uint8_t> shortPack = MakePack(1);
    shortPack.resize(shortPack.size() - 1);
    EXPECT_EQ(message(shortPack), "Photo CD image file is truncated");
    EXPECT_EQ(message({}), "Not a Photo CD image file");
    shortPack[kPcdInfoOffset] = 'X';
    EXPECT_EQ(message(shortPack), "Not a Photo CD image file");
}

TEST(PhotoCdLibrary, HandlesStepsSizesAndThePackedBlock) {
    PhotoCdLibrary library;
    PcdHandle handle = 0;
    std::vector<std::uint8_t> pack = MakePack(2, 1);
    FillBase16(pack, 90, 156, 137);
    library.PCDopenMem(pack, handle);
    std::uint16_t mask = 0, count = 0;
    library.PCDgetCount(handle, mask, count);
    EXPECT_EQ(mask, 0b111);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(library.PCDgetResolution(handle), 2); // the default step 3 is not held
    EXPECT_THROW(library.PCDsetResolution(handle, 3), EPhotoCdError);
    library.PCDsetResolution(handle, 1);
    const PcdSize size = library.PCDgetSize(handle);
    EXPECT_EQ(size.height, 192);
    EXPECT_EQ(size.width, 128);

    const std::vector<std::uint8_t> block = library.PCDloadImage(handle);
    ASSERT_EQ(block.size(), 40u + 1024u + 384u * 192u);
    EXPECT_EQ(block[14], 24);
    EXPECT_EQ(block[32], 0); // 256 colours used: 0x00000100
    EXPECT_EQ(block[33], 1);
    EXPECT_EQ(block[40 + 1024], 90);
    EXPECT_EQ(ParsePackedDib(block.data(), block.size()).Width(), 128);

    library.PCDsetFormat(handle, kPcdFormatPalette8);
    const std::vector<std::uint8_t> indexed = library.PCDloadImage(handle);
    EXPECT_EQ(indexed[14], 8);
    const Bitmap back = ParsePackedDib(indexed.data(), indexed.size());
    const PaletteEntry grey = back.Colours()[back.ScanLine(0)[0]];
    EXPECT_NEAR(grey.green, 90, 26); // the nearest colour of the halftone palette
    EXPECT_THROW(library.PCDsetFormat(handle, 16), EPhotoCdError);

    library.PCDclose(handle);
    EXPECT_THROW(library.PCDgetSize(handle), EPhotoCdError);
    EXPECT_THROW(library.PCDopen("/nonexistent/IMG0001.PCD", handle), EPhotoCdError);
}

TEST(PhotoCdLibrary, OffersFourBaseAndSixteenBaseWhenThePackHoldsThem) {
    std::vector<std::uint8_t> pack = zvtest::GreyPcdPack(90, 2);
    zvtest::PcdBitWriter stream4;
    stream4.Row(0, 1024);
    zvtest::Put4Base(pack, stream4);
    zvtest::PcdBitWriter stream16;
    stream16.Row(0, 2048);
    zvtest::Put16Base(pack, 401, stream16);
    PhotoCdLibrary library;
    PcdHandle handle = 0;
    library.PCDopenMem(pack, handle);
    std::uint16_t mask = 0, count = 0;
    library.PCDgetCount(handle, mask, count);
    EXPECT_EQ(count, 6);
    EXPECT_EQ(mask, 0x3F);
    EXPECT_EQ(ChoosePcdStep(6, count, mask, 0), 5);
    library.PCDsetResolution(handle, 5);
    EXPECT_EQ(library.PCDgetSize(handle).width, 3072);
    const std::vector<std::uint8_t> block = library.PCDloadImage(handle);
    ASSERT_EQ(block.size(), 40u + 1024u + 3072u * 3u * 2048u);
    EXPECT_EQ(block[40 + 1024], 90);
}

TEST(PhotoCdSteps, LimitToTheFileAndToTheLastUnencryptedStep) {
    EXPECT_EQ(ChoosePcdStep(3, 4, 0x0F, 0), 3);
    EXPECT_EQ(ChoosePcdStep(6, 4, 0x0F, 0), 3);
    EXPECT_EQ(ChoosePcdStep(3, 2, 0x03, 0), 1);
    EXPECT_EQ(ChoosePcdStep(-1, 4, 0x0F, 0), 0);
    EXPECT_EQ(AllowedPcdSteps(6, 0x3F, 0x30), 4);
    EXPECT_EQ(ChoosePcdStep(5, 6, 0x3F, 0x30), 3); // step 4 is encrypted
}

TEST(PhotoCdInfo, TextWithoutMediaLinesFromVersionNine) {
    PcdInfoFacts facts;
    facts.size = {192, 128};
    facts.count = 4;
    facts.allowed = 3;
    facts.step = 1;
    facts.attributes = {0x08, 1};
    facts.info.version = 9;
    EXPECT_EQ(PcdInfoText(facts),
              "Orientation: Portrait\n\n"
              "Maximum res: 512 x 768\nAllowed res: 256 x 384\nCurrent res: 128 x 192\n"
              "\nEncrypted: Yes   Watermark: Yes\n");
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void PutText(std::vector<std::uint8_t>& pack, std::int64_t offset, const std::string& text) {
    std::memcpy(pack.data() + offset, text.data(), text.size());
}

TEST(PhotoCdImport, GivesTheInformationTextAndOffersAnExistingRightsFile) {
    zvtest::TempFolder temp;
    std::vector<std::uint8_t> pack = MakePack(3);
    pack[0x815] = 1;
    PutText(pack, 0x816, "EKTACHROME 100");
    PutText(pack, 0x82A, "KODAK");
    PutText(pack, 0x83E, "FILMSCANNER 2000"); // fills the field, no NUL
    PutText(pack, 0x8A5, "Lab One");
    pack[0x94B] = 1;
    PutText(pack, 0x94C, "NOTE.TXT");
    const fs::path picture = temp.Path() / "disc/PHOTO_CD/IMAGES/IMG0001.PCD";
    WriteFile(picture, pack);
    WriteFile(temp.Path() / "disc/PHOTO_CD/RIGHTS/note.txt", {'x'});

    PhotoCdLibrary library;
    const PcdImport result = ImportPCD(library, picture.string(), 3, false);
    EXPECT_EQ(result.info,
              "Orientation: Landscape\n\n"
              "Maximum res: 512 x 768\nAllowed res: 512 x 768\nCurrent res: 512 x 768\n"
              "\nEncrypted: No   Watermark: No\n"
              "Media Type: color reversal, EKTACHROME 100\n"
              "Scanner: KODAK FILMSCANNER 2000\n"
              "Photofinisher: Lab One\n"
              "\nRead Copyright file?");
    EXPECT_EQ(result.rightsFile, (temp.Path() / "disc/PHOTO_CD/RIGHTS/note.txt").string());
    ASSERT_EQ(result.packedDib.size(), 40u + 768u * 3u * 512u);
    EXPECT_EQ(result.packedDib[32], 0); // no colour table any more
    const Bitmap picture768 = ParsePackedDib(result.packedDib.data(), result.packedDib.size());
    EXPECT_EQ(picture768.Width(), 768);

    // A name that leaves the rights folder is never offered, nor is the
    // photofinisher that the pack marks as absent.
    PutText(pack, 0x94C, "../../secret");
    pack[0x8A5] = 0xFF;
    WriteFile(picture, pack);
    const PcdImport unsafe = ImportPCD(library, picture.string(), 0, false);
    EXPECT_TRUE(unsafe.rightsFile.empty());
    EXPECT_EQ(unsafe.info.find("Copyright"), std::string::npos);
    EXPECT_EQ(unsafe.info.find("Photofinisher"), std::string::npos);
    EXPECT_EQ(library.OpenCount(), 0u);
    EXPECT_FALSE(ProbePCD(library, (temp.Path() / "missing.pcd").string(), 3).has_value());
}

TEST(PhotoCdImport, ReadsAPortraitPackWrittenByImageMagick) {
    // Made from a 512 x 768 picture of six colour patches with a yellow
    // corner mark; the colours are those ImageMagick 6.9 decodes from it.
    zvtest::TempFolder temp;
    const fs::path file = temp.Path() / "img0001.pcd";
    WriteFile(file, zvtest::ReadGzippedTestFile(zvtest::TestDataFile("pcd", "portrait.pcd.gz")));
    PhotoCdLibrary library;
    const PcdImport result = ImportPCD(library, file.string(), 3, false);
    EXPECT_EQ(result.info,
              "Orientation: Portrait\n\n"
              "Maximum res: 512 x 768\nAllowed res: 512 x 768\nCurrent res: 512 x 768\n"
              "\nEncrypted: No   Watermark: No\n"
              "Media Type: color negative\nScanner: \n");
    const Bitmap picture = ParsePackedDib(result.packedDib.data(), result.packedDib.size());
    ASSERT_EQ(picture.Width(), 512);
    ASSERT_EQ(picture.Height(), 768);
    struct Patch {
        int x, y;
        Bgr colour;
    };
    const Patch patches[] = {
        {128, 128, {20, 54, 255}},   {384, 128, {38, 207, 42}},   {128, 384, {254, 86, 42}},
        {384, 384, {141, 141, 141}}, {128, 640, {206, 244, 255}}, {384, 640, {37, 46, 31}},
        {10, 10, {0, 255, 255}},
    };
    for (const Patch& p : patches)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(Pixel24(picture, p.x, p.y)[c], p.colour[c], 2) << p.x << "," << p.y;
    // The smaller steps show the same patches.
    const PcdImport small = ImportPCD(library, file.string(), 1, true);
    const Bitmap base16 = ParsePackedDib(small.packedDib.data(), small.packedDib.size());
    ASSERT_EQ(base16.Width(), 128);
    EXPECT_NEAR(Pixel24(base16, 96, 32)[1], 207, 3);
    EXPECT_TRUE(small.info.empty());
}

} // namespace
} // namespace zv
