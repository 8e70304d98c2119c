#include "formats/PSDGraphic.h"

#include "formats/GraphicErrors.h"

#include "PnmFiles.h"
#include "TestData.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace zv {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v >> 16);
    Put16(b, v & 0xFFFF);
}
void Append(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}

// A Photoshop file put together byte by byte.
struct Psd {
    int channels = 3;
    std::uint32_t width = 2;
    std::uint32_t height = 1;
    int depth = 8;
    int mode = 3;
    Bytes colourData;
    Bytes resources;
    int compression = 0;
    // Raw planes, one a channel. Compression 1 writes each row as literals
    // unless packedRows gives the rows (every row of every channel, in order).
    std::vector<Bytes> planes;
    std::vector<Bytes> packedRows;

    Bytes Header() const {
        Bytes b{'8', 'B', 'P', 'S'};
        Put16(b, 1);
        b.resize(b.size() + 6, 0);
        Put16(b, static_cast<std::uint32_t>(channels));
        Put32(b, height);
        Put32(b, width);
        Put16(b, static_cast<std::uint32_t>(depth));
        Put16(b, static_cast<std::uint32_t>(mode));
        return b;
    }

    Bytes Build() const {
        Bytes b = Header();
        Put32(b, static_cast<std::uint32_t>(colourData.size()));
        Append(b, colourData);
        Put32(b, static_cast<std::uint32_t>(resources.size()));
        Append(b, resources);
        Put32(b, 0); // no layers
        Put16(b, static_cast<std::uint32_t>(compression));
        if (compression != 1) {
            for (const Bytes& plane : planes) Append(b, plane);
            return b;
        }
        std::vector<Bytes> rows = packedRows;
        if (rows.empty()) {
            const std::size_t rowBytes = width * depth / 8;
            for (const Bytes& plane : planes)
                for (std::size_t y = 0; y < height; ++y) {
                    Bytes row{static_cast<std::uint8_t>(rowBytes - 1)};
                    row.insert(row.end(), plane.begin() + y * rowBytes,
                               plane.begin() + (y + 1) * rowBytes);
                    rows.push_back(row);
                }
        }
        for (const Bytes& row : rows) Put16(b, static_cast<std::uint32_t>(row.size()));
        for (const Bytes& row : rows) Append(b, row);
        return b;
    }
};

template <typename F> std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

std::string LoadMessage(const Bytes& file) {
    TPSDGraphic psd;
    return MessageOf([&] { psd.LoadFromStream(file); });
}

Bytes Pixel(const Bitmap& picture, int x, int y) {
    const int bytes = picture.BitsPerPixel() / 8;
    const std::uint8_t* p = picture.ScanLine(y) + x * bytes;
    return Bytes(p, p + bytes);
}

Bytes Row(const Bitmap& picture, int y) {
    const std::uint8_t* p = picture.ScanLine(y);
    return Bytes(p, p + picture.Width() * picture.BitsPerPixel() / 8);
}

// --- Recognising the file ---

TEST(PSDCanRead, SignatureInAnyCaseVersionOneAndEnoughBytes) {
    Psd psd;
    psd.planes = {{1, 2}, {3, 4}, {5, 6}};
    Bytes file = psd.Build();
    EXPECT_TRUE(TPSDGraphic::CanRead(file));
    file[1] = 'b';
    file[3] = 's';
    EXPECT_TRUE(TPSDGraphic::CanRead(file));
    EXPECT_FALSE(TPSDGraphic::CanRead(Bytes(file.begin(), file.begin() + 26)));
    file[5] = 2; // version 2
    EXPECT_FALSE(TPSDGraphic::CanRead(file));
    file = psd.Build();
    file[0] = '7';
    EXPECT_FALSE(TPSDGraphic::CanRead(file));
}

