// The effect dialog's model: its layout for every effect code, the values
// its sliders stand for, the colour pick, the preview on a region copy, and
// the protocol running and recording what Apply hands back.

#include "CorrectionHost.h"
#include "TinyPicture.h"

#include "platform/ScriptedDialogs.h"
#include "processing/EffectDialogModel.h"
#include "processing/WhiteSearch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

using zv::DialogStep;

const zv::ToolboxOperation& Op(int code) {
    const zv::ToolboxOperation* op = zv::TheToolbox().FindCode(code);
    EXPECT_NE(op, nullptr) << code;
    return *op;
}

zv::EffectValues SliderStarts(const zv::ToolboxOperation& op) {
    const auto& s = op.dialog->slider;
    return {s[0].start, s[1].start, s[2].start};
}

// Runs the effect dialog inside the protocol, answered by the script.
class DialogHost : public zvtest::PairHost {
public:
    DialogHost() { zv::ForgetRememberedSliders(); }
    zv::ScriptedDialogs dialogs;
    std::optional<zv::EffectValues> ShowEffectDialog(const zv::ToolboxOperation& op,
                                                     const zv::EffectValues& start) override {
        return zv::RunEffectDialog(dialogs, op, picture, start, &duplicate);
    }
};

TEST(EffectDialog, EveryCodeOpensWithItsTitleCaptionsRangesAndStarts) {
    struct Expected {
        int code;
        const char* title;
        const char* captions; // the rows shown, "|" between them
        const char* rows;     // min..max@start of each row shown
    };
    const Expected table[] = {
        {1, "Set Outlier effect to", "&Filter", "1..255@255"},
        {3, "Set Soften (Low Pass) effect to", "&Filter", "1..10@7"},
        {4, "Set Despeckle (Median) effect to", "&Filter", "1..9@4"},
        {30, "Set Smoothing (Gaussian) effect to", "&Filter", "1..255@192"},
        {31, "Set Smoothing (Defocus) effect to", "&Filter", "1..255@112"},
        {32, "Set Sharpening (Mean Removal) effect to", "&Filter", "1..8@4"},
        {33, "Set Sharpening (Medium High Pass) effect to", "&Filter", "1..4@3"},
        {34, "Set Sharpening (Light High Pass) effect to", "&Filter", "1..4@3"},
        {36, "Set Spot Remover to clean", "&Filter", "-8..8@-7"},
        {100, "Adjust Gamma (1/100)", "&Red  |&Green|&Blue ", "1..500@100 1..500@100 1..500@100"},
        {101, "Adjust Gamma (1/100)", "&Filter", "1..500@100"},
        {102, "Suppress Gamma (1/100)", "&Red  |&Green|&Blue ", "1..500@100 1..500@100 1..500@100"},
        {103, "Saturation  Gamma (1/100)", "&Filter", "1..500@100"},
        {110, "Adjust Brightness", "&Red  |&Green|&Blue ", "-127..127@0 -127..127@0 -127..127@0"},
        {111, "Adjust Brightness", "&Filter", "-127..127@0"},
        {112, "Adjust Brightness (by Shifting)", "&Red  |&Green|&Blue ",
         "-127..127@0 -127..127@0 -127..127@0"},
        {113, "Adjust Brightness (by Shifting)", "&Red  |&Green|&Blue ",
         "-127..127@0 -127..127@0 -127..127@0"},
        {114, "Add Random Noise", "&Red  |&Green|&Blue ", "0..255@255 0..255@255 0..255@255"},
        {120, "Adjust Contrast", "&Red  |&Green|&Blue ", "-127..127@0 -127..127@0 -127..127@0"},
        {121, "Adjust Contrast", "&Filter", "-127..127@0"},
        {130, "Enhance Shadows/Highlights (Global)", "&Shadows|High&Light", "0..255@0 0..255@255"},
        {131, "Enhance Shadows (RGB)", "&Red  |&Green|&Blue ", "0..255@0 0..255@0 0..255@0"},
        {132, "Enhance Highlights (RGB)", "&Red  |&Green|&Blue ",
         "0..255@255 0..255@255 0..255@255"},
        {133, "Enhance Shadows/Highlights (Lighting)", "&Shadows|High&Light",
         "0..255@0 0..255@255"},
        {134, "Supress Shadows/Highlights", "&Shadows|High&Light", "0..255@0 0..255@255"},
        {135, "Enhance Shadows/Highlights (Saturation)", "&Shadows|High&Light",
         "0..255@0 0..255@255"},
        {140, "Parametric Equalizer [All channels]", "&Center|&Band|&Gain",
         "0..255@127 7..127@63 -127..127@0"},
        {141, "Parametric Equalizer [Red channel]", "&Center|&Band|&Gain",
         "0..255@127 7..127@63 -127..127@0"},
        {142, "Parametric Equalizer [Green channel]", "&Center|&Band|&Gain",
         "0..255@127 7..127@63 -127..127@0"},
        {143, "Parametric Equalizer [Blue channel]", "&Center|&Band|&Gain",
         "0..255@127 7..127@63 -127..127@0"},
        {150, "Adjust Hue-Luminance-Saturation", "H&ue|&Lum|&Sat",
         "-999..999@0 -999..999@0 -999..999@0"},
        {151, "Mask Background Color Selection", "H&ue band|&Lum band|&Sat band",
         "0..1800@120 0..1800@1200 0..1800@1500"},
        {152, "Mask Foreground Color Selection", "H&ue band|&Lum band|&Sat band",
         "0..1800@120 0..1800@1200 0..1800@1500"},
        {153, "Replace Background Color Selection", "H&ue band|&Lum band|&Sat band",
         "0..1800@120 0..1800@1200 0..1800@1500"},
        {154, "Replace Foreground Color Selection", "H&ue band|&Lum band|&Sat band",
         "0..1800@120 0..1800@1200 0..1800@1500"},
        {155, "Airbrush Color Selection", "H&ue band|&Lum band|&Sat band",
         "0..1800@120 0..1800@1200 0..1800@1500"},
        {156, "Replace RGB color selection as foreground", "&Red  |&Green|&Blue ",
         "0..255@127 0..255@127 0..255@127"},
        {157, "Replace RGB color selection as background", "&Red  |&Green|&Blue ",
         "0..255@127 0..255@127 0..255@127"},
        {160, "White Balance", "&Match", "-127..127@0"},
        {230, "Set UnSharp Mask effect to", "&Filter|&Effect", "1..255@160 1..255@48"},
        {231, "Set Cleaning Mask effect to", "&Filter|&Effect", "1..255@240 1..255@64"},
        {241, "Set DeFog effect to", "&Filter|&Effect", "1..255@255 1..255@64"},
        {250, "Set Mosaic Tile to", "&Filter", "2..16@2"},
        {251, "Cut resolution (posterize) to", "&Filter", "2..7@3"},
        {400, "Limit Intensities (All)", "&Shadows|&Median|High&Light",
         "0..255@0 0..255@128 0..255@255"},
        {401, "Limit Intensities (Red)", "&Shadows|&Median|High&Light",
         "0..255@0 0..255@128 0..255@255"},
        {402, "Limit Intensities (Green)", "&Shadows|&Median|High&Light",
         "0..255@0 0..255@128 0..255@255"},
        {403, "Limit Intensities (Blue)", "&Shadows|&Median|High&Light",
         "0..255@0 0..255@128 0..255@255"},
        {410, "Normalize Map (Equalize)", "&Center|&Band", "8..240@128 3..127@64"},
        {411, "Normalize Map (Red)", "&Center|&Band", "8..240@128 3..127@64"},
        {412, "Normalize Map (Green)", "&Center|&Band", "8..240@128 3..127@64"},
        {413, "Normalize Map (Blue)", "&Center|&Band", "8..240@128 3..127@64"},
        {414, "Normalize Map (Saturation)", "&Center|&Band", "8..240@128 3..127@64"},
        {415, "Normalize Map (Lighting)", "&Center|&Band", "8..240@128 3..127@64"},
        {416, "Tune RGB color map", "&Brightness|&Contrast", "8..240@128 3..127@64"},
        {500, "Compute Average Bitmap (%)", "&Filter", "1..99@50"},
        {501, "Mask Bitmap Midtones", "&Band|&Mask", "1..500@150 0..99@99"},
        {502, "Mask Bitmap Shadows", "&Band|&Mask", "1..500@100 0..99@99"},
        {503, "Mask Bitmap Highlights", "&Band|&Mask", "1..500@100 0..99@99"},
        {510, "Compute Interlaced Bitmap (%)", "&Blend|&Field", "1..99@99 0..1@1"},
        {520, "Set Mask Edges effect to", "&Filter|&Effect", "1..255@64 1..255@255"},
        {531, "Mask Bitmap Contrast", "&Band|&Mask", "1..500@150 0..99@99"},
    };
    std::set<int> listed;
    const zv::Bitmap picture = zvtest::RandomLevelPicture(8, 8, 1);
    for (const Expected& e : table) {
        SCOPED_TRACE(e.code);
        listed.insert(e.code);
        const zv::ToolboxOperation& op = Op(e.code);
        ASSERT_NE(op.dialog, nullptr);
        zv::ScriptedDialogs dialogs;
        zv::EffectDialogModel model(op, picture, {}, SliderStarts(op), &picture);
        dialogs.EffectDialog(model);
        std::string captions, rows;
        for (int n = 0; n < model.RowCount(); ++n) {
            const zv::EffectRow row = model.Row(n);
            captions += (n ? "|" : "") + row.caption;
            rows += (n ? " " : "") + std::to_string(row.min) + ".." + std::to_string(row.max) +
                    "@" + std::to_string(row.position);
            EXPECT_EQ(row.text, std::to_string(row.position));
        }
        EXPECT_EQ(dialogs.dialogs.at(0).title, e.title);
        EXPECT_EQ(captions, e.captions);
        EXPECT_EQ(rows, e.rows);
        EXPECT_EQ(model.ResetShown(), model.RowCount() > 1);
        EXPECT_FALSE(model.Result()); // no script: cancelled
    }
    for (const zv::ToolboxOperation* op : zv::TheToolbox().All()) {
        if (!op->dialog) continue;
        EXPECT_TRUE(listed.count(op->effectCode)) << op->effectCode;
    }
}

