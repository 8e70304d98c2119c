#pragma once
// Dialogs for tests and headless runs: records every box and dialog shown and
// answers from a script, falling back to a fixed answer for each kind of box.

#include "platform/Dialogs.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace zv {

struct ShownBox {
    BoxKind kind;
    std::string text;
    Buttons buttons;
};

// One action on a number dialog: move slider n (or the parameter dialog's
// bar) to v, type text into box n, pick at x, y, Test, Reset, choose preset
// n, click cell (column, row), set the grid's counts, spin size box n up or
// down, OK or Cancel. Actions a dialog does not have are passed over.
struct DialogStep {
    enum class Kind {
        Slider,
        Type,
        Pick,
        Test,
        Reset,
        Preset,
        Cell,
        Counts,
        Spin,
        Ok,
        Cancel,
        Curve,
        ScrollBars,
        Check,
        Choose
    };
    Kind kind = Kind::Ok;
    int a = 0;
    int b = 0;
    std::string text;

    static DialogStep Slider(int n, int v) { return {Kind::Slider, n, v, {}}; }
    static DialogStep Type(int n, std::string text) { return {Kind::Type, n, 0, std::move(text)}; }
    static DialogStep Pick(int x, int y) { return {Kind::Pick, x, y, {}}; }
    static DialogStep Test() { return {Kind::Test, 0, 0, {}}; }
    static DialogStep Reset() { return {Kind::Reset, 0, 0, {}}; }
    static DialogStep Preset(int n) { return {Kind::Preset, n, 0, {}}; }
    static DialogStep Cell(int column, int row) { return {Kind::Cell, column, row, {}}; }
    static DialogStep Counts(int columns, int rows) { return {Kind::Counts, columns, rows, {}}; }
    static DialogStep Spin(SizeBox box, bool up) {
        return {Kind::Spin, static_cast<int>(box), up ? 1 : 0, {}};
    }
    // The effect dialog's curve button, and its "Show scroll bars" box.
    static DialogStep Curve() { return {Kind::Curve, 0, 0, {}}; }
    static DialogStep ScrollBars(bool shown) { return {Kind::ScrollBars, shown ? 1 : 0, 0, {}}; }
    // The JPEG wizard's check boxes (0 progressive, 1 subsample) and its
    // smoothing filter choice.
    static DialogStep Check(int box, bool on) { return {Kind::Check, box, on ? 1 : 0, {}}; }
    static DialogStep Choose(int n) { return {Kind::Choose, n, 0, {}}; }
    static DialogStep Ok() { return {Kind::Ok, 0, 0, {}}; }
    static DialogStep Cancel() { return {Kind::Cancel, 0, 0, {}}; }
};
using DialogScript = std::vector<DialogStep>;

// A number dialog as it was shown: its title, the captions of its rows,
// presets or cells (the grid's caption as it closed), its colour panel's
// text, how many previews it made and the curve windows it opened.
struct ShownDialog {
    std::string title;
    std::vector<std::string> captions;
    std::string panelText;
    int previews = 0;
    std::vector<std::string> curveTitles; // the histogram windows the curve button opened
};

class ScriptedDialogs : public Dialogs {
public:
    Answer Box(BoxKind kind, const std::string& text, Buttons buttons) override;
    std::vector<std::string> OpenFiles(FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(FileDialogRequest& request) override;
    std::optional<std::string> BrowseFolder(const std::string& caption, const std::string& text,
                                            const std::string& initialFolder) override;
    std::optional<ColourRef> ChooseColour(ColourRef initial) override;
    bool ChooseFont(FontChoice& font) override;
    std::optional<std::string> AskText(const std::string& title, const std::string& prompt,
                                       const std::string& initial) override;
    void EffectDialog(EffectDialogSession& session) override;
    void ParameterDialog(ParameterDialogModel& model) override;
    void GridDialog(GridDialogModel& model) override;
    void SizeDialog(SizeDialogModel& model) override;
    // Slider 0 is the amount, slider 1 the quality; OK is the accept
    // button (Save As stays open), Cancel closes. Records the ratio text as
    // the panel text and the Tests as previews.
    void JpegWizard(JpegWizardSession& session) override;

    // The script: answers are taken in order; when none is left a box gets
    // the safe answer for its buttons (Ok, No, Cancel or Ok, Ok, No).
    std::deque<Answer> answers;
    std::deque<std::vector<std::string>> openResults;
    std::deque<std::optional<std::string>> saveResults;
    std::deque<std::optional<std::string>> folderResults;
    std::deque<std::optional<ColourRef>> colourResults;
    std::deque<std::optional<std::string>> textResults; // none left: Cancel
    // One script for each number dialog, in order; a dialog whose script
    // ends without OK, or that finds none, is cancelled.
    std::deque<DialogScript> dialogScripts;

    // What was shown, in order.
    std::vector<ShownBox> boxes;
    std::vector<FileDialogRequest> fileRequests;
    std::vector<std::string> folderCaptions;
    std::vector<std::string> textTitles;
    std::vector<ShownDialog> dialogs;

    // The texts of the boxes shown, in order.
    std::vector<std::string> Texts() const;
    const std::string& LastText() const;

    static Answer SafeAnswer(Buttons buttons);
};

} // namespace zv
