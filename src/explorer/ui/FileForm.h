#pragma once
// TFileForm: the explorer window beside the viewer. Closing it by the user
// only hides it and brings the viewer back; "&Close" ends the program.

#include <QMainWindow>

#include <functional>

class QLabel;

namespace zv {

class TFileForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TFileForm(QWidget* parent = nullptr);

    // Set once the program is ending: the window then really closes.
    bool applicationEnding = false;

signals:
    void viewerWanted();
    void closeProgramWanted();
    void memoryWanted();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    QLabel* status_ = nullptr;
};

} // namespace zv
