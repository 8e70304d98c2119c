// The corrections as toolbox commands: their registry entries, the protocol
// steps they take (one undo copy however many trials run inside), the Map
// dialogs' start values and recorded changes, Center and DeFog on tiny
// pictures, and a correction through `zelvan-tool apply`.

#include "CorrectionHost.h"
#include "TempFolderTest.h"
#include "TinyPicture.h"
#include "ToolRunner.h"

#include "formats/PngGraphic.h"
#include "processing/AutoCorrections.h"
#include "processing/Center.h"
#include "processing/CorrectionOperations.h"
#include "processing/Defog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace zv {
namespace {

using zvtest::CorrectionHost;
using zvtest::GreyRow;
using zvtest::RowColours;
using zvtest::RowPicture;
using zvtest::RowReds;
using zvtest::RunCorrectionLines;

const ToolboxOperation& Word(const char* word) {
    const ToolboxOperation* op = TheToolbox().FindWord(word);
    if (!op) throw std::runtime_error(std::string("no operation ") + word);
    return *op;
}

TEST(CorrectionRegistry, EveryWordHasItsEntry) {
    for (const char* word :
         {"AUTO_WHITE",  "AUTO_BALANCE", "AUTO_CONTRAST", "AUTO_LIGHTING",     "AUTO_SATURATE",
          "AUTO_GAMMA",  "AUTO_FLASH",   "CONFORM_GAMMA", "CONFORM_GAMMA_RGB", "NORMALIZE",
          "EQUALIZE",    "OPTIMIZE",     "MAP_EQ",        "MAP_RED",           "MAP_GRN",
          "MAP_BLU",     "MAP_SAT",      "MAP_LIT",       "MAP_RGB",           "CONFORM_RED",
          "CONFORM_GRN", "CONFORM_BLU",  "CONFORM_LIT",   "CONFORM_SAT",       "CENTER",
          "DEFOG"})
        EXPECT_STREQ(Word(word).word, word);
    const ToolboxRegistry& toolbox = TheToolbox();
    EXPECT_STREQ(toolbox.FindCode(410)->dialog->title, "Normalize Map (Equalize)");
    EXPECT_STREQ(toolbox.FindCode(414)->dialog->title, "Normalize Map (Saturation)");
    EXPECT_STREQ(toolbox.FindCode(415)->word, "MAP_LIT");
    EXPECT_STREQ(toolbox.FindCode(416)->dialog->title, "Tune RGB color map");
    EXPECT_STREQ(toolbox.FindCode(416)->dialog->slider[1].caption, "&Contrast");
    EXPECT_STREQ(toolbox.FindCode(411)->status, "Remapping ...");
    EXPECT_STREQ(toolbox.FindCode(241)->dialog->title, "Set DeFog effect to");
    EXPECT_STREQ(toolbox.FindCode(241)->status, "Defogging ...");
    EXPECT_EQ(toolbox.FindCode(241)->dialog->slider[1].start, 64);
    EXPECT_STREQ(Word("AUTO_CONTRAST").status, "Enhancing ...");
}

TEST(CorrectionProtocol, EmptyPicturesAreLeftAlone) {
    // Through the protocol nothing runs; called directly, nothing breaks.
    ToolboxContext tb;
    for (const ToolboxOperation& op : CorrectionOperations()) {
        CorrectionHost host;
        EXPECT_EQ(RunToolboxOperation(op, host, tb, RunMode::Batch, {128, 64, 64}),
                  RunOutcome::NoPicture)
            << op.word;
    }
    Bitmap empty;
    AutoWhite(empty, tb);
    AutoBalance(empty, tb);
    AutoContrast(empty, tb);
    AutoLighting(empty, tb);
    AutoSaturate(empty, tb);
    AutoGamma(empty, tb);
    AutoFlash(empty, tb, FlashTrial::Optimize);
    CenterChannels(empty, tb);
    DoDefog(empty, 255, 255);
    EXPECT_TRUE(empty.Empty());
}

TEST(CorrectionProtocol, TrialsInsideTakeOneUndoCopyAndRecordOneLine) {
    CorrectionHost host;
    host.picture = GreyRow({100, 140});
    ToolboxContext tb;
    EXPECT_EQ(RunToolboxOperation(Word("AUTO_FLASH"), host, tb, RunMode::Interactive),
              RunOutcome::Done);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"undo copy", "true colour", "busy ", "ready",
                                                    "repaint", "modified"}));
    // The menu's selector 0 is written out, so a replay does not pick up
    // the numbers of the line before.
    EXPECT_EQ(host.lines, (std::vector<std::string>{"AUTO_FLASH=0"}));
    EXPECT_EQ(RowReds(host.picture), (std::vector<int>{142, 164}));
}