TEST(PSDReadInfo, HeaderOnlyStopsAfterTheFixedHeader) {
    Psd psd;
    psd.channels = 5;
    psd.width = 300;
    psd.height = 200;
    psd.depth = 16;
    Bytes prefix = psd.Header();
    TPSDGraphic graphic;
    graphic.ReadInfo(prefix, true);
    EXPECT_EQ(graphic.Header().kind, PSDColorKind::RGBA);
    EXPECT_EQ(graphic.Header().samplesUsed, 4);
    EXPECT_EQ(graphic.Header().bitsPerPixel, 64);
    EXPECT_EQ(graphic.Info().width, 300);
    EXPECT_EQ(graphic.Info().height, 200);
    EXPECT_EQ(graphic.Info().bitCount, 64);
    EXPECT_EQ(graphic.ScaleFactor(), 1.0);
    EXPECT_EQ(MessageOf([&] { graphic.ReadInfo(prefix, false); }), "Invalid image format");
    EXPECT_EQ(graphic.Info().width, 0); // reset before the pass
}

TEST(PSDReadInfo, ColourKindsAndSamplesUsed) {
    struct Case {
        int mode, channels;
        PSDColorKind kind;
        int samples;
    };
    const Case cases[] = {
        {1, 1, PSDColorKind::Grey, 1}, {1, 2, PSDColorKind::Grey, 1},
        {8, 1, PSDColorKind::Grey, 1}, {2, 1, PSDColorKind::Indexed, 1},
        {3, 3, PSDColorKind::RGB, 3},  {3, 4, PSDColorKind::RGBA, 4},
        {7, 3, PSDColorKind::RGB, 3},  {7, 6, PSDColorKind::RGBA, 4},
        {4, 5, PSDColorKind::CMYK, 4}, {9, 4, PSDColorKind::Lab, 3},
    };
    for (const Case& c : cases) {
        Psd psd;
        psd.mode = c.mode;
        psd.channels = c.channels;
        TPSDGraphic graphic;
        graphic.ReadInfo(psd.Header(), true);
        EXPECT_EQ(graphic.Header().kind, c.kind) << c.mode << "/" << c.channels;
        EXPECT_EQ(graphic.Header().samplesUsed, c.samples) << c.mode << "/" << c.channels;
    }
}

TEST(PSDReadInfo, ResolutionResourceAndSectionPositions) {
    Psd psd;
    psd.planes = {{0, 0}, {0, 0}, {0, 0}};
    // A resource of no interest with an odd name, then 72 x 150 dpi.
    psd.resources = {'8', 'B', 'I', 'M', 0x04, 0x04, 1, 'x', 0, 0, 0, 1, 7, 0};
    Bytes resolution{'8', 'B', 'I', 'M', 0x03, 0xED, 0, 0};
    Put32(resolution, 16);
    Put32(resolution, 72u << 16);
    Put32(resolution, 0x00010001);
    Put32(resolution, 150u << 16);
    Put32(resolution, 0x00010001);
    Append(psd.resources, resolution);
    TPSDGraphic graphic;
    const Bytes file = psd.Build();
    graphic.ReadInfo(file, false);
    EXPECT_EQ(graphic.Info().xPixelsPerMetre, 2835);
    EXPECT_EQ(graphic.Info().yPixelsPerMetre, 5906);
    EXPECT_EQ(graphic.Header().compression, 0);
    EXPECT_EQ(graphic.Header().imageData, file.size() - 6);
}

TEST(PSDReadInfo, UnusableFilesAreInvalid) {
    auto headerMessage = [](auto change) {
        Psd psd;
        psd.planes = {{0, 0}, {0, 0}, {0, 0}, {0, 0}};
        change(psd);
        return LoadMessage(psd.Build());
    };
    const std::string invalid = "Invalid image format";
    EXPECT_EQ(headerMessage([](Psd& p) { p.mode = 0; }), invalid); // bitmap
    EXPECT_EQ(headerMessage([](Psd& p) { p.mode = 5; }), invalid);
    EXPECT_EQ(headerMessage([](Psd& p) { p.channels = 2; }), invalid);
    EXPECT_EQ(headerMessage([](Psd& p) { p.mode = 4, p.channels = 3; }), invalid);
    EXPECT_EQ(headerMessage([](Psd& p) { p.mode = 9, p.channels = 2; }), invalid);
    EXPECT_EQ(headerMessage([](Psd& p) { p.channels = 0; }), invalid);
    EXPECT_EQ(headerMessage([](Psd& p) { p.channels = 57; }), invalid);
    EXPECT_EQ(headerMessage([](Psd& p) { p.width = 0; }), invalid);
    EXPECT_EQ(headerMessage([](Psd& p) { p.height = 30001; }), invalid);
    EXPECT_EQ(headerMessage([](Psd& p) { p.depth = 7; }), invalid);
    EXPECT_EQ(headerMessage([](Psd& p) { p.compression = 4; }), invalid);
    EXPECT_EQ(headerMessage([](Psd& p) { p.mode = 2, p.channels = 1; }), invalid); // no palette
    EXPECT_EQ(headerMessage([](Psd& p) { p.compression = 2; }), "Photoshop zip data is damaged");
    EXPECT_EQ(headerMessage([](Psd& p) { p.compression = 3; }), "Photoshop zip data is damaged");
    EXPECT_EQ(headerMessage([](Psd& p) { p.depth = 32; }), "Invalid color depth.");

    Psd psd;
    psd.resources.resize(10);
    Bytes file = psd.Build();
    file[26 + 4 + 3] = 11; // the resources claim one byte more than the file has
    file.resize(26 + 4 + 4 + 10);
    EXPECT_EQ(LoadMessage(file), invalid);
}

