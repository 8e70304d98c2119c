#pragma once
// The protocol every toolbox command runs through, once for all of them:
// the 256-colour warning, the undo copy, true colour, the effect dialog, the
// pass with its status text, the repaint and modified mark, the 256-colour
// offer and the recording of the command's batch line. The viewer implements
// ToolboxHost; a batch run skips the questions, the undo copy (taken once for
// the whole run), true colour (done before every line), the dialog and the
// recording.

#include "processing/BatchLine.h"
#include "processing/Toolbox.h"

#include <optional>
#include <string>
#include <string_view>

namespace zv {

inline constexpr const char* kColourWarningText =
    "256 color displays cannot show subtle changes.\nTrue color video is recommended.  "
    "Continue?\n\n[Ignore] avoids this dialog (for experts).";
inline constexpr const char* kOffer256Text = "Convert to 256 colors?";

enum class WarningAnswer { Yes, No, Ignore };

class ToolboxHost {
public:
    virtual ~ToolboxHost() = default;
    // The picture the operation works on (the viewer's current bitmap).
    virtual Bitmap& Picture() = 0;
    // Bits per pixel of the display, and the picture's recorded depth.
    virtual int ScreenBits() const = 0;
    virtual int ImageBits() const = 0;
    // Asks `text` with Yes, No and Ignore.
    virtual WarningAnswer AskColourWarning(const std::string& text) = 0;
    // Takes the undo copy; false when that failed, which stops the command.
    virtual bool TakeUndoCopy() = 0;
    // Restores the undo copy (the viewer's Undo).
    virtual void Undo() = 0;
    // Makes the picture a 24-bit DIB and notes 24 bits per pixel.
    virtual void EnsureTrueColour() = 0;
    // Shows the effect dialog for `op` with its sliders at `start`. Returns
    // the operation's values in the order of its batch line after Apply,
    // nullopt after Cancel.
    virtual std::optional<EffectValues> ShowEffectDialog(const ToolboxOperation& op,
                                                         const EffectValues& start) = 0;
    // Status text (possibly empty) and the busy cursor for the pass; then
    // the status back to ready and the normal cursor.
    virtual void BeginBusy(const std::string& status) = 0;
    virtual void EndBusy() = 0;
    virtual void Repaint() = 0;
    virtual void MarkModified() = 0;
    // Asks kOffer256Text with Yes and No; Yes reduces the picture to 256
    // colours with dithering.
    virtual void Offer256Colours() = 0;
    // Whether the batch editor records, and the line appended to its text.
    virtual bool Recording() const = 0;
    virtual void AppendBatchLine(const std::string& line) = 0;

    // What some operations need beyond the picture; a host that keeps none
    // of these leaves the defaults, and those operations do nothing.
    // The working bitmaps (duplicate, backup, scratch, undo) of the buffer
    // commands; nullptr when the host keeps none.
    virtual ImagingContext* Working() { return nullptr; }
    // The second operand of two-picture operations (the duplicate picture).
    virtual Bitmap* Duplicate() {
        ImagingContext* working = Working();
        return working ? &working->DuplicateBitmap : nullptr;
    }
    // The selection in picture coordinates; empty when there is none.
    virtual PictureRect Selection() const { return {}; }
    // The current file's path, empty for a picture without one.
    virtual std::string FileName() const { return {}; }
    // Today in the system's short date form.
    virtual std::string Today() const { return {}; }
    // The view's background colour, a window-system colour value (red low).
    virtual std::uint32_t Background() const { return 0; }
    // A warning with OK.
    virtual void ShowWarning(const std::string& text) { (void)text; }
    // Draws text marks in the canvas font; nullptr where the host has no fonts.
    virtual TextMarkPainter* TextPainter() { return nullptr; }
    // The seed of random work, so a run can be repeated; none for fresh noise.
    virtual std::optional<std::uint64_t> RandomSeed() const { return std::nullopt; }
};

enum class RunMode {
    Interactive, // from the menu: every step the operation names
    Batch,       // a line of a batch run: the pass, status, repaint and modified mark
};

enum class RunOutcome {
    Done,
    NoPicture,     // nothing to work on
    Declined,      // No to the 256-colour warning
    NoUndoCopy,    // the undo copy failed
    Cancelled,     // Cancel in the effect dialog; the picture was restored
    OutOfRange,    // the values are outside the operation's ranges; nothing changed
    NotTrueColour, // the picture is not 24-bit, so the pass cannot run
    NoDuplicate,   // no duplicate of the picture's size for a two-picture operation
    NoSelection,   // the operation works on a selection and there is none
    Failed,        // the work could not be done (no memory for the result); nothing changed
};

// Runs one operation. `values` are the operation's parameters for a batch
// run, or for an interactive operation without a dialog. Status is shown
// while the pixel pass runs under the picture's drawing-surface lock.
// `text` is the argument of an operation that takes text.
RunOutcome RunToolboxOperation(const ToolboxOperation& op, ToolboxHost& host, ToolboxContext& tb,
                               RunMode mode, EffectValues values = {}, std::string_view text = {});

// One batch line through the registry, in batch mode.
enum class LineOutcome {
    Ran,         // the operation ran (see `run` for what it did)
    Skipped,     // a blank or inactive line
    UnknownWord, // no operation has this word
    Malformed,   // the argument does not read
    ToolOnly,    // a word only `zelvan-tool apply` runs, in a script
};
// Where a line comes from: a batch script (and recording), or the tool,
// which also runs the tool-only words.
enum class LineScope { Script, Tool };
struct LineResult {
    LineOutcome outcome = LineOutcome::Skipped;
    RunOutcome run = RunOutcome::Done;
    const ToolboxOperation* op = nullptr;
    std::string message; // for anything but a run that was Done
};
// `kept` holds the parameters that persist from line to line.
LineResult RunToolboxLine(std::string_view line, const ToolboxRegistry& registry,
                          EffectValues& kept, ToolboxHost& host, ToolboxContext& tb,
                          LineScope scope = LineScope::Script);

// The screen gamma (hundredths) applied to the picture after loading: true
// colour and the gamma maps on every channel, without the undo copy or the
// modified mark. Pictures of fewer than 3 bits per pixel are left alone.
RunOutcome DoGamma(ToolboxHost& host, ToolboxContext& tb, int screenGamma);

} // namespace zv
