#include "library/ColourQuantiser.h"
#include "library/ImageLibrary.h"
#include "library/PictureOps.h"

#include "imaging/Palettes.h"
#include "imaging/PixelHelpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <stdexcept>
#include <tuple>

namespace zv {
namespace {

using test::Bgr;
using test::Rgb;
using test::SetPixel24;

Bitmap Flat(int width, int height, Bgr colour) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) SetPixel24(picture, x, y, colour);
    }
    return picture;
}

Bgr Grey(int level) {
    const auto v = static_cast<std::uint8_t>(level);
    return {v, v, v};
}

int IndexAt(const Bitmap& picture, int x, int y) {
    const std::uint8_t* row = picture.ScanLine(y);
    switch (picture.Format()) {
    case PixelFormat::Bits1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case PixelFormat::Bits4: return (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
    default: return row[x];
    }
}

PaletteEntry ColourAt(const Bitmap& picture, int x, int y) {
    return picture.Colours()[static_cast<std::size_t>(IndexAt(picture, x, y))];
}

std::set<std::tuple<int, int, int>> ColoursUsed(const Bitmap& picture) {
    std::set<std::tuple<int, int, int>> used;
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const PaletteEntry e = ColourAt(picture, x, y);
            used.insert({e.red, e.green, e.blue});
        }
    }
    return used;
}

double MeanLevel(const Bitmap& picture) {
    double sum = 0;
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) sum += ColourAt(picture, x, y).green;
    }
    return sum / (picture.Width() * picture.Height());
}

TEST(ColourReduction, BlackAndWhiteThresholdsBrightnessAtMidGrey) {
    Bitmap ramp;
    ramp.Create(256, 2, PixelFormat::Bits24);
    for (int x = 0; x < 256; ++x) SetPixel24(ramp, x, 0, Grey(x));
    // Brightness 0.299 R + 0.587 G + 0.114 B: red 76, green 150, blue 29,
    // yellow 226, (100, 160, 100) 135.
    SetPixel24(ramp, 0, 1, {0, 0, 255});
    SetPixel24(ramp, 1, 1, {0, 255, 0});
    SetPixel24(ramp, 2, 1, {255, 0, 0});
    SetPixel24(ramp, 3, 1, {0, 255, 255});
    SetPixel24(ramp, 4, 1, {100, 160, 100});

    const Bitmap bw = ReduceColours(ramp, 2, kReduceThreshold);
    ASSERT_EQ(bw.Format(), PixelFormat::Bits1);
    EXPECT_EQ(bw.Colours(), MonochromePalette());
    for (int x = 0; x < 256; ++x) EXPECT_EQ(IndexAt(bw, x, 0), x >= 128 ? 1 : 0) << x;
    EXPECT_EQ(IndexAt(bw, 0, 1), 0);
    EXPECT_EQ(IndexAt(bw, 1, 1), 1);
    EXPECT_EQ(IndexAt(bw, 2, 1), 0);
    EXPECT_EQ(IndexAt(bw, 3, 1), 1);
    EXPECT_EQ(IndexAt(bw, 4, 1), 1);
}

TEST(ColourReduction, OrderedDitherTurnsHalfOfMidGreyWhiteInEveryTile) {
    const Bitmap bw = ReduceColours(Flat(16, 8, Grey(128)), 2, kReduceOrdered);
    for (int tile = 0; tile < 2; ++tile) {
        int white = 0;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) white += IndexAt(bw, tile * 8 + x, y);
        }
        EXPECT_EQ(white, 32);
    }
    // The extremes are never dithered.
    const Bitmap black = ReduceColours(Flat(8, 8, Grey(0)), 2, kReduceOrdered);
    const Bitmap white = ReduceColours(Flat(8, 8, Grey(255)), 2, kReduceOrdered);
    EXPECT_EQ(MeanLevel(black), 0.0);
    EXPECT_EQ(MeanLevel(white), 255.0);
}

