#pragma once
// The "Save Image As" dialog: Qt's own file dialog (not the desktop's, so
// that widgets can be added to it) with the save types offered for the
// picture's depth, a quality box (0..128) and a "Progressive" box enabled by
// type, and a "Wizard..." button that ends the dialog asking for the JPEG
// compression wizard. The window reaches it through SaveCommandHooks, so
// tests put their own functions in its place.

#include "platform/Dialogs.h"
#include "viewer/PictureSave.h"

#include <QFileDialog>

#include <functional>
#include <string>

class QCheckBox;
class QPushButton;
class QSpinBox;

namespace zv {

class SaveImageDialog : public QFileDialog {
public:
    // What exec() returns when the wizard button ended the dialog.
    static constexpr int kWizardResult = 2;

    // typeChosen runs whenever the user picks another type.
    SaveImageDialog(QWidget* parent, const SaveDialogRequest& request,
                    std::function<void(int type)> typeChosen = {});

    // The type selected in the list, 1-based.
    int SelectedType() const;
    void SelectType(int type);
    // The dialog's choices; Cancel unless accepted or ended by the wizard button.
    SaveDialogAnswer Choice(int result) const;

    QSpinBox* QualityBox() const { return quality_; }
    QCheckBox* ProgressiveBox() const { return progressive_; }
    QPushButton* WizardButton() const { return wizard_; }

private:
    void AddControls();
    void TypeChanged(int type);

    QStringList filters_;
    QSpinBox* quality_ = nullptr;
    QCheckBox* progressive_ = nullptr;
    QPushButton* wizard_ = nullptr;
    std::function<void(int)> typeChosen_;
};

// The save type matching the source file's extension (a PNG is offered as
// PNG, a grey JPEG as grey JPEG), when offered for the depth; 0 otherwise.
int SaveTypeOfSource(const std::string& path, int imageBits);

// Shows the dialog and waits for the user.
SaveDialogAnswer ShowSaveDialog(QWidget* parent, const SaveDialogRequest& request,
                                const std::function<void(int type)>& typeChosen = {});

// The overwrite question: a beep, then Yes, No and Cancel.
Answer AskOverwriteQuestion(QWidget* parent, const std::string& text);

// The hooks the window gives SaveAsCommand: this dialog, with the Adobe
// deflate warning through dialogs and the choices kept in state, and the
// overwrite question.
SaveCommandHooks SaveDialogHooks(QWidget* parent, SaveDialogState& state, Dialogs& dialogs);

} // namespace zv
