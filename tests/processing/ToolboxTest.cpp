// The toolbox registry, the protocol every operation runs through, and the
// tone operations as batch lines on tiny pictures.

#include "TinyPicture.h"

#include "processing/FilterOperations.h"
#include "processing/ToneOperations.h"
#include "processing/ToolboxProtocol.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

namespace zv {
namespace {

using zvtest::GreyRow;
using zvtest::RowColours;
using zvtest::RowPicture;
using zvtest::RowReds;

// Records every call the protocol makes, answers as the test says.
class FakeHost : public ToolboxHost {
public:
    Bitmap picture;
    int screenBits = 24;
    int imageBits = 24;
    WarningAnswer warningAnswer = WarningAnswer::Yes;
    bool undoWorks = true;
    std::optional<EffectValues> dialogAnswer;
    bool recording = true;
    std::vector<std::string> calls;
    std::vector<std::string> lines;
    EffectValues dialogStart;

    Bitmap& Picture() override { return picture; }
    int ScreenBits() const override { return screenBits; }
    int ImageBits() const override { return imageBits; }
    WarningAnswer AskColourWarning(const std::string& text) override {
        calls.push_back(text == kColourWarningText ? "warning" : "warning?");
        return warningAnswer;
    }
    bool TakeUndoCopy() override {
        calls.push_back("undo copy");
        if (undoWorks) undoCopy = picture;
        return undoWorks;
    }
    void Undo() override {
        calls.push_back("undo");
        picture = undoCopy;
    }
    void EnsureTrueColour() override {
        calls.push_back("true colour");
        picture.SetPixelFormat(PixelFormat::Bits24);
        imageBits = 24;
    }
    std::optional<EffectValues> ShowEffectDialog(const ToolboxOperation& op,
                                                 const EffectValues& start) override {
        calls.push_back("dialog " + std::to_string(op.effectCode));
        dialogStart = start;
        // The preview works on the picture the dialog was given, as the real one may.
        return dialogAnswer;
    }
    void BeginBusy(const std::string& status) override { calls.push_back("busy " + status); }
    void EndBusy() override { calls.push_back("ready"); }
    void Repaint() override { calls.push_back("repaint"); }
    void MarkModified() override { calls.push_back("modified"); }
    void Offer256Colours() override { calls.push_back("offer 256"); }
    bool Recording() const override { return recording; }
    void AppendBatchLine(const std::string& line) override {
        calls.push_back("record");
        lines.push_back(line);
    }

private:
    Bitmap undoCopy;
};

const ToolboxOperation& Op(int code) {
    const ToolboxOperation* op = TheToolbox().FindCode(code);
    if (!op) throw std::runtime_error("no operation " + std::to_string(code));
    return *op;
}

// Runs batch lines on a picture with a fresh toolbox; returns the picture.
Bitmap RunLines(Bitmap picture, const std::vector<std::string>& lines) {
    FakeHost host;
    host.picture = std::move(picture);
    ToolboxContext tb;
    EffectValues kept;
    for (const std::string& line : lines) RunToolboxLine(line, TheToolbox(), kept, host, tb);
    return std::move(host.picture);
}

TEST(ToolboxRegistry, EveryToneWordResolvesToItsEntry) {
    const std::vector<std::string> words = {"GAMMA",
                                            "GAMMA_SUPRESS",
                                            "GAMMA_SUPPRESS",
                                            "GAMMA_SATURATION",
                                            "BRIGHTNESS",
                                            "SHIFT",
                                            "ZERO",
                                            "CONTRAST",
                                            "ENHANCE",
                                            "LIGHTING",
                                            "SATURATION",
                                            "SUPRESS",
                                            "SUPPRESS",
                                            "SHADOWS",
                                            "HIGHLIGHTS",
                                            "PARAMETRIC_EQ_ALL",
                                            "PARAMETRIC_EQ_RED",
                                            "PARAMETRIC_EQ_GRN",
                                            "PARAMETRIC_EQ_BLU",
                                            "LIMIT_ALL",
                                            "LIMIT_RED",
                                            "LIMIT_GRN",
                                            "LIMIT_BLU",
                                            "ZEROMAP",
                                            "WHITEBALANCE",
                                            "UNWASH",
                                            "UNCOOK",
                                            "ATTENUATE"};
    for (const std::string& word : words) {
        const ToolboxOperation* op = TheToolbox().FindWord(word);
        ASSERT_NE(op, nullptr) << word;
        EXPECT_TRUE(word == op->word || (op->alias && word == op->alias)) << word;
        EXPECT_FALSE(op->sharesWord) << word;
        EXPECT_NE(op->pixels, nullptr) << word;
    }
    EXPECT_EQ(TheToolbox().FindWord("gamma_suppress"), TheToolbox().FindWord("GAMMA_SUPRESS"));
    EXPECT_EQ(TheToolbox().FindWord("NEGATIVE_SPACE"), nullptr);
    // The Global menu items replay through the three-value word.
    EXPECT_EQ(TheToolbox().FindWord("GAMMA")->effectCode, 100);
    EXPECT_TRUE(Op(101).sharesWord);
    EXPECT_STREQ(Op(121).word, "CONTRAST");
    EXPECT_STREQ(Op(160).status, "White balance ...");
    EXPECT_STREQ(Op(110).status, "Adjusting  Brightness ...");
    EXPECT_STREQ(Op(103).dialog->title, "Saturation  Gamma (1/100)");
    EXPECT_STREQ(Op(113).dialog->title, "Adjust Brightness (by Shifting)");
}

void Nothing(Bitmap&, ToolboxContext&, const EffectValues&) {}

TEST(ToolboxRegistry, ClashesAreRefused) {
    static constexpr ToolboxOperation first[] = {
        {.word = "ONE", .effectCode = 7, .pixels = Nothing}};
    static constexpr ToolboxOperation sameWord[] = {
        {.word = "one", .effectCode = 8, .pixels = Nothing}};
    static constexpr ToolboxOperation sameCode[] = {
        {.word = "TWO", .effectCode = 7, .pixels = Nothing}};
    static constexpr ToolboxOperation sharedFirst[] = {
        {.word = "THREE", .sharesWord = true, .pixels = Nothing}};
    static constexpr ToolboxOperation noPixels[] = {{.word = "FOUR"}};
    EXPECT_THROW((ToolboxRegistry{first, sameWord}), std::logic_error);
    EXPECT_THROW((ToolboxRegistry{first, sameCode}), std::logic_error);
    EXPECT_THROW((ToolboxRegistry{sharedFirst}), std::logic_error);
    EXPECT_THROW((ToolboxRegistry{noPixels}), std::logic_error);
    EXPECT_NO_THROW((ToolboxRegistry{first}));
}

TEST(ToolboxProtocol, MenuCommandTakesEveryStepInOrder) {
    FakeHost host;
    host.picture = GreyRow({64, 255});
    host.imageBits = 8;
    host.screenBits = 8;
    host.dialogAnswer = EffectValues{200, 200, 200};
    ToolboxContext tb;
    EXPECT_EQ(RunToolboxOperation(Op(100), host, tb, RunMode::Interactive), RunOutcome::Done);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"warning", "undo copy", "true colour",
                                                    "dialog 100", "busy Gamma ...", "ready",
                                                    "repaint", "modified", "offer 256", "record"}));
    EXPECT_EQ(host.lines, (std::vector<std::string>{"GAMMA=200,200,200"}));
    EXPECT_EQ(host.dialogStart, (EffectValues{100, 100, 100}));
    EXPECT_EQ(RowReds(host.picture), (std::vector<int>{128, 255}));
    EXPECT_EQ(tb.values, (EffectValues{200, 200, 200}));
}

