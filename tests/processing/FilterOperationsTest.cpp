// The filters as toolbox operations: batch words, the values they hand the
// filters, the protocol steps of the menu commands, and zelvan-tool apply.

#include "FilterReference.h"
#include "TempFolderTest.h"
#include "ToolRunner.h"

#include "formats/PngGraphic.h"
#include "processing/Descreen.h"
#include "processing/Enrich.h"
#include "processing/Filter5x5.h"
#include "processing/FilterOperations.h"
#include "processing/Kernel3x3.h"
#include "processing/Median.h"
#include "processing/ToolboxProtocol.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace zv {
namespace {

using zvtest::ByteOf;
using zvtest::FirstDifference;

// Answers as the test says and notes what the protocol asked for.
class Host : public ToolboxHost {
public:
    Bitmap picture;
    int screenBits = 24;
    std::optional<EffectValues> dialogAnswer;
    std::vector<std::string> calls;
    std::vector<std::string> lines;
    EffectValues dialogStart;

    Bitmap& Picture() override { return picture; }
    int ScreenBits() const override { return screenBits; }
    int ImageBits() const override { return 24; }
    WarningAnswer AskColourWarning(const std::string&) override {
        calls.push_back("warning");
        return WarningAnswer::Yes;
    }
    bool TakeUndoCopy() override {
        calls.push_back("undo copy");
        return true;
    }
    void Undo() override { calls.push_back("undo"); }
    void EnsureTrueColour() override { calls.push_back("true colour"); }
    std::optional<EffectValues> ShowEffectDialog(const ToolboxOperation& op,
                                                 const EffectValues& start) override {
        calls.push_back("dialog " + std::to_string(op.effectCode));
        dialogStart = start;
        return dialogAnswer;
    }
    void BeginBusy(const std::string& status) override { calls.push_back("busy " + status); }
    void EndBusy() override {}
    void Repaint() override {}
    void MarkModified() override { calls.push_back("modified"); }
    void Offer256Colours() override { calls.push_back("offer 256"); }
    bool Recording() const override { return true; }
    void AppendBatchLine(const std::string& line) override { lines.push_back(line); }
};

LineResult RunLine(Host& host, const std::string& line) {
    ToolboxContext tb;
    EffectValues kept;
    return RunToolboxLine(line, TheToolbox(), kept, host, tb);
}

// 5 x 5 grey 100 with a centre of `centre`.
Bitmap GreyWithCentre(int centre) {
    Bitmap picture = zvtest::FlatPicture(5, 5, {100, 100, 100});
    for (int c = 0; c < 3; ++c) zvtest::SetByte(picture, 2, 2, c, centre);
    return picture;
}

TEST(FilterLines, MeanRemovalSharpensTheCentreAndItsRing) {
    Host host;
    host.picture = GreyWithCentre(110);
    ASSERT_EQ(RunLine(host, "MEANREMOVAL=8").run, RunOutcome::Done);
    EXPECT_EQ(ByteOf(host.picture, 2, 2, 0), 190); // 9 x 110 - 8 x 100
    // The ring rows the pass reaches: 9 x 100 - 7 x 100 - 110.
    for (const auto& [x, y] :
         {std::pair{1, 1}, std::pair{2, 1}, std::pair{3, 1}, std::pair{1, 2}, std::pair{3, 2}})
        EXPECT_EQ(ByteOf(host.picture, x, y, 1), 90) << x << ", " << y;
    // The last two rows and the edge columns keep their values.
    for (int x = 0; x < 5; ++x) EXPECT_EQ(ByteOf(host.picture, x, 3, 2), 100);
    EXPECT_EQ(ByteOf(host.picture, 0, 2, 2), 100);
}

TEST(FilterLines, DespeckleRemovesAnIsolatedPixel) {
    for (const char* line : {"DESPECKLE=1", "DESPECKLE=2", "despeckle=9"}) {
        Host host;
        host.picture = GreyWithCentre(250);
        ASSERT_EQ(RunLine(host, line).run, RunOutcome::Done);
        EXPECT_EQ(FirstDifference(host.picture, GreyWithCentre(100)), "") << line;
    }
}

// Each word hands its filter the values as the batch table says; slider
// values run weak to strong and are turned where the filter wants a
// threshold.
TEST(FilterLines, EveryWordRunsItsFilterWithItsValues) {
    using Filter = std::function<void(Bitmap&)>;
    const std::pair<const char*, Filter> cases[] = {
        {"GAUSSIAN=250", [](Bitmap& p) { GaussianBlur3x3(p, 5, false, 9); }},
        {"OUTLIER=250", [](Bitmap& p) { GaussianBlur3x3(p, 5, true, 8); }},
        {"DEFOCUS=1", [](Bitmap& p) { DeFocus(p, 254); }},
        {"SOFTEN=3", [](Bitmap& p) { Soften(p, 3); }},
        {"DESPECKLE=5", [](Bitmap& p) { Median(p, 5, 0); }},
        {"UNSPOT=-7", [](Bitmap& p) { Median(p, 1, -7); }},
        {"MEANREMOVAL=2", [](Bitmap& p) { MeanRemoval(p, 2); }},
        {"HIGHPASSMEDIUM=2", [](Bitmap& p) { HighPassMedium(p, 2); }},
        {"HIGHPASSLIGHT=4", [](Bitmap& p) { HighPassLight(p, 4); }},
        {"UNSHARPMASK=200,48", [](Bitmap& p) { UnSharpGaussianBlur5x5(p, 55, 48); }},
        {"CLEAN=240,64", [](Bitmap& p) { SharpGaussianBlur5x5(p, 240, 64); }},
        {"DESCREEN_LIGHT", [](Bitmap& p) { Soften(p, 7); }},
        {"DESCREEN_MEDIUM", [](Bitmap& p) { DeScreen5x5(p, 0); }},
        {"DESCREEN_STRONG", [](Bitmap& p) { DeScreen5x5(p, 1); }},
        {"DESCREEN_HIGH", [](Bitmap& p) { DeScreen5x5(p, 2); }},
        {"ENRICH", [](Bitmap& p) { Enrich(p); }},
        {"DELACE", [](Bitmap& p) { DeLace(p); }},
    };
    const Bitmap source = zvtest::RandomPicture(17, 13, 99, 120, 40);
    for (const auto& [line, filter] : cases) {
        Host host;
        host.picture = source;
        const LineResult result = RunLine(host, line);
        ASSERT_EQ(result.outcome, LineOutcome::Ran) << line;
        ASSERT_EQ(result.run, RunOutcome::Done) << line;
        Bitmap expected = source;
        filter(expected);
        EXPECT_EQ(FirstDifference(host.picture, expected), "") << line;
        EXPECT_NE(FirstDifference(host.picture, source), "") << line << " changed nothing";
    }
}

TEST(FilterLines, ValuesOutsideTheRangesDoNothing) {
    for (const char* line :
         {"GAUSSIAN=0", "DEFOCUS=256", "SOFTEN=11", "DESPECKLE=0", "UNSPOT=128", "MEANREMOVAL=9",
          "HIGHPASSLIGHT=5", "CLEAN=256,10", "UNSHARPMASK=10,-1"}) {
        Host host;
        host.picture = zvtest::RandomPicture(9, 9, 4);
        const Bitmap before = host.picture;
        EXPECT_EQ(RunLine(host, line).run, RunOutcome::OutOfRange) << line;
        EXPECT_EQ(FirstDifference(host.picture, before), "") << line;
    }
}

// Every value a dialog can give is one its batch word accepts, so a
// recorded line always replays.
TEST(FilterOperations, DialogsStayWithinTheBatchRanges) {
    int dialogs = 0;
    for (const ToolboxOperation& op : FilterOperations()) {
        if (!op.dialog) continue;
        ++dialogs;
        ASSERT_EQ(op.dialog->sliders, op.paramCount) << op.word;
        for (int n = 0; n < op.paramCount; ++n) {
            const EffectSlider& s = op.dialog->slider[static_cast<std::size_t>(n)];
            EXPECT_TRUE(op.ranges[static_cast<std::size_t>(n)].Holds(s.min) &&
                        op.ranges[static_cast<std::size_t>(n)].Holds(s.max))
                << op.word;
            EXPECT_TRUE(s.start >= s.min && s.start <= s.max) << op.word;
        }
        EXPECT_EQ(TheToolbox().FindCode(op.effectCode), &op);
    }
    EXPECT_EQ(dialogs, 11);
}

TEST(FilterOperations, MenuCommandsTakeTheirSteps) {
    Host host;
    host.picture = zvtest::RandomPicture(12, 12, 5);
    host.screenBits = 8;
    host.dialogAnswer = EffectValues{200, 32, 0};
    ToolboxContext tb;
    ASSERT_EQ(RunToolboxOperation(*TheToolbox().FindCode(231), host, tb, RunMode::Interactive),
              RunOutcome::Done);
    EXPECT_EQ(host.dialogStart, (EffectValues{240, 64, 0}));
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"warning", "undo copy", "true colour", "dialog 231",
                                        "busy Cleaning mask ...", "modified", "offer 256"}));
    EXPECT_EQ(host.lines, std::vector<std::string>{"CLEAN=200,32"});

    // Descreen: no warning and no dialog.
    host.calls.clear();
    host.lines.clear();
    ASSERT_EQ(RunToolboxOperation(*TheToolbox().FindWord("DESCREEN_MEDIUM"), host, tb,
                                  RunMode::Interactive),
              RunOutcome::Done);
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"undo copy", "true colour", "busy Descreening...",
                                        "modified", "offer 256"}));
    EXPECT_EQ(host.lines, std::vector<std::string>{"DESCREEN_MEDIUM"});

    // Auto items: the undo copy, nothing recorded.
    for (const ToolboxOperation* op : {&AutoCleanOperation(), &AutoSharpenOperation()}) {
        host.calls.clear();
        host.lines.clear();
        const Bitmap before = host.picture;
        ASSERT_EQ(RunToolboxOperation(*op, host, tb, RunMode::Interactive), RunOutcome::Done);
        EXPECT_EQ(host.calls, (std::vector<std::string>{"warning", "undo copy", "true colour",
                                                        "busy ", "modified", "offer 256"}));
        EXPECT_TRUE(host.lines.empty());
    }
    Bitmap cleaned = zvtest::RandomPicture(12, 12, 6, 100, 4);
    host.picture = cleaned;
    RunToolboxOperation(AutoCleanOperation(), host, tb, RunMode::Interactive);
    SharpGaussianBlur5x5(cleaned, 95, 240);
    EXPECT_EQ(FirstDifference(host.picture, cleaned), "");
    Bitmap sharpened = zvtest::RandomPicture(12, 12, 7, 100, 30);
    host.picture = sharpened;
    RunToolboxOperation(AutoSharpenOperation(), host, tb, RunMode::Interactive);
    UnSharpGaussianBlur5x5(sharpened, 160, 48);
    EXPECT_EQ(FirstDifference(host.picture, sharpened), "");
}

TEST(FilterOperations, ToolAppliesAFilter) {
    if (!zvtest::ToolProgram()) GTEST_SKIP() << "ZV_TEST_TOOL names the tool";
    namespace fs = std::filesystem;
    const zvtest::TempFolder temp;
    const fs::path& folder = temp.Path();
    TPngGraphic png;
    png.NewImage(5, 5, ImageFormat::Color24, nullptr, 96, 96);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) png.SetPixel(x, y, 0x00646464);
    png.SetPixel(2, 2, 0x00FAFAFA);
    png.SaveToFile(folder / "in.png");
    const auto run = zvtest::RunTool("apply '" + (folder / "in.png").string() + "' '" +
                                         (folder / "out.png").string() + "' DESPECKLE=2",
                                     {}, true);
    EXPECT_EQ(run.status, 0) << run.output;
    TPngGraphic back;
    back.LoadFromFile(folder / "out.png");
    EXPECT_EQ(back.GetPixel(2, 2), 0x00646464u);
}

} // namespace
} // namespace zv
