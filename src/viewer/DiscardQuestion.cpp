#include "viewer/DiscardQuestion.h"

namespace zv {

bool CloseNow(DocumentFlags& flags, DiscardCaller caller, Dialogs& dialogs,
              const SavePictureFunction& save) {
    if (flags.criticalProcess) {
        dialogs.Warning(kCriticalProcessText);
        return false;
    }
    const bool askAboutAlbum = flags.albumModified && caller != DiscardCaller::OpenCommand;
    if (save && !askAboutAlbum) {
        switch (dialogs.Box(BoxKind::Question, kDiscardImageText, Buttons::SaveDiscardCancel)) {
        case Answer::Save:
            if (!save()) return false;
            flags.modified = false;
            return true;
        case Answer::Discard: flags.modified = false; return true;
        default: return false;
        }
    }
    const bool yes = dialogs.AskYesNo(askAboutAlbum ? kDiscardAlbumText : kDiscardImageText);
    if (yes) flags.modified = false;
    return yes;
}

} // namespace zv