TEST(CorrectionProtocol, MapDialogsStartFromTheChannelAndRecordTheChange) {
    CorrectionHost host;
    host.picture = GreyRow({80, 120});
    host.dialogAnswer = EffectValues{28, 107, 0};
    ToolboxContext tb;
    EXPECT_EQ(RunToolboxOperation(Word("MAP_RED"), host, tb, RunMode::Interactive),
              RunOutcome::Done);
    EXPECT_EQ(host.dialogStart, (EffectValues{100, 20, 0}));
    EXPECT_EQ(host.lines, (std::vector<std::string>{"MAP_RED=28,107"}));
    EXPECT_EQ(RowColours(host.picture), (std::vector<Rgb>{{1, 80, 80}, {255, 120, 120}}));

    CorrectionHost tune;
    tune.picture = GreyRow({80, 120});
    tune.dialogAnswer = EffectValues{0, 0, 0};
    EXPECT_EQ(RunToolboxOperation(Word("MAP_RGB"), tune, tb, RunMode::Interactive),
              RunOutcome::Done);
    EXPECT_EQ(tune.dialogStart, (EffectValues{128, 64, 0}));
    EXPECT_EQ(tune.lines, (std::vector<std::string>{"MAP_RGB=0,0"}));
    EXPECT_EQ(RowReds(tune.picture), (std::vector<int>{80, 120}));

    // Map > Equalize starts at the brightest channel and records its values.
    CorrectionHost equalize;
    equalize.picture = RowPicture({{200, 80, 80}, {220, 120, 120}});
    equalize.dialogAnswer = EffectValues{128, 127, 0};
    EXPECT_EQ(RunToolboxOperation(*TheToolbox().FindCode(410), equalize, tb, RunMode::Interactive),
              RunOutcome::Done);
    EXPECT_EQ(equalize.dialogStart, (EffectValues{210, 10, 0}));
    EXPECT_EQ(equalize.lines, (std::vector<std::string>{"MAP_EQ=128,127"}));
}

TEST(Center, GreysStayAndPeaksMeet) {
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({10, 10, 60, 60, 60, 200}), {"CENTER"})),
              (std::vector<int>{10, 10, 60, 60, 60, 200}));

    // Red peaks at 20, green and blue at 200; red's top level is 101, so
    // a shift of 180 would pass white. The window 24..232 puts red's peak at
    // 100, and a shift of 100 fits.
    std::vector<Rgb> colours;
    const auto add = [&colours](int count, Rgb c) { colours.insert(colours.end(), count, c); };
    add(10, {20, 200, 200});
    add(6, {21, 201, 201});
    add(6, {100, 150, 150});
    add(5, {101, 151, 151});
    ImageHistogram histogram;
    DoCalcHistogram(RowPicture(colours), histogram, false, false, false);
    EXPECT_EQ(CenterShifts(histogram), (std::array<int, 3>{100, 0, 0}));
    const std::vector<Rgb> centred =
        RowColours(RunCorrectionLines(RowPicture(colours), {"CENTER"}));
    EXPECT_EQ(centred[0], (Rgb{120, 200, 200}));
    EXPECT_EQ(centred[26], (Rgb{201, 151, 151}));

    // Red also reaching 250: no window fits; the last one (88..168) puts
    // green's peak at 150 and red's at 100, and the shift of 50 is cut to 5.
    add(6, {249, 0, 0});
    add(5, {250, 0, 0});
    DoCalcHistogram(RowPicture(colours), histogram, false, false, false);
    EXPECT_EQ(CenterShifts(histogram), (std::array<int, 3>{5, 0, 0}));
    const std::vector<Rgb> cut = RowColours(RunCorrectionLines(RowPicture(colours), {"CENTER"}));
    EXPECT_EQ(cut[0], (Rgb{25, 200, 200}));
    EXPECT_EQ(cut.back(), (Rgb{255, 0, 0}));
}