// --- Pixels ---

TEST(PSDGrey, EightBitsCopiedSixteenBitsConvertedAlphaIgnored) {
    Psd grey;
    grey.mode = 1;
    grey.channels = 1;
    grey.width = 3;
    grey.height = 2;
    grey.planes = {{0, 128, 255, 7, 8, 9}};
    TPSDGraphic graphic;
    graphic.LoadFromStream(grey.Build());
    const Bitmap& picture = graphic.Pixels();
    ASSERT_EQ(picture.Format(), PixelFormat::Bits8);
    EXPECT_EQ(Row(picture, 0), (Bytes{0, 128, 255}));
    EXPECT_EQ(Row(picture, 1), (Bytes{7, 8, 9}));
    EXPECT_EQ(picture.Colours()[128], (PaletteEntry{128, 128, 128, 0}));
    EXPECT_EQ(picture.Colours()[255], (PaletteEntry{255, 255, 255, 0}));

    Psd deep = grey;
    deep.depth = 16; // 65535, 32896, 257 / 256, 0, 0x1234
    deep.planes = {{0xFF, 0xFF, 0x80, 0x80, 0x01, 0x01, 0x01, 0x00, 0, 0, 0x12, 0x34}};
    graphic.LoadFromStream(deep.Build());
    EXPECT_EQ(Row(graphic.Pixels(), 0), (Bytes{255, 128, 1}));
    EXPECT_EQ(Row(graphic.Pixels(), 1), (Bytes{0, 0, 18}));

    Psd withAlpha = grey;
    withAlpha.channels = 2;
    withAlpha.planes.push_back({50, 50, 50, 50, 50, 50});
    graphic.LoadFromStream(withAlpha.Build());
    EXPECT_EQ(Row(graphic.Pixels(), 1), (Bytes{7, 8, 9}));

    Psd duotone = grey;
    duotone.mode = 8;
    duotone.colourData.assign(20, 0xAB);
    graphic.LoadFromStream(duotone.Build());
    EXPECT_EQ(Row(graphic.Pixels(), 0), (Bytes{0, 128, 255}));
}

TEST(PSDIndexed, PaletteFromTheColourModeData) {
    Psd psd;
    psd.mode = 2;
    psd.channels = 1;
    psd.width = 3;
    psd.colourData.assign(768, 0);
    psd.colourData[1] = 255;         // red of entry 1
    psd.colourData[256 + 2] = 200;   // green of entry 2
    psd.colourData[512 + 255] = 100; // blue of entry 255
    psd.planes = {{1, 2, 255}};
    TPSDGraphic graphic;
    graphic.LoadFromStream(psd.Build());
    const Bitmap& picture = graphic.Pixels();
    ASSERT_EQ(picture.Format(), PixelFormat::Bits8);
    EXPECT_EQ(Row(picture, 0), (Bytes{1, 2, 255}));
    EXPECT_EQ(picture.Colours()[1], (PaletteEntry{0, 0, 255, 0}));
    EXPECT_EQ(picture.Colours()[2], (PaletteEntry{0, 200, 0, 0}));
    EXPECT_EQ(picture.Colours()[255], (PaletteEntry{100, 0, 0, 0}));
}