TEST(EffectDialog, SlidersBecomeTheOperationsValues) {
    const zv::Bitmap picture = zvtest::RowPicture({{200, 200, 200}, {10, 20, 30}});
    struct Case {
        int code;
        std::vector<int> sliders;
        zv::EffectValues values;
    };
    const Case cases[] = {
        {101, {150}, {150, 150, 150}}, {100, {90, 110, 120}, {90, 110, 120}},
        {103, {80}, {80, 0, 0}},       {230, {200, 30}, {200, 30, 0}},
        {500, {40}, {40, 0, 0}},       {153, {10, 20, 30}, {10 * 65536, 20 * 65536, 30 * 65536}},
        {160, {-127}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const zv::ToolboxOperation& op = Op(c.code);
        zv::EffectDialogModel model(op, picture, {}, SliderStarts(op), &picture);
        for (int n = 0; n < int(c.sliders.size()); ++n) model.SetSlider(n, c.sliders[n]);
        EXPECT_EQ(model.Values(), c.values);
    }
    // The balance lifts each channel by the white reference's shortfall.
    const zv::Rgb white = zv::WhiteMax(picture).colour;
    zv::EffectDialogModel balance(Op(160), picture, {}, {});
    balance.SetSlider(0, 127); // k = 254
    const auto lift = [](int level) { return 254 * (255 - level) / 255; };
    EXPECT_EQ(balance.Values(), (zv::EffectValues{lift(white.R), lift(white.G), lift(white.B)}));
    EXPECT_EQ(balance.PanelColour(), std::uint32_t(white.R + 256 * white.G + 65536 * white.B));
}

TEST(EffectDialog, PickSetsCentreSlidersAndPanelOnlyInsideThePicture) {
    const zv::Bitmap picture = zvtest::RowPicture({{255, 0, 0}, {10, 200, 30}});
    zv::EffectDialogModel replace(Op(156), picture, {}, SliderStarts(Op(156)));
    replace.Pick(0, 0);
    EXPECT_EQ(std::vector<int>({replace.Position(0), replace.Position(1), replace.Position(2)}),
              std::vector<int>({255, 0, 0}));
    EXPECT_EQ(replace.PanelText(), "H=0 L=1800 S=3600");
    EXPECT_EQ(replace.PanelColour(), 0x0000FFu);
    EXPECT_EQ(replace.PanelTextColour(), 0xFFFF00u); // (0, 255, 255)
    replace.Pick(2, 0);
    replace.Pick(-1, 0);
    EXPECT_EQ(replace.PanelText(), "H=0 L=1800 S=3600");

    zv::EffectDialogModel band(Op(153), picture, {}, SliderStarts(Op(153)));
    band.Pick(0, 0);
    EXPECT_EQ(band.Values(),
              (zv::EffectValues{120 * 65536, 1200 * 65536 + 1800, 1500 * 65536 + 3600}));
    zv::EffectDialogModel eq(Op(142), picture, {}, SliderStarts(Op(142)));
    eq.Pick(1, 0);
    EXPECT_EQ(eq.Position(0), 200);
}

TEST(EffectDialog, TestPreviewsARegionCopyAndApplyWaitsForIt) {
    const zv::Bitmap picture = zvtest::RandomLevelPicture(40, 30, 7);
    const zv::Bitmap before = picture;
    zv::ToolboxContext tb;
    tb.maps[0][5] = 99;
    zv::EffectDialogModel model(Op(100), picture, tb, SliderStarts(Op(100)));
    model.Apply();
    EXPECT_FALSE(model.Closed()); // Apply needs a Test first
    model.SetView(30, 25, 20, 10);
    model.SetSlider(0, 300);
    model.Test();
    const zv::PictureRect r = model.Region();
    EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}),
              std::vector<int>({20, 20, 40, 30}));
    zv::Bitmap expected;
    expected.Create(20, 10, zv::PixelFormat::Bits24);
    for (int y = 0; y < 10; ++y)
        std::memcpy(expected.ScanLine(y), picture.ScanLine(20 + y) + 60, 60);
    zv::ToolboxContext fresh;
    Op(100).pixels(expected, fresh, {300, 100, 100});
    EXPECT_TRUE(zvtest::SamePixels(model.After(), expected));
    EXPECT_TRUE(zvtest::SamePixels(picture, before));
    model.SetSlider(0, 250); // after the Test: Apply takes the current position
    model.Apply();
    EXPECT_EQ(model.Result(), (zv::EffectValues{250, 100, 100}));
}

