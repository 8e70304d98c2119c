// The batch interpreter's own words against a host that records what it is
// asked to do; toolbox words are checked in ToolboxTest.

#include "processing/BatchScript.h"

#include "imaging/ImagingContext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using zv::BatchEnd;
using zv::BatchSaveOutcome;

class FakeBatchHost : public zv::BatchHost {
public:
    FakeBatchHost() {
        imaging.current.Create(8, 6, zv::PixelFormat::Bits24);
        imaging.descriptor.ImageBits = 24;
    }
    zv::ImagingContext imaging;
    std::vector<std::string> log;      // what the host was asked to do, in order
    std::vector<std::string> recorded; // batch lines appended while recording
    bool recording = false;
    bool yesToAbort = false;
    bool loads = true;
    BatchSaveOutcome saveOutcome = BatchSaveOutcome::WroteOther;
    int cancelAfterPolls = -1; // -1: never
    std::string file = "/pics/Holiday/IMG_1.jpg";
    std::optional<zv::EffectValues> dialogValues;

    bool AskAbort(const std::string& text) override {
        log.push_back("ask:" + text);
        return yesToAbort;
    }
    bool AskAbortWarning(const std::string& text) override {
        log.push_back("warn:" + text);
        return yesToAbort;
    }
    bool CancelRequested() override { return cancelAfterPolls >= 0 && cancelAfterPolls-- == 0; }
    bool MoveNext() override { return Did("next", loads); }
    bool MovePrevious() override { return Did("previous", loads); }
    bool Reload() override { return Did("reload", loads); }
    bool LoadFile(const std::string& path) override { return Did("load:" + path, loads); }
    void ClearModified() override {}
    BatchSaveOutcome Save(const std::string& suffix) override {
        log.push_back("save:" + suffix);
        return saveOutcome;
    }
    bool DeleteCurrent() override { return Did("delete", true); }
    void Crop(const zv::PictureRect& r) override {
        log.push_back("crop:" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                      std::to_string(r.right) + "," + std::to_string(r.bottom));
    }
    void ClearWorkingBitmaps(bool) override {}

    zv::Bitmap& Picture() override { return imaging.current; }
    int ScreenBits() const override { return 24; }
    int ImageBits() const override { return 24; }
    zv::WarningAnswer AskColourWarning(const std::string&) override {
        return zv::WarningAnswer::Yes;
    }
    bool TakeUndoCopy() override { return true; }
    void Undo() override {}
    void EnsureTrueColour() override { zv::EnsureTrueColour(imaging); }
    std::optional<zv::EffectValues> ShowEffectDialog(const zv::ToolboxOperation&,
                                                     const zv::EffectValues& start) override {
        return dialogValues ? dialogValues : start;
    }
    void BeginBusy(const std::string&) override {}
    void EndBusy() override {}
    void Repaint() override {}
    void MarkModified() override {}
    void Offer256Colours() override {}
    bool Recording() const override { return recording; }
    void AppendBatchLine(const std::string& line) override { recorded.push_back(line); }
    std::string FileName() const override { return file; }

private:
    bool Did(const std::string& what, bool outcome) {
        log.push_back(what);
        return outcome;
    }
};

zv::BatchRunResult RunScript(FakeBatchHost& host, const std::vector<std::string>& script) {
    zv::ToolboxContext tb;
    return zv::DoBatchImageProcess(script, host, tb);
}

TEST(BatchScript, RecordingLeavesTheLinesTheScriptReplays) {
    FakeBatchHost host;
    host.recording = true;
    zv::ToolboxContext tb;
    const zv::ToolboxRegistry& toolbox = zv::TheToolbox();
    zv::RunToolboxOperation(*toolbox.FindWord("AUTO_CONTRAST"), host, tb, zv::RunMode::Interactive);
    host.dialogValues = zv::EffectValues{150, 150, 150};
    zv::RunToolboxOperation(*toolbox.FindWord("GAMMA"), host, tb, zv::RunMode::Interactive);
    EXPECT_EQ(host.recorded, (std::vector<std::string>{"AUTO_CONTRAST", "GAMMA=150,150,150"}));
}

