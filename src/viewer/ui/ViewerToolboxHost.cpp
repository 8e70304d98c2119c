#include "viewer/ui/ViewerToolboxHost.h"

#include "imaging/ImagingContext.h"
#include "imaging/Palettes.h"
#include "platform/Dialogs.h"
#include "processing/EffectDialogModel.h"
#include "viewer/ViewerDocument.h"
#include "viewer/ui/WebForm.h"

#include <QApplication>
#include <QDate>
#include <QLocale>

namespace zv {

ViewerToolboxHost::ViewerToolboxHost(TWebForm& window, ImagingContext& imaging, Dialogs& dialogs,
                                     BatchRecorder& recorder)
    : window_(window), imaging_(imaging), dialogs_(dialogs), recorder_(recorder) {}

Bitmap& ViewerToolboxHost::Picture() {
    return imaging_.current;
}

int ViewerToolboxHost::ScreenBits() const {
    return imaging_.descriptor.ScreenBits;
}

int ViewerToolboxHost::ImageBits() const {
    return imaging_.descriptor.ImageBits;
}

WarningAnswer ViewerToolboxHost::AskColourWarning(const std::string& text) {
    switch (dialogs_.Box(BoxKind::Question, text, Buttons::YesNoIgnore)) {
    case Answer::Yes:
    case Answer::Ok: return WarningAnswer::Yes;
    case Answer::Ignore: return WarningAnswer::Ignore;
    default: return WarningAnswer::No;
    }
}

bool ViewerToolboxHost::TakeUndoCopy() {
    return window_.TakeUndoCopy();
}

void ViewerToolboxHost::Undo() {
    window_.UndoCommand();
}

void ViewerToolboxHost::EnsureTrueColour() {
    zv::EnsureTrueColour(imaging_);
}

// The effect dialog's operations have no menu item yet; their batch lines
// run them. A call here is answered like Cancel, which leaves the picture.
// The dialog previews on copies of the picture and of the window's toolbox
// state; the protocol runs and records what Apply returns.
std::optional<EffectValues> ViewerToolboxHost::ShowEffectDialog(const ToolboxOperation& op,
                                                                const EffectValues& start) {
    return RunEffectDialog(dialogs_, op, Picture(), start, Duplicate(), window_.Toolbox());
}

void ViewerToolboxHost::BeginBusy(const std::string& status) {
    if (!status.empty()) window_.SetStatusText(QString::fromStdString(status));
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void ViewerToolboxHost::EndBusy() {
    QApplication::restoreOverrideCursor();
}

void ViewerToolboxHost::Repaint() {
    window_.ShowPicture();
}

void ViewerToolboxHost::MarkModified() {
    window_.MarkPictureModified();
}

void ViewerToolboxHost::Offer256Colours() {
    if (dialogs_.Box(BoxKind::Question, kOffer256Text, Buttons::YesNo) != Answer::Yes) return;
    // "256 colors (dither)" with the optimal palette, as its method dialog starts.
    const ToolboxOperation* reduce = TheToolbox().FindWord("REDUCE_256");
    if (!reduce) return;
    RunToolboxOperation(*reduce, *this, window_.Toolbox(), RunMode::Batch, {2, 0, 0});
    window_.RefreshAfterChange();
}

bool ViewerToolboxHost::Recording() const {
    return recorder_.recording && recorder_.recording();
}

void ViewerToolboxHost::AppendBatchLine(const std::string& line) {
    if (recorder_.append) recorder_.append(line);
}

// A picture without a file has no name for "@@F".
std::string ViewerToolboxHost::FileName() const {
    const std::string path = window_.CurrentPath();
    return path == kUntitled ? std::string() : path;
}

std::string ViewerToolboxHost::Today() const {
    return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
}

} // namespace zv