TEST(Defog, TakesHazeFromDullPixels) {
    // Grey 100: 3 x 155^2 = 72075 from white; no saturation to raise; the
    // haze 100 x 72075 div 195075 = 36 goes.
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({100}), {"DEFOG=255,128"})),
              (std::vector<int>{64}));
    // (200, 100, 100): 51075 from white; saturation 1714 raised by 448 to
    // 2162 gives (213, 87, 87), whose haze 87 x 51075 div 195075 = 22 goes.
    EXPECT_EQ(RowColours(RunCorrectionLines(RowPicture({{200, 100, 100}}), {"DEFOG=255,128"})),
              (std::vector<Rgb>{{191, 65, 65}}));
    EXPECT_EQ(RowColours(RunCorrectionLines(RowPicture({{200, 100, 100}}), {"DEFOG=0,128"})),
              (std::vector<Rgb>{{213, 87, 87}}));
    EXPECT_EQ(RowColours(RunCorrectionLines(RowPicture({{200, 100, 100}}), {"DEFOG=255,0"})),
              (std::vector<Rgb>{{174, 74, 74}}));
    // White and black have nothing to take.
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({255, 0}), {"DEFOG=255,255"})),
              (std::vector<int>{255, 0}));
    EXPECT_EQ(RowReds(RunCorrectionLines(GreyRow({100}), {"DEFOG=256,128"})),
              (std::vector<int>{100}));
    // The cached pass gives every pixel its own colour's result.
    Bitmap picture = zvtest::RandomLevelPicture(40, 30, 7, 100, 104);
    const Bitmap before = picture;
    DoDefog(picture, 200, 90);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const std::uint8_t* o = before.ScanLine(y) + 3 * x;
            const std::uint8_t* n = picture.ScanLine(y) + 3 * x;
            ASSERT_EQ((Rgb{n[2], n[1], n[0]}), DefogColour(o[2], o[1], o[0], 200, 90));
        }
}

TEST(CorrectionToolApply, RunsCorrectionWords) {
    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL names the tool";
    namespace fs = std::filesystem;
    const zvtest::TempFolder temp;
    const fs::path& folder = temp.Path();
    TPngGraphic picture;
    picture.NewImage(2, 1, ImageFormat::Color24, nullptr, 96, 96);
    picture.SetPixel(0, 0, 0x00FFFFFF);
    picture.SetPixel(1, 0, 0x00646464); // grey 100
    picture.SaveToFile(folder / "in.png");
    const auto quoted = [&folder](const char* name) {
        return "'" + (folder / name).string() + "'";
    };

    auto run = zvtest::RunTool(
        "apply " + quoted("in.png") + " " + quoted("white.png") + " AUTO_WHITE", {}, true);
    ASSERT_EQ(run.status, 0) << run.output;
    TPngGraphic white;
    white.LoadFromFile(folder / "white.png");
    EXPECT_EQ(white.GetPixel(0, 0), 0x00FFFFFFu);
    EXPECT_EQ(white.GetPixel(1, 0), 0x00A0A0A0u); // 160

    run = zvtest::RunTool("apply " + quoted("in.png") + " " + quoted("fog.png") + " DEFOG=255,128",
                          {}, true);
    ASSERT_EQ(run.status, 0) << run.output;
    TPngGraphic fog;
    fog.LoadFromFile(folder / "fog.png");
    EXPECT_EQ(fog.GetPixel(1, 0), 0x00404040u); // 64
}

} // namespace
} // namespace zv