TEST(PSDColour, RgbRgbaCmykAndLab) {
    Psd rgb;
    rgb.planes = {{10, 200}, {20, 100}, {30, 0}};
    TPSDGraphic graphic;
    graphic.LoadFromStream(rgb.Build());
    ASSERT_EQ(graphic.Pixels().Format(), PixelFormat::Bits24);
    EXPECT_EQ(Row(graphic.Pixels(), 0), (Bytes{30, 20, 10, 0, 100, 200}));

    // Alpha is not shown: the fourth byte is opaque whatever the file holds.
    Psd rgba = rgb;
    rgba.channels = 4;
    rgba.planes.push_back({0, 99});
    graphic.LoadFromStream(rgba.Build());
    ASSERT_EQ(graphic.Pixels().Format(), PixelFormat::Bits32);
    EXPECT_EQ(Row(graphic.Pixels(), 0), (Bytes{30, 20, 10, 255, 0, 100, 200, 255}));

    // The file stores 255 for no ink: white, full black, full cyan.
    Psd cmyk;
    cmyk.mode = 4;
    cmyk.channels = 5;
    cmyk.width = 3;
    cmyk.planes = {{255, 255, 0}, {255, 10, 255}, {255, 200, 255}, {255, 0, 255}, {1, 2, 3}};
    graphic.LoadFromStream(cmyk.Build());
    ASSERT_EQ(graphic.Pixels().Format(), PixelFormat::Bits24);
    EXPECT_EQ(Row(graphic.Pixels(), 0), (Bytes{255, 255, 255, 0, 0, 0, 255, 255, 0}));

    // L* 0..255, a* and b* offset by 128: white, black, mid grey.
    Psd lab;
    lab.mode = 9;
    lab.width = 3;
    lab.planes = {{255, 0, 128}, {128, 128, 128}, {128, 128, 128}};
    graphic.LoadFromStream(lab.Build());
    EXPECT_EQ(Row(graphic.Pixels(), 0), (Bytes{255, 255, 255, 0, 0, 0, 47, 47, 47}));
}

// Every plane, rows of each in turn, in one zlib stream; with prediction
// each sample (8 or 16 bits, big-endian) is stored as its row difference.
Bytes Zipped(std::vector<Bytes> planes, std::size_t rowBytes, int depth, bool predict) {
    Bytes all;
    for (Bytes& plane : planes) {
        const int step = depth / 8;
        for (std::size_t row = 0; predict && row < plane.size(); row += rowBytes)
            for (std::size_t i = rowBytes - step; i >= std::size_t(step); i -= step) {
                std::uint8_t* at = &plane[row + i];
                if (step == 1) {
                    at[0] = static_cast<std::uint8_t>(at[0] - at[-1]);
                } else {
                    const int d = (at[0] << 8 | at[1]) - (at[-2] << 8 | at[-1]);
                    at[0] = static_cast<std::uint8_t>(d >> 8), at[1] = static_cast<std::uint8_t>(d);
                }
            }
        Append(all, plane);
    }
    uLongf size = compressBound(all.size());
    Bytes zipped(size);
    EXPECT_EQ(compress(zipped.data(), &size, all.data(), all.size()), Z_OK);
    zipped.resize(size);
    return zipped;
}