TEST(ColourReduction, DiffusionKeepsTheMeanOfAFlatGrey) {
    for (int level : {37, 100, 128, 200}) {
        const Bitmap bw = ReduceColours(Flat(64, 64, Grey(level)), 2, kReduceDiffuse);
        EXPECT_NEAR(MeanLevel(bw), level, 1.0) << level;
        // 16 greys are 17 apart; 100 lies between 85 and 102.
        const Bitmap greys =
            ReduceColours(Flat(64, 64, Grey(level)), 16, kReduceGrey | kReduceDiffuse);
        EXPECT_NEAR(MeanLevel(greys), level, 1.0) << level;
    }
    // The error spreads: a flat 100 on black and white is not one colour.
    EXPECT_EQ(ColoursUsed(ReduceColours(Flat(8, 8, Grey(100)), 2, kReduceDiffuse)).size(), 2u);
}

TEST(ColourReduction, GreyRampsTakeTheNearestLevel) {
    Bitmap picture = Flat(4, 1, Grey(100));
    SetPixel24(picture, 1, 0, {0, 0, 255}); // red: brightness 76
    SetPixel24(picture, 2, 0, Grey(8));
    SetPixel24(picture, 3, 0, Grey(9));
    const Bitmap greys = ReduceColours(picture, 16, kReduceGrey);
    ASSERT_EQ(greys.Format(), PixelFormat::Bits4);
    EXPECT_EQ(greys.Colours()[1], Rgb(17, 17, 17));
    EXPECT_EQ(greys.Colours()[15], Rgb(255, 255, 255));
    EXPECT_EQ(IndexAt(greys, 0, 0), 6); // 102
    EXPECT_EQ(IndexAt(greys, 1, 0), 4); // 68; 85 is 9 away
    EXPECT_EQ(IndexAt(greys, 2, 0), 0); // 8 of 17 is nearer black
    EXPECT_EQ(IndexAt(greys, 3, 0), 1);

    const Bitmap full = ReduceColours(picture, 256, kReduceGrey);
    ASSERT_EQ(full.Format(), PixelFormat::Bits8);
    EXPECT_EQ(IndexAt(full, 0, 0), 100);
    EXPECT_EQ(IndexAt(full, 1, 0), 76);
}

TEST(ColourReduction, FewColoursAreKeptExactly) {
    // Two colours to two: kept with the fitted, poster and fixed palettes.
    Bitmap two = Flat(3, 2, {255, 0, 0}); // blue
    SetPixel24(two, 1, 1, {0, 0, 200});   // dark red
    for (int mode : {kReduceOptimal, kReducePopularity, kReduceFixed | kReduceDiffuse}) {
        const Bitmap reduced = ReduceColours(two, 2, mode);
        ASSERT_EQ(reduced.Format(), PixelFormat::Bits1);
        EXPECT_EQ(ColourAt(reduced, 0, 0), Rgb(0, 0, 255)) << mode;
        EXPECT_EQ(ColourAt(reduced, 1, 1), Rgb(200, 0, 0)) << mode;
    }
    // A black and white picture to black and white stays as it is.
    Bitmap bw = Flat(3, 1, Grey(0));
    SetPixel24(bw, 2, 0, Grey(255));
    const Bitmap same = ReduceColours(bw, 2, kReduceDiffuse);
    EXPECT_EQ(IndexAt(same, 0, 0), 0);
    EXPECT_EQ(IndexAt(same, 2, 0), 1);

    // Four colours to 16 with the fitted palette, dithered: exactly those four.
    Bitmap four = Flat(4, 4, {10, 20, 30});
    SetPixel24(four, 1, 0, {12, 20, 30}); // one level from the first in blue
    SetPixel24(four, 2, 2, {250, 0, 128});
    SetPixel24(four, 3, 3, {0, 255, 0});
    const Bitmap reduced = ReduceColours(four, 16, kReduceOptimal | kReduceDiffuse);
    ASSERT_EQ(reduced.Format(), PixelFormat::Bits4);
    EXPECT_EQ(ColourAt(reduced, 0, 0), Rgb(30, 20, 10));
    EXPECT_EQ(ColourAt(reduced, 1, 0), Rgb(30, 20, 12));
    EXPECT_EQ(ColourAt(reduced, 2, 2), Rgb(128, 0, 250));
    EXPECT_EQ(ColourAt(reduced, 3, 3), Rgb(0, 255, 0));
    EXPECT_EQ(ColoursUsed(reduced).size(), 4u);
}

