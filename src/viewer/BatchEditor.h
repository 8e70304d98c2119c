#pragma once
// The batch editor's document: the script text, the file it was opened from
// or saved to, the folder the file dialogs start in, and the recording
// switch. The window (TBatchForm) only shows it.

#include "platform/Dialogs.h"

#include <functional>
#include <string>
#include <vector>

namespace zv {

inline constexpr const char* kBatchEditorTitle = "Batch Editor";
inline constexpr const char* kBatchScriptFilter = "BIP (Batch Image Processor)|*.bip";
inline constexpr const char* kBatchSaveFailedText =
    "Cannot access drive/folder.\nCheck device or security settings.\nSave aborted.";

struct BatchEditorServices {
    Dialogs& dialogs;
    std::string appHome; // holds "bipfiles", the scripts' folder
    std::function<bool(const std::string&)> folderExists;
};

class BatchEditor {
public:
    explicit BatchEditor(BatchEditorServices services);

    // "Batch Editor", or "Batch Editor - " and the file's name once one was
    // opened or saved.
    std::string Caption() const;
    const std::string& Text() const { return text_; }
    // The text as typed: Save and Perform become available.
    void SetText(std::string text);
    // Save and Perform are offered once the text changed.
    bool Changed() const { return changed_; }
    std::vector<std::string> Lines() const;

    // Recording starts when the window is first activated and lasts until
    // the program ends; recorded lines are appended as typed lines are.
    bool Recording() const { return recording_; }
    void StartRecording() { recording_ = true; }
    void StopRecording() { recording_ = false; }
    void AppendLine(const std::string& line);

    // "&New": asks, then empties the text. False when cancelled.
    bool New();
    // "&Open": the file dialog (with `preselected` chosen when given), then
    // the file. A file that cannot be read leaves the text as it was.
    bool Open(const std::string& preselected = {});
    // "&Save": the file dialog, then the file; a failed write says so.
    bool Save();
    // The folder the dialogs start in: the remembered one while it exists,
    // else the app home's "bipfiles" when it exists, else the app home.
    std::string CheckBipFolder() const;

private:
    FileDialogRequest Request(const char* title) const;
    void Remember(const std::string& path);

    BatchEditorServices services_;
    std::string text_;
    std::string fileName_; // the file's name, for the caption and the next dialog
    std::string folder_;   // the folder of the last file opened or saved
    bool changed_ = false;
    bool recording_ = false;
};

// Perform's question when the viewer changes pictures as it opens them (the
// view gamma, or a scaled JPEG decode for fit and Half JPEG): OK goes on,
// Cancel stops, Ignore goes on and sets `ignored`, which skips the question
// until the program ends.
bool ConfirmPerform(Dialogs& dialogs, bool viewGammaOn, bool resizesOnLoad, bool& ignored);

} // namespace zv
