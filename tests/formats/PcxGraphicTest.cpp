#include "formats/PcxGraphic.h"
#include "formats/GbmCodec.h"

#include "formats/PeerFiles.h"
#include "formats/PixelGrids.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace zv {
namespace {

using zvtest::Colours;
using zvtest::Grid;
using zvtest::Indices;

// A 128-byte header (300 x 150 dpi) followed by the coded data.
Bytes Pcx(int version, int bits, int planes, int w, int h, int bytesPerLine, const Bytes& data,
          const Bytes& colours = {}) {
    Bytes b = {10, static_cast<std::uint8_t>(version), 1, static_cast<std::uint8_t>(bits)};
    for (int v : {0, 0, w - 1, h - 1, 300, 150}) PutU16LE(b, static_cast<std::uint16_t>(v));
    b.insert(b.end(), colours.begin(), colours.end());
    b.resize(65, 0);
    b.push_back(static_cast<std::uint8_t>(planes));
    PutU16LE(b, static_cast<std::uint16_t>(bytesPerLine));
    b.resize(128, 0);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}
std::string Failure(const Bytes& file) {
    TPcxGraphic image;
    try {
        image.LoadFromStream(file);
    } catch (const gbm::ECodecError& error) {
        return std::string(error.what()) + " / " + error.Reason();
    }
    return "read";
}

TEST(PcxRead, EveryLayoutDecodes) {
    TPcxGraphic image;
    // 1 bit: 0xC0 must come as a run of one; the header's two colours are used.
    image.LoadFromStream(
        Pcx(5, 1, 1, 10, 2, 2, {0xAA, 0xC1, 0xC0, 0xC2, 0}, {0, 0, 128, 255, 255, 0}));
    EXPECT_EQ(Indices(image), (Grid{{1, 0, 1, 0, 1, 0, 1, 0, 1, 1}, Grid::value_type(10, 0)}));
    EXPECT_EQ(image.Format(), ImageFormat::BW);
    EXPECT_EQ(image.GetPixel(0, 0), 0x00FFFFu);
    EXPECT_EQ(image.XDpi(), 300);
    EXPECT_EQ(image.YDpi(), 150);
    // Four 1-bit planes, plane p holding bit p; and one 4-bit plane.
    Bytes colours(48);
    colours[45] = 240;
    image.LoadFromStream(Pcx(5, 1, 4, 3, 1, 2, {0xA0, 0, 0x60, 0, 0x20, 0, 0x20, 0}, colours));
    EXPECT_EQ(Indices(image), (Grid{{1, 2, 15}}));
    EXPECT_EQ(image.Format(), ImageFormat::Color4);
    EXPECT_EQ(image.Colours()[15], (PaletteEntry{0, 0, 240, 0}));
    image.LoadFromStream(Pcx(5, 4, 1, 3, 1, 2, {0x12, 0xC1, 0xF0}, colours));
    EXPECT_EQ(Indices(image), (Grid{{1, 2, 15}}));
    // 8 bits with the palette after the data, and without one (greys).
    Bytes trailer(769);
    trailer[0] = 0x0C;
    trailer[1 + 3 * 200] = 1, trailer[2 + 3 * 200] = 2, trailer[3 + 3 * 200] = 3;
    Bytes file = Pcx(5, 8, 1, 2, 1, 2, {0xC1, 0xC8, 5});
    image.LoadFromStream(file);
    EXPECT_EQ(Colours(image), (Grid{{0xC8C8C8, 0x050505}}));
    file.insert(file.end(), trailer.begin(), trailer.end());
    image.LoadFromStream(file);
    EXPECT_EQ(Colours(image), (Grid{{0x030201, 0}}));
    EXPECT_EQ(image.Format(), ImageFormat::Color8);
    // A run may carry on into the next line.
    image.LoadFromStream(Pcx(5, 8, 1, 3, 2, 4, {0xC8, 7}));
    EXPECT_EQ(Indices(image), (Grid{{7, 7, 7}, {7, 7, 7}}));
    // 24 bits as red, green and blue planes.
    image.LoadFromStream(Pcx(5, 8, 3, 2, 1, 2, {10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(Colours(image), (Grid{{0x321E0A, 0x3C2814}}));
    EXPECT_EQ(image.Format(), ImageFormat::Color24);
}

TEST(PcxRead, VersionsFourAndAboveFiveAreRefused) {
    const Bytes colours = {0, 0, 128, 255, 255, 0, 7, 7, 7};
    for (int version : {0, 1, 2, 3, 5})
        EXPECT_EQ(Failure(Pcx(version, 4, 1, 2, 1, 2, {0x01, 0}, colours)), "read") << version;
    for (int version : {4, 6})
        EXPECT_EQ(Failure(Pcx(version, 4, 1, 2, 1, 2, {0x01}, colours)),
                  "gbm_read_header failed. / unsupported version");
    // Versions 0 and 3 have no header palette; an empty one means none too.
    TPcxGraphic image;
    image.LoadFromStream(Pcx(3, 4, 1, 2, 1, 2, {0x01, 0}, colours));
    EXPECT_EQ(image.Colours(), DefaultPaletteOf(ImageFormat::Color4));
    image.LoadFromStream(Pcx(5, 1, 1, 2, 1, 2, {0x40, 0}));
    EXPECT_EQ(image.Colours(), DefaultPaletteOf(ImageFormat::BW));
}

TEST(PcxRead, BadTruncatedAndLyingFilesRaiseTheCodecErrors) {
    const std::string header = "gbm_read_header failed. / ";
    Bytes file = Pcx(5, 8, 1, 3, 2, 4, {0xC4, 1, 0xC4, 2});
    EXPECT_EQ(Failure(file), "read");
    file[0] = 9;
    EXPECT_EQ(Failure(file), header + "bad magic number");
    EXPECT_EQ(Failure(Bytes(file.begin(), file.begin() + 100)), header + "bad magic number");
    file[0] = 10;
    EXPECT_EQ(Failure(Bytes(file.begin(), file.begin() + 100)), header + "the data ends early");
    file[2] = 0;
    EXPECT_EQ(Failure(file), header + "unsupported encoding");
    file[2] = 1;
    file[4] = 5; // left edge 5, right edge 2
    EXPECT_EQ(Failure(file), header + "negative size");
    EXPECT_EQ(Failure(Pcx(5, 2, 4, 3, 1, 2, {0})),
              header + "unsupported bits per pixel and planes");
    EXPECT_EQ(Failure(Pcx(5, 8, 1, 3, 1, 2, {0})), header + "the lines are shorter than the width");
    EXPECT_EQ(Failure(Pcx(5, 8, 1, 3, 2, 4, {0xC4, 1})),
              "gbm_read_data failed. / the data ends early");
    EXPECT_EQ(Failure(Pcx(5, 8, 1, 65535, 65535, 65535, {0xFF, 1, 0xFF, 1})),
              "gbm_read_data failed. / the picture is larger than its data can fill");
}

TEST(PcxWrite, HeaderRunsAndPaletteAreLaidOutAsReadersExpect) {
    TPcxGraphic image;
    const Palette palette(256, PaletteEntry{3, 2, 1, 0});
    image.NewImage(70, 1, ImageFormat::Color8, &palette, 200, 72);
    for (int x = 0; x < 70; ++x) image.SetPixelIndex(x, 0, x < 67 ? 9 : x == 67 ? 0xC5 : 1);
    Bytes out;
    image.SaveToStream(out);
    ASSERT_EQ(out.size(), 128u + 8 + 769);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 16),
              (Bytes{10, 5, 1, 8, 0, 0, 0, 0, 69, 0, 0, 0, 200, 0, 72, 0}));
    EXPECT_EQ(out[65], 1);  // planes
    EXPECT_EQ(out[66], 70); // bytes per line, even
    EXPECT_EQ(Bytes(out.begin() + 128, out.begin() + 136),
              (Bytes{0xFF, 9, 0xC4, 9, 0xC1, 0xC5, 0xC2, 1})); // runs of at most 63, 0xC5 escaped
    EXPECT_EQ(Bytes(out.begin() + 136, out.begin() + 140), (Bytes{0x0C, 1, 2, 3}));
}

TEST(PcxWrite, OneBitWithTheBrighterColourFirstIsWrittenInverted) {
    TPcxGraphic image;
    const Palette whiteFirst = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    image.NewImage(3, 1, ImageFormat::BW, &whiteFirst);
    image.SetPixelIndex(1, 0, 1);
    Bytes out;
    image.SaveToStream(out);
    EXPECT_EQ(Bytes(out.begin() + 16, out.begin() + 22), (Bytes{0, 0, 0, 255, 255, 255}));
    EXPECT_EQ(Bytes(out.begin() + 128, out.end()), (Bytes{0xA0, 0})); // bits past the width stay 0
    TPcxGraphic back;
    back.LoadFromStream(out);
    EXPECT_EQ(Colours(back), Colours(image));
}

TEST(PcxWrite, EveryFormatRoundTrips) {
    for (int f = 0; f <= 5; ++f) {
        SCOPED_TRACE(f);
        const auto format = static_cast<ImageFormat>(f);
        TPcxGraphic image;
        image.NewImage(13, 5, format, nullptr, 200, 72);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) image.SetPixel(x, y, (x * 37 + y * 91) * 0x010307u);
        Bytes out;
        image.SaveToStream(out);
        TPcxGraphic back;
        back.LoadFromStream(out);
        EXPECT_EQ(back.Colours(), image.Colours());
        EXPECT_EQ(Colours(back), Colours(image));
        if (format != ImageFormat::Color24) {
            EXPECT_EQ(Indices(back), Indices(image));
        }
        EXPECT_EQ(back.XDpi(), 200);
        EXPECT_EQ(back.YDpi(), 72);
    }
}
TEST(PcxRead, TwoBitCgaPictures) {
    // Four colours at two bits a pixel, packed by netpbm with its palette in
    // the header; the source picture is the reference.
    const std::vector<std::uint32_t> four = {0x0000FF, 0x00FF00, 0xFF0000, 0x000000};
    Bytes rgb;
    Grid expected(3, std::vector<std::uint32_t>(5));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const std::uint32_t c = expected[y][x] = four[(x + 2 * y) % 4];
            rgb.insert(rgb.end(), {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16)});
        }
    const Bytes netpbm = zvtest::PeerMade("ppmtopcx -packed", zvtest::NetpbmPicture(5, 3, 3, rgb));
    ASSERT_GT(netpbm.size(), 128u) << "ppmtopcx is missing";
    ASSERT_EQ(netpbm[3], 2); // two bits a pixel, one plane
    ASSERT_EQ(netpbm[65], 1);
    TPcxGraphic image;
    image.LoadFromStream(netpbm);
    EXPECT_EQ(image.Format(), ImageFormat::Color4);
    EXPECT_EQ(Colours(image), expected);

    // The original CGA header: background colour 1 (blue) in the first
    // byte's high nibble, the fourth byte choosing the bright cyan, magenta,
    // white set (bits 6 and 5); indices 0, 1, 2, 3, 3.
    Bytes cga(48);
    cga[0] = 0x10;
    cga[3] = 0x60;
    image.LoadFromStream(Pcx(3, 2, 1, 5, 1, 2, {0x1B, 0xC1, 0xC0}, cga));
    EXPECT_EQ(Colours(image), (Grid{{0xAA0000, 0xFFFF55, 0xFF55FF, 0xFFFFFF, 0xFFFFFF}}));
    cga[3] = 0; // green, red, brown
    image.LoadFromStream(Pcx(3, 2, 1, 5, 1, 2, {0x1B, 0xC1, 0xC0}, cga));
    EXPECT_EQ(Colours(image), (Grid{{0xAA0000, 0x00AA00, 0x0000AA, 0x0055AA, 0x0055AA}}));
}

TEST(PcxRead, FilesFromOtherToolsGiveThePixelsTheyDecode) {
    EXPECT_EQ(zvtest::ExpectReferenceColours<TPcxGraphic>("pcx", ".pcx"), 7u);
}

} // namespace
} // namespace zv
