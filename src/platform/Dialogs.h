#pragma once
// Message boxes and the common dialogs. Every text the program shows to the
// user goes through here, so core flows can be scripted in tests.

#include "platform/EffectDialogSession.h"
#include "platform/GridDialogModel.h"
#include "platform/JpegWizardSession.h"
#include "platform/ParameterDialogModel.h"
#include "platform/SizeDialogModel.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zv {

enum class BoxKind { Information, Warning, Error, Question, Confirmation };
enum class Buttons {
    Ok,
    YesNo,
    OkCancel,
    OkIgnore,
    YesNoIgnore,
    OkCancelIgnore,
    SaveDiscardCancel,
    YesNoCancel
};
enum class Answer { Ok, Cancel, Yes, No, Ignore, Save, Discard };

// A window-system colour value: red in the low byte, then green, then blue.
using ColourRef = std::uint32_t;

struct FontChoice {
    std::string family;
    int points = 10;
    bool bold = false;
    bool italic = false;
    ColourRef colour = 0;
};

struct FileDialogRequest {
    std::string title;
    // Filter in the form "Description|*.a;*.b|Other|*.c", as the program writes them.
    std::string filter;
    int filterIndex = 1; // 1-based, as chosen or to be chosen
    std::string initialFolder;
    std::string fileName;
    bool multiSelect = false;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual Answer Box(BoxKind kind, const std::string& text, Buttons buttons) = 0;

    // Paths chosen; empty when cancelled. The request's filterIndex is updated.
    virtual std::vector<std::string> OpenFiles(FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SaveFile(FileDialogRequest& request) = 0;
    virtual std::optional<std::string> BrowseFolder(const std::string& caption,
                                                    const std::string& text,
                                                    const std::string& initialFolder) = 0;
    virtual std::optional<ColourRef> ChooseColour(ColourRef initial) = 0;
    virtual bool ChooseFont(FontChoice& font) = 0;
    // A line of text under a title and a prompt, starting as `initial`;
    // nullopt after Cancel.
    virtual std::optional<std::string> AskText(const std::string& title, const std::string& prompt,
                                               const std::string& initial) = 0;

    // The four number dialogs. Each runs its model until it closes; the
    // result is the model's. A dialogs object without windows for them
    // answers Cancel.
    virtual void EffectDialog(EffectDialogSession& session) { session.Cancel(); }
    virtual void ParameterDialog(ParameterDialogModel& model) { model.Cancel(); }
    virtual void GridDialog(GridDialogModel& model) { model.Cancel(); }
    virtual void SizeDialog(SizeDialogModel& model) { model.Cancel(); }
    // The JPEG compression wizard, run until it closes.
    virtual void JpegWizard(JpegWizardSession& session) { session.Close(); }

    // Shorthands for the boxes the program shows most.
    void Information(const std::string& text) { Box(BoxKind::Information, text, Buttons::Ok); }
    void Warning(const std::string& text) { Box(BoxKind::Warning, text, Buttons::Ok); }
    void Error(const std::string& text) { Box(BoxKind::Error, text, Buttons::Ok); }
    bool AskYesNo(const std::string& text) {
        return Box(BoxKind::Question, text, Buttons::YesNo) == Answer::Yes;
    }
};

// The dialogs of a program without windows: every file, folder, colour,
// font and text dialog is cancelled; what a box says is the program's to
// show.
class WindowlessDialogs : public Dialogs {
public:
    std::vector<std::string> OpenFiles(FileDialogRequest&) override { return {}; }
    std::optional<std::string> SaveFile(FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> BrowseFolder(const std::string&, const std::string&,
                                            const std::string&) override {
        return std::nullopt;
    }
    std::optional<ColourRef> ChooseColour(ColourRef) override { return std::nullopt; }
    bool ChooseFont(FontChoice&) override { return false; }
    std::optional<std::string> AskText(const std::string&, const std::string&,
                                       const std::string&) override {
        return std::nullopt;
    }
};

} // namespace zv
