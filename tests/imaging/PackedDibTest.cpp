#include "imaging/PackedDib.h"

#include "PixelHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace zv {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::Bgr;
using test::Pixel24;
using test::Rgb;

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t{b[at + 3]} << 24;
}

void Append32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes InfoHeader(std::int32_t width, std::int32_t height, int bits, std::uint32_t compression = 0,
                 std::uint32_t coloursUsed = 0, std::uint32_t headerSize = 40) {
    Bytes b;
    Append32(b, headerSize);
    Append32(b, static_cast<std::uint32_t>(width));
    Append32(b, static_cast<std::uint32_t>(height));
    Append32(b, 1u | static_cast<std::uint32_t>(bits) << 16); // planes, bit count
    Append32(b, compression);
    for (int i = 0; i < 3; ++i) Append32(b, 0); // image size, resolution
    Append32(b, coloursUsed);
    Append32(b, 0);
    b.resize(headerSize, 0);
    return b;
}

void Append(Bytes& b, std::initializer_list<std::uint8_t> bytes) {
    b.insert(b.end(), bytes);
}

Bytes Truncated(Bytes block, std::size_t size) {
    block.resize(size);
    return block;
}

Bitmap Parse(const Bytes& block) {
    return ParsePackedDib(block.data(), block.size());
}

TEST(BuildPackedDib, TwentyFourBitsHeaderRowsBottomUpAndRoundedBlock) {
    Bitmap bitmap;
    bitmap.Create(3, 2, PixelFormat::Bits24);
    test::SetPixel24(bitmap, 0, 0, {1, 2, 3});
    test::SetPixel24(bitmap, 2, 1, {7, 8, 9});
    const Bytes block = BuildPackedDib(bitmap);
    ASSERT_EQ(block.size(), 4160u); // (40 + 2 x 12 + 4096) rounded down to 16
    EXPECT_EQ(Get32(block, 0), 40u);
    EXPECT_EQ(Get32(block, 4), 3u);
    EXPECT_EQ(Get32(block, 8), 2u);
    EXPECT_EQ(Get32(block, 12), 1u | 24u << 16);
    EXPECT_EQ(Get32(block, 16), 0u);
    EXPECT_EQ(Get32(block, 20), 24u);
    EXPECT_EQ(Get32(block, 32), 0u);
    EXPECT_EQ(Bytes(block.begin() + 46, block.begin() + 49), (Bytes{7, 8, 9})); // bottom row first
    EXPECT_EQ(Bytes(block.begin() + 52, block.begin() + 55), (Bytes{1, 2, 3}));
    for (std::size_t i = 64; i < block.size(); ++i) ASSERT_EQ(block[i], 0) << i;
}

TEST(BuildPackedDib, IndexedPicturesCarryTheirWholeColourTable) {
    Bitmap mono;
    mono.Create(5, 3, PixelFormat::Bits1);
    const Bytes monoBlock = BuildPackedDib(mono);
    EXPECT_EQ(monoBlock.size(), 4144u); // (40 + 8 + 3 x 4 + 4096) = 4156, down to 16
    EXPECT_EQ(Get32(monoBlock, 40), 0x000000u);
    EXPECT_EQ(Get32(monoBlock, 44), 0xFFFFFFu);
    EXPECT_EQ(Get32(monoBlock, 32), 2u);

    Bitmap eight;
    eight.Create(7, 1, PixelFormat::Bits8);
    EXPECT_EQ(BuildPackedDib(eight).size(), 5168u); // 40 + 1024 + 8 + 4096
}

TEST(BuildPackedDib, DirectFormatsArePackedAsTwentyFourBits) {
    Bitmap bits16;
    bits16.Create(1, 1, PixelFormat::Bits16);
    bits16.ScanLine(0)[0] = 0x3E; // red 1, green 33, blue 30
    bits16.ScanLine(0)[1] = 0x0C;
    Bytes block = BuildPackedDib(bits16);
    EXPECT_EQ(Get32(block, 12), 1u | 24u << 16);
    EXPECT_EQ(Bytes(block.begin() + 40, block.begin() + 43), (Bytes{247, 134, 8}));

    Bitmap device;
    device.Create(1, 1, PixelFormat::Device);
    std::memcpy(device.ScanLine(0), "\x01\x02\x03\x04", 4);
    block = BuildPackedDib(device);
    EXPECT_EQ(Pixel24(Parse(block), 0, 0), (Bgr{1, 2, 3}));
    EXPECT_THROW(BuildPackedDib(Bitmap()), EBitmapError);
}