TEST(PSDZip, WithAndWithoutPredictionInEightAndSixteenBits) {
    Psd rgb;
    rgb.width = 3;
    rgb.height = 2;
    const std::vector<Bytes> planes = {
        {10, 200, 30, 1, 2, 250}, {20, 100, 0, 3, 4, 5}, {30, 0, 7, 6, 7, 8}};
    Psd grey = rgb;
    grey.mode = 1;
    grey.channels = 1;
    grey.depth = 16; // 65535, 32896, 257 / 0, 0x1234, 256 (below 257: 0)
    const std::vector<Bytes> deep = {
        {0xFF, 0xFF, 0x80, 0x80, 0x01, 0x01, 0, 0, 0x12, 0x34, 0x01, 0x00}};
    for (int compression : {2, 3}) {
        SCOPED_TRACE(compression);
        rgb.compression = grey.compression = compression;
        rgb.planes = {Zipped(planes, 3, 8, compression == 3)};
        TPSDGraphic graphic;
        graphic.LoadFromStream(rgb.Build());
        EXPECT_EQ(Row(graphic.Pixels(), 0), (Bytes{30, 20, 10, 0, 100, 200, 7, 0, 30}));
        EXPECT_EQ(Row(graphic.Pixels(), 1), (Bytes{6, 3, 1, 7, 4, 2, 8, 5, 250}));
        grey.planes = {Zipped(deep, 6, 16, compression == 3)};
        graphic.LoadFromStream(grey.Build());
        EXPECT_EQ(Row(graphic.Pixels(), 0), (Bytes{255, 128, 1}));
        EXPECT_EQ(Row(graphic.Pixels(), 1), (Bytes{0, 18, 0}));
    }
    // Cut short, damaged, or claiming far more than its bytes can inflate to.
    Bytes cut = Zipped(planes, 3, 8, false);
    cut.resize(cut.size() / 2);
    rgb.planes = {cut};
    EXPECT_EQ(LoadMessage(rgb.Build()), "Photoshop image data is truncated");
    rgb.planes = {Zipped({{1, 2, 3}}, 3, 8, false)}; // a complete stream, too short
    EXPECT_EQ(LoadMessage(rgb.Build()), "Photoshop image data is truncated");
    Bytes damaged = Zipped(planes, 3, 8, false);
    damaged[0] ^= 0xFF; // the stream header
    rgb.planes = {damaged};
    EXPECT_EQ(LoadMessage(rgb.Build()), "Photoshop zip data is damaged");
    rgb.width = rgb.height = 18000; // within the size limit, far beyond its data
    rgb.planes = {Zipped(planes, 3, 8, false)};
    EXPECT_EQ(LoadMessage(rgb.Build()), "Photoshop image data is truncated");
}

TEST(PSDPackBits, SixteenBitRowsAndRunsCutToTheRow) {
    Psd rgb;
    rgb.depth = 16;
    rgb.compression = 1;
    rgb.planes = {{0xFF, 0xFF, 0x00, 0x00}, {0x80, 0x80, 0x01, 0x01}, {0x12, 0x34, 0xFF, 0xFF}};
    TPSDGraphic graphic;
    graphic.LoadFromStream(rgb.Build());
    EXPECT_EQ(Row(graphic.Pixels(), 0), (Bytes{18, 128, 255, 255, 1, 0}));

    Psd grey;
    grey.mode = 1;
    grey.channels = 1;
    grey.width = 4;
    grey.height = 4;
    grey.compression = 1;
    grey.packedRows = {{0xFE, 7, 0x80, 0x00, 9},  // three 7s, a no-op, one literal 9
                       {0xF6, 5},                 // eleven 5s: cut to the row's four
                       {0x05, 1, 2},              // a literal of six with two bytes left
                       {0x7F, 4, 3, 2, 1, 0, 0}}; // a literal of 128 cut to four
    graphic.LoadFromStream(grey.Build());
    EXPECT_EQ(Row(graphic.Pixels(), 0), (Bytes{7, 7, 7, 9}));
    EXPECT_EQ(Row(graphic.Pixels(), 1), (Bytes{5, 5, 5, 5}));
    EXPECT_EQ(Row(graphic.Pixels(), 2), (Bytes{1, 2, 0, 0}));
    EXPECT_EQ(Row(graphic.Pixels(), 3), (Bytes{4, 3, 2, 1}));
}

