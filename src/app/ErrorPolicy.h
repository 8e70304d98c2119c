#pragma once
// What the program does with an error nobody handled where it happened.

#include "platform/Dialogs.h"

#include <string>

namespace zv {

struct UnexpectedError {
    std::string message;
    std::string fileName;  // the current file's name
    std::string folder;    // and its folder
    std::string extension; // upper case, with its dot
    bool albumModified = false;
    bool batchEditorOpen = false;
    std::string lastInternalNote; // such as "UndoBitmap error."
};

enum class ErrorOutcome {
    ReplaceJpegReader, // a decoder failed: the reader is renewed, the empty picture shown
    MediaNotPlayed,    // a media file could not be played
    KeepRunning,       // the user chose Ignore to save album or script work
    EndProgram,        // the program closes by force
};

// Media files whose failure is reported as a file that could not be played.
inline constexpr const char* kUnplayedMediaExtensions =
    ".WAV.MP2.MP3.MPA.MID.AU.SND.WMA.AVI.MPG.M1V.MPE.MPEG.MPV.M2V.WMV.ASF.QT.MOV.RM";

// Shows the message the case calls for and says what happens next.
ErrorOutcome HandleUnexpectedError(const UnexpectedError& error, Dialogs& dialogs);

} // namespace zv