TEST(PackedDibRoundTrip, EveryDepthKeepsFormatPaletteAndPixels) {
    for (PixelFormat format :
         {PixelFormat::Bits1, PixelFormat::Bits4, PixelFormat::Bits8, PixelFormat::Bits24}) {
        Bitmap original;
        original.Create(13, 3, format);
        if (format == PixelFormat::Bits8) original.SetPalette({Rgb(1, 2, 3), Rgb(4, 5, 6)});
        const int entries = PaletteSizeOf(format);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 13; ++x) {
                if (entries > 0) {
                    test::SetIndex(original, x, y, (x + 2 * y) % entries);
                } else {
                    test::SetPixel24(original, x, y, {std::uint8_t(x), std::uint8_t(y), 200});
                }
            }
        }
        const Bitmap parsed = Parse(BuildPackedDib(original));
        ASSERT_EQ(parsed.Format(), format);
        EXPECT_EQ(parsed.Colours(), original.Colours());
        for (int y = 0; y < 3; ++y) {
            EXPECT_EQ(std::memcmp(parsed.ScanLine(y), original.ScanLine(y),
                                  static_cast<std::size_t>(original.Stride())),
                      0)
                << "format " << static_cast<int>(format) << " row " << y;
        }
    }
}

TEST(ParsePackedDib, TopDownRowsAndAShortColourTable) {
    Bytes block = InfoHeader(2, -2, 8, 0, 2);
    Append(block, {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0});
    Append(block, {0, 1, 0, 0, 1, 0, 0, 0}); // top row first
    const Bitmap bitmap = Parse(block);
    ASSERT_EQ(bitmap.Format(), PixelFormat::Bits8);
    EXPECT_EQ(bitmap.Colours()[1], Rgb(0x60, 0x50, 0x40));
    EXPECT_EQ(bitmap.Colours()[2], Rgb(0, 0, 0));
    EXPECT_EQ(bitmap.ScanLine(0)[1], 1);
    EXPECT_EQ(bitmap.ScanLine(1)[0], 1);
}

TEST(ParsePackedDib, SixteenBitsFiveFiveFiveAndFiveSixFiveFields) {
    Bytes plain = InfoHeader(1, 1, 16);
    Append(plain, {0x01, 0x7E, 0, 0}); // red 31, green 16, blue 1
    EXPECT_EQ(Pixel24(Parse(plain), 0, 0), (Bgr{8, 132, 255}));

    Bytes fields = InfoHeader(2, 1, 16, 3);
    Append32(fields, 0xF800);
    Append32(fields, 0x07E0);
    Append32(fields, 0x001F);
    Append(fields, {0x3E, 0x0C, 0xFF, 0xFF}); // red 1, green 33, blue 30; white
    const Bitmap bitmap = Parse(fields);
    ASSERT_EQ(bitmap.Format(), PixelFormat::Bits24);
    EXPECT_EQ(Pixel24(bitmap, 0, 0), (Bgr{247, 134, 8}));
    EXPECT_EQ(Pixel24(bitmap, 1, 0), (Bgr{255, 255, 255}));
}

TEST(ParsePackedDib, ThirtyTwoBitFieldsInALongHeaderAndWideFieldsNarrowed) {
    Bytes swapped = InfoHeader(1, 1, 32, 3, 0, 108);
    const std::uint32_t masks[] = {0x0000FF00, 0x00FF0000, 0xFF000000};
    for (int i = 0; i < 12; ++i)
        swapped[40 + i] = static_cast<std::uint8_t>(masks[i / 4] >> (8 * (i % 4)));
    Append(swapped, {0x00, 0x11, 0x22, 0x33});
    EXPECT_EQ(Pixel24(Parse(swapped), 0, 0), (Bgr{0x33, 0x22, 0x11}));

    Bytes tenBits = InfoHeader(1, 1, 32, 3);
    Append32(tenBits, 0x3FF00000);
    Append32(tenBits, 0x000FFC00);
    Append32(tenBits, 0x000003FF);
    Append32(tenBits, 0x3FF00000 | 0x200 << 10 | 0x004); // 1023, 512, 4 of 1023
    EXPECT_EQ(Pixel24(Parse(tenBits), 0, 0), (Bgr{1, 128, 255}));
}

