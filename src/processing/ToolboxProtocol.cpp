#include "processing/ToolboxProtocol.h"

#include "processing/ToneOperations.h"

#include <mutex>

namespace zv {

namespace {

// The status text and busy cursor, ended even when the pass throws.
class BusyScope {
public:
    BusyScope(ToolboxHost& host, const std::string& status) : host_(host) {
        host_.BeginBusy(status);
    }
    ~BusyScope() { host_.EndBusy(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    ToolboxHost& host_;
};

// The one place a command's batch line goes to the batch editor: appended
// while the editor records, dropped otherwise.
void RecordBatchLine(ToolboxHost& host, const std::string& line) {
    if (host.Recording()) host.AppendBatchLine(line);
}

// The dialog starts from the values taken from the picture, or else from
// the sliders' own start positions.
EffectValues DialogStart(const ToolboxOperation& op, const EffectValues& prepared,
                         bool hasPrepared) {
    if (hasPrepared || !op.dialog) return prepared;
    const auto& s = op.dialog->slider;
    return {s[0].start, s[1].start, s[2].start};
}

// The second operand of a two-picture operation: the duplicate, when it has
// the picture's size and the picture is true colour. A duplicate kept at a
// lower depth is made 24-bit here, so its rows are never read as wider
// than they are.
const Bitmap* UsableDuplicate(ToolboxHost& host) {
    Bitmap* duplicate = host.Duplicate();
    const Bitmap& picture = host.Picture();
    if (!duplicate || duplicate->Empty() || host.ImageBits() != 24 ||
        duplicate->Width() != picture.Width() || duplicate->Height() != picture.Height())
        return nullptr;
    if (duplicate->Format() != PixelFormat::Bits24) {
        try {
            duplicate->SetPixelFormat(PixelFormat::Bits24);
        } catch (const EBitmapError&) {
            return nullptr;
        }
    }
    return duplicate;
}

// The line a command records: its numbers, or its text.
std::string RecordedLine(const ToolboxOperation& op, const EffectValues& values,
                         std::string_view text) {
    if (IsTextWord(op.word)) return std::string(op.word) + "=" + std::string(text);
    return FormatBatchLine(op.word, values, op.paramCount);
}

// The pass; returns the error of work that failed, empty otherwise.
std::string RunPass(const ToolboxOperation& op, ToolboxHost& host, ToolboxContext& tb,
                    const EffectValues& values, const Bitmap* second, std::string_view text) {
    Bitmap& picture = host.Picture();
    if (op.pixels) {
        const std::lock_guard surface(picture.Surface());
        op.pixels(picture, tb, values);
        return {};
    }
    ToolboxJob job{picture, tb, values};
    job.second = second;
    job.text = text;
    job.selection = host.Selection();
    job.fileName = host.FileName();
    job.date = host.Today();
    job.background = host.Background();
    job.working = host.Working();
    job.textPainter = host.TextPainter();
    job.seed = host.RandomSeed();
    const std::lock_guard surface(picture.Surface());
    op.work(job);
    return job.error;
}

} // namespace

RunOutcome RunToolboxOperation(const ToolboxOperation& op, ToolboxHost& host, ToolboxContext& tb,
                               RunMode mode, EffectValues values, std::string_view text) {
    const bool interactive = mode == RunMode::Interactive;
    const auto takes = [&op, interactive](unsigned step) {
        return interactive && (op.steps & step) != 0;
    };
    if (host.Picture().Empty()) return RunOutcome::NoPicture;

    if (takes(kStepColourWarning) && host.ScreenBits() == 8 && !tb.ignoreColourWarning) {
        switch (host.AskColourWarning(kColourWarningText)) {
        case WarningAnswer::No: return RunOutcome::Declined;
        case WarningAnswer::Ignore: tb.ignoreColourWarning = true; break;
        case WarningAnswer::Yes: break;
        }
    }
    // Two-picture operations check their operand before the undo copy, so a
    // command that cannot run leaves the undo state as it was.
    const Bitmap* second = nullptr;
    if ((op.needs & (kNeedDuplicate | kNeedDuplicateQuiet)) != 0) {
        second = UsableDuplicate(host);
        if (!second) {
            if (interactive && (op.needs & kNeedDuplicate) != 0)
                host.ShowWarning(kDuplicateWarningText);
            return RunOutcome::NoDuplicate;
        }
    }
    if ((op.needs & kNeedSelection) != 0 && host.Selection().Empty())
        return RunOutcome::NoSelection;
    if (takes(kStepUndoCopy) && !host.TakeUndoCopy()) return RunOutcome::NoUndoCopy;
    if (takes(kStepTrueColour)) host.EnsureTrueColour();

    Bitmap& picture = host.Picture();
    if (picture.Empty() || ((op.needs & kAnyDepth) == 0 && picture.Format() != PixelFormat::Bits24))
        return RunOutcome::NotTrueColour;

    // A batch line with no parameters takes its values from the picture.
    const bool prepares = op.prepare && (interactive || op.paramCount == 0);
    if (prepares) values = op.prepare(picture, tb);
    if (takes(kStepDialog)) {
        const std::optional<EffectValues> chosen =
            host.ShowEffectDialog(op, DialogStart(op, values, prepares));
        if (!chosen) {
            host.Undo();
            return RunOutcome::Cancelled;
        }
        values = *chosen;
    }
    if (!AcceptsValues(op, values)) return RunOutcome::OutOfRange;

    tb.values = values;
    std::string error;
    {
        BusyScope busy(host, op.status);
        error = RunPass(op, host, tb, values, second, text);
    }
    if (!error.empty()) {
        if (interactive) host.ShowWarning(error);
        tb.failure = error;
        return RunOutcome::Failed;
    }
    host.Repaint();
    if ((op.steps & kStepModified) != 0) host.MarkModified();
    if (takes(kStepOffer256) && host.ScreenBits() == 8 && host.ImageBits() > 8)
        host.Offer256Colours();
    if (takes(kStepRecord) && op.word) RecordBatchLine(host, RecordedLine(op, values, text));
    return RunOutcome::Done;
}

LineResult RunToolboxLine(std::string_view text, const ToolboxRegistry& registry,
                          EffectValues& kept, ToolboxHost& host, ToolboxContext& tb,
                          LineScope scope) {
    LineResult result;
    const BatchLine line = ParseBatchLine(text);
    if (line.kind == BatchLineKind::Blank || line.kind == BatchLineKind::Inactive) return result;
    result.op = registry.FindWord(line.word);
    if (!result.op) {
        result.outcome = LineOutcome::UnknownWord;
        result.message = "unknown command word \"" + line.word + "\"";
        return result;
    }
    if ((result.op->needs & kToolOnly) != 0 && scope != LineScope::Tool) {
        result.outcome = LineOutcome::ToolOnly;
        result.message = "\"" + line.word + "\" is a word of zelvan-tool apply only";
        return result;
    }
    if (line.kind == BatchLineKind::Malformed) {
        result.outcome = LineOutcome::Malformed;
        result.message = "\"" + std::string(text) + "\": " + line.problem;
        return result;
    }
    result.outcome = LineOutcome::Ran;
    result.run = RunToolboxOperation(
        *result.op, host, tb, RunMode::Batch, ParametersFor(line, kept),
        line.textArgument ? std::string_view(line.argument) : std::string_view());
    switch (result.run) {
    case RunOutcome::Done: break;
    case RunOutcome::OutOfRange:
        result.message =
            "\"" + std::string(text) + "\" does nothing: " + DescribeParameters(*result.op);
        break;
    case RunOutcome::NoPicture: result.message = "there is no picture"; break;
    case RunOutcome::NotTrueColour: result.message = "the picture is not 24-bit"; break;
    case RunOutcome::NoDuplicate:
        result.message = "\"" + std::string(text) + "\" does nothing: " +
                         ((result.op->needs & kNeedDuplicate) != 0
                              ? std::string(kDuplicateWarningText)
                              : std::string("there is no duplicate of the picture's size"));
        break;
    case RunOutcome::Failed:
        result.message = "\"" + std::string(text) + "\" failed: " + tb.failure;
        break;
    case RunOutcome::NoSelection:
        result.message = "\"" + std::string(text) + "\" does nothing: nothing is selected";
        break;
    default: result.message = "\"" + std::string(text) + "\" did not run"; break;
    }
    return result;
}

RunOutcome DoGamma(ToolboxHost& host, ToolboxContext& tb, int screenGamma) {
    if (host.ImageBits() < 3) return RunOutcome::Done;
    return RunToolboxOperation(ScreenGammaOperation(), host, tb, RunMode::Interactive,
                               {screenGamma, screenGamma, screenGamma});
}

} // namespace zv
