#include "formats/loading/StandaloneLoader.h"

#include <unistd.h>

namespace zv {

StandaloneLoader::StandaloneLoader()
    : temp_(ProcessEnvironment()), names_(temp_.Path(), static_cast<std::uint32_t>(::getpid())) {
    names_.DrawPrefix(static_cast<std::uint32_t>(::getpid()));
    settings_.faxQuality = 0;
    loader_ = std::make_unique<PictureLoader>(
        LoadServices{imaging_, library_, photoCd_, names_, dialogs_, host_, settings_});
}

int StandaloneLoader::Probe(const std::string& path) {
    dialogs_.boxes.clear();
    loader_->currentPath = path;
    return loader_->ProbePicture();
}

bool StandaloneLoader::Open(const std::string& path) {
    const int probe = Probe(path);
    if (probe != kProbePicture && probe != kProbeNoRoute) return false;
    loader_->OpenImage();
    return loader_->pictureReady;
}

std::string StandaloneLoader::Errors() const {
    std::string text;
    for (const auto& box : dialogs_.boxes) text += (text.empty() ? "" : "; ") + box.text;
    return text;
}

} // namespace zv
