#pragma once
// The batch editor window ("Batch Editor"): the script's text and the
// commands New, Open, Save, Perform, Close and Help over the BatchEditor it
// shows. Closing only hides it; the text stays and recording goes on until
// the program ends.

#include "platform/WindowBounds.h"
#include "viewer/BatchEditor.h"

#include <QMainWindow>

class QAction;
class QPlainTextEdit;

namespace zv {

class TBatchForm : public QMainWindow {
    Q_OBJECT
public:
    TBatchForm(BatchEditor& editor, WindowBounds& bounds);

    // Shows the window where it was last, inside the screen, and starts recording.
    void ShowEditor();
    // A recorded line, appended to the text.
    void AppendLine(const std::string& line);
    // The text changed outside the window (Open, New): shown again.
    void Refresh();
    // When the program ends the window really closes.
    void CloseForGood();
    QPlainTextEdit* TextBox() const { return text_; }

signals:
    void performWanted();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildMenu();
    void UpdateCommands();
    void StoreBounds();
    void PlaceOnScreen();

    BatchEditor& editor_;
    WindowBounds& bounds_;
    QPlainTextEdit* text_ = nullptr;
    QAction* save_ = nullptr;
    QAction* perform_ = nullptr;
    bool closingForGood_ = false;
    bool refreshing_ = false;
};

} // namespace zv
