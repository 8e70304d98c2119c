#include "viewer/BatchEditor.h"

#include "platform/linux/AtomicFile.h"
#include "processing/BatchScript.h"

#include <filesystem>

namespace zv {

BatchEditor::BatchEditor(BatchEditorServices services) : services_(std::move(services)) {}

std::string BatchEditor::Caption() const {
    if (fileName_.empty()) return kBatchEditorTitle;
    return std::string(kBatchEditorTitle) + " - " + fileName_;
}

void BatchEditor::SetText(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    changed_ = true;
}

std::vector<std::string> BatchEditor::Lines() const {
    return SplitBatchScript(text_);
}

void BatchEditor::AppendLine(const std::string& line) {
    std::string text = text_;
    if (!text.empty() && text.back() != '\n') text += '\n';
    SetText(text + line + '\n');
}

bool BatchEditor::New() {
    if (services_.dialogs.Box(BoxKind::Question, "Clear batch processing script?",
                              Buttons::OkCancel) != Answer::Ok)
        return false;
    SetText({});
    return true;
}

std::string BatchEditor::CheckBipFolder() const {
    if (!folder_.empty() && services_.folderExists(folder_)) return folder_;
    const std::string scripts = (std::filesystem::path(services_.appHome) / "bipfiles").string();
    if (services_.folderExists(scripts)) return scripts;
    return services_.appHome;
}

FileDialogRequest BatchEditor::Request(const char* title) const {
    FileDialogRequest request;
    request.title = title;
    request.filter = kBatchScriptFilter;
    request.initialFolder = CheckBipFolder();
    request.fileName = fileName_;
    return request;
}

void BatchEditor::Remember(const std::string& path) {
    const std::filesystem::path file(path);
    folder_ = file.parent_path().string();
    fileName_ = file.filename().string();
}

bool BatchEditor::Open(const std::string& preselected) {
    FileDialogRequest request = Request("Open Batch Commands");
    if (!preselected.empty()) {
        request.initialFolder = std::filesystem::path(preselected).parent_path().string();
        request.fileName = std::filesystem::path(preselected).filename().string();
    }
    const std::vector<std::string> chosen = services_.dialogs.OpenFiles(request);
    if (chosen.empty()) return false;
    std::string text;
    try {
        for (const std::string& line : ReadBatchScript(chosen.front())) text += line + '\n';
    } catch (const std::exception& error) {
        // The text stays: a script being written is not lost to a bad file.
        services_.dialogs.Error(chosen.front() + "\n" + error.what());
        return false;
    }
    text_ = std::move(text);
    changed_ = true;
    Remember(chosen.front());
    return true;
}

bool BatchEditor::Save() {
    FileDialogRequest request = Request("Save Batch Commands");
    std::optional<std::string> chosen = services_.dialogs.SaveFile(request);
    if (!chosen) return false;
    if (std::filesystem::path(*chosen).extension().empty()) *chosen += ".bip";
    try {
        WriteFileAtomically(*chosen, text_);
    } catch (const std::exception&) {
        services_.dialogs.Warning(kBatchSaveFailedText);
        return false;
    }
    Remember(*chosen);
    return true;
}

bool ConfirmPerform(Dialogs& dialogs, bool viewGammaOn, bool resizesOnLoad, bool& ignored) {
    if (ignored || (!viewGammaOn && !resizesOnLoad)) return true;
    const std::string reason = resizesOnLoad
                                   ? "You have an automatic resizing feature enabled;\n"
                                   : "You have screen gamma enabled, which is cumulative;\n";
    const Answer answer =
        dialogs.Box(BoxKind::Warning,
                    reason + "it will affect batch image processing results.  "
                             "Continue?\n\n[Ignore] avoids this dialog (for experts).",
                    Buttons::OkCancelIgnore);
    if (answer == Answer::Ignore) ignored = true;
    return answer != Answer::Cancel;
}

} // namespace zv
