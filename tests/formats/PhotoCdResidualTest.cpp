// Photo CD 4Base and 16Base: packs whose code tables and residual rows are
// written here, checked against values worked out by hand.

#include "formats/PhotoCdDecode.h"
#include "formats/PhotoCdPacks.h"

#include "formats/DecodeFile.h"
#include "imaging/PixelHelpers.h"

#include "TempFolderTest.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace zv {
namespace {

using test::Bgr;
using test::Pixel24;
using zvtest::PcdBitWriter;
using zvtest::PutDelta;

Bitmap Decode(const std::vector<std::uint8_t>& pack, int step) {
    return DecodePcdStep(pack, ReadPcdLayout(pack), step);
}

Bgr Grey(int value) {
    const auto v = static_cast<std::uint8_t>(value);
    return {v, v, v};
}

// Base grey 100 with one sample of 140 at (10, 4); 4Base rows 8 and 3 corrected.
std::vector<std::uint8_t> Hand4BasePack(int stored) {
    std::vector<std::uint8_t> pack = zvtest::GreyPcdPack(100, stored);
    zvtest::PcdBaseLuma(pack, 10, 4) = 140;
    PcdBitWriter stream;
    stream.Row(0, 8); // a row cut short by the next mark
    for (int x = 0; x < 20; ++x) PutDelta(stream, 0);
    PutDelta(stream, 5);
    PutDelta(stream, -3);
    stream.Row(0, 3); // a whole row followed by padding
    PutDelta(stream, 5);
    for (int x = 1; x < 1536; ++x) PutDelta(stream, 0);
    stream.Put(0, 5);
    stream.Row(0, 1024);
    zvtest::Put4Base(pack, stream);
    return pack;
}

TEST(PhotoCdResiduals, FourBaseIsBaseDoubledPlusItsResiduals) {
    const std::vector<std::uint8_t> pack = Hand4BasePack(1);
    ASSERT_EQ(ReadPcdLayout(pack).stepCount, 5);
    const Bitmap picture = Decode(pack, 4);
    ASSERT_EQ(picture.Width(), 1536);
    ASSERT_EQ(picture.Height(), 1024);
    struct Case {
        int x, y, value;
    };
    const Case cases[] = {
        {20, 8, 145}, // on the 140 sample, +5
        {21, 8, 117}, // halfway to 100 is 120, -3
        {19, 8, 120}, // no residual
        {20, 9, 120}, // between rows 4 and 5 of Base
        {21, 9, 110}, // (140 + 100 + 100 + 100 + 2) / 4
        {22, 8, 100}, // the residuals of row 8 stop at the mark
        {0, 3, 105},  {1, 3, 100}, {1535, 1023, 100},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Pixel24(picture, c.x, c.y), Grey(c.value)) << c.x << "," << c.y;
}

// Turned a quarter; 4Base row 8 and in 16Base luma row 16 and both colour
// differences of row 4 corrected.
std::vector<std::uint8_t> Hand16BasePack() {
    std::vector<std::uint8_t> pack = zvtest::GreyPcdPack(100, 2, 1);
    PcdBitWriter stream4;
    stream4.Row(0, 8);
    PutDelta(stream4, 5);
    stream4.Row(0, 1024);
    zvtest::Put4Base(pack, stream4);
    // The 4Base part ends in sector 388, so 16Base follows 12 sectors on.
    PcdBitWriter stream16;
    stream16.Row(0, 16);
    PutDelta(stream16, 5);
    stream16.Row(2, 4); // colour difference 1, row 2 of 1024: +5
    for (int x = 0; x < 1536; ++x) PutDelta(stream16, 5);
    stream16.Row(3, 4); // colour difference 2: -3
    for (int x = 0; x < 1536; ++x) PutDelta(stream16, -3);
    stream16.Row(0, 2048);
    zvtest::Put16Base(pack, 401, stream16);
    return pack;
}

TEST(PhotoCdResiduals, SixteenBaseCorrectsLumaAndBothColourDifferences) {
    const std::vector<std::uint8_t> pack = Hand16BasePack();
    ASSERT_EQ(ReadPcdLayout(pack).stepCount, 6);
    const Bitmap picture = Decode(pack, 5);
    ASSERT_EQ(picture.Width(), 2048); // turned a quarter
    ASSERT_EQ(picture.Height(), 3072);
    // Stored (x, y) shows at (y, 3071 - x).
    EXPECT_EQ(Pixel24(picture, 16, 3071), Grey(110)); // 100 + 5 in 4Base, + 5 in 16Base
    EXPECT_EQ(Pixel24(picture, 17, 3071), Grey(103)); // halfway from 105 to 100, rounded up
    // R = 100 + 1.3409 * -3, G = 100 - 0.3168 * 5 + 0.6825 * 3, B = 100 + 1.6327 * 5
    EXPECT_EQ(Pixel24(picture, 4, 3071 - 100), (Bgr{108, 100, 96}));
    EXPECT_EQ(Pixel24(picture, 6, 3071 - 100), Grey(100));
    EXPECT_EQ(Pixel24(Decode(pack, 4), 8, 1535), Grey(105));
}

TEST(PhotoCdResiduals, DamagedStreamsAreRefusedAndBadTablesNotOffered) {
    const std::function<void(PcdBitWriter&)> streams[] = {
        [](PcdBitWriter& s) {
            s.Row(0, 2);
            s.Put(0b111, 3);
            s.Row(0, 1024);
        }, // no such code
        [](PcdBitWriter& s) {
            s.Row(0, 1500);
            s.Row(0, 1024);
        }, // row too far
        [](PcdBitWriter& s) {
            s.Row(1, 2);
            s.Row(0, 1024);
        }, // no plane 1
        [](PcdBitWriter& s) {
            s.Row(2, 2);
            s.Row(0, 1024);
        }, // no colour table
        [](PcdBitWriter& s) {
            s.Row(0, 2);
            PutDelta(s, 5);
        }, // no end mark
    };
    for (const auto& write : streams) {
        std::vector<std::uint8_t> pack = zvtest::GreyPcdPack(100, 1);
        PcdBitWriter stream;
        write(stream);
        zvtest::Put4Base(pack, stream);
        EXPECT_THROW(Decode(pack, 4), EPhotoCdError);
    }
    std::vector<std::uint8_t> pack = Hand4BasePack(2);
    EXPECT_THROW(Decode(pack, 5), EPhotoCdError); // the 16Base part is missing
    pack.resize(static_cast<std::size_t>(kPcd4BaseTables + 8));
    EXPECT_EQ(ReadPcdLayout(pack).stepCount, 4); // the table is cut

    pack = Hand4BasePack(1);
    pack[static_cast<std::size_t>(kPcd4BaseTables + 1)] = 16; // a 17-bit code
    EXPECT_EQ(ReadPcdLayout(pack).stepCount, 4);
    EXPECT_EQ(ReadPcdLayout(Hand4BasePack(0)).stepCount, 4); // the pack names Base only
}

TEST(PhotoCdResiduals, TheFileRouteAndTheToolReachTheLargeSteps) {
    zvtest::TempFolder folder;
    const std::string path = (folder.Path() / "img0001.pcd").string();
    const std::vector<std::uint8_t> pack = Hand16BasePack();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(pack.data()),
               static_cast<std::streamsize>(pack.size()));
    DecodeOptions options;
    options.photoCdStep = 4;
    const DecodedPicture picture = DecodeFile(path, 1, options);
    EXPECT_EQ(picture.pixels.Width(), 1024);
    EXPECT_EQ(Pixel24(picture.pixels, 8, 1535), Grey(105));

    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL is not set";
    const zvtest::ToolRun info = zvtest::RunTool("info '" + path + "'");
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.output.find(", 6 resolutions"), std::string::npos) << info.output;
}

} // namespace
} // namespace zv
