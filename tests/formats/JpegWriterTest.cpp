#include "formats/JpegWriter.h"

#include "formats/JpegReader.h"
#include "formats/LayerPalettes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

#include <cstdlib>

namespace zv {
namespace {

// The tables of the JPEG standard (Annex K), in natural order.
constexpr int kLuminance[64] = {16,  11,  10,  16,  24, 40, 51,  61,  12,  12,  14,  19,  26,
                                58,  60,  55,  14,  13, 16, 24,  40,  57,  69,  56,  14,  17,
                                22,  29,  51,  87,  80, 62, 18,  22,  37,  56,  68,  109, 103,
                                77,  24,  35,  55,  64, 81, 104, 113, 92,  49,  64,  78,  87,
                                103, 121, 120, 101, 72, 92, 95,  98,  112, 100, 103, 99};
constexpr int kChrominanceCorner[4][4] = {
    {17, 18, 24, 47}, {18, 21, 26, 66}, {24, 26, 56, 99}, {47, 66, 99, 99}};

int Chrominance(int i) {
    const int row = i / 8, column = i % 8;
    return row < 4 && column < 4 ? kChrominanceCorner[row][column] : 99;
}

// What libjpeg's decompressor reads from a file: the header and the markers.
struct Decoded {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    explicit Decoded(const Bytes& file) {
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
        jpeg_mem_src(&info, file.data(), file.size());
        jpeg_read_header(&info, TRUE);
    }
    ~Decoded() { jpeg_destroy_decompress(&info); }
    int Quant(int table, int i) const { return info.quant_tbl_ptrs[table]->quantval[i]; }
};

Bitmap Ramp(int width, int height) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = picture.ScanLine(y) + 3 * x;
            p[0] = std::uint8_t(x * 4), p[1] = std::uint8_t(y * 4),
            p[2] = std::uint8_t(128 + x - y);
        }
    return picture;
}

TEST(JpegWriter, ColourAtQualityFiftyHasHalfTablesFullSamplingOptimisedCodesAndNoComment) {
    TJpegWriter writer;
    const Bytes file = writer.Compress(Ramp(40, 24));
    Decoded d(file);
    EXPECT_EQ(d.info.num_components, 3);
    EXPECT_EQ(d.info.jpeg_color_space, JCS_YCbCr);
    EXPECT_FALSE(d.info.progressive_mode);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(d.info.comp_info[c].h_samp_factor, 1);
        EXPECT_EQ(d.info.comp_info[c].v_samp_factor, 1);
    }
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(d.Quant(0, i), std::max(1, (kLuminance[i] * 50 + 50) / 100)) << i;
        EXPECT_EQ(d.Quant(1, i), std::max(1, (Chrominance(i) * 50 + 50) / 100)) << i;
    }
    // The standard AC table codes 162 symbols; one fitted to a small ramp far fewer.
    int symbols = 0;
    for (int length = 1; length <= 16; ++length)
        symbols += d.info.ac_huff_tbl_ptrs[0]->bits[length];
    EXPECT_LT(symbols, 162);
    EXPECT_EQ(d.info.marker_list, nullptr);
}

TEST(JpegWriter, QualityIsLinearAndOutOfRangeValuesAreFifty) {
    EXPECT_EQ(ValidJpegQuality(0), 0);
    EXPECT_EQ(ValidJpegQuality(128), 128);
    EXPECT_EQ(ValidJpegQuality(129), 50);
    EXPECT_EQ(ValidJpegQuality(-1), 50);
    TJpegWriter writer;
    writer.quality = 128;
    Decoded strong(writer.Compress(Ramp(8, 8)));
    EXPECT_EQ(strong.Quant(0, 63), (99 * 128 + 50) / 100);
    writer.quality = 0; // every step 1: the finest the file can hold
    Decoded fine(writer.Compress(Ramp(8, 8)));
    EXPECT_EQ(fine.Quant(0, 0), 1);
    EXPECT_EQ(fine.Quant(0, 63), 1);
    // The writer itself reaches 255 (artifacts); past that it writes 50.
    writer.quality = 255;
    EXPECT_EQ(Decoded(writer.Compress(Ramp(8, 8))).Quant(0, 63), (99 * 255 + 50) / 100);
    writer.quality = 256;
    EXPECT_EQ(Decoded(writer.Compress(Ramp(8, 8))).Quant(0, 63), (99 * 50 + 50) / 100);
}

TEST(JpegWriter, GreyAndProgressiveRoundTripThroughTheReader) {
    Bitmap picture = Ramp(33, 17);
    TJpegWriter writer;
    writer.quality = 0;
    writer.progressive = true;
    TJpegReader reader;
    reader.performance = JpegPerformance::Quality;
    reader.ReadHeader(writer.Compress(picture));
    EXPECT_TRUE(reader.Progressive());
    Bitmap back;
    reader.Decode(back);
    int worst = 0;
    for (int y = 0; y < 17; ++y)
        for (int i = 0; i < 33 * 3; ++i)
            worst = std::max(worst, std::abs(back.ScanLine(y)[i] - picture.ScanLine(y)[i]));
    EXPECT_LE(worst, 3);

    // A palette picture of pure red: its grey is the brightness, 0.299 x 255.
    Bitmap red;
    red.Create(16, 8, PixelFormat::Bits8);
    red.SetPalette({{0, 0, 255, 0}});
    writer.grey = true;
    writer.progressive = false;
    reader.ReadHeader(writer.Compress(red));
    EXPECT_EQ(reader.Components(), 1);
    reader.Decode(back);
    EXPECT_NEAR(back.ScanLine(4)[3 * 8], 76, 1);
}

TEST(JpegWriter, RefusesAnEmptyPicture) {
    EXPECT_THROW(TJpegWriter().Compress(Bitmap()), EJpegWriteError);
}

} // namespace
} // namespace zv