// A region inside the picture previews exactly as Apply changes it there,
// edges included: every filter reads its margin from the picture. The
// preview may also be prepared, rendered elsewhere and shown in steps.
TEST(EffectDialog, FilterPreviewsMatchApplyUpToTheRegionsEdges) {
    const zv::Bitmap picture = zvtest::RandomLevelPicture(40, 30, 11);
    for (const int code : {1, 3, 4, 30, 31, 32, 33, 34, 36, 230, 231, 520}) {
        SCOPED_TRACE(code);
        const zv::ToolboxOperation& op = Op(code);
        zv::EffectDialogModel model(op, picture, {}, SliderStarts(op), &picture);
        model.SetView(10, 8, 17, 13);
        std::unique_ptr<zv::EffectPreview> preview = model.PreparePreview();
        ASSERT_TRUE(preview);
        EXPECT_EQ(model.Previews(), 0);
        preview->Render();
        model.ShowPreview(std::move(preview));
        ASSERT_EQ(model.Previews(), 1);

        DialogHost host;
        host.picture = picture;
        host.duplicate = picture;
        host.dialogs.dialogScripts.push_back({DialogStep::Test(), DialogStep::Ok()});
        zv::ToolboxContext tb;
        ASSERT_EQ(RunToolboxOperation(op, host, tb, zv::RunMode::Interactive),
                  zv::RunOutcome::Done);
        for (int y = 0; y < 13; ++y)
            EXPECT_EQ(
                std::memcmp(model.After().ScanLine(y), host.picture.ScanLine(8 + y) + 30, 3 * 17),
                0)
                << "row " << y;
    }
}

