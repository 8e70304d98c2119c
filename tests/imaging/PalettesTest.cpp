#include "imaging/Palettes.h"

#include "PixelHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace zv {
namespace {

using test::Rgb;

TEST(Palettes, HalftoneHoldsFixedColoursAroundTheCubeAndGreyRamp) {
    const Palette& halftone = HalftonePalette();
    ASSERT_EQ(halftone.size(), 256u);
    EXPECT_EQ(halftone[1], Rgb(0x80, 0, 0));
    EXPECT_EQ(halftone[9], Rgb(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(halftone[10], Rgb(0, 0, 0));           // cube 0, 0, 0
    EXPECT_EQ(halftone[11], Rgb(0, 0, 0x33));        // blue steps fastest
    EXPECT_EQ(halftone[10 + 36], Rgb(0x33, 0, 0));   // red slowest
    EXPECT_EQ(halftone[225], Rgb(0xFF, 0xFF, 0xFF)); // cube 5, 5, 5
    EXPECT_EQ(halftone[226], Rgb(10, 10, 10));       // 255 x 1 / 25
    EXPECT_EQ(halftone[229], Rgb(41, 41, 41));       // 255 x 4 / 25 = 40.8
    EXPECT_EQ(halftone[230], Rgb(61, 61, 61));       // k = 6; 5 is the cube's 0x33
    EXPECT_EQ(halftone[245], Rgb(245, 245, 245));    // 255 x 24 / 25 = 244.8
    EXPECT_EQ(halftone[246], Rgb(0xFF, 0xFB, 0xF0));
    EXPECT_EQ(halftone[247], Rgb(0xA0, 0xA0, 0xA4));
    EXPECT_EQ(halftone[255], Rgb(0xFF, 0xFF, 0xFF));
}

TEST(Palettes, StandardSixteenInTheirFixedOrder) {
    const Palette& standard = StandardPalette16();
    ASSERT_EQ(standard.size(), 16u);
    EXPECT_EQ(standard[3], Rgb(0x80, 0x80, 0));
    EXPECT_EQ(standard[6], Rgb(0, 0x80, 0x80));
    EXPECT_EQ(standard[7], Rgb(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(standard[8], Rgb(0x80, 0x80, 0x80));
    EXPECT_EQ(standard[13], Rgb(0xFF, 0, 0xFF));
    EXPECT_EQ(MonochromePalette(), (Palette{Rgb(0, 0, 0), Rgb(255, 255, 255)}));
}

TEST(Palettes, NearestIndexPrefersTheFirstOfEquals) {
    const Palette palette = {Rgb(9, 9, 9), Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(200, 0, 0)};
    EXPECT_EQ(NearestIndex(palette, Rgb(0, 0, 0)), 1);
    EXPECT_EQ(NearestIndex(palette, Rgb(5, 5, 5)), 0); // 48 against 75
    EXPECT_EQ(NearestIndex(palette, Rgb(120, 0, 0)), 3);

    PaletteMapper mapper(palette);
    EXPECT_EQ(mapper.Map(0, 0, 0), 1);
    EXPECT_EQ(mapper.Map(0, 0, 120), 3); // blue, green, red
    EXPECT_EQ(mapper.Map(0, 0, 0), 1);   // from the cache
}

// The mapper searches only the entries that can win in a colour's cell; it
// must still agree with the full search everywhere, ties included.
TEST(Palettes, MapperAgreesWithTheFullSearch) {
    Palette uneven;
    for (int i = 0; i < 200; ++i) {
        uneven.push_back(Rgb(static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(i * 11),
                             static_cast<std::uint8_t>(i * i)));
    }
    for (const Palette* palette :
         {&HalftonePalette(), &StandardPalette16(), &std::as_const(uneven)}) {
        PaletteMapper mapper(*palette);
        int mismatches = 0;
        for (int r = 0; r < 256; r += 5) {
            for (int g = 0; g < 256; g += 3) {
                for (int b = 0; b < 256; b += 7) {
                    const auto colour = Rgb(std::uint8_t(r), std::uint8_t(g), std::uint8_t(b));
                    mismatches += mapper.Map(colour.blue, colour.green, colour.red) !=
                                  NearestIndex(*palette, colour);
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << "palette of " << palette->size();
    }
}

// 256 distinct colours, so every index comes back as itself.
Palette DistinctPalette() {
    Palette palette;
    for (int i = 0; i < 256; ++i) {
        palette.push_back(Rgb(static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 7),
                              static_cast<std::uint8_t>(i)));
    }
    return palette;
}

Bitmap PatternPicture(int width, PixelFormat format, const Palette& palette) {
    Bitmap bitmap;
    bitmap.Create(width, 3, format);
    bitmap.SetPalette(palette);
    const int entries = PaletteSizeOf(format);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < width; ++x) test::SetIndex(bitmap, x, y, (x * 7 + y * 3) % entries);
    }
    return bitmap;
}

struct RoundTrip {
    PixelFormat format;
    Palette palette;
};

TEST(MapOntoPalette, IndexedPicturesOfOddWidthsSurviveTwentyFourBitsIndexForIndex) {
    const RoundTrip trips[] = {{PixelFormat::Bits1, MonochromePalette()},
                               {PixelFormat::Bits4, StandardPalette16()},
                               {PixelFormat::Bits8, DistinctPalette()}};
    for (const RoundTrip& trip : trips) {
        for (int width : {1, 3, 17, 641}) {
            const Bitmap original = PatternPicture(width, trip.format, trip.palette);
            Bitmap bitmap = original;
            bitmap.SetPixelFormat(PixelFormat::Bits24);
            MapOntoPalette(bitmap, trip.palette, trip.format);
            ASSERT_EQ(bitmap.Format(), trip.format);
            EXPECT_EQ(bitmap.Colours(), trip.palette);
            for (int y = 0; y < 3; ++y) {
                EXPECT_EQ(std::memcmp(bitmap.ScanLine(y), original.ScanLine(y),
                                      static_cast<std::size_t>(original.Stride())),
                          0)
                    << "format " << static_cast<int>(trip.format) << " width " << width << " row "
                    << y;
            }
        }
    }
}

TEST(MapOntoPalette, ARepeatedColourComesBackAtItsFirstIndex) {
    Bitmap bitmap;
    bitmap.Create(2, 1, PixelFormat::Bits8);
    bitmap.ScanLine(0)[0] = 255; // the fixed white; the cube's white is 225
    bitmap.ScanLine(0)[1] = 0;
    bitmap.SetPixelFormat(PixelFormat::Bits24);
    MapOntoPalette(bitmap, HalftonePalette(), PixelFormat::Bits8);
    EXPECT_EQ(bitmap.ScanLine(0)[0], 225);
    EXPECT_EQ(bitmap.ScanLine(0)[1], 0);
}

TEST(MapOntoPalette, AShortPaletteIsPaddedAndATooLongOneRefused) {
    Bitmap bitmap;
    bitmap.Create(2, 1, PixelFormat::Bits24);
    test::SetPixel24(bitmap, 1, 0, {0, 0, 250});
    MapOntoPalette(bitmap, {Rgb(0, 0, 255), Rgb(255, 0, 0)}, PixelFormat::Bits4);
    EXPECT_EQ(bitmap.ScanLine(0)[0], 0x01); // black is as far from both: the first; then red
    EXPECT_EQ(bitmap.Colours().size(), 16u);

    EXPECT_THROW(MapOntoPalette(bitmap, StandardPalette16(), PixelFormat::Bits1),
                 std::invalid_argument);
    EXPECT_THROW(MapOntoPalette(bitmap, {}, PixelFormat::Bits8), std::invalid_argument);
    EXPECT_EQ(bitmap.Format(), PixelFormat::Bits4);
}

} // namespace
} // namespace zv