TEST(ColourReduction, IndexedPicturesAreReducedByTheirColours) {
    Bitmap indexed;
    indexed.Create(9, 1, PixelFormat::Bits4);
    indexed.SetPalette({Rgb(0, 0, 0), Rgb(255, 0, 0), Rgb(0, 0, 255)});
    test::SetIndex(indexed, 4, 0, 1);
    test::SetIndex(indexed, 8, 0, 2);
    const Bitmap reduced = ReduceColours(indexed, 256, kReduceOptimal);
    ASSERT_EQ(reduced.Format(), PixelFormat::Bits8);
    EXPECT_EQ(ColourAt(reduced, 0, 0), Rgb(0, 0, 0));
    EXPECT_EQ(ColourAt(reduced, 4, 0), Rgb(255, 0, 0));
    EXPECT_EQ(ColourAt(reduced, 8, 0), Rgb(0, 0, 255));
}

// 32 colours in four far-apart families of eight close shades.
Bitmap FourFamilies() {
    Bitmap picture;
    picture.Create(32, 4, PixelFormat::Bits24);
    const Bgr bases[4] = {{20, 20, 20}, {20, 20, 220}, {20, 220, 20}, {220, 20, 20}};
    for (int f = 0; f < 4; ++f) {
        for (int i = 0; i < 8; ++i) {
            const Bgr c = {static_cast<std::uint8_t>(bases[f][0] + i),
                           static_cast<std::uint8_t>(bases[f][1] + i), bases[f][2]};
            for (int y = 0; y < 4; ++y) SetPixel24(picture, f * 8 + i, y, c);
        }
    }
    return picture;
}

TEST(ColourReduction, TheFittedPaletteFindsTheColourFamilies) {
    const Bitmap picture = FourFamilies();
    const Palette fitted = FittedColours(picture, 4);
    ASSERT_EQ(fitted.size(), 4u);
    // Each family's shades span 8 levels; its box holds it alone, so its
    // colour is the family's mean: base + 3.5, rounded up.
    std::set<std::tuple<int, int, int>> means;
    for (const PaletteEntry& e : fitted) means.insert({e.red, e.green, e.blue});
    const std::set<std::tuple<int, int, int>> expected = {
        {20, 24, 24}, {220, 24, 24}, {20, 224, 24}, {20, 24, 224}};
    EXPECT_EQ(means, expected);

    const Bitmap reduced = ReduceColours(picture, 4, kReduceOptimal);
    ASSERT_EQ(reduced.Format(), PixelFormat::Bits4);
    EXPECT_EQ(ColourAt(reduced, 0, 0), Rgb(20, 24, 24));
    EXPECT_EQ(ColourAt(reduced, 15, 3), Rgb(220, 24, 24));
    EXPECT_EQ(ColourAt(reduced, 31, 1), Rgb(20, 24, 224));
}

TEST(ColourReduction, PosterKeepsTheMostFrequentColours) {
    // Three colours in separate cells, of 6, 4 and 2 pixels: two survive.
    Bitmap picture = Flat(6, 2, {0, 0, 200});
    for (int x = 0; x < 4; ++x) SetPixel24(picture, x, 1, {200, 0, 0});
    for (int x = 4; x < 6; ++x) SetPixel24(picture, x, 1, {0, 200, 0});
    const Palette popular = PopularColours(picture, 2);
    EXPECT_EQ(popular, (Palette{Rgb(200, 0, 0), Rgb(0, 0, 200)}));
}

