// The viewer window's "I&nfo" command.

#include "formats/FormatTable.h"
#include "platform/WholeFile.h"
#include "viewer/ui/InfoWindow.h"
#include "viewer/ui/WebForm.h"

#include <filesystem>

namespace zv {

namespace {

// Metadata is read from files up to this size; larger ones are not JPEGs a
// camera makes, and the window shows their other facts.
constexpr std::uint64_t kLargestJpegRead = 256ull << 20;

JpegFacts JpegFactsOf(const std::string& path) {
    const WholeFile file = ReadEntireFile(path, kLargestJpegRead);
    if (file.status != WholeFileStatus::Read) return {};
    return ReadJpegFacts(file.bytes);
}

} // namespace

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
    const FormatRow* format = FormatForExtension(path);
    const bool jpeg = format && format->id == FormatId::Jpeg;
    if (!infoWindow_) infoWindow_ = new InfoWindow(this);
    infoWindow_->ShowFacts(document_->Information(), jpeg ? JpegFactsOf(path) : JpegFacts{});
}

} // namespace zv
