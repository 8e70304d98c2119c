#pragma once
// TWebForm: the viewer window, the program's main window. It shows the
// document (a picture, a text, or a sound or video in media mode), carries
// the menus, bars and path box, and hands close requests and the explorer to
// the application that made it. What the commands open is decided by the
// ViewerDocument; this window draws it.

#include "imaging/ImagingContext.h"
#include "processing/Histogram.h"
#include "processing/ToneMaps.h"
#include "viewer/LoadHost.h"
#include "viewer/UndoStore.h"
#include "viewer/ViewGeometry.h"
#include "viewer/ViewerDocument.h"
#include "viewer/ViewerSettings.h"
#include "viewer/ui/Sky95.h"
#include "viewer/ui/ViewScroller.h"
#include "viewer/ui/ViewerToolboxHost.h"

#include <QMainWindow>
#include <QStyle>

#include <filesystem>
#include <functional>
#include <memory>
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

class ActionMenus;
class InfoWindow;
class MediaPanel;
struct ToolboxOperation;
class THistogramDlg;
struct MediaBars;

class TWebForm : public QMainWindow, public ImageHost, public LoadHost, public DocumentWindow {
    Q_OBJECT
public:
    TWebForm(ImagingContext& imaging, ViewerSettings& settings, QWidget* parent = nullptr);
    ~TWebForm() override;

    // The document whose commands the menus run, the history the path box
    // shows and the dialogs for the window's own warnings.
    void SetDocument(ViewerDocument& document, const ViewerHistory& history, Dialogs& dialogs);
    void SetUndo(UndoStore& undo);

    // AutoBackUp with its busy status; false when refused (the command stops).
    bool TakeUndoCopy() override;
    // The Undo command.
    void UndoCommand();
    void DiscardUndo() override;

    // Asked on every close: true lets the window close.
    std::function<bool()> closeRequested;

    // ImageHost
    void RefreshCaption() override;
    bool BatchRunning() const override { return batchRunning_; }
    // A batch script runs on the picture: Esc asks it to stop between lines.
    void SetBatchRunning(bool running);
    // Esc was pressed since the run started (pending events are handled first).
    bool BatchCancelRequested();
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
    // A new user's first start: a short hint on how to open a picture in
    // place of the empty view, until a picture is shown.
    void ShowStartHint();
    void SetStatusText(const QString& text);
    void SetButtonText(bool on);
    void ApplySettings();
    std::string CurrentPath() const;
    QString StatusText() const;
    QString PictureLineText() const;
    MediaPanel* Media() const { return media_; }

    // The busy convention of long commands: "Busy..." with the command's own
    // words in the picture line and the hourglass, until StatusReady.
    void SetBusy(const QString& doing);
    void StatusReady();
    // After a command changed the picture: the view laid out anew (100 %
    // unless fitted), pages gone, the picture modified, "Ready.".
    void RefreshAfterChange();

    // The view commands.
    // +1 in, -1 out, around the pointer when it is over the view, else the
    // centre; from fit too, which it leaves.
    void ZoomStep(int direction);
    void ZoomAround(int direction, QPoint anchor);
    void ZoomToAsked();
    void SetZoom(int percent);
    void SetFit(bool on);
    void FitWindowTo(int n);
    void AdjustWindow(bool centre);
    void CustomViewport();
    void SetFullScreen(bool on);
    void SetMouseTool(MouseTool tool);
    void ZoomRegion();
    void SelectAll();
    void AdjustSelection();
    void GridSelection();
    void ChooseAspect(AspectMode mode);
    void ViewGammaCommand();

    int ZoomPercent() const { return zoomPercent_; }
    bool FullScreenOn() const { return fullScreen_; }
    ViewRect Selection() const { return selection_; }
    Sky95* Display() const { return view_; }
    QScrollArea* ScrollArea() const { return scroller_; }
    QString ZoomText() const;
    bool HalfJpeg() const { return halfJpeg_; }
    // "Rotate by EXIF orientation": the View menu's check; the application keeps the setting.
    bool exifOrientation = true;
    bool userMovedWindow = false; // moved or resized by the user since it was shown

    // I&nfo: the picture's and its file's facts in the information window,
    // with a JPEG's EXIF facts and comments.
    void InfoCommand();
    InfoWindow* InfoShown() const { return infoWindow_; }
    // Hands a zip archive opened or dropped to the zip browser.
    std::function<void(const std::string& path)> zipArchiveWanted;

