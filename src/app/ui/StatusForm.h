#pragma once
// TStatusForm: the shared progress window of long commands, a text line, two
// bars and Cancel (or Esc), which sets the stop flag the command tests.

#include "platform/Progress.h"

#include <QDialog>

class QLabel;
class QProgressBar;

namespace zv {

class TStatusForm : public QDialog, public Progress {
    Q_OBJECT
public:
    explicit TStatusForm(QWidget* parent = nullptr);
    void Update() override;

protected:
    void reject() override; // Esc and the window's close button

private:
    void CancelClick();

    QLabel* text_;
    QProgressBar* bars_[2];
};

} // namespace zv
