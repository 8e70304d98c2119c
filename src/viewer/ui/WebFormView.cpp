// The viewer window's view commands: zoom, fit, the window sized to the
// picture, full screen, the mouse tools and the selection, the aspect modes
// and the view gamma.

#include "viewer/ui/WebForm.h"

#include "imaging/ImagingContext.h"
#include "platform/Dialogs.h"
#include "platform/qt/ActionMenus.h"
#include "platform/qt/ThemeIcons.h"
#include "processing/FilterOperations.h"
#include "viewer/ViewerActions.h"
#include "viewer/ui/MediaPanel.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

namespace zv {

namespace {

constexpr const char* kGammaQuestion =
    "All viewed images will be modified and gamma adjusted;\nsubsequent gamma adjustments will "
    "be cumulative.\n\n[Ignore] avoids this dialog (for experts).";

QSize QtSize(zv::ViewSize size) {
    return {size.width, size.height};
}

zv::ViewSize SizeOf(QSize size) {
    return {size.width(), size.height()};
}

zv::ViewSize ScreenSizeOf(const QWidget* widget) {
    const QScreen* screen = widget->screen();
    return screen ? SizeOf(screen->availableGeometry().size()) : zv::ViewSize{1024, 768};
}

} // namespace

// --- Menus and buttons ---

void TWebForm::BuildViewButtons() {
    QAction* zoomIn = AddButton("Zoom +", "zoom-in", QStyle::SP_ArrowUp, kVwZoomIn);
    connect(zoomIn, &QAction::triggered, this, [this] { ZoomStep(1); });
    QAction* zoomOut = AddButton("Zoom -", "zoom-out", QStyle::SP_ArrowDown, kVwZoomOut);
    connect(zoomOut, &QAction::triggered, this, [this] { ZoomStep(-1); });
    QAction* fit = AddButton("Fit", "zoom-fit-best", QStyle::SP_TitleBarMaxButton, kVwFit);
    connect(fit, &QAction::triggered, this, [this] { SetFit(!settings_.fitToWindow); });
    QAction* adjust =
        AddButton("Adjust", "zoom-original", QStyle::SP_TitleBarNormalButton, kVwAdjustWindow);
    connect(adjust, &QAction::triggered, this, [this] { AdjustWindow(true); });
    QAction* screen = AddButton("Screen", "view-fullscreen", QStyle::SP_DesktopIcon, kVwFullScreen);
    connect(screen, &QAction::triggered, this, [this] { SetFullScreen(!fullScreen_); });
    QAction* scroll = AddButton("Scroll", "input-mouse", QStyle::SP_ArrowRight, kVwMouseTool, 0);
    connect(scroll, &QAction::triggered, this, [this] { SetMouseTool(MouseTool::Hand); });
    QAction* select =
        AddButton("Select", "edit-select", QStyle::SP_DialogApplyButton, kVwMouseTool, 1);
    connect(select, &QAction::triggered, this, [this] { SetMouseTool(MouseTool::Select); });
    zoomButtons_ << zoomIn << zoomOut;
}

void TWebForm::EnableViewCommands() {
    const bool media = document_ && document_->MediaMode();
    menus_->Refresh();
    for (QAction* action : std::as_const(zoomButtons_)) action->setEnabled(!media);
    menus_->Action(kVwFullScreen)
        ->setText(fullScreen_ ? QStringLiteral("Normal window") : QStringLiteral("Full screen"));
    zoomLabel_->setText(ZoomText());
}

QString TWebForm::ZoomText() const {
    if (settings_.fitToWindow) return QStringLiteral("Fit");
    return QString::number(zoomPercent_) + QLatin1Char('%');
}

// --- Geometry of the view ---

zv::ViewSize TWebForm::PictureSize() const {
    return {imaging_.current.Width(), imaging_.current.Height()};
}

zv::ViewSize TWebForm::ControlSize() const {
    return SizeOf(view_->size());
}

zv::ViewSize TWebForm::AreaSize() const {
    return SizeOf(scroller_->maximumViewportSize());
}

void TWebForm::LayoutView() {
    const zv::ViewSize picture = PictureSize();
    QScrollBar* across = scroller_->horizontalScrollBar();
    QScrollBar* down = scroller_->verticalScrollBar();
    const int oldX = across->value(), oldXMax = across->maximum();
    const int oldY = down->value(), oldYMax = down->maximum();
    const bool fit = settings_.fitToWindow;
    const Qt::ScrollBarPolicy policy = fit ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    scroller_->setHorizontalScrollBarPolicy(policy);
    scroller_->setVerticalScrollBarPolicy(policy);
    zv::ViewSize control;
    if (fit) {
        const bool upsampled = settings_.upsampledFit;
        control = FitSize(picture, AreaSize(), upsampled);
        scroller_->SetFreeStrip(0, 0);
    } else {
        control = ZoomedSize(picture, zoomPercent_);
        const zv::ViewSize area = AreaSize();
        const zv::ViewSize trimmed = TrimAreaToZoom(area, zoomPercent_);
        scroller_->SetFreeStrip(area.width - trimmed.width, area.height - trimmed.height);
    }
    view_->SetDisplaySize(QtSize(control.Empty() ? zv::ViewSize{1, 1} : control));
    view_->SetSnap(SnapFactor(fit ? 100 : zoomPercent_, imaging_.descriptor.ImageBits));
    view_->setCursor(
        !fit && (control.width > AreaSize().width || control.height > AreaSize().height)
            ? Qt::OpenHandCursor
            : Qt::ArrowCursor);
    if (view_->Tool() == MouseTool::Select) view_->setCursor(Qt::CrossCursor);
    across->setValue(RestoreScroll(oldX, oldXMax, across->maximum(), zoomPercent_));
    down->setValue(RestoreScroll(oldY, oldYMax, down->maximum(), zoomPercent_));
    if (!selection_.Empty())
        view_->SetSelectionFrame(
            DisplayFromSelection(selection_, picture, ControlSize(), fit, zoomPercent_));
    zoomLabel_->setText(ZoomText());
}

// At 200 % and more the view moves in whole enlarged pixels.
void TWebForm::SnapScrollBars() {
    if (snapping_ || settings_.fitToWindow || zoomPercent_ < 200) return;
    snapping_ = true;
    const int factor = ZoomFactor(zoomPercent_);
    for (QScrollBar* bar : {scroller_->horizontalScrollBar(), scroller_->verticalScrollBar()})
        bar->setValue(SnapDown(bar->value(), factor));
    snapping_ = false;
}

WindowChrome TWebForm::Chrome() const {
    WindowChrome chrome;
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    // The view area's own border counts with the window frame, so a window
    // sized for a picture shows it whole without scroll bars.
    const zv::ViewSize area = AreaSize();
    chrome.frame = {outer.width() - inner.width() + width() - area.width,
                    outer.height() - inner.height()};
    chrome.rowsHeight = height() - area.height;
    chrome.menuBarShown = menuBar()->isVisible();
    chrome.toolBarWidth = toolBar_->isVisible() ? 16 + toolBar_->sizeHint().width() : 0;
    chrome.fitToEnabled = !fullScreen_;
    return chrome;
}

void TWebForm::PlaceAndResize(QSize outer, bool centre) {
    if (isMaximized() || isMinimized()) return;
    const QRect frame = frameGeometry();
    const ViewRect placed =
        PlaceWindow({frame.x(), frame.y(), frame.x() + outer.width(), frame.y() + outer.height()},
                    ScreenSizeOf(this), true, centre && settings_.autoCenter);
    resize(outer.width() - (frame.width() - width()), outer.height() - (frame.height() - height()));
    move(placed.left, placed.top);
}

// The bars' heights depend on the width (a narrower menu bar wraps onto a
// second row), so the window is measured again at its new width and sized
// once more; otherwise the view comes out a row short and shows scroll bars.
void TWebForm::SizeWindowToPicture() {
    if (isMaximized() || isMinimized() || fullScreen_) return;
    for (int pass = 0; pass < 2; ++pass) {
        const zv::ViewSize outer = WindowSizeFor(ControlSize(), Chrome(), ScreenSizeOf(this));
        PlaceAndResize(QtSize(outer), true);
        if (QLayout* bars = layout()) bars->activate();
    }
}

// --- Zoom and fit ---

void TWebForm::SetZoom(int percent) {
    if (settings_.fitToWindow || percent == zoomPercent_) return;
    zoomPercent_ = percent;
    LayoutView();
}

void TWebForm::ZoomStep(int direction) {
    QWidget* area = scroller_->viewport();
    const QPoint pointer = area->mapFromGlobal(QCursor::pos());
    ZoomAround(direction, area->rect().contains(pointer) ? pointer : area->rect().center());
}

// One zoom step that keeps the picture point under `anchor` (view area
// coordinates) where it is. From fit it goes to the step above or below the
// fitted scale and leaves fit.
void TWebForm::ZoomAround(int direction, QPoint anchor) {
    if (document_ && document_->MediaMode()) return;
    const zv::ViewSize picture = PictureSize();
    if (picture.Empty()) return;
    SetMouseTool(MouseTool::Hand);
    const bool fitted = settings_.fitToWindow;
    if (fitted && direction > 0 && document_ && document_->HoldsScaledDecode() &&
        !document_->Modified()) {
        EnlargeScaledDecode(anchor);
        return;
    }
    int target = direction > 0 ? ZoomIn(zoomPercent_) : ZoomOut(zoomPercent_);
    if (fitted) {
        const int scale = 100 * view_->width() / picture.width; // rounded down
        target = direction > 0 ? std::min(kMaxZoom, (scale / kZoomStep + 1) * kZoomStep)
                               : std::max(scale - 1, 0) / kZoomStep * kZoomStep;
        if (target < kMinZoom) return; // fit shows it smaller than any zoom
    } else if (target == zoomPercent_) {
        return;
    }
    const QPoint at = view_->mapFrom(scroller_->viewport(), anchor);
    const double across = double(at.x()) / std::max(1, view_->width());
    const double down = double(at.y()) / std::max(1, view_->height());
    settings_.fitToWindow = false;
    zoomPercent_ = target;
    LayoutView();
    scroller_->horizontalScrollBar()->setValue(int(across * view_->width()) - anchor.x());
    scroller_->verticalScrollBar()->setValue(int(down * view_->height()) - anchor.y());
    if (fitted) {
        if (media_) media_->SetFit(false);
        EnableViewCommands();
        emit loadSettingsChanged();
    }
}

// A JPEG decoded small to fit is read again whole before it is enlarged, so
// the zoom shows the picture's own pixels: the first step above the fitted
// scale of the whole picture, the point under `anchor` kept where it is.
void TWebForm::EnlargeScaledDecode(QPoint anchor) {
    const QPoint at = view_->mapFrom(scroller_->viewport(), anchor);
    const double across = double(at.x()) / std::max(1, view_->width());
    const double down = double(at.y()) / std::max(1, view_->height());
    const int shownWidth = view_->width();
    settings_.fitToWindow = false;
    if (media_) media_->SetFit(false);
    emit loadSettingsChanged(); // the next load decodes at full size
    document_->Reload();
    const zv::ViewSize whole = PictureSize();
    if (whole.Empty()) return;
    const int scale = static_cast<int>(100LL * shownWidth / whole.width);
    zoomPercent_ = std::clamp((scale / kZoomStep + 1) * kZoomStep, kMinZoom, kMaxZoom);
    LayoutView();
    scroller_->horizontalScrollBar()->setValue(int(across * view_->width()) - anchor.x());
    scroller_->verticalScrollBar()->setValue(int(down * view_->height()) - anchor.y());
    EnableViewCommands();
}

void TWebForm::ZoomToAsked() {
    if (!dialogs_) return;
    ParameterDialogModel model("Set Magnification (%)", "", "",
                               {.min = kMinZoom,
                                .max = kMaxZoom,
                                .start = zoomPercent_,
                                .largeStep = kZoomStep,
                                .smallStep = 1});
    dialogs_->ParameterDialog(model);
    const std::optional<int> percent = model.Result();
    if (!percent) return;
    if (settings_.fitToWindow) SetFit(false);
    SetZoom(ZoomTo(*percent));
}

void TWebForm::SetFit(bool on) {
    settings_.fitToWindow = on;
    if (!on) zoomPercent_ = 100;
    if (media_) media_->SetFit(on);
    LayoutView();
    EnableViewCommands();
    emit loadSettingsChanged();
}

void TWebForm::FitWindowTo(int n) {
    SetMouseTool(MouseTool::Hand);
    if (isMaximized() || isMinimized() || fullScreen_) return;
    const std::optional<zv::ViewSize> outer =
        WindowSizeAtFraction(PictureSize(), n, Chrome(), ScreenSizeOf(this));
    if (!outer) return;
    PlaceAndResize(QtSize(*outer), false);
    if (!settings_.fitToWindow) SetFit(true);
}

void TWebForm::AdjustWindow(bool centre) {
    if (fullScreen_) return;
    zv::ViewSize view = ControlSize();
    if (media_) {
        const QSize video = media_->VideoSize();
        view = {std::max(video.width(), 1),
                std::max(video.height(), 1) + settings_.playerStatusHeight +
                    settings_.playerTrackHeight + settings_.playerControlsHeight};
    }
    const zv::ViewSize outer = WindowSizeFor(view, Chrome(), ScreenSizeOf(this));
    PlaceAndResize(QtSize(outer), centre);
}

void TWebForm::CustomViewport() {
    if (!dialogs_) return;
    const zv::ViewSize screen = ScreenSizeOf(this);
    const WindowChrome chrome = Chrome();
    const zv::ViewSize area = AreaSize();
    SizeDialogRequest request;
    request.width = area.width;
    request.height = area.height;
    request.title = "Custom Viewport";
    request.mode = 0;
    request.widthLimit = std::max(16, screen.width - chrome.frame.width);
    request.heightLimit = std::max(16, screen.height - chrome.frame.height - chrome.rowsHeight);
    SizeDialogModel model(request);
    dialogs_->SizeDialog(model);
    const std::optional<SizeDialogResult> size = model.Result();
    if (!size) return;
    if (settings_.fitToWindow) SetFit(false);
    resize(width() + size->width - area.width, height() + size->height - area.height);
}

// --- Full screen ---

void TWebForm::SetFullScreen(bool on) {
    if (on == fullScreen_ || (document_ && document_->MediaMode() && on && !media_)) return;
    SetMouseTool(MouseTool::Hand);
    fullScreen_ = on;
    if (on) {
        normalBounds_ = geometry();
        const bool maxFull = settings_.maxFullScreen;
        menuBar()->setVisible(settings_.menuBar && (!maxFull || settings_.fullScreenMenus));
        if (maxFull) {
            toolBar_->hide();
            pathRow_->hide();
        }
        statusBar()->hide();
        if (media_) media_->SetBars(BarsForMedia());
        showFullScreen();
    } else {
        showNormal();
        ApplySettings();
        setGeometry(normalBounds_);
    }
    LayoutView();
    EnableViewCommands();
}

void TWebForm::SetBatchRunning(bool running) {
    batchRunning_ = running;
    batchCancel_ = false;
}

bool TWebForm::BatchCancelRequested() {
    QCoreApplication::processEvents();
    return batchCancel_;
}

void TWebForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && batchRunning_) {
        batchCancel_ = true;
        return;
    }
    if (event->key() == Qt::Key_Escape && fullScreen_) {
        SetFullScreen(false);
        return;
    }
    const bool plainKey = !event->modifiers().testFlag(Qt::AltModifier) &&
                          !event->modifiers().testFlag(Qt::ControlModifier) &&
                          !(document_ && document_->MediaMode());
    if (plainKey && event->key() == Qt::Key_Space) {
        AnalyzeCommand(false, event->modifiers());
        return;
    }
    // C and S: the automatic clean and sharpen.
    if (plainKey && (event->key() == Qt::Key_C || event->key() == Qt::Key_S)) {
        RunToolboxOperation(event->key() == Qt::Key_C ? AutoCleanOperation()
                                                      : AutoSharpenOperation());
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// --- Tools and selection ---

void TWebForm::SetMouseTool(MouseTool tool) {
    view_->SetTool(tool);
    menus_->RefreshChecked();
    if (tool == MouseTool::Hand) SetSelection({});
}

void TWebForm::SetSelection(ViewRect selection) {
    selection_ = selection;
    if (!selection.Empty()) lastSelection_ = selection;
    view_->SetSelectionFrame(selection.Empty()
                                 ? ViewRect{}
                                 : DisplayFromSelection(selection, PictureSize(), ControlSize(),
                                                        settings_.fitToWindow, zoomPercent_));
}

void TWebForm::OnRubberBand(ViewRect band, bool shift) {
    if (!BigEnoughForSelection(band)) {
        view_->SetSelectionFrame(selection_.Empty() ? ViewRect{} : view_->SelectionFrame());
        return;
    }
    SetSelection(SelectionFromDisplay(band, PictureSize(), ControlSize(), settings_.fitToWindow,
                                      zoomPercent_));
    if (shift) ZoomRegion();
}

void TWebForm::OnDragged(QPoint delta) {
    QScrollBar* across = scroller_->horizontalScrollBar();
    QScrollBar* down = scroller_->verticalScrollBar();
    across->setValue(across->value() - delta.x());
    down->setValue(down->value() - delta.y());
}

void TWebForm::ZoomRegion() {
    const zv::ViewSize picture = PictureSize();
    ViewRect region = !selection_.Empty() ? selection_ : lastSelection_;
    if (region.Empty() || region.right > picture.width || region.bottom > picture.height)
        region = {0, 0, picture.width, picture.height};
    if (settings_.fitToWindow) SetFit(false);
    const ZoomRegionView zoomed = ZoomToRegion(region, AreaSize());
    zoomPercent_ = zoomed.percent;
    LayoutView();
    scroller_->horizontalScrollBar()->setValue(zoomed.scroll.x);
    scroller_->verticalScrollBar()->setValue(zoomed.scroll.y);
    SetSelection(region);
}

void TWebForm::SelectAll() {
    const zv::ViewSize picture = PictureSize();
    if (picture.Empty()) return;
    SetMouseTool(MouseTool::Select);
    SetSelection({0, 0, picture.width, picture.height});
}

void TWebForm::AdjustSelection() {
    const zv::ViewSize picture = PictureSize();
    if (picture.Empty()) return;
    SetMouseTool(MouseTool::Hand);
    ViewRect start = lastSelection_;
    if (start.Empty() || start.right > picture.width || start.bottom > picture.height ||
        (QApplication::keyboardModifiers() & Qt::ShiftModifier))
        start = {0, 0, picture.width, picture.height};
    if (!dialogs_) return;
    SizeDialogRequest request;
    request.x = start.left;
    request.y = start.top;
    request.width = start.Width();
    request.height = start.Height();
    request.title = "Adjust Selection";
    request.mode = 0;
    request.widthLimit = picture.width;
    request.heightLimit = picture.height;
    SizeDialogModel model(request);
    dialogs_->SizeDialog(model);
    const std::optional<SizeDialogResult> chosen = model.Result();
    if (!chosen) return;
    const int left = std::clamp(chosen->x, 0, picture.width - 1);
    const int top = std::clamp(chosen->y, 0, picture.height - 1);
    SetMouseTool(MouseTool::Select);
    SetSelection({left, top, std::min(picture.width, left + std::max(1, chosen->width)),
                  std::min(picture.height, top + std::max(1, chosen->height))});
}

void TWebForm::GridSelection() {
    const zv::ViewSize picture = PictureSize();
    if (picture.width < kGridMinimumSide || picture.height < kGridMinimumSide) {
        if (dialogs_) dialogs_->Warning(kGridTooSmallText);
        return;
    }
    if (!dialogs_) return;
    GridDialogModel model(gridColumns_, gridRows_, picture.width, picture.height);
    dialogs_->GridDialog(model);
    const std::optional<zv::GridSelection> cell = model.Result();
    if (!cell) return;
    gridColumns_ = cell->columns;
    gridRows_ = cell->rows;
    SetMouseTool(MouseTool::Hand);
    SetMouseTool(MouseTool::Select);
    SetSelection({cell->left, cell->top, cell->right + 1, cell->bottom + 1});
}

// --- Aspect modes and view gamma ---

void TWebForm::ChooseAspect(AspectMode mode) {
    if (!document_) return;
    document_->SetAspectMode(mode);
    if (document_->aspectMode != AspectMode::Monitor && settings_.autoReduce) {
        settings_.autoReduce = false;
        imaging_.autoReduce = false;
        emit loadSettingsChanged();
    }
    menus_->RefreshChecked();
}

void TWebForm::ViewGammaCommand() {
    if (!document_ || !dialogs_) return;
    if (askGammaQuestion_) {
        const Answer answer =
            dialogs_->Box(BoxKind::Question, kGammaQuestion, Buttons::OkCancelIgnore);
        if (answer == Answer::Cancel) return;
        if (answer == Answer::Ignore) askGammaQuestion_ = false;
    }
    ParameterDialogModel model("Set Screen Gamma (n/100)", "", "",
                               {.min = 100,
                                .max = 300,
                                .start = document_->viewGamma,
                                .largeStep = 10,
                                .smallStep = 1,
                                .presets = {100, 125, 135, 150, 165, 185},
                                .showPresets = true});
    dialogs_->ParameterDialog(model);
    const std::optional<int> gamma = model.Result();
    if (!gamma) return;
    if (!TakeUndoCopy()) return;
    if (*gamma != 100 && settings_.autoReduce) {
        settings_.autoReduce = false;
        imaging_.autoReduce = false;
        emit loadSettingsChanged();
    }
    document_->SetViewGamma(*gamma);
}

} // namespace zv
