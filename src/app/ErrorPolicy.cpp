#include "app/ErrorPolicy.h"

#include "formats/PictureLists.h"
#include "platform/Extensions.h"

#include <algorithm>
#include <cctype>

namespace zv {

namespace {
std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool DecoderFailed(const UnexpectedError& error) {
    return Lower(error.message).find("jpeg") != std::string::npos ||
           ExtensionIn(error.extension, kVectorExtensions);
}

std::string FatalText(const UnexpectedError& error, bool workAtStake) {
    std::string text = "Unexpected exception.  Please report following error.\n";
    if (workAtStake)
        text += "\nClick [Ignore] button to exit this dialog and save\n"
                "changes to your Slide Album or (BIP) batch script.\n"
                "After saving, close then reactivate application.\n\n";
    return text + error.lastInternalNote + "\n" + error.message;
}
} // namespace

ErrorOutcome HandleUnexpectedError(const UnexpectedError& error, Dialogs& dialogs) {
    if (DecoderFailed(error)) {
        dialogs.Warning(error.message + "\nFilename: " + error.fileName +
                        "\nLocation: " + error.folder);
        return ErrorOutcome::ReplaceJpegReader;
    }
    if (Lower(error.message) == "unspecified error") {
        if (ExtensionIn(error.extension, kUnplayedMediaExtensions))
            dialogs.Warning(error.fileName +
                            " could not be played.\nAn updated CODEC may be required or file is "
                            "corrupted; see FAQ.");
        return ErrorOutcome::MediaNotPlayed;
    }
    const bool workAtStake = error.albumModified || error.batchEditorOpen;
    const Answer answer = dialogs.Box(BoxKind::Error, FatalText(error, workAtStake),
                                      workAtStake ? Buttons::OkIgnore : Buttons::Ok);
    return answer == Answer::Ignore ? ErrorOutcome::KeepRunning : ErrorOutcome::EndProgram;
}

} // namespace zv
