#include "viewer/ui/WebForm.h"

#include "platform/qt/WindowFonts.h"

#include "imaging/ui/BitmapImage.h"
#include "platform/qt/ActionMenus.h"
#include "platform/qt/ThemeIcons.h"
#include "processing/FilterOperations.h"
#include "viewer/TextFiles.h"
#include "viewer/ViewerActions.h"
#include "viewer/ui/MediaPanel.h"
#include "viewer/ui/Metafile.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>

#include <algorithm>
#include <array>

namespace zv {

namespace {

constexpr int kStatusTextWidth = 110;
// "New Image": the size dialog with its colour panel, up to 32000 x 32000.
constexpr int kSizeDialogColourMode = -2;
constexpr int kNewImageLimit = 32000;
constexpr int kDefaultWindowWidth = 800;
constexpr int kPictureLineMargin = 12;
constexpr const char* kStartHint = "Open a picture (Ctrl+O), or double-click one in the explorer";

QColor ColourOf(std::uint32_t colourRef) {
    return QColor(colourRef & 0xFF, (colourRef >> 8) & 0xFF, (colourRef >> 16) & 0xFF);
}

QString Qt(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TWebForm::TWebForm(ImagingContext& imaging, ViewerSettings& settings, QWidget* parent)
    : QMainWindow(parent), imaging_(imaging), settings_(settings) {
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    LimitWindowFonts(*this);
    view_ = new Sky95;
    scroller_ = new ViewScroller;
    scroller_->setWidget(view_);
    scroller_->setAlignment(Qt::AlignCenter);
    scroller_->viewport()->installEventFilter(this);
    connect(view_, &Sky95::rubberBandReleased, this, &TWebForm::OnRubberBand);
    connect(view_, &Sky95::dragged, this, &TWebForm::OnDragged);
    connect(scroller_->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &TWebForm::SnapScrollBars);
    connect(scroller_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &TWebForm::SnapScrollBars);
    textView_ = new QPlainTextEdit;
    textView_->setReadOnly(true);
    textView_->setObjectName(QStringLiteral("textView"));
    hint_ = new QLabel(QString::fromLatin1(kStartHint));
    hint_->setObjectName(QStringLiteral("startHint"));
    hint_->setAlignment(Qt::AlignCenter);
    hint_->setWordWrap(true);
    hint_->setAutoFillBackground(true);
    stack_ = new QStackedWidget(this);
    stack_->addWidget(scroller_);
    stack_->addWidget(textView_);
    stack_->addWidget(hint_);
    setCentralWidget(stack_);
    BuildStatusBar();
    BuildMenus();
    BuildBars();
    imaging_.host = this;
    // Button tips also while the explorer or another window has the focus.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    resize(kDefaultWindowWidth, 600);
}

TWebForm::~TWebForm() {
    if (imaging_.host == this) imaging_.host = nullptr;
}

void TWebForm::SetDocument(ViewerDocument& document, const ViewerHistory& history,
                           Dialogs& dialogs) {
    document_ = &document;
    history_ = &history;
    dialogs_ = &dialogs;
    toolboxHost_ = std::make_unique<ViewerToolboxHost>(*this, imaging_, dialogs, recorder);
    document_->autoPlay = settings_.playerAutoPlayLoop;
    EnableCommands();
}

void TWebForm::SetUndo(UndoStore& undo) {
    undoStore_ = &undo;
}

bool TWebForm::TakeUndoCopy() {
    if (!undoStore_) return true;
    SetUndoEnabled(false);
    SetBusy(QStringLiteral("Creating backup..."));
    const bool kept = undoStore_->AutoBackUp(BatchRunning());
    StatusReady();
    if (!kept) SetStatusText(QStringLiteral("Error."));
    SetUndoEnabled(undoStore_->Available());
    return kept;
}

void TWebForm::UndoCommand() {
    if (!undoStore_ || !undoStore_->Available()) return;
    SetMouseTool(MouseTool::Hand);
    SetBusy(QStringLiteral("Loading backup..."));
    const bool undone = undoStore_->Undo();
    SetUndoEnabled(false);
    if (undone)
        RefreshAfterChange();
    else
        StatusReady();
}

void TWebForm::DiscardUndo() {
    if (undoStore_) undoStore_->Discard();
    SetUndoEnabled(false);
}

void TWebForm::SetUndoEnabled(bool on) {
    undoEnabled_ = on;
    if (QAction* undo = menus_->Action(kVwUndo)) undo->setEnabled(on);
}

// --- Menus and bars ---

namespace {

// The settings the on/off items of the View and Media menus switch, by ViewerToggle.
constexpr std::array<bool ViewerSettings::*, kToggleCount> kToggleSettings = {
    &ViewerSettings::menuBar,
    &ViewerSettings::toolBar,
    &ViewerSettings::pathBox,
    &ViewerSettings::statusBar,
    &ViewerSettings::buttonText,
    &ViewerSettings::upsampledFit,
    &ViewerSettings::autoSize,
    &ViewerSettings::autoCenter,
    &ViewerSettings::maxFullScreen,
    &ViewerSettings::fullScreenMenus,
    &ViewerSettings::playerStatusLine,
    &ViewerSettings::playerTrackBar,
    &ViewerSettings::playerControls,
    &ViewerSettings::playerMaxFullScreen,
    &ViewerSettings::playerAutoPlayLoop,
};

} // namespace

void TWebForm::BuildMenus() {
    menus_ = new ActionMenus(
        this, [this](int rule, int argument) { return RuleHolds(rule, argument); },
        [this](int command, int argument, bool checked) {
            RunCommand(command, argument, checked);
        });
    menus_->AddTo(menuBar(), ViewerMenuBar());
    // Until a document is set every command is enabled.
    menus_->RefreshChecked();
    SetUndoEnabled(false);
}

bool TWebForm::RuleHolds(int rule, int argument) const {
    if (rule == kVwSettingOn)
        return argument >= 0 && argument < kToggleCount &&
               settings_.*kToggleSettings[std::size_t(argument)];
    // Until a document is set, its commands stay enabled.
    if (!document_ || !history_) {
        switch (rule) {
        case kVwTwoEntries:
        case kVwOneEntry:
        case kVwCanReload:
        case kVwPagesShown:
        case kVwPictureCommands:
        case kVwNotMedia:
        case kVwMedia: return true;
        default: break;
        }
    }
    ViewerCommandState state;
    state.historyEntries = history_ ? history_->Count() : 0;
    if (document_) {
        state.reloadEnabled = document_->ReloadEnabled();
        state.mediaMode = document_->MediaMode();
        state.pageCommandsVisible = document_->PageCommandsVisible();
        state.pictureReady = document_->PictureReady();
        state.aspectMode = static_cast<int>(document_->aspectMode);
    }
    state.undoAvailable = undoEnabled_;
    state.fit = settings_.fitToWindow;
    state.fullScreen = fullScreen_;
    state.halfJpeg = halfJpeg_;
    state.exifOrientation = exifOrientation;
    state.mouseTool = view_->Tool() == MouseTool::Hand ? 0 : 1;
    state.imageBits = imaging_.descriptor.ImageBits;
    state.selection = !selection_.Empty();
    return ViewerRuleHolds(state, rule, argument);
}

// Every menu command of the window, by its number in the viewer's table.
void TWebForm::RunCommand(int command, int argument, bool checked) {
    switch (command) {
    case kVwSetting:
        if (argument < 0 || argument >= kToggleCount) return;
        settings_.*kToggleSettings[std::size_t(argument)] = checked;
        ApplySettings();
        if (argument == kToggleUpsampledFit) LayoutView();
        menus_->Refresh();
        return;
    case kVwStep: StepOrMoveInPathBox(static_cast<HistoryStep>(argument)); return;
    case kVwPage: ChangePageOrMoveInPathBox(argument); return;
    case kVwSaveAs: emit saveWanted(); return;
    case kVwExplorer: emit explorerWanted(); return;
    case kVwClose: emit closeCommandWanted(); return;
    case kVwUndo: UndoCommand(); return;
    case kVwEmptyClipboard: QGuiApplication::clipboard()->clear(); return;
    case kVwFit: SetFit(checked); return;
    case kVwFullScreen: SetFullScreen(!fullScreen_); return;
    case kVwMouseTool: SetMouseTool(argument == 0 ? MouseTool::Hand : MouseTool::Select); return;
    case kVwAspect: ChooseAspect(static_cast<AspectMode>(argument)); return;
    case kVwGamma: ViewGammaCommand(); return;
    case kVwExifOrientation:
        exifOrientation = checked;
        emit exifOrientationChanged();
        return;
    case kVwHalfJpeg:
        halfJpeg_ = checked;
        emit loadSettingsChanged();
        return;
    case kVwInfo: InfoCommand(); return;
    case kVwHistogram: HistogramCommand(); return;
    case kVwAnalyze: AnalyzeCommand(false, QGuiApplication::keyboardModifiers()); return;
    case kVwToolbox: RunToolboxCommand(std::string(ViewerToolboxWord(argument)).c_str()); return;
    case kVwAutoClean: RunToolboxOperation(AutoCleanOperation()); return;
    case kVwAutoSharpen: RunToolboxOperation(AutoSharpenOperation()); return;
    case kVwZoomIn: ZoomStep(1); return;
    case kVwZoomOut: ZoomStep(-1); return;
    case kVwZoomTo: ZoomToAsked(); return;
    case kVwZoomRegion: ZoomRegion(); return;
    case kVwFitWindow: FitWindowTo(argument); return;
    case kVwAdjustWindow:
        AdjustWindow(!(QApplication::keyboardModifiers() & Qt::ShiftModifier));
        return;
    case kVwViewport: CustomViewport(); return;
    case kVwSelectAll: SelectAll(); return;
    case kVwMask: AdjustSelection(); return;
    case kVwGrid: GridSelection(); return;
    case kVwPlayPause:
        if (media_) media_->PlayPause();
        return;
    case kVwStop:
        if (media_) media_->Stop();
        return;
    case kVwMemory: emit memoryWanted(); return;
    case kVwBatchEditor: emit batchEditorWanted(); return;
    case kVwRotate: RotateCommand(argument); return;
    case kVwAutoResize: AutoResizeCommand(); return;
    case kVwTextMark: TextMarkCommand(argument); return;
    case kVwEffect: EffectCommand(argument); return;
    case kVwResize: ResizeCommand(argument == 1); return;
    case kVwRotateAsked: RotateAskedCommand(argument); return;
    case kVwArtifacts: ArtifactsCommand(); return;
    case kVwBorder: BorderCommand(); return;
    case kVwReduceDithered: ReduceDitheredCommand(argument); return;
    case kVwTextMarkFont:
        if (dialogs_) dialogs_->ChooseFont(toolboxHost_->TextPainter()->style.font);
        return;
    case kVwTextMarkOutline:
        if (dialogs_) {
            TextMarkStyle& style = toolboxHost_->TextPainter()->style;
            if (const auto colour = dialogs_->ChooseColour(style.outline)) style.outline = *colour;
        }
        return;
    case kVwBatchPerform: emit batchPerformWanted(); return;
    case kVwBatchConvert: emit batchConvertWanted(argument); return;
    case kVwSlideAlbum: emit slideAlbumWanted(); return;
    case kVwBookmarksAlbum: emit bookmarksAlbumWanted(); return;
    case kVwJpegCompress: emit jpegCompressWanted(); return;
    default: break;
    }
    // The document's own commands.
    if (!document_) return;
    switch (command) {
    case kVwOpen: document_->OpenFromDialog(); break;
    case kVwReload: document_->Reload(); break;
    case kVwNew: document_->NewPicture(); break;
    case kVwPasteImage: document_->PastePicture(); break;
    case kVwClearHistory: document_->ClearHistory(); break;
    case kVwViewBookmarks:
        if (isVisible()) document_->ViewBookmarks(pathBox_->currentText().toStdString());
        break;
    case kVwSortBookmarks: document_->SortBookmarks(); break;
    case kVwLoadList: document_->LoadPictureListChosen(); break;
    case kVwSaveList: document_->SavePictureListChosen(); break;
    case kVwMoveUp: document_->MoveUp(); break;
    case kVwMoveDown: document_->MoveDown(); break;
    case kVwUnmark: document_->Unmark(); break;
    case kVwFolderStep: document_->StepInFolder(argument); break;
    default: break;
    }
}

// The menu item's caption, as the button's tip.
QString TWebForm::CaptionOf(int command, int argument) const {
    QString caption;
    if (const QAction* action = menus_->Action(command, argument))
        caption = action->text();
    else if (const QMenu* menu = menus_->SubMenu(command))
        caption = menu->title();
    caption = caption.section(QLatin1Char('\t'), 0, 0);
    caption.remove(QLatin1Char('&'));
    return caption;
}

QAction* TWebForm::AddButton(const char* text, const char* themeIcon,
                             QStyle::StandardPixmap fallback, int command, int argument) {
    QAction* button = toolBar_->addAction(ThemeIcon(themeIcon, style()->standardIcon(fallback)),
                                          QString::fromLatin1(text));
    const QString tip = CaptionOf(command, argument);
    if (!tip.isEmpty()) button->setToolTip(tip);
    return button;
}

void TWebForm::BuildBars() {
    UseDesktopIconTheme();
    toolBar_ = addToolBar(QStringLiteral("Tool bar"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMovable(false);
    QAction* open = AddButton("Open", "document-open", QStyle::SP_DialogOpenButton, kVwOpen);
    connect(open, &QAction::triggered, this, [this] {
        if (document_) document_->OpenFromDialog();
    });
    QAction* saveButton =
        AddButton("Save", "document-save", QStyle::SP_DialogSaveButton, kVwSaveAs);
    connect(saveButton, &QAction::triggered, this, &TWebForm::saveWanted);
    pictureCommands_ << saveButton;
    QAction* back = AddButton("Back", "go-previous", QStyle::SP_ArrowBack, kVwStep,
                              static_cast<int>(HistoryStep::Previous));
    connect(back, &QAction::triggered, this,
            [this] { StepOrMoveInPathBox(HistoryStep::Previous); });
    QAction* next = AddButton("Next", "go-next", QStyle::SP_ArrowForward, kVwStep,
                              static_cast<int>(HistoryStep::Next));
    connect(next, &QAction::triggered, this, [this] { StepOrMoveInPathBox(HistoryStep::Next); });
    needTwoEntries_ << back << next;
    pageButton_ =
        AddButton("Page", "go-down", QStyle::SP_FileDialogDetailedView, kVwPage, kPageNext);
    connect(pageButton_, &QAction::triggered, this, [this] {
        if (document_) document_->ChangePage(kPageNext);
    });
    BuildViewButtons();
    QAction* explore = AddButton("Explore", "folder-open", QStyle::SP_DirOpenIcon, kVwExplorer);
    connect(explore, &QAction::triggered, this, &TWebForm::explorerWanted);
    QAction* bookmarks =
        AddButton("Bookmarks", "user-bookmarks", QStyle::SP_DirHomeIcon, kVwBookmarksMenu);
    connect(bookmarks, &QAction::triggered, this,
            [this] { menus_->SubMenu(kVwBookmarksMenu)->popup(QCursor::pos()); });
    QAction* unmark = AddButton("Cut/Unmark", "edit-cut", QStyle::SP_TrashIcon, kVwUnmark);
    connect(unmark, &QAction::triggered, this, [this] {
        if (document_) document_->Unmark();
    });
    needOneEntry_ << unmark;

    addToolBarBreak();
    pathRow_ = addToolBar(QStringLiteral("Path box"));
    pathRow_->setObjectName(QStringLiteral("pathBox"));
    pathRow_->setMovable(false);
    pathBox_ = new QComboBox(pathRow_);
    pathBox_->setEditable(true);
    pathBox_->setObjectName(QStringLiteral("History"));
    pathBox_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    pathBox_->setMinimumWidth(64);
    pathBox_->setInsertPolicy(QComboBox::NoInsert);
    pathBox_->lineEdit()->installEventFilter(this);
    connect(pathBox_->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        if (document_) document_->PathBoxEnter(pathBox_->currentText().toStdString());
    });
    pathRow_->addWidget(pathBox_);
}

void TWebForm::BuildStatusBar() {
    statusLabel_ = new QLabel(this);
    statusLabel_->setFixedWidth(kStatusTextWidth);
    zoomLabel_ = new QLabel(QStringLiteral("100%"), this);
    pictureLine_ = new QLabel(this);
    statusBar()->addWidget(statusLabel_);
    statusBar()->addWidget(zoomLabel_);
    statusBar()->addWidget(pictureLine_);
    statusBar()->addWidget(new QLabel(this), 1);
}

// With captions the buttons take small icons and captions at least a point
// smaller than the menus', down to 7 points while the row of fifteen is
// wider than the window's default width.
void TWebForm::SetButtonText(bool on) {
    const int icon =
        style()->pixelMetric(on ? QStyle::PM_SmallIconSize : QStyle::PM_ToolBarIconSize);
    toolBar_->setIconSize({icon, icon});
    toolBar_->setToolButtonStyle(on ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    QFont captions = font();
    toolBar_->setFont(captions);
    if (!on || captions.pointSizeF() <= 0) return; // a font sized in pixels stays
    constexpr double kSmallest = 7;
    constexpr int kRoom = kDefaultWindowWidth - 16; // the frame and the bar's own margins
    double points = std::max(kSmallest, captions.pointSizeF() - 1);
    for (;; points -= 0.5) {
        captions.setPointSizeF(points);
        toolBar_->setFont(captions);
        if (points <= kSmallest || toolBar_->sizeHint().width() <= kRoom) break;
    }
}

void TWebForm::ApplySettings() {
    scroller_->setBackgroundRole(QPalette::Window);
    QPalette palette = scroller_->palette();
    palette.setColor(QPalette::Window, ColourOf(settings_.backColour));
    scroller_->setPalette(palette);
    view_->SetBackground(ColourOf(settings_.backColour));
    QPalette hintColours = hint_->palette();
    const QColor back = ColourOf(settings_.backColour);
    hintColours.setColor(QPalette::Window, back);
    hintColours.setColor(QPalette::WindowText,
                         back.lightness() < 128 ? QColor(200, 200, 200) : QColor(60, 60, 60));
    hint_->setPalette(hintColours);
    if (document_) document_->slideBackground = settings_.backColour;
    menuBar()->setVisible(settings_.menuBar);
    toolBar_->setVisible(settings_.toolBar && !settings_.mergeToolBar);
    SetButtonText(settings_.buttonText && settings_.toolBar);
    pathRow_->setVisible(settings_.pathBox);
    statusBar()->setVisible(settings_.statusBar && !media_);
    if (document_) document_->autoPlay = settings_.playerAutoPlayLoop;
    if (media_) {
        media_->SetBars(BarsForMedia());
        media_->SetLoop(settings_.playerAutoPlayLoop);
    }
}

// --- What the document shows ---

void TWebForm::RefreshCaption() {
    setWindowTitle(document_ ? Qt(document_->Caption()) : QString::fromLatin1(kProgramTitle));
}

std::string TWebForm::CurrentPath() const {
    return document_ ? document_->CurrentPath() : std::string(kUntitled);
}

QString TWebForm::StatusText() const {
    return statusLabel_->text();
}

QString TWebForm::PictureLineText() const {
    return pictureLine_->text();
}

void TWebForm::ShowStack(QWidget* page) {
    stack_->setCurrentWidget(page);
}

void TWebForm::ShowEmptyPicture() {
    Bitmap& picture = imaging_.current;
    {
        std::lock_guard surface(picture.Surface());
        picture.Create(16, 16, PixelFormat::Bits24);
        FillTrueColour(picture, settings_.backColour);
    }
    imaging_.descriptor.ImageWidth = 16;
    imaging_.descriptor.ImageHeight = 16;
    imaging_.descriptor.ImageBits = 24;
    ShowPicture();
    RefreshCaption();
}

void TWebForm::ShowStartHint() {
    ShowStack(hint_);
}

void TWebForm::ShowPicture() {
    if (stack_->currentWidget() == textView_ || stack_->currentWidget() == hint_)
        ShowStack(scroller_);
    view_->Show(&imaging_.current);
    LayoutView();
}

// A picture just opened or made: 100 %, no selection, and with Auto Size a
// window that fits it.
void TWebForm::ShowNewPicture() {
    ShowStack(scroller_);
    zoomPercent_ = 100;
    SetMouseTool(MouseTool::Hand);
    lastSelection_ = {};
    ShowPicture();
    if (settings_.autoSize && !settings_.fitToWindow && !fullScreen_) SizeWindowToPicture();
}

void TWebForm::PictureShown() {
    ShowNewPicture();
    RefreshCaption();
}

void TWebForm::ShowTextFile(const std::string& path) {
    try {
        textView_->setPlainText(Qt(ReadTextForDisplay(path)));
    } catch (const std::exception& error) {
        textView_->setPlainText(QString::fromLocal8Bit(error.what()));
    }
    ShowStack(textView_);
    SetStatusText(QStringLiteral("Ready."));
}

bool TWebForm::RenderMetafile(const std::string& path, Bitmap& picture) {
    return zv::RenderMetafile(path, settings_.backColour, picture);
}

void TWebForm::ShowZipArchive(const std::string& path) {
    if (zipArchiveWanted)
        zipArchiveWanted(path);
    else if (dialogs_)
        dialogs_->Information(kZipWaitsText);
}

void TWebForm::PlayScript(const std::string&) {
    if (dialogs_) dialogs_->Information(kScriptWaitsText);
}

void TWebForm::ShowFolderInExplorer(const std::string& folder) {
    emit folderExploreWanted(Qt(folder));
}

std::optional<NewPictureRequest> TWebForm::AskNewPictureSize() {
    if (!dialogs_) return std::nullopt;
    const QScreen* screen = this->screen();
    const QSize initial = screen ? screen->size() : QSize(800, 600);
    SizeDialogRequest request;
    request.width = initial.width();
    request.height = initial.height();
    request.title = "New Image";
    request.mode = kSizeDialogColourMode;
    request.widthLimit = kNewImageLimit;
    request.heightLimit = kNewImageLimit;
    SizeDialogModel model(request);
    dialogs_->SizeDialog(model);
    const std::optional<SizeDialogResult> size = model.Result();
    if (!size) return std::nullopt;
    return NewPictureRequest{size->width, size->height, size->colour};
}

bool TWebForm::ClipboardHasPicture() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

bool TWebForm::ReadClipboardPicture(Bitmap& picture) {
    return BitmapOfImage(QGuiApplication::clipboard()->image(), picture);
}

void TWebForm::SetStatusText(const QString& text) {
    statusLabel_->setText(text);
}

void TWebForm::SetStatusText(const std::string& text) {
    SetStatusText(Qt(text));
}

ViewArea TWebForm::ViewSize() const {
    const QSize size = scroller_->viewport()->size();
    return {size.width(), size.height()};
}

void TWebForm::SetBusy(const QString& doing) {
    SetStatusText(QStringLiteral("Busy..."));
    pictureLine_->setText(doing);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TWebForm::StatusReady() {
    SetStatusText(QStringLiteral("Ready."));
    if (document_) pictureLine_->setText(Qt(document_->PictureLine()));
    view_->update();
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void TWebForm::RefreshAfterChange() {
    if (document_) document_->PictureChanged();
    if (!settings_.fitToWindow) zoomPercent_ = 100;
    view_->Show(&imaging_.current);
    LayoutView();
    DocumentChanged();
    StatusReady();
}

void TWebForm::DocumentChanged() {
    RefreshCaption();
    PutBackPath();
    const QString line = document_ ? Qt(document_->PictureLine()) : QString();
    pictureLine_->setText(line);
    pictureLine_->setFixedWidth(pictureLine_->fontMetrics().horizontalAdvance(line) +
                                kPictureLineMargin);
    EnableCommands();
    EnableViewCommands();
}

void TWebForm::EnableCommands() {
    if (!document_ || !history_) return;
    const int entries = history_->Count();
    menus_->Refresh();
    for (QAction* action : std::as_const(needTwoEntries_)) action->setEnabled(entries > 1);
    for (QAction* action : std::as_const(needOneEntry_)) action->setEnabled(entries > 0);
    pageButton_->setEnabled(document_->PageCommandsVisible());
    for (QAction* action : std::as_const(pictureCommands_))
        action->setEnabled(document_->PictureReady() && !document_->MediaMode());
}

// The path box shows the current history entry.
void TWebForm::PutBackPath() {
    if (!history_) return;
    pathBox_->setEditText(Qt(history_->Current()));
}

// --- Stepping, pages and the path box ---

void TWebForm::StepOrMoveInPathBox(HistoryStep step) {
    QLineEdit* line = pathBox_->lineEdit();
    if (line->hasFocus() && (step == HistoryStep::First || step == HistoryStep::Last)) {
        step == HistoryStep::First ? line->home(false) : line->end(false);
        return;
    }
    if (document_) document_->Step(step);
}

void TWebForm::ChangePageOrMoveInPathBox(int tag) {
    QLineEdit* line = pathBox_->lineEdit();
    if (line->hasFocus() && (tag == kPageFirst || tag == kPageLast)) {
        tag == kPageFirst ? line->home(false) : line->end(false);
        return;
    }
    if (document_) document_->ChangePage(tag);
}

bool TWebForm::eventFilter(QObject* watched, QEvent* event) {
    // Ctrl + wheel zooms around the pointer; the plain wheel scrolls.
    if (watched == scroller_->viewport() && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers().testFlag(Qt::ControlModifier)) {
            if (const int turn = wheel->angleDelta().y())
                ZoomAround(turn > 0 ? 1 : -1, wheel->position().toPoint());
            return true;
        }
    }
    if (pathBox_ && watched == pathBox_->lineEdit() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        PutBackPath();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- Media mode ---

MediaBars TWebForm::BarsForMedia() const {
    if (settings_.playerMaxFullScreen && isFullScreen()) return {false, false, false};
    return {settings_.playerStatusLine, settings_.playerTrackBar, settings_.playerControls};
}

bool TWebForm::EnterMediaMode(const std::string& path) {
    if (!media_) {
        media_ = new MediaPanel;
        if (!media_->IsAvailable()) {
            delete media_;
            media_ = nullptr;
            if (dialogs_) dialogs_->Warning(kMediaPlayerMissingText);
            return false;
        }
        connect(media_, &MediaPanel::opened, this, &TWebForm::MediaOpened);
        connect(media_, &MediaPanel::failed, this, &TWebForm::MediaFailed);
        connect(media_, &MediaPanel::contextMenuWanted, this,
                [this](QPoint at) { menus_->SubMenu(kVwBookmarksMenu)->popup(at); });
        stack_->addWidget(media_);
    }
    statusBar()->hide();
    settings_.playerStatusHeight = media_->StatusLineHeight();
    settings_.playerTrackHeight = media_->TrackBarHeight();
    settings_.playerControlsHeight = media_->ControlsHeight();
    media_->SetBars(BarsForMedia());
    media_->SetLoop(settings_.playerAutoPlayLoop);
    media_->SetFit(settings_.fitToWindow);
    ShowStack(media_);
    playWhenOpened_ = false;
    media_->Open(Qt(path));
    return true;
}

void TWebForm::ChangeMediaFile(const std::string& path) {
    if (!media_) return;
    media_->Stop();
    playWhenOpened_ = false;
    media_->Open(Qt(path));
}

void TWebForm::PlayMedia() {
    if (!media_) return;
    if (media_->IsOpen())
        media_->Play();
    else
        playWhenOpened_ = true;
}

void TWebForm::MediaOpened() {
    const QSize video = media_->VideoSize();
    if (settings_.autoSize && !isFullScreen() && video.isValid() && !video.isEmpty()) {
        int height = video.height();
        const MediaBars bars = BarsForMedia();
        if (bars.statusLine) height += media_->StatusLineHeight();
        if (bars.trackBar) height += media_->TrackBarHeight();
        if (bars.controls) height += media_->ControlsHeight();
        const QSize client = stack_->size();
        resize(size() + QSize(video.width(), height) - client);
    }
    if (playWhenOpened_) media_->Play();
    playWhenOpened_ = false;
}

void TWebForm::MediaFailed() {
    if (dialogs_) dialogs_->Warning(kMediaUnsupportedText);
    if (document_) document_->MediaFailed();
}

void TWebForm::LeaveMediaMode() {
    if (!media_) return;
    media_->Close();
    stack_->removeWidget(media_);
    media_->deleteLater();
    media_ = nullptr;
    playWhenOpened_ = false;
    ShowStack(scroller_);
    statusBar()->setVisible(settings_.statusBar && !isFullScreen());
}

// --- Window events ---

void TWebForm::SetShortcutsEnabled(bool on) {
    for (QAction* action : findChildren<QAction*>())
        action->setShortcutContext(on ? Qt::WindowShortcut : Qt::WidgetShortcut);
}

void TWebForm::closeEvent(QCloseEvent* event) {
    if (!closeRequested || closeRequested())
        event->accept();
    else
        event->ignore();
}

void TWebForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    SetShortcutsEnabled(true);
    if (!activated_) {
        activated_ = true;
        setAcceptDrops(true);
        // Once the window is up, so the start-up work sees it on screen.
        QTimer::singleShot(0, this, &TWebForm::firstActivation);
        // The window manager places a new window in its first moments; only
        // later moves and resizes are the user's.
        QTimer::singleShot(1000, this, [this] { placementSettled_ = true; });
    }
}

void TWebForm::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    SetShortcutsEnabled(false);
}

void TWebForm::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (isVisible() && placementSettled_) userMovedWindow = true;
}

void TWebForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (isVisible() && placementSettled_) userMovedWindow = true;
}

void TWebForm::mousePressEvent(QMouseEvent* event) {
    const Qt::MouseButton button = event->button();
    if (document_ && (button == Qt::BackButton || button == Qt::ForwardButton)) {
        document_->StepInFolder(button == Qt::ForwardButton ? 1 : -1);
        return;
    }
    QMainWindow::mousePressEvent(event);
}

void TWebForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TWebForm::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    if (paths.empty() || !document_) return;
    event->acceptProposedAction();
    raise();
    activateWindow();
    document_->OpenDropped(paths);
}

} // namespace zv
