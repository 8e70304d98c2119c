#pragma once
// Dialogs for tests and headless runs: records every box and dialog shown and
// answers from a script, falling back to a fixed answer for each kind of box.

#include "platform/Dialogs.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace zv {

struct ShownBox {
    BoxKind kind;
    std::string text;
    Buttons buttons;
};

class ScriptedDialogs : public Dialogs {
public:
    Answer Box(BoxKind kind, const std::string& text, Buttons buttons) override;
    std::vector<std::string> OpenFiles(FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(FileDialogRequest& request) override;
    std::optional<std::string> BrowseFolder(const std::string& caption, const std::string& text,
                                            const std::string& initialFolder) override;
    std::optional<ColourRef> ChooseColour(ColourRef initial) override;
    bool ChooseFont(FontChoice& font) override;
    std::optional<std::string> AskText(const std::string& title, const std::string& prompt,
                                       const std::string& initial) override;

    // The script: answers are taken in order; when none is left a box gets
    // the safe answer for its buttons (Ok, No, Cancel or Ok, Ok, No).
    std::deque<Answer> answers;
    std::deque<std::vector<std::string>> openResults;
    std::deque<std::optional<std::string>> saveResults;
    std::deque<std::optional<std::string>> folderResults;
    std::deque<std::optional<ColourRef>> colourResults;
    std::deque<std::optional<std::string>> textResults; // none left: Cancel

    // What was shown, in order.
    std::vector<ShownBox> boxes;
    std::vector<FileDialogRequest> fileRequests;
    std::vector<std::string> folderCaptions;
    std::vector<std::string> textTitles;

    // The texts of the boxes shown, in order.
    std::vector<std::string> Texts() const;
    const std::string& LastText() const;

    static Answer SafeAnswer(Buttons buttons);
};

} // namespace zv
