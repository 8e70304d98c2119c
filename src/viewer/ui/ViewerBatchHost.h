#pragma once
// The viewer's side of a batch run (Tools > Batch > Perform): the toolbox
// steps go to the viewer's toolbox host, the run-control words to the
// viewer's document (stepping through the history, reloading, loading in
// place), its save and its questions.

#include "processing/BatchScript.h"
#include "viewer/ViewerDocument.h"
#include "viewer/ui/ViewerToolboxHost.h"

#include <functional>
#include <string>

namespace zv {

struct ViewerBatchServices {
    ViewerToolboxHost& toolbox;
    ViewerDocument& document;
    DocumentFlags& flags;
    ImagingContext& imaging;
    Dialogs& dialogs;
    // SAVE: the viewer's save of the picture under its base name + suffix.
    std::function<BatchSaveOutcome(const std::string& suffix)> save;
    // Esc or Cancel since the run started; polled between lines.
    std::function<bool()> cancelRequested;
};

class ViewerBatchHost : public BatchHost {
public:
    explicit ViewerBatchHost(ViewerBatchServices services) : s_(std::move(services)) {}

    // The toolbox steps, as the viewer's menus run them.
    Bitmap& Picture() override { return s_.toolbox.Picture(); }
    int ScreenBits() const override { return s_.toolbox.ScreenBits(); }
    int ImageBits() const override { return s_.toolbox.ImageBits(); }
    WarningAnswer AskColourWarning(const std::string& text) override {
        return s_.toolbox.AskColourWarning(text);
    }
    bool TakeUndoCopy() override { return s_.toolbox.TakeUndoCopy(); }
    void Undo() override { s_.toolbox.Undo(); }
    void EnsureTrueColour() override { s_.toolbox.EnsureTrueColour(); }
    std::optional<EffectValues> ShowEffectDialog(const ToolboxOperation& op,
                                                 const EffectValues& start) override {
        return s_.toolbox.ShowEffectDialog(op, start);
    }
    void BeginBusy(const std::string& status) override { s_.toolbox.BeginBusy(status); }
    void EndBusy() override { s_.toolbox.EndBusy(); }
    void Repaint() override { s_.toolbox.Repaint(); }
    void MarkModified() override { s_.toolbox.MarkModified(); }
    void Offer256Colours() override { s_.toolbox.Offer256Colours(); }
    // A script that runs records nothing.
    bool Recording() const override { return false; }
    void AppendBatchLine(const std::string&) override {}
    ImagingContext* Working() override { return s_.toolbox.Working(); }
    PictureRect Selection() const override { return s_.toolbox.Selection(); }
    std::string FileName() const override;
    std::string Today() const override { return s_.toolbox.Today(); }
    std::uint32_t Background() const override { return s_.toolbox.Background(); }
    void ShowWarning(const std::string& text) override { s_.toolbox.ShowWarning(text); }

    // The run-control words.
    bool AskAbort(const std::string& text) override;
    bool AskAbortWarning(const std::string& text) override;
    bool CancelRequested() override { return s_.cancelRequested && s_.cancelRequested(); }
    bool MoveNext() override;
    bool MovePrevious() override;
    bool Reload() override;
    bool LoadFile(const std::string& path) override;
    void ClearModified() override;
    BatchSaveOutcome Save(const std::string& suffix) override;
    bool DeleteCurrent() override;
    void Crop(const PictureRect& rect) override;
    void Refresh() override;
    void ClearWorkingBitmaps(bool duplicateToo) override;

private:
    bool Stepped(HistoryStep step);

    ViewerBatchServices s_;
};

} // namespace zv
