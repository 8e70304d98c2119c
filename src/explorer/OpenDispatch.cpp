#include "explorer/OpenDispatch.h"

#include "explorer/FileList.h"
#include "formats/PictureLists.h"
#include "platform/Extensions.h"

namespace zv {

namespace {

OpenAction OneFile(const std::string& path, bool useViewer) {
    const std::string extension = UpperExtension(path);
    if (ExtensionIn(extension, kBatchScriptExtensions))
        return {OpenActionKind::OpenBatchEditor, path};
    if (ExtensionIn(extension, kAlbumScriptExtensions)) return {OpenActionKind::OpenAlbum, path};
    if (ExtensionIn(extension, ImageExtensions) ||
        (useViewer && ExtensionIn(extension, MediaZipExtensions))) {
        return {OpenActionKind::OpenInViewer, path};
    }
    return {OpenActionKind::ShellOpen, path};
}

} // namespace

std::vector<OpenAction> PlanOpen(const std::vector<std::string>& paths, bool useViewer) {
    if (paths.size() == 1) return {OneFile(paths.front(), useViewer)};
    std::vector<OpenAction> actions;
    std::vector<OpenAction> zipBrowser;
    bool viewerOpened = false;
    for (const std::string& path : paths) {
        const std::string extension = UpperExtension(path);
        if (ExtensionIn(extension, kAlbumScriptExtensions)) continue;
        const bool zip = ExtensionIn(extension, kArchiveExtensions);
        if (zip || ExtensionIn(extension, ImageExtensions) ||
            (useViewer && ExtensionIn(extension, MediaExtensions))) {
            actions.push_back(
                {viewerOpened ? OpenActionKind::AddToViewerList : OpenActionKind::OpenInViewer,
                 path});
            viewerOpened = true;
            if (zip) zipBrowser.push_back({OpenActionKind::OpenZipBrowser, path});
        } else {
            actions.push_back({OpenActionKind::ShellOpen, path});
        }
    }
    actions.insert(actions.end(), zipBrowser.begin(), zipBrowser.end());
    return actions;
}

} // namespace zv
