// The viewer window's "I&nfo" command.

#include "formats/FormatTable.h"
#include "viewer/ui/WebForm.h"

#include <filesystem>

namespace zv {

void TWebForm::InfoCommand() {
    if (!document_ || !dialogs_ || !document_->PictureReady()) return;
    const std::string path = document_->CurrentPath();
    if (path == kUntitled) return;
    const std::filesystem::path file(path);
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        dialogs_->Box(BoxKind::Error, file.filename().string() + " not found.", Buttons::Ok);
        return;
    }
    const ImageInformation info = document_->Information();
    const FormatRow* format = FormatForExtension(path);
    const bool jpeg = format && format->id == FormatId::Jpeg;
    if (!jpeg || !showJpegText) {
        dialogs_->Information(ImageInformationText(info, true));
        return;
    }
    if (!showJpegText(path, ImageSizeLine(info), ImageInformationText(info, false)))
        dialogs_->Warning(path + "\nBad header; corrupted.");
}

} // namespace zv