// The curve button: the equaliser's maps as curves, the picture's
// histogram, or the selection's mask in the after picture; the scroll bars'
// box remembers where the picture was.
TEST(EffectDialog, CurveButtonShowsCurvesHistogramOrMask) {
    const zv::Bitmap picture = zvtest::RowPicture({{255, 0, 0}, {10, 200, 30}, {250, 5, 5}});
    zv::ScriptedDialogs dialogs;
    dialogs.dialogScripts = {{DialogStep::Slider(2, 100), DialogStep::Curve()},
                             {DialogStep::Curve()},
                             {DialogStep::Pick(0, 0), DialogStep::Curve()}};
    zv::EffectDialogModel eq(Op(141), picture, {}, SliderStarts(Op(141)));
    dialogs.EffectDialog(eq);
    zv::ToolboxContext built;
    zv::ResetMaps(built);
    zv::SetEqLUT(built, 127, 63, 0, 0);
    zv::SetEqLUT(built, 127, 63, 0, 100);
    for (int level = 0; level < 256; ++level) {
        EXPECT_EQ(eq.CurveHistogram().red[level], built.maps[0][level]) << level;
        EXPECT_EQ(eq.CurveHistogram().green[level], level);
    }
    zv::EffectDialogModel shadows(Op(130), picture, {}, SliderStarts(Op(130)));
    dialogs.EffectDialog(shadows);
    EXPECT_EQ(shadows.CurveHistogram().red[255], 1);
    zv::EffectDialogModel mask(Op(155), picture, {}, SliderStarts(Op(155)));
    dialogs.EffectDialog(mask);
    EXPECT_EQ(zvtest::RowColours(mask.After()),
              (std::vector<zv::Rgb>{{255, 255, 255}, {0, 0, 0}, {255, 255, 255}}));
    EXPECT_EQ(dialogs.dialogs[0].curveTitles, std::vector<std::string>{"Parametric EQ Curve"});
    EXPECT_EQ(dialogs.dialogs[1].curveTitles,
              std::vector<std::string>{"Histogram [Unmodified image]"});
    EXPECT_TRUE(dialogs.dialogs[2].curveTitles.empty());
    EXPECT_EQ(dialogs.dialogs[2].previews, 1);

    zv::EffectDialogModel scrolled(Op(100), picture, {}, SliderStarts(Op(100)));
    scrolled.SetView(2, 0, 1, 1);
    scrolled.ShowScrollBars(false);
    scrolled.SetView(0, 0, 1, 1);
    EXPECT_FALSE(scrolled.ScrollBarsShown());
    EXPECT_EQ(scrolled.RememberedScroll().x, 2);
}

