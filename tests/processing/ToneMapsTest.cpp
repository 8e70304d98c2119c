// The tone-map builders and appliers, against values worked out by hand from
// their formulas on single levels and tiny pictures.

#include "TinyPicture.h"

#include "processing/ToneMaps.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

using zvtest::GreyRow;
using zvtest::RowColours;
using zvtest::RowPicture;
using zvtest::RowReds;

ToneMap Identity() {
    ToneMap map;
    for (int i = 0; i < 256; ++i) map[i] = static_cast<std::uint8_t>(i);
    return map;
}

TEST(ToneMaps, StartAtZeroAndBuildersLeaveUnnamedEntriesAlone) {
    ToolboxContext tb;
    for (const ToneMap& map : tb.maps) EXPECT_EQ(map, ToneMap{});
    tb.maps[1].fill(7);
    tb.maps[2].fill(9);
    SetGammaLUT(tb, 200, 0);
    EXPECT_EQ(tb.maps[1][100], 7);
    SetMidToneLUT(tb, 200);
    EXPECT_EQ(tb.maps[1][32], 64); // 127 x sqrt(32/127) = 63.75
    EXPECT_EQ(tb.maps[1][127], 127);
    EXPECT_EQ(tb.maps[1][128], 7);
    EXPECT_EQ(tb.maps[2][5], 9);
    // Brightness and shift zero entry 0 of every map, and write only their own map above it.
    SetShiftLUT(tb, 10, 0);
    EXPECT_EQ(tb.maps[2][0], 0);
    EXPECT_EQ(tb.maps[2][1], 9);
    EXPECT_EQ(tb.maps[0][250], 255);
}

TEST(ToneMaps, NeutralSettingsAreTheIdentity) {
    ToolboxContext tb;
    const auto expectIdentity = [&tb](const char* what) {
        for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(tb.maps[ch], Identity()) << what << " map " << ch;
    };
    for (int ch = 0; ch < 3; ++ch) SetGammaLUT(tb, 100, ch);
    expectIdentity("gamma 100");
    for (int ch = 0; ch < 3; ++ch) SetBrightLUT(tb, 0, ch);
    expectIdentity("brightness 0");
    for (int ch = 0; ch < 3; ++ch) SetContrastLUT(tb, 0, ch);
    expectIdentity("contrast 0");
    for (int ch = 0; ch < 3; ++ch) SetContrastLUT(tb, 1, ch); // 128 x 100 div 127 = 100 %
    expectIdentity("contrast 1");
    for (int ch = 0; ch < 3; ++ch) SetShiftLUT(tb, 0, ch);
    expectIdentity("shift 0");
    for (int ch = 0; ch < 3; ++ch) SetStretchLUT(tb, 0, 255, ch);
    expectIdentity("stretch 0..255");
    for (int ch = 0; ch < 3; ++ch) SetSupressLUT(tb, 0, 255, ch);
    expectIdentity("suppress 0..255");
    tb.maps[0].fill(3);
    SetEqLUT(tb, 127, 63, 0, 0);
    expectIdentity("equaliser gain 0");
}

TEST(ToneMaps, GammaAndBrightnessOnSingleLevels) {
    ToolboxContext tb;
    SetGammaLUT(tb, 200, 0);
    EXPECT_EQ(tb.maps[0][64], 128); // 255 x sqrt(64/255) = 127.75
    EXPECT_EQ(tb.maps[0][0], 0);
    EXPECT_EQ(tb.maps[0][255], 255);
    // Factor (64 + 127) x 100 div 127 = 150: 1.5, 4.5 and 7.5 round to even.
    SetBrightLUT(tb, 64, 1);
    EXPECT_EQ(tb.maps[1][1], 2);
    EXPECT_EQ(tb.maps[1][3], 4);
    EXPECT_EQ(tb.maps[1][5], 8);
    SetBrightLUT(tb, -127, 1);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(tb.maps[1][i], 0) << i;
    SetBrightLUT(tb, 127, 2); // factor 2.00
    EXPECT_EQ(tb.maps[2][100], 200);
    EXPECT_EQ(tb.maps[2][128], 255);
    // The wide map is not clamped.
    SetBrightLUTex(tb, 127, 2);
    EXPECT_EQ(tb.wide[2][255], 510);
    EXPECT_EQ(tb.wide[0][0], 0);
}

