#include "formats/BmpGraphic.h"
#include "formats/GbmCodec.h"

#include "TempFolderTest.h"
#include "formats/PeerFiles.h"
#include "formats/PixelGrids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zv {
namespace {

using zvtest::Colours;
using zvtest::Grid;
using zvtest::Indices;

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A file header, an information header of headerSize bytes (300 x 96 dpi),
// the palette bytes and the pixel bytes.
Bytes Bmp(std::int32_t w, std::int32_t h, int bits, const Bytes& palette, const Bytes& pixels,
          std::uint32_t compression = 0, std::uint32_t used = 0, std::uint32_t headerSize = 40) {
    Bytes b{'B', 'M'};
    for (std::uint32_t v :
         {0u, 0u, 14 + headerSize + static_cast<std::uint32_t>(palette.size()), headerSize,
          static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h), 1u | bits << 16,
          compression, 0u, 11811u, 3780u, used, 0u})
        PutU32LE(b, v);
    b.resize(14 + headerSize, 0);
    return Cat(Cat(b, palette), pixels);
}

// Palette indices, or for 24-bit images colours 0x00BBGGRR, row by row.
Grid Pixels(const TDibGraphic& image) {
    Grid rows(image.Height(), std::vector<std::uint32_t>(image.Width()));
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            rows[y][x] = image.Bits() == 24 ? image.GetPixel(x, y) : image.GetPixelIndex(x, y);
    return rows;
}

Grid Read(const Bytes& file, TBmpGraphic& image) {
    image.LoadFromStream(file);
    return Pixels(image);
}

// The layer's message and the codec's reason, or "read".
std::string Failure(const Bytes& file) {
    TBmpGraphic image;
    try {
        image.LoadFromStream(file);
    } catch (const gbm::ECodecError& error) {
        return std::string(error.what()) + " / " + error.Reason();
    }
    return "read";
}

TEST(BmpRead, UncompressedDepthsBothRowOrdersAndResolution) {
    TBmpGraphic image;
    // 1 bit, 3 x 2, bottom row first; the palette stays in file order.
    EXPECT_EQ(
        Read(Bmp(3, 2, 1, {255, 255, 255, 0, 0, 0, 0, 0}, {0xA0, 0, 0, 0, 0x60, 0, 0, 0}), image),
        (Grid{{0, 1, 1}, {1, 0, 1}}));
    EXPECT_EQ(image.Format(), ImageFormat::BW);
    EXPECT_EQ(image.GetPixel(0, 0), 0xFFFFFFu);
    // 4 bits with three colours used: the palette keeps three entries.
    EXPECT_EQ(
        Read(Bmp(3, 1, 4, {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0}, {0x20, 0x10, 0, 0}, 0, 3),
             image),
        (Grid{{2, 0, 1}}));
    EXPECT_EQ(image.Format(), ImageFormat::Color4);
    EXPECT_EQ(image.Colours().size(), 3u);
    EXPECT_EQ(image.GetPixel(0, 0), 0xFF0000u); // blue
    // 8 bits top-down (negative height).
    EXPECT_EQ(Read(Bmp(2, -2, 8, Bytes(40, 0), {5, 7, 0, 0, 9, 1, 0, 0}, 0, 10), image),
              (Grid{{5, 7}, {9, 1}}));
    EXPECT_EQ(image.Format(), ImageFormat::Color8);
    // 24 bits, blue, green, red.
    EXPECT_EQ(Read(Bmp(2, 2, 24, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}), image),
              (Grid{{0x070809, 0x0A0B0C}, {0x010203, 0x040506}}));
    EXPECT_EQ(image.Format(), ImageFormat::Color24);
    EXPECT_EQ(image.XDpi(), 300);
    EXPECT_EQ(image.YDpi(), 96);
    EXPECT_FALSE(image.readByFallback);
}

