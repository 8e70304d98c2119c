#pragma once
// Message boxes and common dialogs on Qt Widgets.

#include "platform/Dialogs.h"

#include <functional>

class QFileDialog;
class QWidget;

namespace zv {

class QtDialogs : public Dialogs {
public:
    // Boxes are centred on the parent returned by this function at the time
    // they are shown (the active window when it returns null).
    using ParentFinder = std::function<QWidget*()>;
    explicit QtDialogs(ParentFinder parent = nullptr) : parent_(std::move(parent)) {}
    void SetParentFinder(ParentFinder parent) { parent_ = std::move(parent); }

    Answer Box(BoxKind kind, const std::string& text, Buttons buttons) override;
    std::vector<std::string> OpenFiles(FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(FileDialogRequest& request) override;
    std::optional<std::string> BrowseFolder(const std::string& caption, const std::string& text,
                                            const std::string& initialFolder) override;
    std::optional<ColourRef> ChooseColour(ColourRef initial) override;
    bool ChooseFont(FontChoice& font) override;
    std::optional<std::string> AskText(const std::string& title, const std::string& prompt,
                                       const std::string& initial) override;
    void EffectDialog(EffectDialogSession& session) override;
    void ParameterDialog(ParameterDialogModel& model) override;
    void GridDialog(GridDialogModel& model) override;
    void SizeDialog(SizeDialogModel& model) override;
    void JpegWizard(JpegWizardSession& session) override;

private:
    QWidget* Parent() const;
    ParentFinder parent_;
};

// File dialogs open large enough to show their columns: at least 800 x 500,
// or the size the user last gave one in this run. Call before showing it.
void SizeFileDialog(QFileDialog& dialog);
// Remembers the dialog's size for the next one. Call after it closed.
void KeepFileDialogSize(const QFileDialog& dialog);

} // namespace zv