TEST(ParsePackedDib, CoreHeaderWithThreeByteColours) {
    Bytes block;
    Append32(block, 12);
    Append(block, {2, 0, 1, 0, 1, 0, 1, 0}); // width 2, height 1, planes 1, 1 bit
    Append(block, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60});
    Append(block, {0x40, 0, 0, 0});
    const Bitmap bitmap = Parse(block);
    ASSERT_EQ(bitmap.Format(), PixelFormat::Bits1);
    EXPECT_EQ(bitmap.Colours()[1], Rgb(0x60, 0x50, 0x40));
    EXPECT_EQ(bitmap.ScanLine(0)[0], 0x40);
}

std::string ParseError(const Bytes& block) {
    try {
        Parse(block);
    } catch (const EPackedDibError& error) {
        return error.what();
    }
    return "parsed";
}

TEST(ParsePackedDib, CorruptBlocksSayWhatIsWrong) {
    EXPECT_EQ(ParseError({40, 0, 0}), "Bad packed picture: the block of 3 bytes is too short.");

    Bytes huge = InfoHeader(0x7FFFFFFF, 0x7FFFFFFF, 24);
    huge.resize(56, 0);
    EXPECT_EQ(ParseError(huge), "Bad packed picture: the rows need 13835058048839712768 bytes "
                                "but only 16 follow the header.");

    Bytes palette = InfoHeader(4, 4, 8, 0, 256);
    palette.resize(140, 0);
    EXPECT_EQ(ParseError(palette), "Bad packed picture: the colour table of 256 entries runs past "
                                   "the end of the 140-byte block.");

    EXPECT_EQ(ParseError(InfoHeader(1, 1, 2)),
              "Bad packed picture: 2 bits per pixel is not supported.");
}

TEST(ParsePackedDib, EveryKindOfCorruptBlockThrows) {
    auto withRows = [](Bytes block, std::size_t rowBytes) {
        block.resize(block.size() + rowBytes, 0);
        return block;
    };
    Bytes gappyMask = InfoHeader(1, 1, 16, 3);
    for (std::uint32_t m : {0xF00Fu, 0x07E0u, 0x001Fu}) Append32(gappyMask, m);
    const std::vector<std::pair<const char*, Bytes>> blocks = {
        {"empty", {}},
        {"header longer than the block", Truncated(InfoHeader(1, 1, 24), 30)},
        {"unknown header size", withRows(InfoHeader(1, 1, 24, 0, 0, 200), 4)},
        {"zero width", withRows(InfoHeader(0, 1, 24), 4)},
        {"negative width", withRows(InfoHeader(-5, 1, 24), 4)},
        {"zero height", withRows(InfoHeader(1, 0, 24), 4)},
        {"most negative height", withRows(InfoHeader(1, INT32_MIN, 24), 4)},
        {"run-length compression", withRows(InfoHeader(1, 1, 8, 1), 1028)},
        {"bit fields at 24 bits", withRows(InfoHeader(1, 1, 24, 3), 16)},
        {"bit field masks cut off", withRows(InfoHeader(1, 1, 16, 3), 4)},
        {"gappy mask", withRows(gappyMask, 4)},
        {"three colours at one bit", withRows(InfoHeader(1, 1, 1, 0, 3), 16)},
        {"one row short", withRows(InfoHeader(3, 2, 24), 12)},
    };
    for (const auto& [name, block] : blocks) {
        EXPECT_THROW(Parse(block), EPackedDibError) << name;
    }
    Bytes thirteen = InfoHeader(1, 1, 24);
    thirteen[0] = 13;
    EXPECT_THROW(Parse(withRows(thirteen, 4)), EPackedDibError);
    Bytes planes = withRows(InfoHeader(1, 1, 24), 4);
    planes[12] = 2;
    EXPECT_THROW(Parse(planes), EPackedDibError);
}

} // namespace
} // namespace zv