    // The toolbox.
    // Runs the toolbox operation of this batch word as the menu does; false
    // when no operation has the word.
    bool RunToolboxCommand(const char* word);
    void RunToolboxOperation(const ToolboxOperation& op);
    // Image > Rotate > "90 deg." and "270 deg.": clockwise by the degrees.
    void RotateCommand(int degrees);
    // Image > Auto > Resize (Z): resampled to the largest size that fits the
    // view area; the modified mark stays as it was.
    void AutoResizeCommand();
    // Image > Text Mark: asks for the text (the last one offered), then
    // marks the corner (0 top left .. 3 bottom right) and records the line.
    void TextMarkCommand(int corner);
    // An operation by its effect code, shown in its effect dialog.
    void EffectCommand(int code);
    // Image > Resize: asks the size ("Image Resize" or "Image Resample"),
    // then resizes; Resample resizes pictures below 8 bits instead.
    void ResizeCommand(bool resample);
    // Image > Rotate > Normal (unit 100, whole degrees) and Fine (unit 1,
    // hundredths): asks the angle, then turns clockwise.
    void RotateAskedCommand(int unit);
    void ArtifactsCommand();
    void BorderCommand();
    // The dithered items of Colors > Reduce to: asks the method, then reduces.
    void ReduceDitheredCommand(int item);
    // Whether a picture is shown that the toolbox may work on.
    bool ToolboxReady() const;
    void HistogramCommand();
    // Anal&yze: the report of the picture, or of two from the history in
    // compare mode. With the Info button (fromButton) and no Ctrl or Shift
    // it shows the plain picture information instead.
    void AnalyzeCommand(bool fromButton, Qt::KeyboardModifiers keys);
    // Where "ImageReport.txt" is written, and how a text file is opened.
    std::filesystem::path reportFolder;
    std::function<bool(const std::string& path)> openTextFile;
    THistogramDlg* HistogramWindow() const { return histogramDlg_; }
    // After a toolbox pass: the picture modified and the caption and lines refreshed.
    void MarkPictureModified();
    ToolboxContext& Toolbox() { return toolbox_; }
    ViewerToolboxHost& ToolboxHost() { return *toolboxHost_; }
    ImageHistogram& Histogram() { return histogram_; }
    // The batch editor's recording, when there is one.
    BatchRecorder recorder;

signals:
    void firstActivation();
    void explorerWanted();
    // The path box named a folder: the explorer shows it.
    void folderExploreWanted(const QString& folder);
    void memoryWanted();
    void batchEditorWanted();
    void batchPerformWanted();
    // Tools > Batch > "to ...": the bookmarks converted; the target's tag.
    void batchConvertWanted(int tag);
    // File > "&Slide Album": the album window.
    void slideAlbumWanted();
    // Bookmarks > "Albu&m": the bookmarks handed to the album window.
    void bookmarksAlbumWanted();
    // Tools > JPEG > "&Compress": the JPEG compression wizard.
    void jpegCompressWanted();
    void saveWanted();
    void closeCommandWanted();
    // A setting that steers loading changed (fit, Half JPEG, Auto Reduce).
    void loadSettingsChanged();
    void exifOrientationChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The mouse's back and forward buttons step through the folder.
    void mousePressEvent(QMouseEvent* event) override;

private:
    void EnlargeScaledDecode(QPoint anchor);
    void BuildMenus();
    void RunCommand(int command, int argument, bool checked);
    bool RuleHolds(int rule, int argument) const;
    void SetUndoEnabled(bool on);
    void BuildViewButtons();
    QString CaptionOf(int command, int argument) const;
    // A tool bar button with the theme's icon (the style's as fallback) and
    // the caption of the menu item it stands for as its tip.
    QAction* AddButton(const char* text, const char* themeIcon, QStyle::StandardPixmap fallback,
                       int command, int argument = 0);
    void LayoutView();
    void SnapScrollBars();
    void SizeWindowToPicture();
    void PlaceAndResize(QSize outer, bool centre);
    WindowChrome Chrome() const;
    zv::ViewSize PictureSize() const;
    zv::ViewSize ControlSize() const;
    zv::ViewSize AreaSize() const;
    void OnRubberBand(ViewRect band, bool shift);
    void OnDragged(QPoint delta);
    void SetSelection(ViewRect selection);
    void EnableViewCommands();
    void BuildBars();
    void BuildStatusBar();
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
    ToolboxContext toolbox_;
    std::string lastTextMark_; // offered again by the next text mark
    // What the menu items offer again, for the run.
    int artifactsTag_ = 48;
    int borderTag_ = 257; // the width in the high byte, the height in the low 7 bits
    bool batchRunning_ = false;
    bool batchCancel_ = false;
    ImageHistogram histogram_;
    std::unique_ptr<ViewerToolboxHost> toolboxHost_;
    THistogramDlg* histogramDlg_ = nullptr;
    ViewerDocument* document_ = nullptr;
    const ViewerHistory* history_ = nullptr;
    Dialogs* dialogs_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    Sky95* view_ = nullptr;
    ViewScroller* scroller_ = nullptr;
    QPlainTextEdit* textView_ = nullptr;
    QLabel* hint_ = nullptr; // the first start's hint
    InfoWindow* infoWindow_ = nullptr;
    MediaPanel* media_ = nullptr;
    bool playWhenOpened_ = false;
    QToolBar* toolBar_ = nullptr;
    QToolBar* pathRow_ = nullptr;
    QComboBox* pathBox_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    QLabel* pictureLine_ = nullptr;
    ActionMenus* menus_ = nullptr; // the menus, from the viewer's action table
    bool undoEnabled_ = false;
    UndoStore* undoStore_ = nullptr;
    QAction* pageButton_ = nullptr;
    QList<QAction*> needTwoEntries_;  // the Back and Next buttons
    QList<QAction*> needOneEntry_;    // the Cut/Unmark button
    QList<QAction*> pictureCommands_; // need a picture: the Save button
    bool activated_ = false;
    bool placementSettled_ = false;

    // The view.
    int zoomPercent_ = 100;
    ViewRect selection_;
    ViewRect lastSelection_;
    bool fullScreen_ = false;
    QRect normalBounds_;
    int gridColumns_ = 3;
    int gridRows_ = 3;
    bool askGammaQuestion_ = true;
    bool snapping_ = false;
    QList<QAction*> zoomButtons_;
    bool halfJpeg_ = false;
};

} // namespace zv