TEST(BmpRead, Os2CoreHeaderInsideABitmapArray) {
    Bytes file{'B', 'A'};
    file.resize(14, 0);
    file = Cat(file, {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 14 + 14 + 12 + 6, 0, 0, 0});
    file = Cat(file, {12, 0, 0, 0, 9, 0, 1, 0, 1, 0, 1, 0});    // 9 x 1, 1 bit
    file = Cat(file, {0, 0, 255, 255, 0, 0, 0x80, 0x80, 0, 0}); // red, blue; pixels
    TBmpGraphic image;
    EXPECT_EQ(Read(file, image), (Grid{{1, 0, 0, 0, 0, 0, 0, 0, 1}}));
    EXPECT_EQ(image.GetPixel(0, 0), 0xFF0000u);
    EXPECT_EQ(image.GetPixel(1, 0), 0x0000FFu);
    // An OS/2 2.x header cut short after the bit count: the rest reads as 0.
    EXPECT_EQ(Read(Bmp(1, 1, 24, {}, {1, 2, 3, 0}, 0, 0, 16), image), (Grid{{0x010203}}));
    EXPECT_FALSE(image.readByFallback);
}

TEST(BmpRead, RunLengthCodesRunsLiteralsDeltasAndLineEnds) {
    TBmpGraphic image;
    const Bytes rle8 = {3, 5, 0, 0,                   // bottom row: three 5s, end of line
                        0, 3, 1, 2, 3, 0, 1, 4, 0, 0, // literal 1 2 3 (padded), one 4
                        0, 2, 2, 0, 2, 9, 0, 1};      // delta right 2, two 9s, end of bitmap
    EXPECT_EQ(Read(Bmp(4, 3, 8, Bytes(40, 0), rle8, 1, 10), image),
              (Grid{{0, 0, 9, 9}, {1, 2, 3, 4}, {5, 5, 5, 0}}));
    const Bytes rle4 = {5, 0x12, 0, 0,             // bottom row: 1 2 1 2 1
                        0, 2,    1, 1,             // delta right 1 and up 1: the middle row stays 0
                        2, 0x77, 0, 3, 0x34, 0x50, // two 7s, literal 3 4 5 (even bytes: no pad)
                        0, 1};
    EXPECT_EQ(Read(Bmp(6, 3, 4, Bytes(64, 0), rle4, 2), image),
              (Grid{{0, 7, 7, 3, 4, 5}, {0, 0, 0, 0, 0, 0}, {1, 2, 1, 2, 1, 0}}));
    // Runs and literals past the right edge are cut; a delta out of the top ends the picture.
    const Bytes clipped = {5, 3, 0, 0, 0, 3, 1, 2, 6, 0, 0, 2, 0, 9};
    EXPECT_EQ(Read(Bmp(2, 2, 8, Bytes(40, 0), clipped, 1, 10), image), (Grid{{1, 2}, {3, 3}}));
    EXPECT_FALSE(image.readByFallback);
}

TEST(BmpRead, SixteenThirtyTwoBitsAndNewerHeadersTakeTheFallback) {
    TBmpGraphic image;
    EXPECT_EQ(Read(Bmp(2, 1, 16, {}, {0x00, 0x7C, 0x1F, 0x80}), image),
              (Grid{{0x0000FF, 0xFF0000}}));
    EXPECT_EQ(image.Format(), ImageFormat::Color24);
    EXPECT_TRUE(image.readByFallback);
    // 5-6-5 bit fields after a 40-byte header; 16 of 31 widens to 132, 32 of 63 to 130.
    const Bytes masks = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    EXPECT_EQ(Read(Bmp(2, 1, 16, masks, {0xE0, 0x07, 0x10, 0x84}, 3), image),
              (Grid{{0x00FF00, 0x848284}}));
    EXPECT_EQ(Read(Bmp(1, 1, 32, {}, {10, 20, 30, 99}), image), (Grid{{0x0A141E}}));
    EXPECT_EQ(Read(Bmp(2, 1, 8, Bytes(8, 0), {1, 0, 0, 0}, 0, 2, 124), image), (Grid{{1, 0}}));
    EXPECT_EQ(image.Format(), ImageFormat::Color8);
    EXPECT_TRUE(image.readByFallback);
    Read(Bmp(1, 1, 24, {}, {1, 2, 3, 0}), image);
    EXPECT_FALSE(image.readByFallback);
}

