#include "formats/IconGraphic.h"

#include "formats/DecodeFile.h"
#include "formats/GraphicErrors.h"
#include "formats/PictureLists.h"

#include "PnmFiles.h"
#include "TempFolderTest.h"
#include "TestData.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
using Bgr = std::array<std::uint8_t, 3>;

void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t{b[at + 3]} << 24;
}

// One device-independent bitmap image of an icon. Rows are given top down
// and stored bottom up, each padded to four bytes.
struct BmpImage {
    std::int32_t width = 1;
    std::int32_t height = 1;
    int bits = 24;
    Bytes colours; // 4-byte entries: blue, green, red, 0
    std::uint32_t coloursUsed = 0;
    std::uint32_t compression = 0;
    std::vector<Bytes> rows;
    std::vector<Bytes> maskRows; // all opaque when empty

    Bytes Build() const {
        Bytes b;
        Put32(b, 40);
        Put32(b, static_cast<std::uint32_t>(width));
        Put32(b, static_cast<std::uint32_t>(2 * height));
        Put16(b, 1);
        Put16(b, static_cast<std::uint32_t>(bits));
        Put32(b, compression);
        for (int i = 0; i < 3; ++i) Put32(b, 0);
        Put32(b, coloursUsed);
        Put32(b, 0);
        b.insert(b.end(), colours.begin(), colours.end());
        const std::size_t stride = (width * bits + 31) / 32 * 4;
        for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
            Bytes padded = *row;
            padded.resize(stride, 0);
            b.insert(b.end(), padded.begin(), padded.end());
        }
        const std::size_t maskStride = (width + 31) / 32 * 4;
        for (std::int32_t y = height - 1; y >= 0; --y) {
            Bytes padded = maskRows.empty() ? Bytes{} : maskRows[y];
            padded.resize(maskStride, 0);
            b.insert(b.end(), padded.begin(), padded.end());
        }
        return b;
    }
};

Bytes IconFile(const std::vector<Bytes>& images) {
    Bytes b;
    Put16(b, 0);
    Put16(b, 1);
    Put16(b, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const Bytes& image : images) {
        b.insert(b.end(), {0, 0, 0, 0});
        Put16(b, 1);
        Put16(b, 0);
        Put32(b, static_cast<std::uint32_t>(image.size()));
        Put32(b, offset);
        offset += static_cast<std::uint32_t>(image.size());
    }
    for (const Bytes& image : images) b.insert(b.end(), image.begin(), image.end());
    return b;
}

