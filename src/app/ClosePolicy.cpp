#include "app/ClosePolicy.h"

namespace zv {

namespace {
CloseVerdict DecideEnding(const CloseRequest& request, DocumentFlags& flags, Dialogs& dialogs) {
    if (request.batchEditorOpen && request.batchScriptLines > 4 &&
        !dialogs.AskYesNo(kDiscardScriptText))
        return CloseVerdict::ShowBatchEditor;

    const bool workAtStake = flags.criticalProcess || flags.modified || flags.albumModified;
    if (workAtStake && !CloseNow(flags, DiscardCaller::Other, dialogs)) {
        if (flags.albumModified && request.albumHasSlides)
            return CloseVerdict::ShowAlbumAndOfferSave;
        return flags.albumModified ? CloseVerdict::ShowViewerAndOpenAlbum
                                   : CloseVerdict::ShowViewer;
    }
    return CloseVerdict::End;
}
} // namespace

CloseVerdict DecideClose(const CloseRequest& request, DocumentFlags& flags, Dialogs& dialogs) {
    if (request.slideshowRunning) return CloseVerdict::StopSlideshow;
    if (request.forced) return CloseVerdict::End;
    if (request.explorerVisible) return CloseVerdict::HideViewer;
    return DecideEnding(request, flags, dialogs);
}

} // namespace zv