TEST(BmpRead, BadTruncatedAndLyingFilesRaiseTheCodecErrors) {
    const std::string header = "gbm_read_header failed. / ";
    const std::string data = "gbm_read_data failed. / ";
    Bytes plain = Bmp(2, 1, 24, {}, {1, 2, 3, 4, 5, 6, 0, 0});
    EXPECT_EQ(Failure({'G', 'I', 'F'}), header + "not a bitmap file");
    EXPECT_EQ(Failure(Bytes(plain.begin(), plain.begin() + 30)), header + "the data ends early");
    EXPECT_EQ(Failure(Bmp(2, 1, 24, {}, {}, 0, 0, 41)), header + "unknown information header size");
    Bytes planes = plain;
    planes[26] = 2;
    EXPECT_EQ(Failure(planes), header + "the plane count is not 1");
    EXPECT_EQ(Failure(Bmp(1, 1, 16, Bytes(12, 0xFF), {0, 0}, 3, 0, 64)),
              header + "this depth and compression are not supported"); // OS/2 Huffman
    EXPECT_EQ(Failure(Bmp(1, 1, 16, {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1B, 0, 0, 0}, {0, 0}, 3)),
              header + "a bit-field mask is not one run of bits");
    EXPECT_EQ(Failure(Bytes(plain.begin(), plain.end() - 1)),
              data + "the file holds fewer rows than the picture has");
    EXPECT_EQ(Failure(Bmp(30000, 30000, 24, {}, {1, 2, 3})),
              data + "the file holds fewer rows than the picture has");
    EXPECT_EQ(Failure(Bmp(30000, 30000, 8, Bytes(40, 0), {0, 1}, 1, 10)),
              data + "the picture is larger than its data can fill");
    EXPECT_EQ(Failure(Bmp(2, 2, 8, Bytes(40, 0), {0, 16, 1, 2}, 1, 10)),
              data + "the data ends early");
    EXPECT_EQ(Failure(Bmp(2, 2, 8, Bytes(40, 0), {2, 1, 0, 0}, 1, 10)),
              data + "the run-length data stops before the picture is complete");
    EXPECT_EQ(Failure(Bmp(1, 1, 8, Bytes(40, 0), {})), data + "the data ends early"); // palette
    Bytes farPixels = plain;
    farPixels[10] = 0xFF;
    EXPECT_EQ(Failure(farPixels), data + "the pixels start past the end of the file");
}

TEST(BmpRead, ReadInfoNeedsOnlyTheHeader) {
    TBmpGraphic image;
    image.ReadInfo(Bmp(30000, -20000, 4, {}, {}));
    EXPECT_EQ(image.infoWidth, 30000);
    EXPECT_EQ(image.infoHeight, 20000);
    EXPECT_EQ(image.infoBits, 4);
    const zvtest::TempFolder temp;
    const auto path = temp / "info.bmp";
    const Bytes file = Bmp(7, 3, 16, {}, {});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), file.size());
    image.ReadInfo(path);
    std::filesystem::remove(path);
    EXPECT_EQ(image.infoWidth, 7);
    EXPECT_EQ(image.infoBits, 16);
    EXPECT_THROW(image.ReadInfo(Bytes{'B', 'M', 0}), EGbmError);
    EXPECT_EQ(image.infoWidth, 0);
}

TEST(BmpWrite, FileHeaderInfoHeaderPaletteThenRowsBottomUp) {
    TBmpGraphic image;
    const Palette palette = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
    image.NewImage(2, 2, ImageFormat::Color8, &palette, 300, 300);
    image.SetPixelIndex(1, 0, 2);
    image.SetPixelIndex(0, 1, 1);
    Bytes out;
    image.SaveToStream(out);
    const Bytes expectedStart = {'B', 'M', 74, 0, 0, 0, 0, 0, 0, 0, 66, 0, 0, 0, 40, 0, 0, 0, 2, 0};
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 20), expectedStart);
    EXPECT_EQ(out[28], 8); // bits
    EXPECT_EQ(out[46], 3); // colours used
    EXPECT_EQ(Bytes(out.begin() + 54, out.end()),
              (Bytes{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 1, 0, 0, 0, 0, 2, 0, 0}));
}