TEST(ToolboxProtocol, EveryCommandThatChangesThePictureTakesTheUndoCopy) {
    std::vector<const ToolboxOperation*> commands = TheToolbox().All();
    commands.push_back(&AutoCleanOperation());
    commands.push_back(&AutoSharpenOperation());
    for (const ToolboxOperation* op : commands) {
        // The screen gamma is applied on loading, not a command; Swap and the
        // restore from the backup exchange whole pictures, undone by their
        // counterparts.
        const std::string word = op->word ? op->word : "";
        if (op == &ScreenGammaOperation() || (op->steps & kStepModified) == 0 || word == "SWAP" ||
            word == "COPYFROMBACKUP")
            continue;
        EXPECT_TRUE(op->steps & kStepUndoCopy) << word;
    }
}

TEST(ToolboxProtocol, CancelRestoresThePicture) {
    FakeHost host;
    host.picture = GreyRow({64});
    host.picture.SetPixelFormat(PixelFormat::Bits8); // true colour runs before the dialog
    const Bitmap before = host.picture;
    ToolboxContext tb;
    EXPECT_EQ(RunToolboxOperation(Op(120), host, tb, RunMode::Interactive), RunOutcome::Cancelled);
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"undo copy", "true colour", "dialog 120", "undo"}));
    EXPECT_EQ(host.picture.Format(), PixelFormat::Bits8);
    EXPECT_EQ(host.picture.ScanLine(0)[0], before.ScanLine(0)[0]);
    EXPECT_TRUE(host.lines.empty());
}