TEST(BatchScript, RunControlWordsAskTheHost) {
    struct Case {
        std::vector<std::string> script;
        std::vector<std::string> log;
        BatchEnd end = BatchEnd::Finished;
        bool yes = false;
    };
    const std::string abort = zv::kAbortQuestionText;
    const std::vector<Case> cases = {
        {{"prompt"}, {"ask:\n" + abort}},
        {{"PROMPTSTRING=Check the Sky"}, {"ask:Check the Sky\n" + abort}},
        {{"TRACE", "ZERO", "NOMODIFYFLAG"},
         {"ask:ZERO\n\n" + abort, "ask:ZERO\nNOMODIFYFLAG\n\n" + abort}},
        {{"TRACE", "ZERO", "REFRESH"}, {"ask:ZERO\n\n" + abort}, BatchEnd::Aborted, true},
        {{"PROMPT_HAS_FILESTRING=holiday"},
         {"warn:/pics/Holiday/IMG_1.jpg contains \"holiday\"\nAbort?"}},
        {{"PROMPT_NOT_FILESTRING=holiday"}, {}},
        {{"PROMPT_NOT_FILESTRING=work", "SAVE=_x"},
         {"warn:/pics/Holiday/IMG_1.jpg does not contain \"work\"\nAbort?"},
         BatchEnd::Aborted,
         true},
        // 65536 * top + left
        {{"CROP=65537,327686"}, {"crop:1,1,6,5"}},
        {{"CROP=2,2"}, {}},      // left == right
        {{"CROP=0,458761"}, {}}, // bottom 7 > height 6
        {{"CROP=-1,327686"}, {}},
        {{"UNKNOWN_WORD", ">SAVE", "GAMMA=1,2,3,4"}, {}},
    };
    for (const Case& c : cases) {
        FakeBatchHost host;
        host.yesToAbort = c.yes;
        const zv::BatchRunResult result = RunScript(host, c.script);
        EXPECT_EQ(host.log, c.log) << c.script[0];
        EXPECT_EQ(result.end, c.end) << c.script[0];
    }
}

TEST(BatchScript, DeleteOnlyAfterEverySaveWroteAnotherFile) {
    struct Case {
        std::vector<std::string> script;
        BatchSaveOutcome save;
        bool deletes;
    };
    const std::vector<Case> cases = {
        {{"SAVE=_a", "DELETE"}, BatchSaveOutcome::WroteOther, true},
        {{"DELETE"}, BatchSaveOutcome::WroteOther, true},
        {{"SAVE=_a", "DELETE"}, BatchSaveOutcome::Failed, false},
        {{"SAVE=_a", "DELETE"}, BatchSaveOutcome::Cancelled, false},
        {{"SAVE", "DELETE"}, BatchSaveOutcome::WroteCurrent, false},
        {{"SAVE=/../escape", "DELETE"}, BatchSaveOutcome::WroteOther, false},
    };
    for (const Case& c : cases) {
        FakeBatchHost host;
        host.saveOutcome = c.save;
        RunScript(host, c.script);
        const bool deleted = !host.log.empty() && host.log.back() == "delete";
        EXPECT_EQ(deleted, c.deletes) << c.script[0] << " " << static_cast<int>(c.save);
        for (const std::string& done : host.log) EXPECT_EQ(done.find("/.."), std::string::npos);
    }
}

TEST(BatchScript, AFailedLoadStopsTheRunBeforeTheSave) {
    for (const char* load : {"NEXT", "PREVIOUS", "RELOAD", "LOADFILE=/gone.jpg"}) {
        FakeBatchHost host;
        host.loads = false;
        const zv::BatchRunResult result = RunScript(host, {load, "SAVE=_x"});
        EXPECT_EQ(result.end, BatchEnd::LoadFailed) << load;
        EXPECT_EQ(host.log.size(), 1u) << load;
    }
}

TEST(BatchScript, CancelStopsALoopBetweenLines) {
    FakeBatchHost host;
    host.cancelAfterPolls = 7;
    const zv::BatchRunResult result = RunScript(host, {"LOOP", "ZERO", "REFRESH"});
    EXPECT_EQ(result.end, BatchEnd::Cancelled);
    EXPECT_EQ(result.passes, 3); // polls 0..2, 3..5, then the second line of the third pass
}

TEST(BatchScript, ScriptsReadInEitherEncodingAndLineEnd) {
    EXPECT_EQ(zv::SplitBatchScript("\xEF\xBB\xBFGAMMA=1,1,1\r\nPROMPTSTRING=caf\xE9\nZERO"),
              (std::vector<std::string>{"GAMMA=1,1,1", "PROMPTSTRING=caf\xC3\xA9", "ZERO"}));
    const std::vector<std::string> problems = zv::CheckBatchScript(
        {"GAMMA=1,1,1", "", ">junk", "LOOP", "SAVE=_small", "FROB", "GAMMA=x", "SAVE=a/b"});
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_NE(problems[0].find("line 6"), std::string::npos);
    EXPECT_NE(problems[1].find("line 7"), std::string::npos);
    EXPECT_NE(problems[2].find("line 8"), std::string::npos);
}

} // namespace
