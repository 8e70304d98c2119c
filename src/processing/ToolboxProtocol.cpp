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

} // namespace

RunOutcome RunToolboxOperation(const ToolboxOperation& op, ToolboxHost& host, ToolboxContext& tb,
                               RunMode mode, EffectValues values) {
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
    if (takes(kStepUndoCopy) && !host.TakeUndoCopy()) return RunOutcome::NoUndoCopy;
    if (takes(kStepTrueColour)) host.EnsureTrueColour();

    Bitmap& picture = host.Picture();
    if (picture.Format() != PixelFormat::Bits24 || picture.Empty())
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
    {
        BusyScope busy(host, op.status);
        const std::lock_guard surface(picture.Surface());
        op.pixels(picture, tb, values);
    }
    host.Repaint();
    if ((op.steps & kStepModified) != 0) host.MarkModified();
    if (takes(kStepOffer256) && host.ScreenBits() == 8 && host.ImageBits() > 8)
        host.Offer256Colours();
    if (takes(kStepRecord) && op.word)
        RecordBatchLine(host, FormatBatchLine(op.word, values, op.paramCount));
    return RunOutcome::Done;
}

LineResult RunToolboxLine(std::string_view text, const ToolboxRegistry& registry,
                          EffectValues& kept, ToolboxHost& host, ToolboxContext& tb) {
    LineResult result;
    const BatchLine line = ParseBatchLine(text);
    if (line.kind == BatchLineKind::Blank || line.kind == BatchLineKind::Inactive) return result;
    result.op = registry.FindWord(line.word);
    if (!result.op) {
        result.outcome = LineOutcome::UnknownWord;
        result.message = "unknown command word \"" + line.word + "\"";
        return result;
    }
    if (line.kind == BatchLineKind::Malformed) {
        result.outcome = LineOutcome::Malformed;
        result.message = "\"" + std::string(text) + "\": " + line.problem;
        return result;
    }
    result.outcome = LineOutcome::Ran;
    result.run =
        RunToolboxOperation(*result.op, host, tb, RunMode::Batch, ParametersFor(line, kept));
    switch (result.run) {
    case RunOutcome::Done: break;
    case RunOutcome::OutOfRange:
        result.message =
            "\"" + std::string(text) + "\" does nothing: " + DescribeParameters(*result.op);
        break;
    case RunOutcome::NoPicture: result.message = "there is no picture"; break;
    case RunOutcome::NotTrueColour: result.message = "the picture is not 24-bit"; break;
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
