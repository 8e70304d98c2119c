#pragma once
// What the effect dialog shows and what its controls do, as the toolbox's
// effect model offers it to the dialogs: up to three slider rows with edit
// boxes, a colour pick on the before picture, Test, Reset and Apply. The
// window and the scripted dialogs drive it through this interface, so they
// need nothing of the toolbox itself.

#include <cstdint>
#include <memory>
#include <string>

namespace zv {

struct EffectRow {
    std::string caption; // "&Red  ", "H&ue band", ...
    std::string minLabel;
    std::string maxLabel;
    int min = 0;
    int max = 0;
    int largeStep = 1;
    int smallStep = 1;
    int position = 0;
    std::string text; // the edit box
};

// A 24-bit picture's rows for showing: blue, green, red, top row first.
struct PixelRows {
    int width = 0;
    int height = 0;
    std::int64_t stride = 0;
    const std::uint8_t* bits = nullptr;
};

// One preview made away from the interface thread: the session prepares it
// on the interface thread with copies of all it reads, Render may then run
// on any thread, and the session shows it again on the interface thread.
class EffectPreview {
public:
    virtual ~EffectPreview() = default;
    virtual void Render() = 0;
};

class EffectDialogSession {
public:
    virtual ~EffectDialogSession() = default;

    virtual const std::string& Title() const = 0;
    virtual int EffectCode() const = 0;
    // The rows shown, 1..3; Row(n) for n below that.
    virtual int RowCount() const = 0;
    virtual EffectRow Row(int n) const = 0;
    virtual bool ResetShown() const = 0;
    // The curve button's caption; empty when it is hidden.
    virtual std::string CurveCaption() const = 0;
    // The colour panel: shown or not, its colour (red in the low byte) and text.
    virtual bool PanelShown() const = 0;
    virtual std::uint32_t PanelColour() const = 0;
    virtual std::string PanelText() const = 0;

    // The before picture (the whole picture) and the last preview, empty
    // before the first Test.
    virtual PixelRows BeforePixels() const = 0;
    virtual PixelRows AfterPixels() const = 0;

    virtual void SetSlider(int n, int position) = 0;
    // Text typed in row n's edit box.
    virtual void TypeText(int n, const std::string& text) = 0;
    // A click on the before picture at (x, y) in picture pixels.
    virtual void Pick(int x, int y) = 0;
    // The part of the picture the preview covers: the before picture's
    // scroll position and the after box's size.
    virtual void SetView(int x, int y, int width, int height) = 0;
    virtual void Test() = 0;
    // Test in three steps, for windows that preview on a worker thread:
    // Prepare (nullptr when nothing can be previewed), Render anywhere, Show.
    // Test is the three in a row.
    virtual std::unique_ptr<EffectPreview> PreparePreview() { return nullptr; }
    virtual void ShowPreview(std::unique_ptr<EffectPreview>) {}
    // How many previews Test has made so far.
    virtual int Previews() const = 0;
    virtual void Reset() = 0;

    // The curve button (CurveCaption): either previews the mask itself in
    // the after picture, leaving CurveTitle empty, or makes the curve or
    // histogram that the histogram window titled CurveTitle shows.
    virtual void Curve() {}
    virtual std::string CurveTitle() const { return {}; }
    // "Show scroll bars": hiding them keeps the picture where it is and
    // remembers the scroll position; showing them puts it back.
    virtual bool ScrollBarsShown() const { return true; }
    virtual void ShowScrollBars(bool) {}
    struct ScrollPosition {
        int x = 0;
        int y = 0;
    };
    virtual ScrollPosition RememberedScroll() const { return {}; }
    virtual bool ApplyEnabled() const = 0;
    // Apply (when enabled) or Cancel; either closes the dialog.
    virtual void Apply() = 0;
    virtual void Cancel() = 0;
    virtual bool Closed() const = 0;
    virtual bool Applied() const = 0;
};

} // namespace zv
