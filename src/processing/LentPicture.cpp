#include "processing/LentPicture.h"

#include <utility>

namespace zv {

LentPicture::LentPicture(Bitmap& picture) : picture_(picture) {
    LibraryImage image;
    image.pages.push_back(std::move(picture));
    handle_ = library_.Adopt(std::move(image));
}

LentPicture::~LentPicture() {
    GiveBack();
}

void LentPicture::GiveBack() {
    if (settled_ || handle_ == 0) return;
    settled_ = true;
    if (LibraryImage* image = library_.Image(handle_)) picture_ = std::move(image->Picture());
}

std::string LentPicture::Settle(ImgHandle result) {
    LibraryImage* image = result != 0 && !settled_ ? library_.Image(result) : nullptr;
    if (!image) {
        std::string error = library_.LastError();
        GiveBack();
        return error.empty() ? "The imaging library could not do this." : error;
    }
    picture_ = std::move(image->Picture());
    settled_ = true;
    return {};
}

void NoteNewPicture(ToolboxJob& job) {
    if (!job.working || &job.working->current != &job.picture) return;
    ImageDescriptor& descriptor = job.working->descriptor;
    descriptor.ImageWidth = job.picture.Width();
    descriptor.ImageHeight = job.picture.Height();
    descriptor.ImageBits = ImageBitsOf(job.picture.Format());
}

} // namespace zv