TEST(PSDTruncated, ShortDataAndLyingSizesAreRefused) {
    const std::string truncated = "Photoshop image data is truncated";
    Psd raw;
    raw.planes = {{1, 2}, {3, 4}, {5}};
    EXPECT_EQ(LoadMessage(raw.Build()), truncated);

    Psd packed;
    packed.compression = 1;
    packed.planes = {{1, 2}, {3, 4}, {5, 6}};
    Bytes file = packed.Build();
    const std::size_t tableStart = file.size() - 3 * 3 - 6;
    EXPECT_EQ(LoadMessage(Bytes(file.begin(), file.begin() + tableStart + 5)), truncated);
    file[tableStart + 5] = 200; // the last row claims more bytes than are left
    EXPECT_EQ(LoadMessage(file), truncated);

    // A header claiming a huge picture over a few bytes is refused before
    // any pixel storage is made.
    Psd huge;
    huge.mode = 1;
    huge.channels = 1;
    huge.width = huge.height = 30000;
    huge.planes = {{1, 2, 3}};
    EXPECT_EQ(LoadMessage(huge.Build()), truncated);
    huge.compression = 1;
    huge.packedRows.assign(30000, Bytes{});
    EXPECT_EQ(LoadMessage(huge.Build()), truncated);
    Psd tooLarge = huge;
    tooLarge.mode = 3;
    tooLarge.channels = 4;
    EXPECT_EQ(LoadMessage(tooLarge.Build()), "The Photoshop image is too large");
}

TEST(PSDTruncated, RowsReadBeforeTheFaultStay) {
    Psd grey;
    grey.mode = 1;
    grey.channels = 1;
    grey.width = 2;
    grey.height = 2;
    grey.compression = 1;
    grey.packedRows = {{0x01, 4, 5}, {0x01, 6, 7}};
    Bytes file = grey.Build();
    file.pop_back();
    TPSDGraphic graphic;
    EXPECT_EQ(MessageOf([&] { graphic.LoadFromStream(file); }),
              "Photoshop image data is truncated");
    EXPECT_EQ(Row(graphic.Pixels(), 0), (Bytes{4, 5}));
}

// --- Files written by another program ---

// The picture as red, green, blue (or grey) samples in the order of the
// reference, alpha left out.
Bytes Samples(const Bitmap& picture, int channels) {
    Bytes out;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const Bytes p = Pixel(picture, x, y);
            if (picture.Format() == PixelFormat::Bits8) {
                const PaletteEntry& e = picture.Colours()[p[0]];
                if (channels == 1)
                    out.push_back(e.red);
                else
                    out.insert(out.end(), {e.red, e.green, e.blue});
            } else {
                out.insert(out.end(), {p[2], p[1], p[0]});
            }
        }
    return out;
}

TEST(PSDReference, FilesWrittenByImageMagickDecodeToItsPixels) {
    // Each .psd beside the picture ImageMagick decodes from it (8-bit PPM,
    // PGM or PAM), except two whose reference is the picture they were made
    // from: palette8, which ImageMagick cannot read back, and rgba8, whose
    // colours it changes where alpha is below 255 (the file stores them
    // unchanged). CMYK becomes RGB through different formulas, so those
    // samples may differ by one.
    const auto files = zvtest::ReferencePairs("psd", ".psd");
    for (const auto& [input, pnm] : files) {
        SCOPED_TRACE(input.filename().string());
        const Bytes file = zvtest::ReadTestFile(input);
        ASSERT_TRUE(TPSDGraphic::CanRead(file));
        TPSDGraphic graphic;
        graphic.LoadFromStream(file);
        const zvtest::PnmPicture expected = zvtest::ReadPnm(pnm);
        ASSERT_TRUE(expected.Complete());
        ASSERT_EQ(graphic.Width(), expected.width);
        ASSERT_EQ(graphic.Height(), expected.height);
        const int channels = std::min(expected.channels, 3);
        Bytes reference;
        for (int y = 0; y < expected.height; ++y)
            for (int x = 0; x < expected.width; ++x)
                for (int c = 0; c < channels; ++c)
                    reference.push_back(static_cast<std::uint8_t>(expected.Sample(x, y, c)));
        const Bytes actual = Samples(graphic.Pixels(), channels);
        ASSERT_EQ(actual.size(), reference.size());
        const int tolerance = input.filename().string().starts_with("cmyk") ? 1 : 0;
        for (std::size_t i = 0; i < actual.size(); ++i)
            ASSERT_LE(std::abs(actual[i] - reference[i]), tolerance) << "sample " << i;
    }
    EXPECT_EQ(files.size(), 11u);
    EXPECT_TRUE(TPSDGraphic::CanRead(zvtest::TestDataFile("psd", "rgb8.psd")));
    EXPECT_FALSE(TPSDGraphic::CanRead(zvtest::TestDataFile("psd", "rgb8.ppm")));
}

} // namespace
} // namespace zv
