#pragma once
// TWebForm: the viewer window, the program's main window. It shows the
// current picture, carries the menus and bars the settings switch, and hands
// close requests and the explorer to the application that made it.

#include "app/ViewerSettings.h"
#include "formats/loading/LoadHost.h"
#include "imaging/ImagingContext.h"

#include <QMainWindow>

#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QMenu;
class QScrollArea;
class QToolBar;

namespace zv {

class PictureView;

class TWebForm : public QMainWindow, public ImageHost, public LoadHost {
    Q_OBJECT
public:
    TWebForm(ImagingContext& imaging, ViewerSettings& settings, QWidget* parent = nullptr);

    // Asked on every close: true lets the window close.
    std::function<bool()> closeRequested;

    // ImageHost
    void RefreshCaption() override;
    bool BatchRunning() const override { return false; }
    bool SlideshowRunning() const override { return false; }

    // LoadHost
    void SetStatusText(const std::string& text) override;
    ViewArea ViewSize() const override;
    void ShowEmptyPicture() override;
    void PictureShown() override;

    // ShowEmptyPicture: the 16 x 16 picture in the view area's colour, named "Untitled".
    // Shows the current picture as it is now.
    void ShowPicture();
    void SetStatusText(const QString& text);
    void SetButtonText(bool on);
    void ApplySettings();
    const std::string& CurrentPath() const { return currentPath_; }
    void SetCurrentPath(const std::string& path);

    bool userMovedWindow = false; // moved or resized by the user since it was shown

signals:
    void firstActivation();
    void explorerWanted();
    void openWanted();
    void memoryWanted();
    void closeCommandWanted();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void LimitFonts();
    void BuildMenus();
    void BuildBars();
    QAction* AddToggle(QMenu* menu, const char* caption, bool ViewerSettings::*setting);
    QAction* AddDisabled(QMenu* menu, const char* caption);
    void SetShortcutsEnabled(bool on);

    ImagingContext& imaging_;
    ViewerSettings& settings_;
    PictureView* view_ = nullptr;
    QScrollArea* scroller_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QToolBar* pathRow_ = nullptr;
    QComboBox* pathBox_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    std::string currentPath_;
    bool activated_ = false;
    bool placementSettled_ = false;
};

} // namespace zv
