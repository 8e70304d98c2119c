#pragma once
// The toolbox operation registry: one entry per toolbox operation, as data.
// An entry names the batch word that replays it, its parameters and their
// ranges, its effect code and dialog, its status text, the protocol steps it
// takes, and the pure pixel function that does the work. The menu command,
// the effect dialog's preview, the batch interpreter and `zelvan-tool apply`
// all reach the same entry, by effect code or by batch word.
//
// Each family of operations keeps its entries in a table in its own source
// file and exposes it through a function returning a span; ToolboxRegistry
// gathers those tables in one list (Toolbox.cpp), so nothing depends on the
// order in which static objects are initialised.

#include "imaging/Bitmap.h"
#include "imaging/ImagingContext.h"
#include "processing/ToneMaps.h"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zv {

class TextMarkPainter;

// The protocol steps an operation takes when run from the menu. A batch run
// takes only the pass, the status text, the repaint and the modified mark.
enum ToolboxStep : unsigned {
    kStepColourWarning = 1u << 0, // ask before working on an 8-bit display
    kStepUndoCopy = 1u << 1,      // the viewer's undo copy; a refusal stops the command
    kStepTrueColour = 1u << 2,    // make the picture 24-bit first
    kStepDialog = 1u << 3,        // the effect dialog gives the values; Cancel undoes
    kStepModified = 1u << 4,      // mark the document modified after the pass
    kStepOffer256 = 1u << 5,      // offer to reduce to 256 colours on an 8-bit display
    kStepRecord = 1u << 6,        // append the batch line while recording
};
// What a command without a dialog takes.
inline constexpr unsigned kPlainSteps = kStepColourWarning | kStepUndoCopy | kStepTrueColour |
                                        kStepModified | kStepOffer256 | kStepRecord;
// What a command with the effect dialog takes.
inline constexpr unsigned kDialogSteps = kPlainSteps | kStepDialog;

struct ParamRange {
    int min = std::numeric_limits<int>::min();
    int max = std::numeric_limits<int>::max();
    bool Holds(int v) const { return v >= min && v <= max; }
};

// One slider of the effect dialog: range, start, large and small step, the
// row caption and the labels at both ends ("&" marks the accelerator).
struct EffectSlider {
    int min = 0;
    int max = 0;
    int start = 0;
    int largeStep = 1;
    int smallStep = 1;
    const char* caption = "";
    const char* minLabel = "";
    const char* maxLabel = "";
};

// What the effect dialog shows for an operation; its effect code selects the
// layout and how the sliders become the operation's values.
struct EffectDialogLayout {
    const char* title = "";
    int sliders = 1;
    std::array<EffectSlider, 3> slider{};
};

// The pixel work: touches the picture and the toolbox state, nothing else.
using ToolboxPixels = void (*)(Bitmap& picture, ToolboxContext& tb, const EffectValues& values);

// A rectangle of the picture: left and top inclusive, right and bottom
// exclusive, as the viewer's selection is.
struct PictureRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
};

// What an operation beyond the plain pixel pass gets: the second operand
// (the duplicate, or the effect preview's scratch copy), the text argument
// of a text line, and what the host knows about the picture.
struct ToolboxJob {
    Bitmap& picture;
    ToolboxContext& tb;
    EffectValues values;
    const Bitmap* second = nullptr; // 24-bit and of the picture's size when the entry needs it
    std::string_view text;
    PictureRect selection;             // empty when nothing is selected
    std::string fileName;              // the current file's path; empty for none
    std::string date;                  // today, in the system's short date form
    std::uint32_t background = 0;      // the view's background, a window-system colour value
    ImagingContext* working = nullptr; // the working bitmaps, for the buffer commands
    std::string error;                 // set by work that failed and left the picture as it was
    // Draws text marks; nullptr where no fonts are at hand.
    TextMarkPainter* textPainter = nullptr;
    // Repeats random work; none draws afresh.
    std::optional<std::uint64_t> seed;
};
using ToolboxWork = void (*)(ToolboxJob& job);

// What an entry needs beyond the plain pass (ToolboxOperation::needs).
enum ToolboxNeed : unsigned {
    kNeedDuplicate = 1u << 0,      // a duplicate of the picture's size; without one the warning
    kNeedDuplicateQuiet = 1u << 1, // the same, but without one nothing happens silently
    kNeedSelection = 1u << 2,      // runs only on a selection
    kAnyDepth = 1u << 3,           // works on the picture at its own depth
    kToolOnly = 1u << 4,           // a word only `zelvan-tool apply` runs: never in batch scripts
};

inline constexpr const char* kDuplicateWarningText =
    "Source and duplicate bitmaps must have\nsame dimensions and 24-bit color depth.";
// Values taken from the picture: the dialog's start positions, and the values
// of an operation whose batch line has no parameters.
using ToolboxPrepare = EffectValues (*)(const Bitmap& picture, ToolboxContext& tb);
// A condition across the parameters beyond their single ranges.
using ToolboxAccepts = bool (*)(const EffectValues& values);

struct ToolboxOperation {
    const char* word = nullptr;  // batch word, upper case; nullptr when there is none
    const char* alias = nullptr; // a second spelling batch lines may use
    bool sharesWord = false;     // a second menu item replayed by another entry's word
    int effectCode = 0;          // the effect dialog's code; 0 when there is none
    int paramCount = 0;          // parameters on the batch line, 0..3
    std::array<ParamRange, 3> ranges{};
    ToolboxAccepts accepts = nullptr;
    const char* acceptsText = ""; // that condition in words, for messages
    const char* status = "";      // status text during the pass; "" shows none
    unsigned steps = kPlainSteps;
    ToolboxPixels pixels = nullptr;
    ToolboxPrepare prepare = nullptr;
    const EffectDialogLayout* dialog = nullptr;
    // An entry has either `pixels` or `work`; `work` sees the whole job.
    ToolboxWork work = nullptr;
    unsigned needs = 0; // ToolboxNeed bits
};

// True when the first paramCount values lie in their ranges and the
// operation's own condition holds.
bool AcceptsValues(const ToolboxOperation& op, const EffectValues& values);
// "GAMMA takes P1, P2, P3: 1..500, 1..500, 1..500", for messages.
std::string DescribeParameters(const ToolboxOperation& op);

class ToolboxRegistry {
public:
    // The tables given, in order. A word or alias may belong to one entry
    // only, except that an entry marked sharesWord may repeat an earlier
    // entry's word; an effect code belongs to one entry. A clash is a
    // programming error and throws std::logic_error.
    explicit ToolboxRegistry(std::initializer_list<std::span<const ToolboxOperation>> tables);

    // By batch word or alias, in any case; nullptr when unknown.
    const ToolboxOperation* FindWord(std::string_view word) const;
    const ToolboxOperation* FindCode(int effectCode) const;
    const std::vector<const ToolboxOperation*>& All() const { return all_; }

private:
    void Add(const ToolboxOperation& op);
    std::unordered_map<std::string, const ToolboxOperation*> words_;
    std::unordered_map<int, const ToolboxOperation*> codes_;
    std::vector<const ToolboxOperation*> all_;
};

// Every toolbox operation of the program, built on first use.
const ToolboxRegistry& TheToolbox();

} // namespace zv