TEST(BmpWrite, EveryFormatRoundTripsWithItsPixelsPaletteAndResolution) {
    for (int f = 0; f <= 5; ++f) {
        SCOPED_TRACE(f);
        const auto format = static_cast<ImageFormat>(f);
        TBmpGraphic image;
        Palette palette = DefaultPaletteOf(format);
        if (format == ImageFormat::BW) palette = {{255, 255, 255, 0}, {0, 0, 0, 0}};
        image.NewImage(13, 5, format, &palette, 200, 72);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) image.SetPixel(x, y, (x * 37 + y * 91) * 0x010307u);
        Bytes out;
        image.SaveToStream(out);
        TBmpGraphic back;
        back.LoadFromStream(out);
        EXPECT_EQ(back.Colours(), image.Colours());
        EXPECT_EQ(Pixels(back), Pixels(image));
        EXPECT_EQ(back.XDpi(), 200);
        EXPECT_EQ(back.YDpi(), 72);
    }
}

// The file with a 32-bit field of its information header set.
Bytes WithField(Bytes file, std::size_t infoOffset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        file[14 + infoOffset + i] = static_cast<std::uint8_t>(value >> 8 * i);
    return file;
}

Bytes RowsOf(const TDibGraphic& image) {
    Bytes bytes;
    for (int y = 0; y < image.Height(); ++y)
        bytes.insert(bytes.end(), image.ScanLine(y),
                     image.ScanLine(y) + image.Width() * (image.HasAlpha() ? 4 : 3));
    return bytes;
}

TEST(BmpRead, AlphaMasksKeepAlphaWhenAsked) {
    const Bytes pixels = {10, 20, 30, 128, 40, 50, 60, 0};
    Bytes v5 = Bmp(2, 1, 32, {}, pixels, 3, 0, 124);
    for (auto [at, mask] :
         {std::pair{40u, 0xFF0000u}, {44u, 0xFF00u}, {48u, 0xFFu}, {52u, 0xFF000000u}})
        v5 = WithField(v5, at, mask);
    const Bytes fieldsAfterHeader = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF};
    const Bytes rgb555 = {0, 0x7C, 0, 0, 0xE0, 0x03, 0, 0, 0x1F, 0, 0, 0, 0, 0x80, 0, 0};
    struct Case {
        const char* name;
        Bytes file;
        bool keepAlpha;
        Bytes rows;
    } cases[] = {
        {"version 5 header", v5, true, pixels},
        {"not asked", v5, false, {10, 20, 30, 40, 50, 60}},
        {"alpha bit fields", Bmp(2, 1, 32, fieldsAfterHeader, pixels, 6), true, pixels},
        {"one alpha bit",
         Bmp(2, 1, 16, rgb555, {0x1F, 0x80, 0x00, 0x7C}, 6),
         true,
         {255, 0, 0, 255, 0, 0, 255, 0}},
        {"alpha all clear", Bmp(1, 1, 32, fieldsAfterHeader, {1, 2, 3, 0}, 6), true, {1, 2, 3}},
        {"no masks, no alpha", Bmp(1, 1, 32, {}, {1, 2, 3, 99}), true, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBmpGraphic image;
        image.keepAlpha = c.keepAlpha;
        image.LoadFromStream(c.file);
        EXPECT_EQ(image.HasAlpha(), c.rows.size() > 3 && c.rows.size() % 4 == 0);
        EXPECT_EQ(RowsOf(image), c.rows);
        // The BMP writer keeps the colours and drops the alpha.
        Bytes out;
        image.SaveToStream(out);
        TBmpGraphic back;
        back.keepAlpha = true;
        back.LoadFromStream(out);
        EXPECT_FALSE(back.HasAlpha());
        EXPECT_EQ(Pixels(back), Pixels(image));
    }
    const zvtest::TempFolder temp;
    const std::string path = temp.Write("alpha.bmp", std::string(v5.begin(), v5.end()));
    EXPECT_TRUE(ReadBmpFile(path, true).pixels.HasAlpha());
    EXPECT_FALSE(ReadBmpFile(path).pixels.HasAlpha());
}