// Apply leaves the sliders where they were for the same item's next dialog
// in the run; Cancel and other items keep their starts.
TEST(EffectDialog, SlidersAreOfferedWhereApplyLeftThemPerItem) {
    zv::ForgetRememberedSliders();
    const zv::Bitmap picture = zvtest::RandomLevelPicture(6, 4, 9);
    zv::ScriptedDialogs dialogs;
    dialogs.dialogScripts = {{DialogStep::Slider(0, 150), DialogStep::Test(), DialogStep::Ok()},
                             {DialogStep::Slider(0, 300), DialogStep::Cancel()},
                             {DialogStep::Test(), DialogStep::Ok()},
                             {DialogStep::Test(), DialogStep::Ok()}};
    const auto run = [&](int code) {
        return zv::RunEffectDialog(dialogs, Op(code), picture, SliderStarts(Op(code)));
    };
    EXPECT_EQ(run(101), (zv::EffectValues{150, 150, 150}));
    EXPECT_FALSE(run(101));
    EXPECT_EQ(run(101), (zv::EffectValues{150, 150, 150}));
    EXPECT_EQ(run(103), (zv::EffectValues{100, 0, 0}));
    zv::ForgetRememberedSliders();
}

TEST(EffectDialog, InterlacePreviewKeepsTheRowParity) {
    DialogHost host;
    host.picture = zvtest::RandomLevelPicture(4, 6, 3, 0, 100);
    host.duplicate = zvtest::RandomLevelPicture(4, 6, 4, 150, 255);
    zv::EffectDialogModel model(Op(510), host.picture, {}, {99, 0, 0}, &host.duplicate);
    model.SetView(0, 1, 4, 4); // scrolled to an odd row
    model.Test();
    ASSERT_EQ(model.Region().top, 0);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(std::memcmp(model.After().ScanLine(y), host.picture.ScanLine(y), 12) != 0,
                  y % 2 == 1)
            << y;
    zv::EffectDialogModel alone(Op(510), host.picture, {}, {99, 0, 0}, nullptr);
    EXPECT_FALSE(zv::EffectPreviewPossible(Op(510), host.picture, nullptr));
    alone.Test();
    EXPECT_EQ(alone.Previews(), 0);
    EXPECT_TRUE(zv::EffectPreviewPossible(Op(153), host.picture, nullptr));
}

