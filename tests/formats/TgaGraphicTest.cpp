#include "formats/TgaGraphic.h"
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

struct Header {
    int idLength = 0, mapType = 0, type = 2, mapFirst = 0, mapLength = 0, mapBits = 0;
    int width = 1, height = 1, bits = 24, descriptor = 0;
};

// The 18-byte header, an ID field of idLength bytes and what follows.
Bytes Tga(const Header& h, const Bytes& rest) {
    Bytes b = {static_cast<std::uint8_t>(h.idLength), static_cast<std::uint8_t>(h.mapType),
               static_cast<std::uint8_t>(h.type)};
    for (int v : {h.mapFirst, h.mapLength}) PutU16LE(b, static_cast<std::uint16_t>(v));
    b.push_back(static_cast<std::uint8_t>(h.mapBits));
    for (int v : {0, 0, h.width, h.height}) PutU16LE(b, static_cast<std::uint16_t>(v));
    b.push_back(static_cast<std::uint8_t>(h.bits));
    b.push_back(static_cast<std::uint8_t>(h.descriptor));
    b.resize(b.size() + h.idLength, 'x');
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
}
Grid Read(const Bytes& file, TTgaGraphic& image) {
    image.LoadFromStream(file);
    return Colours(image);
}

std::string Failure(const Bytes& file) {
    TTgaGraphic image;
    try {
        image.LoadFromStream(file);
    } catch (const gbm::ECodecError& error) {
        return std::string(error.what()) + " / " + error.Reason();
    }
    return "read";
}

TEST(TgaRead, TrueColourFromEveryOriginAndDepth) {
    TTgaGraphic image;
    const Bytes pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(Read(Tga({.width = 2, .height = 2}, pixels), image),
              (Grid{{0x070809, 0x0A0B0C}, {0x010203, 0x040506}}));
    EXPECT_EQ(image.Format(), ImageFormat::Color24);
    EXPECT_EQ(Read(Tga({.width = 2, .height = 2, .descriptor = 0x20}, pixels), image),
              (Grid{{0x010203, 0x040506}, {0x070809, 0x0A0B0C}}));
    EXPECT_EQ(Read(Tga({.width = 2, .height = 2, .descriptor = 0x30}, pixels), image),
              (Grid{{0x040506, 0x010203}, {0x0A0B0C, 0x070809}}));
    EXPECT_EQ(Read(Tga({.width = 2, .bits = 16}, {0x00, 0x7C, 0x1F, 0x80}), image),
              (Grid{{0x0000FF, 0xFF0000}}));
    EXPECT_EQ(Read(Tga({.bits = 32, .descriptor = 8}, {10, 20, 30, 99}), image),
              (Grid{{0x0A141E}}));
}

TEST(TgaRead, RunLengthPacketsRunAcrossRowEnds) {
    TTgaGraphic image;
    const Bytes packets = {0x83, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}; // four repeats, two raw
    EXPECT_EQ(Read(Tga({.type = 10, .width = 3, .height = 2}, packets), image),
              (Grid{{0x010203, 0x040506, 0x070809}, {0x010203, 0x010203, 0x010203}}));
}

TEST(TgaRead, ColourMappedAndGreyPictures) {
    TTgaGraphic image;
    // Map entries 2 and 3 in 16 bits after a 3-byte ID; entries 0 and 1 are black.
    EXPECT_EQ(Read(Tga({.idLength = 3,
                        .mapType = 1,
                        .type = 1,
                        .mapFirst = 2,
                        .mapLength = 2,
                        .mapBits = 16,
                        .width = 3,
                        .bits = 8},
                       {0x00, 0x7C, 0xE0, 0x03, 2, 3, 1}),
                   image),
              (Grid{{0x0000FF, 0x00FF00, 0}}));
    EXPECT_EQ(image.Format(), ImageFormat::Color8);
    EXPECT_EQ(image.Colours().size(), 4u);
    EXPECT_EQ(
        Read(Tga({.mapType = 1, .type = 9, .mapLength = 2, .mapBits = 24, .width = 2, .bits = 8},
                 {0, 0, 255, 255, 0, 0, 0x81, 1}),
             image),
        (Grid{{0xFF0000, 0xFF0000}}));
    EXPECT_EQ(Read(Tga({.type = 3, .width = 2, .bits = 8}, {7, 200}), image),
              (Grid{{0x070707, 0xC8C8C8}}));
    EXPECT_EQ(image.Format(), ImageFormat::Gray8);
    EXPECT_EQ(Read(Tga({.type = 11, .width = 2, .height = 2, .bits = 8}, {0x83, 9}), image),
              (Grid{{0x090909, 0x090909}, {0x090909, 0x090909}}));
}

