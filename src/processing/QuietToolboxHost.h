#pragma once
// The toolbox's host with no window: it never asks, shows, records, repaints,
// takes an undo copy or marks the picture modified; only true colour acts on
// the picture. For work that runs a toolbox operation on a picture nobody is
// looking at yet (the command-line tool, the screen gamma after loading).
// Two-picture operations take the context's duplicate; the selection is
// whatever the owner sets. A host with more to answer (a batch script's
// host) derives from QuietHost<ItsBase>.

#include "imaging/ImagingContext.h"
#include "processing/ToolboxProtocol.h"

namespace zv {

template <class Base> class QuietHost : public Base {
public:
    explicit QuietHost(ImagingContext& imaging) : imaging_(imaging) {}

    Bitmap& Picture() override { return imaging_.current; }
    int ScreenBits() const override { return 24; }
    int ImageBits() const override { return imaging_.descriptor.ImageBits; }
    WarningAnswer AskColourWarning(const std::string&) override { return WarningAnswer::Yes; }
    bool TakeUndoCopy() override { return true; }
    void Undo() override {}
    void EnsureTrueColour() override { zv::EnsureTrueColour(imaging_); }
    // Applies the values it is given, as if the dialog's Apply were pressed.
    std::optional<EffectValues> ShowEffectDialog(const ToolboxOperation&,
                                                 const EffectValues& start) override {
        return start;
    }
    void BeginBusy(const std::string&) override {}
    void EndBusy() override {}
    void Repaint() override {}
    void MarkModified() override {}
    void Offer256Colours() override {}
    bool Recording() const override { return false; }
    void AppendBatchLine(const std::string&) override {}
    ImagingContext* Working() override { return &imaging_; }
    PictureRect Selection() const override { return selection; }
    std::uint32_t Background() const override { return background; }

    PictureRect selection;
    std::uint32_t background = 0; // black

protected:
    ImagingContext& imaging_;
};

using QuietToolboxHost = QuietHost<ToolboxHost>;

} // namespace zv