Bgr PixelOf(const TDibGraphic& image, int x, int y) {
    const std::uint8_t* p = image.ScanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

std::string LoadMessage(const Bytes& file) {
    TIconGraphic icon;
    try {
        icon.LoadFromStream(file);
    } catch (const EInvalidGraphic& e) {
        return e.what();
    }
    return "(no error)";
}

// A picture of one colour, for telling images apart.
BmpImage Solid(std::int32_t size, int bits, Bgr colour) {
    BmpImage image;
    image.width = image.height = size;
    image.bits = bits;
    Bytes row;
    if (bits == 24) {
        for (int x = 0; x < size; ++x) row.insert(row.end(), colour.begin(), colour.end());
    } else {
        image.colours = {colour[0], colour[1], colour[2], 0};
        image.coloursUsed = 1;
        row.assign(static_cast<std::size_t>((size * bits + 7) / 8), 0);
    }
    image.rows.assign(static_cast<std::size_t>(size), row);
    return image;
}

// --- Reading ---

TEST(IconRead, PaletteImagesWithTheMaskDrawnBlack) {
    BmpImage bw;
    bw.width = bw.height = 2;
    bw.bits = 1;
    bw.colours = {0, 0, 0, 0, 255, 255, 255, 0};
    bw.rows = {{0b10000000}, {0b11000000}};
    bw.maskRows = {{0b00000000}, {0b01000000}}; // the bottom right pixel is transparent
    TIconGraphic icon;
    icon.LoadFromStream(IconFile({bw.Build()}));
    ASSERT_EQ(icon.Format(), ImageFormat::Color24);
    ASSERT_EQ(icon.Width(), 2);
    ASSERT_EQ(icon.Height(), 2);
    EXPECT_EQ(PixelOf(icon, 0, 0), (Bgr{255, 255, 255}));
    EXPECT_EQ(PixelOf(icon, 1, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(PixelOf(icon, 0, 1), (Bgr{255, 255, 255}));
    EXPECT_EQ(PixelOf(icon, 1, 1), (Bgr{0, 0, 0}));

    // Two colours in the table: index 15 falls on the black padding.
    BmpImage four;
    four.width = 3;
    four.bits = 4;
    four.coloursUsed = 2;
    four.colours = {9, 9, 9, 0, 1, 2, 3, 0};
    four.rows = {{0x1F, 0x00}};
    icon.LoadFromStream(IconFile({four.Build()}));
    EXPECT_EQ(PixelOf(icon, 0, 0), (Bgr{1, 2, 3}));
    EXPECT_EQ(PixelOf(icon, 1, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(PixelOf(icon, 2, 0), (Bgr{9, 9, 9}));

    BmpImage eight;
    eight.bits = 8;
    eight.colours.assign(1024, 0);
    eight.colours[4 * 200] = 1;
    eight.colours[4 * 200 + 1] = 2;
    eight.colours[4 * 200 + 2] = 3;
    eight.rows = {{200}};
    icon.LoadFromStream(IconFile({eight.Build()}));
    EXPECT_EQ(PixelOf(icon, 0, 0), (Bgr{1, 2, 3}));
}

TEST(IconRead, DirectColourWithMaskOrAlpha) {
    BmpImage rgb;
    rgb.width = 2;
    rgb.rows = {{10, 20, 30, 40, 50, 60}};
    rgb.maskRows = {{0b01000000}};
    TIconGraphic icon;
    icon.LoadFromStream(IconFile({rgb.Build()}));
    EXPECT_EQ(PixelOf(icon, 0, 0), (Bgr{10, 20, 30}));
    EXPECT_EQ(PixelOf(icon, 1, 0), (Bgr{0, 0, 0}));

    // With alpha the colours are weighted by it and the mask is not used.
    BmpImage alpha;
    alpha.width = 3;
    alpha.bits = 32;
    alpha.rows = {{200, 100, 50, 255, 200, 100, 50, 128, 200, 100, 50, 0}};
    alpha.maskRows = {{0b10000000}};
    icon.LoadFromStream(IconFile({alpha.Build()}));
    EXPECT_EQ(PixelOf(icon, 0, 0), (Bgr{200, 100, 50}));
    EXPECT_EQ(PixelOf(icon, 1, 0), (Bgr{100, 50, 25})); // 200 x 128 / 255 = 100.4
    EXPECT_EQ(PixelOf(icon, 2, 0), (Bgr{0, 0, 0}));

    // Alpha all 0: an old-style icon whose mask says what is transparent.
    BmpImage noAlpha = alpha;
    noAlpha.rows = {{200, 100, 50, 0, 1, 2, 3, 0, 4, 5, 6, 0}};
    noAlpha.maskRows = {{0b01000000}};
    icon.LoadFromStream(IconFile({noAlpha.Build()}));
    EXPECT_EQ(PixelOf(icon, 0, 0), (Bgr{200, 100, 50}));
    EXPECT_EQ(PixelOf(icon, 1, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(PixelOf(icon, 2, 0), (Bgr{4, 5, 6}));
}

TEST(IconRead, TheLargestThenDeepestImageIsShown) {
    const Bytes file =
        IconFile({Solid(16, 8, {1, 1, 1}).Build(), Solid(32, 4, {2, 2, 2}).Build(),
                  Solid(32, 24, {3, 3, 3}).Build(), Solid(8, 32, {4, 4, 4}).Build()});
    TIconGraphic icon;
    icon.LoadFromStream(file);
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(PixelOf(icon, 31, 31), (Bgr{3, 3, 3}));

    // An image whose header is unusable is passed over.
    Bytes broken = IconFile({Solid(64, 16, {5, 5, 5}).Build(), Solid(4, 24, {6, 6, 6}).Build()});
    icon.LoadFromStream(broken);
    EXPECT_EQ(PixelOf(icon, 0, 0), (Bgr{6, 6, 6}));
    // When none can be used, the first image's reason is given.
    EXPECT_EQ(LoadMessage(IconFile({Solid(4, 16, {}).Build(), Solid(4, 2, {}).Build()})),
              "Unsupported icon bit count: 16");
}

TEST(IconRead, DamagedAndLyingFilesAreRefused) {
    const std::string invalid = "Invalid icon file";
    const std::string truncated = "Icon image data is truncated";
    const Bytes good = IconFile({Solid(2, 24, {1, 2, 3}).Build()});
    EXPECT_EQ(LoadMessage(good), "(no error)");

    Bytes file = good;
    file[0] = 1; // reserved
    EXPECT_EQ(LoadMessage(file), invalid);
    file = good;
    file[2] = 3; // neither icon nor cursor
    EXPECT_EQ(LoadMessage(file), invalid);
    file = good;
    file[4] = 0; // no images
    EXPECT_EQ(LoadMessage(file), invalid);
    file[4] = 2; // two images, one directory entry
    file.resize(6 + 16 + 8);
    EXPECT_EQ(LoadMessage(file), invalid);
    EXPECT_EQ(LoadMessage(Bytes(good.begin(), good.begin() + 5)), invalid);

    file = good;
    file.pop_back(); // the last mask byte is missing
    EXPECT_EQ(LoadMessage(file), truncated);
    file = good;
    file[18] = 0xFF; // the image starts far past the end
    EXPECT_EQ(LoadMessage(file), truncated);

    Bytes huge = Solid(1, 24, {}).Build();
    huge[4] = huge[8] = 0;
    huge[6] = huge[10] = 0x10; // 1,048,576 x 524,288 over a few bytes
    EXPECT_EQ(LoadMessage(IconFile({huge})), truncated);
    BmpImage packed = Solid(2, 8, {});
    packed.compression = 1;
    EXPECT_EQ(LoadMessage(IconFile({packed.Build()})), "Unsupported icon compression");
    BmpImage shortHeader = Solid(2, 24, {});
    Bytes image = shortHeader.Build();
    image[0] = 12;
    EXPECT_EQ(LoadMessage(IconFile({image})), invalid);
    BmpImage tooManyColours = Solid(2, 4, {});
    tooManyColours.coloursUsed = 17;
    EXPECT_EQ(LoadMessage(IconFile({tooManyColours.Build()})), invalid);
    EXPECT_EQ(LoadMessage(IconFile({Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0}})),
              truncated);
}

// The two lying files are also the icon fuzz target's seeds.
TEST(IconRead, LyingDirectoriesAreRefusedAndPassedOverImagesMarkTheFileDamaged) {
    const Bytes good = IconFile({Solid(4, 24, {1, 1, 1}).Build(), Solid(2, 8, {2, 2, 2}).Build()});
    TIconGraphic icon;
    EXPECT_EQ(icon.ImageCount(good), 2);
    icon.LoadFromStream(good);
    EXPECT_FALSE(icon.Damaged());

    Bytes lyingCount = good;
    lyingCount[4] = 3; // a third entry read from the first image's bytes
    EXPECT_EQ(LoadMessage(lyingCount), "Invalid icon file");
    EXPECT_THROW(icon.ImageCount(lyingCount), EInvalidGraphic);
    Bytes lyingOffset = good;
    const auto pastEnd = static_cast<std::uint32_t>(good.size() + 1);
    for (int i = 0; i < 4; ++i) lyingOffset[6 + 16 + 12 + i] = std::uint8_t(pastEnd >> 8 * i);
    EXPECT_EQ(LoadMessage(lyingOffset), "Icon image data is truncated");
    if (zvtest::ToolProgram()) { // the tool's info names the icon reader's error
        const zvtest::TempFolder temp;
        const std::string path =
            temp.Write("lying.ico", std::string(lyingCount.begin(), lyingCount.end()));
        const zvtest::ToolRun info = zvtest::RunTool("info '" + path + "'", {}, true);
        EXPECT_EQ(info.status, 1);
        EXPECT_NE(info.output.find(path + ": Invalid icon file"), std::string::npos) << info.output;
    }

    const Bytes damaged =
        IconFile({Solid(2, 24, {3, 3, 3}).Build(), Solid(8, 16, {4, 4, 4}).Build()});
    icon.LoadFromStream(damaged);
    EXPECT_TRUE(icon.Damaged());
    EXPECT_EQ(PixelOf(icon, 0, 0), (Bgr{3, 3, 3}));
}

// Every image is a page, the largest and deepest first; cursors read alike.
TEST(IconRead, ImagesArePagesAndCursorsOpenAsIcons) {
    Bytes cursor = IconFile({Solid(2, 8, {2, 2, 2}).Build(), Solid(4, 24, {1, 1, 1}).Build(),
                             Solid(8, 16, {}).Build()});
    cursor[2] = 2;
    const zvtest::TempFolder temp;
    const std::string path = temp.Write("pointer.cur", std::string(cursor.begin(), cursor.end()));
    const PictureHeader header = ProbeFile(path);
    EXPECT_EQ(header.pages, 3);
    EXPECT_EQ(header.width, 4);
    const DecodedPicture second = DecodeFile(path, 2);
    EXPECT_EQ(second.pixels.Width(), 2);
    EXPECT_TRUE(second.damaged);
    EXPECT_THROW(DecodeFile(path, 3), EInvalidGraphic);
    EXPECT_NE(std::string(kAcceptedExtensions).find(".CUR"), std::string::npos);
}

// --- Writing ---

TEST(IconWrite, OneTwentyFourBitImageWithAnOpaqueMask) {
    TIconGraphic image;
    image.NewImage(3, 2, ImageFormat::Color24);
    const Bgr colours[2][3] = {{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}},
                               {{10, 11, 12}, {13, 14, 15}, {250, 251, 252}}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            std::copy(colours[y][x].begin(), colours[y][x].end(), image.ScanLine(y) + 3 * x);
    Bytes out;
    image.SaveToStream(out);

    // Directory, 40-byte header, two rows of 9 bytes padded to 12, two mask rows of 4.
    ASSERT_EQ(out.size(), 6u + 16 + 40 + 24 + 8);
    EXPECT_EQ(out[6], 3);              // width
    EXPECT_EQ(out[7], 2);              // height
    EXPECT_EQ(out[12], 24);            // bit count
    EXPECT_EQ(Get32(out, 14), 72u);    // bytes in the image
    EXPECT_EQ(Get32(out, 18), 22u);    // where it starts
    EXPECT_EQ(Get32(out, 22 + 8), 4u); // colour and mask rows
    EXPECT_EQ(Bytes(out.begin() + 62, out.begin() + 65), (Bytes{10, 11, 12})); // bottom row first
    EXPECT_EQ(Bytes(out.end() - 8, out.end()), Bytes(8, 0));

    TIconGraphic back;
    back.LoadFromStream(out);
    ASSERT_EQ(back.Width(), 3);
    ASSERT_EQ(back.Height(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelOf(back, x, y), colours[y][x]);
}

TEST(IconWrite, PaletteImagesAreWrittenInTheirColours) {
    TIconGraphic image;
    image.NewImage(3, 1, ImageFormat::Color4);
    image.ScanLine(0)[0] = 0x1C; // indices 1 and 12
    image.ScanLine(0)[1] = 0xF0; // index 15
    Bytes out;
    image.SaveToStream(out);
    TIconGraphic back;
    back.LoadFromStream(out);
    const int indices[] = {1, 12, 15};
    for (int x = 0; x < 3; ++x) {
        const PaletteEntry& e = image.Colours()[indices[x]];
        EXPECT_EQ(PixelOf(back, x, 0), (Bgr{e.blue, e.green, e.red}));
    }

    TIconGraphic empty;
    EXPECT_THROW(empty.SaveToStream(out), EInvalidGraphic);
}

TEST(IconWrite, LargePicturesAreScaledToFitKeepingTheirShape) {
    TIconGraphic wide;
    wide.NewImage(300, 150, ImageFormat::Color24);
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 300; ++x) {
            std::uint8_t* p = wide.ScanLine(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(x >> 8);
            p[2] = static_cast<std::uint8_t>(y);
        }
    Bytes out;
    wide.SaveToStream(out);
    TIconGraphic back;
    back.LoadFromStream(out);
    ASSERT_EQ(back.Width(), 256);
    ASSERT_EQ(back.Height(), 128);
    EXPECT_EQ(out[6], 0); // 256 is stored as 0
    // Nearest pixels: x x 300 div 256, y x 150 div 128.
    EXPECT_EQ(PixelOf(back, 0, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(PixelOf(back, 100, 50), (Bgr{117, 0, 58}));
    EXPECT_EQ(PixelOf(back, 255, 127), (Bgr{298 - 256, 1, 148}));

    TIconGraphic tall;
    tall.NewImage(10, 600, ImageFormat::Gray8);
    Bytes tallOut;
    tall.SaveToStream(tallOut);
    back.LoadFromStream(tallOut);
    EXPECT_EQ(back.Width(), 4);
    EXPECT_EQ(back.Height(), 256);

    TIconGraphic full;
    full.NewImage(256, 256, ImageFormat::BW);
    Bytes fullOut;
    full.SaveToStream(fullOut);
    EXPECT_EQ(fullOut[6], 0);
    EXPECT_EQ(fullOut[7], 0);
    back.LoadFromStream(fullOut);
    EXPECT_EQ(back.Width(), 256);
    EXPECT_EQ(back.Height(), 256);
}

// --- Files written by another program ---

TEST(IconReference, IconsWrittenByImageMagickShowItsPixelsOnBlack) {
    // Each .ico beside the picture ImageMagick decodes from its first image,
    // flattened onto black: 32-bit with and without alpha, 4-bit palettes.
    // Alpha is weighted with different rounding, so samples may differ by one.
    const auto files = zvtest::ReferencePairs("ico", ".ico");
    for (const auto& [input, ppm] : files) {
        SCOPED_TRACE(input.filename().string());
        TIconGraphic icon;
        icon.LoadFromStream(zvtest::ReadTestFile(input));
        const zvtest::PnmPicture expected = zvtest::ReadPnm(ppm);
        ASSERT_TRUE(expected.Complete());
        ASSERT_EQ(icon.Width(), expected.width);
        ASSERT_EQ(icon.Height(), expected.height);
        for (int y = 0; y < expected.height; ++y)
            for (int x = 0; x < expected.width; ++x) {
                const Bgr p = PixelOf(icon, x, y);
                for (int k = 0; k < 3; ++k)
                    EXPECT_LE(std::abs(p[2 - k] - expected.Sample(x, y, k)), 1) << x << "," << y;
            }
    }
    EXPECT_EQ(files.size(), 4u); // rgb, rgba, pal, pal16
}

TEST(IconReference, ThePngImageOfAMultiSizeIconIsChosen) {
    // 256 x 256 (PNG) and 16 x 16 images of a red-to-blue gradient; the
    // values are those ImageMagick decodes from the PNG image.
    TIconGraphic icon;
    icon.LoadFromStream(zvtest::ReadTestFile(zvtest::TestDataFile("ico", "multi.ico")));
    ASSERT_EQ(icon.Width(), 256);
    ASSERT_EQ(icon.Height(), 256);
    EXPECT_EQ(PixelOf(icon, 0, 0), (Bgr{0, 0, 255}));
    EXPECT_EQ(PixelOf(icon, 255, 0), (Bgr{0, 0, 255}));
    EXPECT_EQ(PixelOf(icon, 0, 128), (Bgr{128, 0, 127}));
    EXPECT_EQ(PixelOf(icon, 7, 77), (Bgr{77, 0, 178}));
    EXPECT_EQ(PixelOf(icon, 100, 255), (Bgr{255, 0, 0}));
}

} // namespace
} // namespace zv
