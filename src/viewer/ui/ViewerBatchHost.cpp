#include "viewer/ui/ViewerBatchHost.h"

#include "imaging/ImagingContext.h"
#include "platform/Dialogs.h"
#include "viewer/BatchConvert.h"

#include <filesystem>

namespace zv {

std::string ViewerBatchHost::FileName() const {
    return s_.document.CurrentPath();
}

bool ViewerBatchHost::AskAbort(const std::string& text) {
    return s_.dialogs.AskYesNo(text);
}

bool ViewerBatchHost::AskAbortWarning(const std::string& text) {
    return s_.dialogs.Box(BoxKind::Warning, text, Buttons::YesNo) == Answer::Yes;
}

bool ViewerBatchHost::Stepped(HistoryStep step) {
    s_.document.Step(step);
    return s_.document.PictureReady();
}

bool ViewerBatchHost::MoveNext() {
    return Stepped(HistoryStep::Next);
}

bool ViewerBatchHost::MovePrevious() {
    return Stepped(HistoryStep::Previous);
}

bool ViewerBatchHost::Reload() {
    ClearModified();
    s_.document.Reload();
    if (!s_.document.PictureReady()) return false;
    EnsureTrueColour();
    return true;
}

bool ViewerBatchHost::LoadFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    ClearModified();
    if (!s_.document.LoadInPlace(path)) return false;
    EnsureTrueColour();
    return true;
}

void ViewerBatchHost::ClearModified() {
    s_.flags.modified = false;
}

BatchSaveOutcome ViewerBatchHost::Save(const std::string& suffix) {
    return s_.save ? s_.save(suffix) : BatchSaveOutcome::Failed;
}

// Deleted outright, without a question and not into the trash: the script
// asked for it, and a run only deletes once its saves wrote other files.
bool ViewerBatchHost::DeleteCurrent() {
    std::error_code error;
    const std::string path = s_.document.CurrentPath();
    if (!std::filesystem::is_regular_file(path, error)) return true;
    return std::filesystem::remove(path, error);
}

void ViewerBatchHost::Crop(const PictureRect& rect) {
    {
        std::lock_guard surface(s_.imaging.current.Surface());
        CropWorkingPicture(s_.imaging, rect);
    }
    s_.document.PictureChanged();
    Repaint();
}

void ViewerBatchHost::Refresh() {
    Repaint();
}

// The viewer's undo copy stays: Undo after Perform gives the picture back.
void ViewerBatchHost::ClearWorkingBitmaps(bool duplicateToo) {
    if (duplicateToo) ClearBitmap(s_.imaging.DuplicateBitmap);
    ClearBitmap(s_.imaging.ScratchBitmap);
    ClearBitmap(s_.imaging.BackupBitmap);
}

} // namespace zv
