#pragma once
// The discard question asked before the viewer's picture (or the album) is
// replaced or the program ends with unsaved work.

#include "catalog/DocumentFlags.h"
#include "platform/Dialogs.h"

#include <functional>

namespace zv {

enum class DiscardCaller { OpenCommand, Other };

inline constexpr const char* kCriticalProcessText =
    "A critical process is being executed.\nCancel the process to proceed.";
inline constexpr const char* kDiscardAlbumText = "Discard slideshow/album?";
inline constexpr const char* kDiscardImageText =
    "You have unsaved changes.\nDiscard modified image?";

// Saves the modified picture (the save dialog, then the file); true when it
// was saved.
using SavePictureFunction = std::function<bool()>;

// CloseNow: true when the work may be discarded. During a critical process it
// warns and answers no. A yes clears the modified mark. Given a way to save,
// the question about the picture offers Save, Discard and Cancel: Save goes
// on only when the picture was saved.
bool CloseNow(DocumentFlags& flags, DiscardCaller caller, Dialogs& dialogs,
              const SavePictureFunction& save = {});

} // namespace zv