TEST(EffectDialog, ResetAndTypedTextFollowTheirRules) {
    const zv::Bitmap picture = zvtest::RandomLevelPicture(4, 4, 2);
    zv::EffectDialogModel mask(Op(501), picture, {}, {10, 5, 0}, &picture);
    mask.Reset();
    EXPECT_EQ(mask.Position(0), 100);
    EXPECT_EQ(mask.Position(1), 99);
    EXPECT_EQ(mask.Previews(), 1);
    zv::EffectDialogModel gamma(Op(100), picture, {}, {50, 60, 70});
    gamma.TypeText(1, "900");
    EXPECT_EQ(gamma.Position(1), 500);
    gamma.TypeText(2, "x");
    EXPECT_EQ(gamma.Row(2).text, "70");
    gamma.Reset();
    EXPECT_EQ(gamma.Values(), (zv::EffectValues{50, 60, 70}));
}

TEST(EffectDialog, ProtocolRunsAndRecordsWhatApplyReturnsOnce) {
    const zv::Bitmap original = zvtest::RandomLevelPicture(16, 12, 5);
    {
        // Hue -999 is a value like any other, not Cancel.
        DialogHost host;
        host.picture = original;
        host.dialogs.dialogScripts.push_back(
            {DialogStep::Slider(0, -999), DialogStep::Test(), DialogStep::Ok()});
        zv::ToolboxContext tb;
        EXPECT_EQ(RunToolboxOperation(Op(150), host, tb, zv::RunMode::Interactive),
                  zv::RunOutcome::Done);
        EXPECT_FALSE(zvtest::SamePixels(host.picture, original));
        EXPECT_EQ(host.lines, std::vector<std::string>{"HLS=-999,0,0"});
        host.Undo();
        EXPECT_TRUE(zvtest::SamePixels(host.picture, original));
    }
    {
        DialogHost host;
        host.picture = original;
        host.dialogs.dialogScripts.push_back({DialogStep::Slider(0, 100), DialogStep::Test(),
                                              DialogStep::Slider(0, 150), DialogStep::Ok()});
        zv::ToolboxContext tb;
        EXPECT_EQ(RunToolboxOperation(Op(101), host, tb, zv::RunMode::Interactive),
                  zv::RunOutcome::Done);
        EXPECT_EQ(host.lines, std::vector<std::string>{"GAMMA=150,150,150"});
        EXPECT_TRUE(zvtest::SamePixels(
            host.picture, zvtest::RunCorrectionLines(original, {"GAMMA=150,150,150"})));
    }
    {
        DialogHost host; // no script: Cancel, and the picture as it was
        host.picture = original;
        zv::ToolboxContext tb;
        EXPECT_EQ(RunToolboxOperation(Op(101), host, tb, zv::RunMode::Interactive),
                  zv::RunOutcome::Cancelled);
        EXPECT_TRUE(host.lines.empty());
        EXPECT_TRUE(zvtest::SamePixels(host.picture, original));
        EXPECT_EQ(host.dialogs.dialogs.at(0).title, "Adjust Gamma (1/100)");
    }
}

} // namespace