// The samples of a binary PPM (P6, 255), after its header.
Bytes PpmSamples(const Bytes& ppm, int width, int height) {
    const std::size_t size = std::size_t(width) * height * 3;
    return ppm.size() < size ? Bytes{}
                             : Bytes(ppm.end() - static_cast<std::ptrdiff_t>(size), ppm.end());
}

TEST(BmpRead, EmbeddedJpegAndPngPictures) {
    Bytes rgb;
    for (int i = 0; i < 16 * 8; ++i)
        rgb.insert(rgb.end(),
                   {std::uint8_t(i * 2), std::uint8_t(255 - i), std::uint8_t(i % 16 * 16)});
    const Bytes ppm = zvtest::NetpbmPicture(16, 8, 3, rgb);
    const Bytes jpeg = zvtest::PeerMade("cjpeg -quality 95", ppm);
    const Bytes png = zvtest::PeerMade("pnmtopng", ppm);
    const Bytes jpegRgb = PpmSamples(zvtest::PeerMade("djpeg", jpeg), 16, 8);
    ASSERT_FALSE(jpeg.empty() || png.empty() || jpegRgb.empty())
        << "cjpeg, djpeg or pnmtopng missing";
    struct Case {
        const char* name;
        Bytes file;
        const Bytes& expected;
        int tolerance;
    } cases[] = {
        {"png", Bmp(16, 8, 0, {}, png, 5), rgb, 0},
        {"jpeg", Bmp(16, 8, 0, {}, jpeg, 4), jpegRgb, 8},
        {"jpeg with its size",
         WithField(Bmp(16, 8, 24, {}, jpeg, 4), 20, std::uint32_t(jpeg.size())), jpegRgb, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBmpGraphic image;
        image.LoadFromStream(c.file);
        ASSERT_EQ(image.Width(), 16);
        ASSERT_EQ(image.Height(), 8);
        int worst = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x) {
                const std::uint32_t colour = image.GetPixel(x, y);
                for (int k = 0; k < 3; ++k)
                    worst = std::max(worst, std::abs(int(colour >> 8 * k & 0xFF) -
                                                     int(c.expected[(y * 16 + x) * 3 + k])));
            }
        EXPECT_LE(worst, c.tolerance);
        image.ReadInfo(c.file);
        EXPECT_EQ(image.infoBits, 24);
    }

    const std::string data = "gbm_read_data failed. / ";
    EXPECT_EQ(Failure(Bmp(16, 9, 0, {}, png, 5)),
              data + "the embedded picture's size differs from the header's");
    EXPECT_EQ(Failure(WithField(Bmp(16, 8, 0, {}, png, 5), 20, std::uint32_t(png.size() + 1))),
              data + "the embedded picture runs past the end");
    const std::string cut = Failure(Bmp(16, 8, 0, {}, Bytes(jpeg.begin(), jpeg.begin() + 200), 4));
    EXPECT_EQ(cut.rfind(data + "the embedded picture cannot be read: ", 0), 0u) << cut;
    EXPECT_NE(Failure(Bmp(16, 8, 0, {}, Bytes(png.begin(), png.end() - 20), 5)), "read");
    EXPECT_EQ(Failure(Bmp(16, 8, 0, {}, Bytes(8, 0), 5)).rfind(data, 0), 0u);
}

TEST(BmpRead, FilesFromOtherToolsGiveThePixelsTheyDecode) {
    EXPECT_EQ(zvtest::ExpectReferenceColours<TBmpGraphic>("bmp", ".bmp"), 8u);
}

} // namespace
} // namespace zv
