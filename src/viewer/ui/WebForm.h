#pragma once
// TWebForm: the viewer window, the program's main window. It shows the
// document (a picture, a text, or a sound or video in media mode), carries
// the menus, bars and path box, and hands close requests and the explorer to
// the application that made it. What the commands open is decided by the
// ViewerDocument; this window draws it.

#include "app/ViewerSettings.h"
#include "formats/loading/LoadHost.h"
#include "imaging/ImagingContext.h"
#include "viewer/ViewerDocument.h"

#include <QMainWindow>

#include <functional>
#include <string>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class QStackedWidget;
class QToolBar;

namespace zv {

class MediaPanel;
struct MediaBars;
class PictureView;

class TWebForm : public QMainWindow, public ImageHost, public LoadHost, public DocumentWindow {
    Q_OBJECT
public:
    TWebForm(ImagingContext& imaging, ViewerSettings& settings, QWidget* parent = nullptr);
    ~TWebForm() override;

    // The document whose commands the menus run, the history the path box
    // shows and the dialogs for the window's own warnings.
    void SetDocument(ViewerDocument& document, const ViewerHistory& history, Dialogs& dialogs);

    // Asked on every close: true lets the window close.
    std::function<bool()> closeRequested;

    // ImageHost
    void RefreshCaption() override;
    bool BatchRunning() const override { return false; }
    bool SlideshowRunning() const override { return false; }

    // LoadHost and DocumentWindow
    void SetStatusText(const std::string& text) override;
    ViewArea ViewSize() const override;
    bool Activated() const override { return activated_; }
    void ShowEmptyPicture() override;
    void PictureShown() override;

    // DocumentWindow
    void ShowNewPicture() override;
    void ShowTextFile(const std::string& path) override;
    bool RenderMetafile(const std::string& path, Bitmap& picture) override;
    bool EnterMediaMode(const std::string& path) override;
    void ChangeMediaFile(const std::string& path) override;
    void LeaveMediaMode() override;
    void PlayMedia() override;
    void ShowZipArchive(const std::string& path) override;
    void PlayScript(const std::string& path) override;
    void ShowFolderInExplorer(const std::string& folder) override;
    std::optional<NewPictureRequest> AskNewPictureSize() override;
    bool ClipboardHasPicture() override;
    bool ReadClipboardPicture(Bitmap& picture) override;
    void DocumentChanged() override;

    // Shows the current picture as it is now.
    void ShowPicture();
    void SetStatusText(const QString& text);
    void SetButtonText(bool on);
    void ApplySettings();
    std::string CurrentPath() const;
    QString StatusText() const;
    QString PictureLineText() const;
    MediaPanel* Media() const { return media_; }

    bool userMovedWindow = false; // moved or resized by the user since it was shown

signals:
    void firstActivation();
    void explorerWanted();
    void memoryWanted();
    void closeCommandWanted();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LimitFonts();
    void BuildMenus();
    void BuildFileMenu();
    void BuildEditMenu();
    void BuildBookmarksMenu();
    void BuildMediaMenu();
    void BuildBars();
    void BuildStatusBar();
    QAction* AddCommand(QMenu* menu, const char* caption, const QKeySequence& keys,
                        void (ViewerDocument::*command)());
    QAction* AddToggle(QMenu* menu, const char* caption, bool ViewerSettings::*setting);
    QAction* AddDisabled(QMenu* menu, const char* caption);
    void SetShortcutsEnabled(bool on);
    void StepOrMoveInPathBox(HistoryStep step);
    void ChangePageOrMoveInPathBox(int tag);
    void PutBackPath();
    void EnableCommands();
    void ShowStack(QWidget* page);
    void MediaOpened();
    void MediaFailed();
    MediaBars BarsForMedia() const;

    ImagingContext& imaging_;
    ViewerSettings& settings_;
    ViewerDocument* document_ = nullptr;
    const ViewerHistory* history_ = nullptr;
    Dialogs* dialogs_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    PictureView* view_ = nullptr;
    QScrollArea* scroller_ = nullptr;
    QPlainTextEdit* textView_ = nullptr;
    MediaPanel* media_ = nullptr;
    bool playWhenOpened_ = false;
    QToolBar* toolBar_ = nullptr;
    QToolBar* pathRow_ = nullptr;
    QComboBox* pathBox_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    QLabel* pictureLine_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* pageMenu_ = nullptr;
    QMenu* bookmarksMenu_ = nullptr;
    QAction* reload_ = nullptr;
    QAction* pageButton_ = nullptr;
    QAction* playPause_ = nullptr;
    QAction* stop_ = nullptr;
    QList<QAction*> needTwoEntries_; // Next, Previous, Move Up and Dn, Back and Next buttons
    QList<QAction*> needOneEntry_;   // First, Last, Unmark, Clear, Save
    bool activated_ = false;
    bool placementSettled_ = false;
};

} // namespace zv
