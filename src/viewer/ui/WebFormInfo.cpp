// The viewer window's "I&nfo" command.

#include "album/ui/CommentForm.h"
#include "platform/Extensions.h"
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
    const std::string extension = UpperExtension(path);
    TCommentForm* comments =
        (extension == ".JPG" || extension == ".JPEG") && commentWindow ? commentWindow() : nullptr;
    if (!comments) {
        dialogs_->Information(ImageInformationText(info, true));
        return;
    }
    if (!comments->ReadText(path)) {
        dialogs_->Warning(path + "\nBad header; corrupted.");
        return;
    }
    comments->Read(path, ImageSizeLine(info));
    comments->SetViewText(ImageInformationText(info, false));
    comments->ShowWindow();
}

} // namespace zv
