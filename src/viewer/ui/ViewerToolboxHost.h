#pragma once
// The viewer's side of the toolbox protocol: the picture the operations work
// on is the viewer's current picture; the undo copy, the status texts, the
// repaint and the modified mark are the viewer window's.

#include "platform/qt/TextMark.h"
#include "processing/ToolboxProtocol.h"

#include <functional>
#include <string>

namespace zv {

class TWebForm;
struct ImagingContext;
class Dialogs;

// Where the batch editor takes recorded lines; empty functions record nothing.
struct BatchRecorder {
    std::function<bool()> recording;
    std::function<void(const std::string& line)> append;
};

class ViewerToolboxHost : public ToolboxHost {
public:
    ViewerToolboxHost(TWebForm& window, ImagingContext& imaging, Dialogs& dialogs,
                      BatchRecorder& recorder);

    Bitmap& Picture() override;
    int ScreenBits() const override;
    int ImageBits() const override;
    WarningAnswer AskColourWarning(const std::string& text) override;
    bool TakeUndoCopy() override;
    void Undo() override;
    void EnsureTrueColour() override;
    std::optional<EffectValues> ShowEffectDialog(const ToolboxOperation& op,
                                                 const EffectValues& start) override;
    void BeginBusy(const std::string& status) override;
    void EndBusy() override;
    void Repaint() override;
    void MarkModified() override;
    void Offer256Colours() override;
    bool Recording() const override;
    void AppendBatchLine(const std::string& line) override;
    // The duplicate, backup and scratch pictures of the two-picture and buffer commands.
    ImagingContext* Working() override { return &imaging_; }
    // Text marks: the viewer's file, today's date and Qt's fonts; the
    // painter keeps the font and outline colour Properties and Outline
    // color chose.
    std::string FileName() const override;
    std::string Today() const override;
    TextMarkPainter* TextPainter() override { return &painter_; }

private:
    TWebForm& window_;
    ImagingContext& imaging_;
    Dialogs& dialogs_;
    BatchRecorder& recorder_;
    QtTextMarkPainter painter_;
};

} // namespace zv