TEST(ColourReduction, FixedPalettesSpreadOverTheCube) {
    EXPECT_EQ(FixedColours(16), StandardPalette16());
    const Palette p236 = FixedColours(236);
    ASSERT_EQ(p236.size(), 236u);
    EXPECT_EQ(p236[1], Rgb(0, 0, 51)); // the 6-level cube, blue fastest
    EXPECT_EQ(p236[36], Rgb(51, 0, 0));
    EXPECT_EQ(p236[215], Rgb(255, 255, 255));
    EXPECT_EQ(p236[216], Rgb(12, 12, 12)); // then 20 greys 255 i / 21
    EXPECT_EQ(p236[235], Rgb(243, 243, 243));
    EXPECT_EQ(FixedColours(2), MonochromePalette());
    EXPECT_EQ(GreyLevels(3), (Palette{Rgb(0, 0, 0), Rgb(128, 128, 128), Rgb(255, 255, 255)}));

    // More than 16 colours onto the standard 16: each to its nearest.
    Bitmap ramp;
    ramp.Create(17, 1, PixelFormat::Bits24);
    for (int x = 0; x < 17; ++x) SetPixel24(ramp, x, 0, Grey(x * 15));
    SetPixel24(ramp, 0, 0, {10, 10, 200});   // nearer red than maroon
    SetPixel24(ramp, 1, 0, {10, 10, 180});   // nearer maroon (128, 0, 0)
    SetPixel24(ramp, 2, 0, {200, 200, 200}); // silver
    const Bitmap reduced = ReduceColours(ramp, 16, kReduceFixed);
    EXPECT_EQ(IndexAt(reduced, 0, 0), 9);
    EXPECT_EQ(IndexAt(reduced, 1, 0), 1);
    EXPECT_EQ(IndexAt(reduced, 2, 0), 7);
    EXPECT_EQ(IndexAt(reduced, 16, 0), 15); // 240 is white
}

TEST(ColourReduction, OntoAGivenPaletteByNearestColourFirstOfEquals) {
    const Palette palette = {Rgb(0, 0, 0), Rgb(100, 100, 100), Rgb(100, 100, 100),
                             Rgb(255, 255, 255)};
    Bitmap picture = Flat(3, 1, Grey(90));
    SetPixel24(picture, 1, 0, Grey(200));
    SetPixel24(picture, 2, 0, Grey(49));
    const Bitmap mapped = ReduceOntoPalette(picture, palette, false);
    ASSERT_EQ(mapped.Format(), PixelFormat::Bits4);
    EXPECT_EQ(IndexAt(mapped, 0, 0), 1);
    EXPECT_EQ(IndexAt(mapped, 1, 0), 3);
    EXPECT_EQ(IndexAt(mapped, 2, 0), 0);

    // Diffused onto black and white, a flat 64 is a quarter white.
    const Bitmap diffused = ReduceOntoPalette(Flat(32, 32, Grey(64)), MonochromePalette(), true);
    ASSERT_EQ(diffused.Format(), PixelFormat::Bits1);
    EXPECT_NEAR(MeanLevel(diffused), 64.0, 1.0);
}

// The cached lookup must agree with the plain search for every colour,
// whatever the palette; here a palette with repeats and close neighbours.
TEST(ColourReduction, NearestColourTableAgreesWithTheFullSearch) {
    Palette palette;
    for (int i = 0; i < 120; ++i) {
        palette.push_back({static_cast<std::uint8_t>((i * 97) % 256),
                           static_cast<std::uint8_t>((i * 57 + 13) % 256),
                           static_cast<std::uint8_t>((i * 31) % 256), 0});
    }
    palette.push_back(palette[5]);
    palette.push_back(Rgb(8, 8, 8));
    NearestColourTable table(palette);
    for (int r = 0; r < 256; r += 3) {
        for (int g = 0; g < 256; g += 5) {
            for (int b = 0; b < 256; b += 7) {
                const PaletteEntry colour{static_cast<std::uint8_t>(b),
                                          static_cast<std::uint8_t>(g),
                                          static_cast<std::uint8_t>(r), 0};
                ASSERT_EQ(table.Map(colour.blue, colour.green, colour.red),
                          NearestIndex(palette, colour))
                    << r << " " << g << " " << b;
            }
        }
    }
}

TEST(ColourReduction, RefusesImpossibleRequests) {
    const Bitmap picture = Flat(2, 2, Grey(9));
    EXPECT_THROW(ReduceColours(picture, 1, kReduceOptimal), std::invalid_argument);
    EXPECT_THROW(ReduceColours(picture, 257, kReduceOptimal), std::invalid_argument);
    EXPECT_THROW(ReduceOntoPalette(picture, {}, false), std::invalid_argument);
    EXPECT_THROW(ReduceOntoPalette(picture, Palette(257), false), std::invalid_argument);

    Bitmap empty;
    empty.Create(0, 0, PixelFormat::Bits24);
    const Bitmap reduced = ReduceColours(empty, 236, kReduceOptimal | kReduceDiffuse);
    EXPECT_TRUE(reduced.Empty());
    EXPECT_EQ(reduced.Format(), PixelFormat::Bits8);
}

} // namespace
} // namespace zv
