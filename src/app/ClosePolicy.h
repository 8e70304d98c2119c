#pragma once
// Whether a request to close the viewer ends the program, and what the
// windows do when it does not.

#include "platform/Dialogs.h"
#include "viewer/DiscardQuestion.h"

namespace zv {

struct CloseRequest {
    bool slideshowRunning = false;
    bool forced = false; // after an unexpected error
    bool explorerVisible = false;
    bool batchEditorOpen = false;
    int batchScriptLines = 0;
    bool albumHasSlides = false;
};

enum class CloseVerdict {
    StopSlideshow,          // refused: the running slideshow is asked to stop
    HideViewer,             // refused: the viewer hides, the explorer shows, the program goes on
    ShowBatchEditor,        // refused: the user keeps the batch script
    ShowAlbumAndOfferSave,  // refused: the album window offers to save its slides
    ShowViewer,             // refused: the user keeps the picture
    ShowViewerAndOpenAlbum, // refused: the user keeps the picture and the modified album
    End,                    // the program ends
};

inline constexpr const char* kDiscardScriptText = "Discard image processing script?";

// Decides a close request, asking the user where work would be lost. Nothing
// is torn down here: the caller does that only when the verdict is End, so a
// refused close leaves the program as it was. Media mode is left before this
// is asked, unless a slideshow refuses the close first.
CloseVerdict DecideClose(const CloseRequest& request, DocumentFlags& flags, Dialogs& dialogs);

} // namespace zv