TEST(ToolboxProtocol, WarningAndUndoCopyCanStopTheCommand) {
    ToolboxContext tb;
    FakeHost declined;
    declined.picture = GreyRow({64});
    declined.screenBits = 8;
    declined.warningAnswer = WarningAnswer::No;
    EXPECT_EQ(RunToolboxOperation(Op(100), declined, tb, RunMode::Interactive),
              RunOutcome::Declined);
    EXPECT_EQ(declined.calls, (std::vector<std::string>{"warning"}));

    // Ignore goes on and is not asked again while the toolbox lives.
    FakeHost ignoring;
    ignoring.picture = GreyRow({128});
    ignoring.screenBits = 8;
    ignoring.warningAnswer = WarningAnswer::Ignore;
    EXPECT_EQ(
        RunToolboxOperation(*TheToolbox().FindWord("UNWASH"), ignoring, tb, RunMode::Interactive),
        RunOutcome::Done);
    EXPECT_EQ(
        RunToolboxOperation(*TheToolbox().FindWord("UNWASH"), ignoring, tb, RunMode::Interactive),
        RunOutcome::Done);
    EXPECT_EQ(std::count(ignoring.calls.begin(), ignoring.calls.end(), "warning"), 1);
    EXPECT_EQ(RowReds(ignoring.picture), (std::vector<int>{16})); // 128 -> 64 -> 16
    EXPECT_EQ(ignoring.lines, (std::vector<std::string>{"UNWASH", "UNWASH"}));

    FakeHost refused;
    refused.picture = GreyRow({64});
    refused.undoWorks = false;
    EXPECT_EQ(RunToolboxOperation(Op(100), refused, tb, RunMode::Interactive),
              RunOutcome::NoUndoCopy);
    EXPECT_EQ(refused.calls, (std::vector<std::string>{"undo copy"}));
    EXPECT_EQ(RowReds(refused.picture), (std::vector<int>{64}));
}

TEST(ToolboxProtocol, RecordingOffAndBatchRuns) {
    ToolboxContext tb;
    FakeHost quiet;
    quiet.picture = GreyRow({1});
    quiet.recording = false;
    quiet.dialogAnswer = EffectValues{64, 64, 64};
    EXPECT_EQ(RunToolboxOperation(Op(111), quiet, tb, RunMode::Interactive), RunOutcome::Done);
    EXPECT_TRUE(quiet.lines.empty());

    // A batch line: no questions, undo copy, true colour, dialog or recording.
    FakeHost batch;
    batch.picture = GreyRow({1, 3, 5});
    batch.screenBits = 8;
    EXPECT_EQ(RunToolboxOperation(Op(110), batch, tb, RunMode::Batch, {64, 64, 64}),
              RunOutcome::Done);
    EXPECT_EQ(batch.calls, (std::vector<std::string>{"busy Adjusting  Brightness ...", "ready",
                                                     "repaint", "modified"}));
    EXPECT_EQ(RowReds(batch.picture), (std::vector<int>{2, 4, 8}));

    // Out of range: nothing at all.
    batch.calls.clear();
    EXPECT_EQ(RunToolboxOperation(Op(110), batch, tb, RunMode::Batch, {128, 0, 0}),
              RunOutcome::OutOfRange);
    EXPECT_TRUE(batch.calls.empty());

    // A batch run on a picture nobody made true colour does not touch it.
    FakeHost indexed;
    indexed.picture = GreyRow({1});
    indexed.picture.SetPixelFormat(PixelFormat::Bits8);
    EXPECT_EQ(RunToolboxOperation(Op(110), indexed, tb, RunMode::Batch, {64, 64, 64}),
              RunOutcome::NotTrueColour);
}

