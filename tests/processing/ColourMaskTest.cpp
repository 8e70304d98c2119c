// The colour operations and masks: hand-worked values through batch lines,
// and the protocol of the two-picture and selection operations.

#include "CorrectionHost.h"
#include "TinyPicture.h"

#include "processing/ColourOperations.h"
#include "processing/Masks.h"

#include <gtest/gtest.h>

namespace {

using namespace zv;
using zvtest::RowColours;
using zvtest::RowPicture;

using zvtest::PairHost;
using zvtest::RunLine;

struct LineCase {
    const char* line;
    std::vector<Rgb> in;
    std::vector<Rgb> duplicate; // empty: none
    std::vector<Rgb> out;
};

TEST(ColourLines, HandWorkedValues) {
    const Rgb black{0, 0, 0}, white{255, 255, 255};
    const LineCase cases[] = {
        // Hue 0 - 100 wraps to 3500.
        {"HLS=-100,0,0", {{255, 0, 0}}, {}, {{255, 0, 43}}},
        // A grey has no hue to saturate.
        {"HLS=0,0,999", {{128, 128, 128}, {0, 0, 0}}, {}, {{128, 128, 128}, {0, 0, 0}}},
        {"HLS=0,-1000,0", {{10, 200, 30}}, {}, {{10, 200, 30}}}, // out of range
        {"GRAYSCALE", {white, {9, 9, 9}, {100, 200, 50}}, {}, {white, {9, 9, 9}, {155, 155, 155}}},
        {"RGBMAX", {{10, 200, 30}}, {}, {{200, 200, 200}}},
        {"POSTERIZE=2", {{191, 64, 255}}, {}, {{128, 64, 192}}},
        {"POSTERIZE=7", {{191, 64, 255}}, {}, {{190, 64, 254}}},
        {"POSTERIZE=8", {{191, 64, 255}}, {}, {{191, 64, 255}}}, // out of range
        {"NEGATIVE", {{0, 10, 255}}, {}, {{255, 245, 0}}},
        // Centre red (0, 1800, 3600), tolerances 120, 1200, 1500: (255, 0, 43) lies outside
        // by hue 3500, so o = 3500^2 x 255 div 38880000 = 80, past 32 bits on the way.
        {"MASK_HLS=7864320,78645000,98307600",
         {{255, 0, 43}, {255, 0, 0}},
         {black, black},
         {{175, 0, 29}, black}},
        {"MASK_HLSINV=7864320,78645000,98307600",
         {{255, 0, 43}, {255, 0, 0}},
         {black, black},
         {{80, 0, 13}, {255, 0, 0}}},
        // Packed values with a negative part or a centre past 3600 do nothing.
        {"MASK_HLS=-1,78645000,98307600", {{255, 0, 0}}, {black}, {{255, 0, 0}}},
        {"MASK_HLS=3601,78645000,98307600", {{255, 0, 0}}, {black}, {{255, 0, 0}}},
        {"REPLACE_HLS=7864320,78645000,98307600", {{255, 0, 0}, {0, 0, 255}}, {}, {black, white}},
        {"REPLACE_HLSINV=7864320,78645000,98307600",
         {{255, 0, 0}, {0, 0, 255}},
         {},
         {white, black}},
        // Black text on a page becomes white text on black.
        {"REPLACE_RGB=0,0,0", {black, {250, 250, 240}}, {}, {white, black}},
        {"REPLACE_RGBINV=0,0,0", {black, {250, 250, 240}}, {}, {black, white}},
        // Identity curve, mix 99: black keeps the picture, white takes the duplicate.
        {"MASK_SHADOWS=100,99",
         {black, white},
         {{10, 20, 30}, {10, 20, 30}},
         {black, {10, 20, 30}}},
        {"MASK_HIGHLIGHTS=100,99",
         {black, white},
         {{10, 20, 30}, {10, 20, 30}},
         {{10, 20, 30}, white}},
        // Mix 0 measures the duplicate: a black one keeps the picture under shadows.
        {"MASK_SHADOWS=100,0", {white}, {black}, {white}},
        {"MASK_MIDTONES=100,99", {black}, {white}, {white}},
        // Lightness 1800 and 1807 with the duplicate's hue 2400 and saturation 3600.
        {"MASK_GRAYSCALE",
         {{255, 0, 0}, {128, 128, 128}},
         {{0, 0, 255}, {0, 0, 255}},
         {{0, 0, 255}, {1, 1, 255}}},
        // The composites need a duplicate of the picture's size.
        {"MASK_GRAYSCALE", {{255, 0, 0}}, {black, black}, {{255, 0, 0}}},
    };
    for (const LineCase& c : cases) {
        PairHost host;
        host.picture = RowPicture(c.in);
        if (!c.duplicate.empty()) host.duplicate = RowPicture(c.duplicate);
        RunLine(host, c.line);
        EXPECT_EQ(RowColours(host.picture), c.out) << c.line;
    }
}

TEST(ColourLines, TuningByNothingKeepsEveryColour) {
    Bitmap all;
    all.Create(4096, 4096, PixelFormat::Bits24);
    for (std::int32_t y = 0; y < 4096; ++y) {
        std::uint8_t* p = all.ScanLine(y);
        for (std::int32_t x = 0; x < 4096; ++x, p += 3) {
            const std::uint32_t c = static_cast<std::uint32_t>(y) * 4096 + x;
            p[0] = static_cast<std::uint8_t>(c), p[1] = static_cast<std::uint8_t>(c >> 8),
            p[2] = static_cast<std::uint8_t>(c >> 16);
        }
    }
    const Bitmap before = all;
    TuneHls(all, 0, 0, 0);
    EXPECT_TRUE(zvtest::SamePixels(all, before));
}

TEST(ColourLines, NegativeInvertsThePaletteOfPalettePictures) {
    PairHost host;
    host.picture.Create(2, 1, PixelFormat::Bits8);
    Palette colours(256);
    colours[0] = {10, 20, 30, 0};
    colours[7] = {255, 0, 128, 0};
    host.picture.SetPalette(colours);
    host.picture.ScanLine(0)[0] = 7;
    host.picture.ScanLine(0)[1] = 0;
    RunLine(host, "NEGATIVE");
    ASSERT_EQ(host.picture.Format(), PixelFormat::Bits8);
    EXPECT_EQ(host.picture.ScanLine(0)[0], 7);
    EXPECT_EQ(host.picture.Colours()[7], (PaletteEntry{0, 255, 127, 0}));
    EXPECT_EQ(host.picture.Colours()[0], (PaletteEntry{245, 235, 225, 0}));
}

TEST(ColourLines, AirbrushAndEdgesSmoothOnlyWhatTheyMust) {
    // 6 x 6: the 5 x 5 passes touch row 2, columns 2 and 3 only.
    std::vector<Rgb> row(6, Rgb{255, 0, 0});
    PairHost host;
    host.picture.Create(6, 6, PixelFormat::Bits24);
    host.duplicate.Create(6, 6, PixelFormat::Bits24);
    for (std::int32_t y = 0; y < 6; ++y) {
        std::uint8_t* p = host.picture.ScanLine(y);
        for (int x = 0; x < 6; ++x) p[3 * x + 2] = 255; // red, the duplicate black
    }
    RunLine(host, "MASK_EDGES=1,255"); // flat: |L(C) - L(M)| = 0 < 1
    for (std::int32_t y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(host.picture.ScanLine(y)[3 * x + 2], y == 2 && (x == 2 || x == 3) ? 0 : 255)
                << x << "," << y;

    // A reddish spot in grey 100, airbrushed where the colour is near (0, 1800, 500):
    // the spot takes its mean, the greys (hue 2400) stay.
    host.picture = zvtest::GreyRow({0});
    host.picture.Create(6, 6, PixelFormat::Bits24);
    for (std::int32_t y = 0; y < 6; ++y) std::fill_n(host.picture.ScanLine(y), 18, 100);
    std::uint8_t* spot = host.picture.ScanLine(2) + 6;
    spot[0] = 100, spot[1] = 100, spot[2] = 130;
    RunLine(host, "AIRBRUSH=7864320,78645000,98304500");
    EXPECT_EQ(RowColours(host.picture, 2)[2], (Rgb{(130 + 24 * 100) / 25, 100, 100}));
    EXPECT_EQ(RowColours(host.picture, 2)[3], (Rgb{100, 100, 100}));
}

TEST(ColourProtocol, TwoPictureCommandsCheckTheirDuplicateFirst) {
    PairHost host;
    host.picture = RowPicture({{255, 0, 43}});
    host.dialogAnswer = EffectValues{7864320, 78645000, 98307600};
    ToolboxContext tb;
    const ToolboxOperation& mask = *TheToolbox().FindCode(151);
    // No duplicate: the warning, and the undo state is left as it was.
    EXPECT_EQ(RunToolboxOperation(mask, host, tb, RunMode::Interactive), RunOutcome::NoDuplicate);
    EXPECT_EQ(host.warnings, (std::vector<std::string>{kDuplicateWarningText}));
    EXPECT_TRUE(host.calls.empty());
    // Mask Edges says nothing.
    host.warnings.clear();
    EXPECT_EQ(RunToolboxOperation(*TheToolbox().FindCode(520), host, tb, RunMode::Interactive),
              RunOutcome::NoDuplicate);
    EXPECT_TRUE(host.warnings.empty());

    // A duplicate kept at 8 bits is made 24-bit before it is read; the
    // undo copy follows the check, without the 256-colour warning.
    host.duplicate = RowPicture({{0, 0, 0}});
    host.duplicate.SetPixelFormat(PixelFormat::Bits8);
    EXPECT_EQ(RunToolboxOperation(mask, host, tb, RunMode::Interactive), RunOutcome::Done);
    EXPECT_EQ(host.duplicate.Format(), PixelFormat::Bits24);
    EXPECT_EQ(host.calls.front(), "undo copy");
    EXPECT_EQ(RowColours(host.picture), (std::vector<Rgb>{{175, 0, 29}}));
    EXPECT_EQ(host.lines, (std::vector<std::string>{"MASK_HLS=7864320,78645000,98307600"}));
}

TEST(ColourProtocol, RedEyeTouchesOnlySelectedPixelsAndOnlyForTheTool) {
    PairHost host;
    host.picture = RowPicture({{200, 100, 100}, {200, 195, 100}, {200, 100, 100}});
    host.selection = {0, 0, 2, 1};
    EXPECT_EQ(RunLine(host, "REDEYE").outcome, LineOutcome::ToolOnly);
    EXPECT_EQ(RowColours(host.picture)[0], (Rgb{200, 100, 100}));
    EXPECT_EQ(RunLine(host, "REDEYE", LineScope::Tool).run, RunOutcome::Done);
    EXPECT_EQ(RowColours(host.picture),
              (std::vector<Rgb>{{100, 100, 100}, {200, 195, 100}, {200, 100, 100}}));

    // A selection past the picture is clipped; one of 8 rows loses its last two.
    host.picture.Create(2, 8, PixelFormat::Bits24);
    for (std::int32_t y = 0; y < 8; ++y) host.picture.ScanLine(y)[2] = 200;
    host.selection = {1, 0, 50, 8};
    RunLine(host, "REDEYE", LineScope::Tool);
    for (std::int32_t y = 0; y < 8; ++y) {
        EXPECT_EQ(host.picture.ScanLine(y)[2], 200) << y;
        EXPECT_EQ(host.picture.ScanLine(y)[5], 0) << y;
    }
    host.selection = {};
    EXPECT_EQ(RunLine(host, "REDEYE", LineScope::Tool).run, RunOutcome::NoSelection);
}

} // namespace