TEST(TgaRead, BadTruncatedAndLyingFilesRaiseTheCodecErrors) {
    const std::string header = "gbm_read_header failed. / ";
    const std::string data = "gbm_read_data failed. / ";
    for (int type : {0, 4, 12})
        EXPECT_EQ(Failure(Tga({.type = type}, {1, 2, 3})), header + "unsupported image type");
    EXPECT_EQ(Failure(Tga({.width = 0}, {})), header + "the picture has no pixels");
    EXPECT_EQ(Failure(Tga({.bits = 8}, {1})), header + "unsupported depth");
    EXPECT_EQ(Failure(Tga({.type = 3, .bits = 16}, {1, 2})), header + "unsupported depth");
    EXPECT_EQ(Failure(Tga({.type = 1, .bits = 8}, {1})), header + "unsupported colour map");
    EXPECT_EQ(Failure(Tga({.mapType = 2}, {1, 2, 3})), header + "unknown colour map type");
    EXPECT_EQ(Failure(Bytes(10, 0)), header + "the data ends early");
    EXPECT_EQ(Failure(Tga({.mapType = 1, .type = 1, .mapLength = 200, .mapBits = 24, .bits = 8},
                          {1, 2, 3})),
              data + "the data ends early");
    EXPECT_EQ(Failure(Tga({.width = 2, .height = 2}, Bytes(11, 0))),
              data + "the picture is larger than its data can fill");
    EXPECT_EQ(Failure(Tga({.type = 10, .width = 2, .height = 2}, {0x01, 1, 2, 3})),
              data + "the data ends early");
    EXPECT_EQ(Failure(Tga({.type = 10, .width = 65535, .height = 65535}, {0xFF, 1, 2, 3})),
              data + "the picture is larger than its data can fill");
}

TEST(TgaRead, ReadInfoNeedsOnlyTheHeader) {
    TTgaGraphic image;
    image.ReadInfo(Tga({.type = 10, .width = 640, .height = 480, .bits = 16}, {}));
    EXPECT_EQ(image.infoWidth, 640);
    EXPECT_EQ(image.infoHeight, 480);
    EXPECT_EQ(image.infoBits, 16);
}

TEST(TgaWrite, OnlyEightBitAndTrueColourImagesAreWritten) {
    for (ImageFormat format : {ImageFormat::BW, ImageFormat::Gray4, ImageFormat::Color4}) {
        TTgaGraphic image;
        image.NewImage(2, 2, format);
        Bytes out;
        try {
            image.SaveToStream(out);
            ADD_FAILURE() << "written";
        } catch (const ETgaError& error) {
            EXPECT_STREQ(error.what(), "TGA image must have 256 colors or true color");
        }
    }
}

TEST(TgaWrite, HeadersMapsAndRowsBottomUp) {
    TTgaGraphic image;
    image.NewImage(2, 2, ImageFormat::Gray8);
    image.SetPixelIndex(0, 0, 7);
    Bytes out;
    image.SaveToStream(out);
    EXPECT_EQ(out, (Bytes{0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 8, 0, 0, 0, 7, 0}));
    // A grey image with its own palette keeps it as a colour map.
    const Palette palette = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    image.NewImage(1, 1, ImageFormat::Gray8, &palette);
    out.clear();
    image.SaveToStream(out);
    EXPECT_EQ(out,
              (Bytes{0, 1, 1, 0, 0, 2, 0, 24, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0, 1, 2, 3, 4, 5, 6, 0}));
    image.NewImage(1, 2, ImageFormat::Color24);
    image.SetPixel(0, 1, 0x030201);
    out.clear();
    image.SaveToStream(out);
    EXPECT_EQ(Bytes(out.begin() + 2, out.begin() + 3), Bytes{2});
    EXPECT_EQ(Bytes(out.begin() + 16, out.end()), (Bytes{24, 0, 3, 2, 1, 0, 0, 0}));
}