TEST(ToolboxProtocol, ValuesFromThePictureStartTheDialogAndRunBareLines) {
    // 50 pixels at 20 and 50 at 40 in every channel, 10 at 5: Zero shifts by -20.
    std::vector<int> levels(50, 20);
    levels.insert(levels.end(), 50, 40);
    levels.insert(levels.end(), 10, 5);
    ToolboxContext tb;
    FakeHost host;
    host.picture = GreyRow(levels);
    host.dialogAnswer = EffectValues{-20, -10, 0};
    EXPECT_EQ(RunToolboxOperation(Op(113), host, tb, RunMode::Interactive), RunOutcome::Done);
    EXPECT_EQ(host.dialogStart, (EffectValues{-20, -20, -20}));
    EXPECT_EQ(host.lines, (std::vector<std::string>{"ZERO"}));
    EXPECT_EQ(RowColours(host.picture)[0], (Rgb{0, 10, 20}));

    const Bitmap zeroed = RunLines(GreyRow(levels), {"ZERO"});
    EXPECT_EQ(RowReds(zeroed)[0], 0);
    EXPECT_EQ(RowReds(zeroed)[50], 20);
    EXPECT_EQ(RowReds(zeroed)[100], 0);

    // Enhance starts at the first and last runs of four well-filled grey levels.
    std::vector<int> spread;
    for (int level = 30; level <= 200; ++level) spread.insert(spread.end(), 49, level);
    FakeHost enhance;
    enhance.picture = GreyRow(spread);
    EXPECT_EQ(RunToolboxOperation(Op(130), enhance, tb, RunMode::Interactive),
              RunOutcome::Cancelled);
    EXPECT_EQ(enhance.dialogStart, (EffectValues{30, 200, 0}));
}

TEST(ToolboxProtocol, ScreenGammaNeitherUndoesNorMarksModified) {
    ToolboxContext tb;
    FakeHost host;
    host.picture = GreyRow({64});
    host.imageBits = 8;
    EXPECT_EQ(DoGamma(host, tb, 200), RunOutcome::Done);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"true colour", "busy ", "ready", "repaint"}));
    EXPECT_EQ(RowReds(host.picture), (std::vector<int>{128}));

    FakeHost mono;
    mono.picture = GreyRow({64});
    mono.imageBits = 1;
    EXPECT_EQ(DoGamma(mono, tb, 200), RunOutcome::Done);
    EXPECT_TRUE(mono.calls.empty());
    EXPECT_EQ(DoGamma(host, tb, 0), RunOutcome::OutOfRange);
}

