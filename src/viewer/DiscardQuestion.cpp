#include "viewer/DiscardQuestion.h"

namespace zv {

bool CloseNow(DocumentFlags& flags, DiscardCaller caller, Dialogs& dialogs) {
    if (flags.criticalProcess) {
        dialogs.Warning(kCriticalProcessText);
        return false;
    }
    const bool askAboutAlbum = flags.albumModified && caller != DiscardCaller::OpenCommand;
    const bool yes = dialogs.AskYesNo(askAboutAlbum ? kDiscardAlbumText : kDiscardImageText);
    if (yes) flags.modified = false;
    return yes;
}

} // namespace zv