TEST(TgaWrite, EveryWrittenFormatRoundTrips) {
    for (ImageFormat format : {ImageFormat::Gray8, ImageFormat::Color8, ImageFormat::Color24}) {
        TTgaGraphic image;
        image.NewImage(13, 5, format);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) image.SetPixel(x, y, (x * 37 + y * 91) * 0x010307u);
        Bytes out;
        image.SaveToStream(out);
        TTgaGraphic back;
        back.LoadFromStream(out);
        EXPECT_EQ(back.Format(), format);
        EXPECT_EQ(back.Colours(), image.Colours());
        for (int y = 0; y < 5; ++y)
            EXPECT_EQ(Bytes(back.ScanLine(y), back.ScanLine(y) + back.Stride()),
                      Bytes(image.ScanLine(y), image.ScanLine(y) + image.Stride()));
    }
}
Bytes RowsOf(const TDibGraphic& image) {
    Bytes bytes;
    for (int y = 0; y < image.Height(); ++y)
        bytes.insert(bytes.end(), image.ScanLine(y),
                     image.ScanLine(y) + image.Width() * (image.HasAlpha() ? 4 : 3));
    return bytes;
}

TEST(TgaRead, AlphaIsKeptWhenAskedAndWrittenBack) {
    const Bytes pixels = {1, 2, 3, 128, 4, 5, 6, 0};
    const Bytes netpbm =
        zvtest::PeerMade("pamtotga", zvtest::NetpbmPicture(2, 1, 4, {3, 2, 1, 128, 6, 5, 4, 0}));
    struct Case {
        const char* name;
        Bytes file;
        bool keepAlpha;
        Bytes rows; // blue, green, red (, alpha)
    } cases[] = {
        {"8 alpha bits", Tga({.width = 2, .bits = 32, .descriptor = 8}, pixels), true, pixels},
        {"right to left",
         Tga({.width = 2, .bits = 32, .descriptor = 0x18}, pixels),
         true,
         {4, 5, 6, 0, 1, 2, 3, 128}},
        {"not asked",
         Tga({.width = 2, .bits = 32, .descriptor = 8}, pixels),
         false,
         {1, 2, 3, 4, 5, 6}},
        {"alpha all clear",
         Tga({.width = 2, .bits = 32}, {1, 2, 3, 0, 4, 5, 6, 0}),
         true,
         {1, 2, 3, 4, 5, 6}},
        {"run-length",
         Tga({.type = 10, .width = 2, .bits = 32, .descriptor = 8}, {0x81, 9, 8, 7, 200}),
         true,
         {9, 8, 7, 200, 9, 8, 7, 200}},
        {"netpbm", netpbm, true, pixels},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.file.empty()) << "pamtotga is missing";
        TTgaGraphic image;
        image.keepAlpha = c.keepAlpha;
        image.LoadFromStream(c.file);
        EXPECT_EQ(image.HasAlpha(), c.rows.size() == 8);
        EXPECT_EQ(RowsOf(image), c.rows);
        Bytes out;
        image.SaveToStream(out);
        EXPECT_EQ(out[16], image.HasAlpha() ? 32 : 24);
        EXPECT_EQ(out[17], image.HasAlpha() ? 8 : 0);
        TTgaGraphic back;
        back.keepAlpha = true;
        back.LoadFromStream(out);
        EXPECT_EQ(RowsOf(back), c.rows);
    }
}

TEST(TgaRead, FilesFromOtherToolsGiveThePixelsTheyDecode) {
    EXPECT_EQ(zvtest::ExpectReferenceColours<TTgaGraphic>("tga", ".tga"), 9u);
}

} // namespace
} // namespace zv