TEST(ToneLines, SingleLevelsFollowTheFormulas) {
    EXPECT_EQ(RowReds(RunLines(GreyRow({64, 0, 255}), {"GAMMA=200,200,200"})),
              (std::vector<int>{128, 0, 255}));
    EXPECT_EQ(RowReds(RunLines(GreyRow({1, 3, 5}), {"BRIGHTNESS=64,64,64"})),
              (std::vector<int>{2, 4, 8}));
    EXPECT_EQ(RowReds(RunLines(GreyRow({3, 5, 10}), {"ENHANCE=0,10"})),
              (std::vector<int>{76, 128, 255}));
    EXPECT_EQ(RowReds(RunLines(GreyRow({191}), {"GAMMA_SUPRESS=200,200,200"})),
              (std::vector<int>{127}));
    EXPECT_EQ(RowReds(RunLines(GreyRow({0, 127, 128, 255}), {"CONTRAST=-127,-127,-127"})),
              (std::vector<int>{127, 127, 128, 128}));
    EXPECT_EQ(RowReds(RunLines(GreyRow({0, 100, 255}), {"SUPPRESS=255,255"})),
              (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(RowReds(RunLines(GreyRow({0, 100, 255}), {"SUPRESS=0,0"})),
              (std::vector<int>{0, 0, 0}));
    // Shadows and highlights per channel.
    EXPECT_EQ(RowColours(RunLines(GreyRow({100}), {"SHADOWS=100,0,0", "HIGHLIGHTS=255,255,200"})),
              (std::vector<Rgb>{{0, 100, 128}})); // 100 x 255 / 200 = 127.5
    // White balance reaches a factor of 3.
    EXPECT_EQ(RowColours(RunLines(GreyRow({50}), {"WHITEBALANCE=254,0,-127"})),
              (std::vector<Rgb>{{150, 50, 0}}));
    // The equaliser on one channel.
    EXPECT_EQ(RowColours(RunLines(GreyRow({127}), {"PARAMETRIC_EQ_RED=127,63,-127"})),
              (std::vector<Rgb>{{0, 127, 127}}));
    // Map zero over levels 10, 20, 30.
    EXPECT_EQ(RowReds(RunLines(GreyRow({10, 20, 30}), {"ZEROMAP"})), (std::vector<int>{0, 1, 2}));
    // Saturation stretched from 0..128: (200, 100, 100) to (249, 51, 51); gamma 100 leaves it.
    EXPECT_EQ(RowColours(RunLines(RowPicture({{200, 100, 100}}), {"SATURATION=0,128"})),
              (std::vector<Rgb>{{249, 51, 51}}));
    EXPECT_EQ(RowColours(RunLines(RowPicture({{200, 100, 100}}), {"GAMMA_SATURATION=100"})),
              (std::vector<Rgb>{{200, 100, 100}}));
    EXPECT_EQ(RowReds(RunLines(GreyRow({64}), {"LIGHTING=0,128"})), (std::vector<int>{128}));
}

TEST(ToneLines, LimitRemapsLowThenHigh) {
    // 100: low remap 50..128 gives 82, and the second pass, which still
    // holds the low remap, takes 82 to 53. 150: 128 + 22 x 127 / 72 = 166.8.
    EXPECT_EQ(RowReds(RunLines(GreyRow({100, 30, 150, 220}), {"LIMIT_ALL=50,128,200"})),
              (std::vector<int>{53, 0, 167, 255}));
    EXPECT_EQ(RowColours(RunLines(GreyRow({100}), {"LIMIT_GRN=50,128,200"})),
              (std::vector<Rgb>{{100, 53, 100}}));
    // Ranges of three levels or less change nothing.
    EXPECT_EQ(RowReds(RunLines(GreyRow({0, 11, 13, 255}), {"LIMIT_ALL=10,12,14"})),
              (std::vector<int>{0, 11, 13, 255}));
    // With the low range skipped, the lower levels stay put whatever an
    // earlier line left in the maps.
    EXPECT_EQ(RowReds(RunLines(GreyRow({5}), {"GAMMA_SATURATION=300", "LIMIT_ALL=10,12,200"})),
              (std::vector<int>{5}));
    // Levels must rise strictly, within 0..255.
    for (const char* line : {"LIMIT_ALL=50,50,200", "LIMIT_ALL=128,50,200", "LIMIT_ALL=-1,50,200",
                             "LIMIT_RED=0,50,256", "LIMIT_BLU=0,200,100"})
        EXPECT_EQ(RowReds(RunLines(GreyRow({100}), {line})), (std::vector<int>{100})) << line;
}

TEST(ToneLines, BatchLineRules) {
    // Lower case runs; a bare word takes the last line's numbers.
    EXPECT_EQ(RowReds(RunLines(GreyRow({64}), {"gamma=200,200,200"})), (std::vector<int>{128}));
    // The shift takes 245 to 250, then gamma 5: 255 x (250/255)^20 = 171.6.
    EXPECT_EQ(RowReds(RunLines(GreyRow({250, 245}), {"SHIFT=5,5,5", "GAMMA"})),
              (std::vector<int>{255, 172}));
    // Missing numbers read as 0, which gamma does not take; four numbers spoil the line.
    EXPECT_EQ(RowReds(RunLines(GreyRow({64}), {"GAMMA=120"})), (std::vector<int>{64}));
    EXPECT_EQ(RowReds(RunLines(GreyRow({64}), {"BRIGHTNESS=10,10,10,10"})), (std::vector<int>{64}));
    EXPECT_EQ(RowReds(RunLines(GreyRow({64}), {"WHITEBALANCE=255,0,0", "BRIGHTNESS=128,0,0"})),
              (std::vector<int>{64}));

    FakeHost host;
    host.picture = GreyRow({64});
    ToolboxContext tb;
    EffectValues kept;
    EXPECT_EQ(RunToolboxLine(">CONFORM_RED=128,40", TheToolbox(), kept, host, tb).outcome,
              LineOutcome::Skipped);
    LineResult result = RunToolboxLine("SPARKLE=1", TheToolbox(), kept, host, tb);
    EXPECT_EQ(result.outcome, LineOutcome::UnknownWord);
    EXPECT_EQ(result.message, "unknown command word \"SPARKLE\"");
    result = RunToolboxLine("GAMMA=1,x", TheToolbox(), kept, host, tb);
    EXPECT_EQ(result.outcome, LineOutcome::Malformed);
    result = RunToolboxLine("LIMIT_ALL=9,9,9", TheToolbox(), kept, host, tb);
    EXPECT_EQ(result.run, RunOutcome::OutOfRange);
    EXPECT_EQ(result.message,
              "\"LIMIT_ALL=9,9,9\" does nothing: LIMIT_ALL takes P1, P2, P3: 0..255, "
              "0..255, 0..255, with P1 < P2 < P3");
    EXPECT_TRUE(host.calls.empty());
}

} // namespace
} // namespace zv