TEST(ToneMaps, ContrastChoosesItsBranchBySign) {
    ToolboxContext tb;
    SetContrastLUT(tb, -127, 0);
    for (int i = 0; i <= 127; ++i) ASSERT_EQ(tb.maps[0][i], 127) << i;
    for (int i = 128; i <= 255; ++i) ASSERT_EQ(tb.maps[0][i], 128) << i;
    // -126 is 99 %: 0 + 127 x 0.99 = 125.73, 255 - 127 x 0.99 = 129.27.
    SetContrastLUT(tb, -126, 0);
    EXPECT_EQ(tb.maps[0][0], 126);
    EXPECT_EQ(tb.maps[0][255], 129);
    // 127 doubles the distance from the middle: 130 -> 132, 100 -> 73, 200 -> 255.
    SetContrastLUT(tb, 127, 1);
    EXPECT_EQ(tb.maps[1][130], 132);
    EXPECT_EQ(tb.maps[1][100], 73);
    EXPECT_EQ(tb.maps[1][200], 255);
    EXPECT_EQ(tb.maps[1][10], 0);
}

TEST(ToneMaps, StretchSuppressAndRemaps) {
    ToolboxContext tb;
    SetStretchLUT(tb, 0, 10, 0);
    EXPECT_EQ(tb.maps[0][3], 76);  // 76.5 to even
    EXPECT_EQ(tb.maps[0][5], 128); // 127.5 to even
    EXPECT_EQ(tb.maps[0][10], 255);
    SetStretchLUT(tb, 100, 100, 1);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(tb.maps[1][i], 0) << i;
    for (int i = 100; i < 256; ++i) ASSERT_EQ(tb.maps[1][i], 255) << i;
    SetSupressLUT(tb, 0, 0, 2);
    EXPECT_EQ(tb.maps[2], ToneMap{});
    SetSupressLUT(tb, 255, 255, 2);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(tb.maps[2][i], 255) << i;
    SetSupressLUT(tb, 0, 128, 2);
    EXPECT_EQ(tb.maps[2][255], 128);
    EXPECT_EQ(tb.maps[2][1], 1); // 128 / 255 = 0.502

    ResetMaps(tb);
    SetLoRemap(tb, 50, 128, 0);
    EXPECT_EQ(tb.maps[0][30], 0);
    EXPECT_EQ(tb.maps[0][100], 82); // 50 x 128 / 78 = 82.05
    EXPECT_EQ(tb.maps[0][128], 128);
    SetHiRemap(tb, 200, 128, 0);
    EXPECT_EQ(tb.maps[0][150], 167); // 128 + 22 x 127 / 72 = 128 + 38.8
    EXPECT_EQ(tb.maps[0][200], 255);
    EXPECT_EQ(tb.maps[0][100], 82);
}

TEST(ToneMaps, EqualiserBumpStaysInsideTheLevels) {
    // Centre 0, band 7: the bump spans -7..7; only 0..7 are written.
    // Amplitude 127 + 7 = 134; level 1: trunc(sin(8 pi / 14) x 134) = 130, 130^2 div 255 = 66.
    ToolboxContext tb;
    SetEqLUT(tb, 0, 7, 0, 0);
    SetEqLUT(tb, 0, 7, 0, 127);
    EXPECT_EQ(tb.maps[0][0], 70);
    EXPECT_EQ(tb.maps[0][1], 67);
    EXPECT_EQ(tb.maps[0][7], 7);
    for (int i = 8; i < 256; ++i) ASSERT_EQ(tb.maps[0][i], i) << i;
    EXPECT_EQ(tb.maps[1], Identity());
    // A cut at the centre: amplitude 254 - 64 = 190, 190^2 div 255 = 141, 127 - 141 below 0.
    SetEqLUT(tb, 127, 63, 1, -127);
    EXPECT_EQ(tb.maps[1][127], 0);
    EXPECT_EQ(tb.maps[1][200], 200);
    EXPECT_EQ(tb.maps[1][20], 20);
}

TEST(ToneMaps, ZeroMapMakesUsedLevelsConsecutive) {
    ToolboxContext tb;
    std::int32_t counts[256] = {};
    counts[10] = 4;
    counts[20] = 1;
    counts[30] = 9;
    SetZeroMapLUT(tb, counts, 2);
    EXPECT_EQ(tb.maps[2][10], 0);
    EXPECT_EQ(tb.maps[2][20], 1);
    EXPECT_EQ(tb.maps[2][30], 2);
    EXPECT_EQ(tb.maps[2][255], 3);
}

