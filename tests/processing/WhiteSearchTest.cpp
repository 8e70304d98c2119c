// The white search and the two corrections built on it, Auto White and
// Auto Balance, on tiny pictures worked out by hand.

#include "CorrectionHost.h"
#include "TinyPicture.h"

#include "processing/AutoCorrections.h"
#include "processing/WhiteSearch.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

using zvtest::GreyRow;
using zvtest::RowColours;
using zvtest::RowPicture;
using zvtest::RunCorrectionLines;

TEST(WhiteSearch, ScanOrderDecidesAmongGreys) {
    // Right to left: the grey 100 at the right is met first, and white
    // (hue 2400 too) is not strictly lower.
    WhiteReference white = WhiteMax(RowPicture({{255, 255, 255}, {100, 100, 100}}));
    EXPECT_EQ(white.colour, (Rgb{100, 100, 100}));
    EXPECT_EQ(white.hls, (Hls{2400, 1412, 0}));
    EXPECT_EQ(white.Values(), (EffectValues{100, 100, 100 + 256 * 100 + 65536 * 100}));
    EXPECT_EQ(WhiteMax(RowPicture({{100, 100, 100}, {255, 255, 255}})).colour,
              (Rgb{255, 255, 255}));

    // Bottom row first.
    Bitmap twoRows;
    twoRows.Create(1, 2, PixelFormat::Bits24);
    twoRows.ScanLine(0)[0] = twoRows.ScanLine(0)[1] = twoRows.ScanLine(0)[2] = 255;
    twoRows.ScanLine(1)[0] = twoRows.ScanLine(1)[1] = twoRows.ScanLine(1)[2] = 100;
    EXPECT_EQ(WhiteMax(twoRows).colour, (Rgb{100, 100, 100}));
}

TEST(WhiteSearch, ColoursNeedBothHueAndSaturationLower) {
    // (200, 150, 150): hue 0, lightness 2471, saturation 1125; back to
    // (200, 150, 150). Met before the grey, and nothing beats hue 0.
    EXPECT_EQ(WhiteMax(RowPicture({{100, 100, 100}, {200, 150, 150}})).hls, (Hls{0, 2471, 1125}));
    // A grey met first has saturation 0, which no colour undercuts.
    EXPECT_EQ(WhiteMax(RowPicture({{200, 150, 150}, {100, 100, 100}})).colour,
              (Rgb{100, 100, 100}));
    // Pure red has saturation 3600, above the first record: nothing is
    // kept, and the first record (lightness 0) gives black.
    EXPECT_EQ(WhiteMax(RowPicture({{255, 0, 0}})).colour, (Rgb{0, 0, 0}));
    EXPECT_EQ(WhiteMax(Bitmap{}).colour, (Rgb{0, 0, 0}));
}

TEST(WhiteSearch, AgreesWithAPlainScanOnRandomPictures) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const Bitmap picture = zvtest::RandomLevelPicture(7, 5, seed);
        Hls kept{3599, 0, 3599};
        for (int y = picture.Height() - 1; y >= 0; --y)
            for (int x = picture.Width() - 1; x >= 0; --x) {
                const std::uint8_t* p = picture.ScanLine(y) + 3 * x;
                const Hls hls = RGBtoHLS(p[2], p[1], p[0]);
                if (hls.H < kept.H && hls.S < kept.S) kept = hls;
            }
        EXPECT_EQ(WhiteMax(picture).hls, kept) << "seed " << seed;
    }
}

TEST(AutoWhite, BrightensEachChannelTowardTheReference) {
    // Reference grey 100: every factor (127 - 50 + 127) x 100 div 127 = 160.
    EXPECT_EQ(RowColours(RunCorrectionLines(GreyRow({255, 100}), {"AUTO_WHITE"})),
              (std::vector<Rgb>{{255, 255, 255}, {160, 160, 160}}));
    // A reference of pure white keeps factor 1.00.
    EXPECT_EQ(RowColours(RunCorrectionLines(GreyRow({100, 255}), {"AUTO_WHITE"})),
              (std::vector<Rgb>{{100, 100, 100}, {255, 255, 255}}));
    // Reference (200, 150, 150): red factor 1.21, green and blue 1.40.
    EXPECT_EQ(RowColours(RunCorrectionLines(RowPicture({{100, 100, 100}, {200, 150, 150}}),
                                            {"AUTO_WHITE"})),
              (std::vector<Rgb>{{121, 140, 140}, {242, 210, 210}}));
}

TEST(AutoBalance, BlendsTheBalancedColourByLuminance) {
    // Reference (200, 150, 150): wide factors 1.43, 1.82, 1.82. Grey 100
    // balances to (200, 255, 255) and blends at luminance 100; the
    // reference itself to (255, 243, 243) at luminance 165.
    EXPECT_EQ(RowColours(RunCorrectionLines(RowPicture({{100, 100, 100}, {200, 150, 150}}),
                                            {"AUTO_BALANCE"})),
              (std::vector<Rgb>{{138, 160, 160}, {235, 209, 209}}));
    // Reference grey 100: factor 2.22 everywhere, so greys balance to white.
    EXPECT_EQ(RowColours(RunCorrectionLines(GreyRow({255, 100}), {"AUTO_BALANCE"})),
              (std::vector<Rgb>{{255, 255, 255}, {160, 160, 160}}));
}

} // namespace
} // namespace zv