TEST(ToneAppliers, ChannelsTakeTheirOwnMaps) {
    ToolboxContext tb;
    ResetMaps(tb);
    tb.maps[0][10] = 1;
    tb.maps[1][10] = 2;
    tb.maps[2][10] = 3;
    // Wider than the applier's four-pixel step, so both of its loops run.
    Bitmap picture =
        RowPicture({{10, 10, 10}, {10, 0, 0}, {0, 10, 0}, {0, 0, 10}, {10, 10, 10}, {5, 10, 20}});
    ColorFilter(picture, tb);
    EXPECT_EQ(
        RowColours(picture),
        (std::vector<Rgb>{{1, 2, 3}, {1, 0, 0}, {0, 2, 0}, {0, 0, 3}, {1, 2, 3}, {5, 2, 20}}));

    SetGammaLUT(tb, 200, 0);
    picture = GreyRow({191, 255, 0});
    NegColorFilter(picture, tb); // 255 - map[255 - 191] = 255 - 128
    EXPECT_EQ(RowReds(picture), (std::vector<int>{127, 255, 0}));

    // Pictures that are not 24-bit are left alone.
    Bitmap indexed;
    indexed.Create(2, 2, PixelFormat::Bits8);
    ColorFilter(indexed, tb);
    EXPECT_EQ(indexed.ScanLine(0)[0], 0);
}

TEST(ToneAppliers, LightnessAndSaturationPasses) {
    ToolboxContext tb;
    ResetMaps(tb);
    // Grey 64: L = 461055 div 510 = 904, level 64, stretched 0..128 to
    // Round(64 x 255 / 128) = 128 (127.5 to even), L' = 1807, grey 128.
    // Grey 30: L = 424, level 30, Round(59.77) = 60, L' = 847, grey 60.
    SetStretchLUT(tb, 0, 128, 1);
    Bitmap picture = GreyRow({64, 0, 255, 30});
    LuminanceFilter(picture, tb);
    EXPECT_EQ(RowReds(picture), (std::vector<int>{128, 0, 255, 60}));

    // (200, 100, 100): H 0, L 2118, S 1714, level 121 -> 241, S' = 3402;
    // m2 = 5520 - 2002 = 3518, m1 = 718: (249, 51, 51).
    ResetMaps(tb);
    SetStretchLUT(tb, 0, 128, 1);
    picture = RowPicture({{200, 100, 100}, {90, 90, 90}});
    SaturationFilter(picture, tb);
    EXPECT_EQ(RowColours(picture), (std::vector<Rgb>{{249, 51, 51}, {90, 90, 90}}));
}

TEST(ToneAppliers, RepeatedColoursGiveTheSameResultAsSingleOnes) {
    // The HLS passes keep results by colour; a colour met again, or after
    // another colour took its slot, must come out as when met alone.
    ToolboxContext tb;
    ResetMaps(tb);
    SetGammaLUT(tb, 150, 1);
    std::vector<Rgb> colours;
    for (int i = 0; i < 3000; ++i)
        colours.push_back({(i * 37) % 256, (i * 91) % 256, (i * 13) % 256});
    Bitmap together = RowPicture(colours);
    LuminanceFilter(together, tb);
    const std::vector<Rgb> results = RowColours(together);
    for (std::size_t i = 0; i < colours.size(); i += 97) {
        Bitmap single = RowPicture({colours[i]});
        LuminanceFilter(single, tb);
        ASSERT_EQ(RowColours(single)[0], results[i]) << i;
    }
}

TEST(ToneAppliers, FixedCurvesOfTheContrastMenu) {
    Bitmap picture = GreyRow({128, 255, 16});
    UnWashFilter(picture); // v x v div 255
    EXPECT_EQ(RowReds(picture), (std::vector<int>{64, 255, 1}));
    // Grey 128: L 1807 -> 1807^2 div 3600 = 907, grey 64. Red: L 1800 -> 900, (128, 0, 0).
    picture = RowPicture({{128, 128, 128}, {255, 0, 0}});
    AttenuateFilter(picture);
    EXPECT_EQ(RowColours(picture), (std::vector<Rgb>{{64, 64, 64}, {128, 0, 0}}));
    // UnCook of grey 128: attenuated grey 64, averaged with 128.
    picture = GreyRow({128});
    UnCookFilter(picture);
    EXPECT_EQ(RowReds(picture), (std::vector<int>{96}));
}

TEST(ToneAppliers, BalanceFilters) {
    ToolboxContext tb;
    // Identity wide maps: (100, 50, 25) balances to (255, 127, 63); y = 62;
    // R' = 193 x 100 div 255 + 62 x 255 div 255 = 75 + 62.
    for (int ch = 0; ch < 3; ++ch) SetBrightLUTex(tb, 0, ch);
    Bitmap picture = RowPicture({{100, 50, 25}, {0, 0, 0}});
    BalanceFilter(picture, tb);
    EXPECT_EQ(RowColours(picture), (std::vector<Rgb>{{137, 67, 33}, {0, 0, 0}}));
    // Map 1 at 255 everywhere: grey 100 has y = 100; 100 x 100 div 255 + 255 x 155 div 255.
    tb.maps[1].fill(255);
    picture = GreyRow({100, 255});
    BalanceGammaFilter(picture, tb);
    EXPECT_EQ(RowReds(picture), (std::vector<int>{194, 255}));
}

} // namespace
} // namespace zv
