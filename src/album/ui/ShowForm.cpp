#include "album/ui/ShowForm.h"

#include "album/AlbumControls.h"
#include "album/ui/ShowFormModel.h"
#include "catalog/ThumbPicture.h"
#include "catalog/ThumbStates.h"
#include "imaging/ui/BitmapImage.h"
#include "platform/qt/ActionMenus.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QProgressDialog>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace zv {

namespace {

QString Qt(const std::string& text) {
    return QString::fromStdString(text);
}

QString Caption(std::string_view caption) {
    return QString::fromUtf8(caption.data(), static_cast<int>(caption.size()));
}

// The properties box's lines for one slide.
QString PropertiesText(const SlideAlbum& album, int position) {
    const SlideRecord& r = album.Slide(position);
    QStringList lines;
    lines << Qt(album.SlidePath(position));
    if (KindOf(r) == SlideKind::CdTrack)
        lines << QStringLiteral("CD Track: %1").arg(r.effect);
    else if (r.effect != kNotApplicable)
        lines << QStringLiteral("Effect: %1").arg(r.effect);
    lines << QStringLiteral("Wait: %1 second(s)").arg(r.wait);
    if (r.zoom != kNotApplicable) lines << QStringLiteral("Zoom: %1").arg(r.zoom);
    if (r.rotate != kNotApplicable) lines << QStringLiteral("Rotate: %1 deg.").arg(r.rotate);
    if (r.gamma != kNotApplicable)
        lines << (r.gamma == 100 ? QStringLiteral("Gamma: None")
                                 : QStringLiteral("Gamma: %1").arg(r.gamma / 100.0));
    if (r.posX != kNotApplicable)
        lines << (r.posX < 0 ? QStringLiteral("Position [x,y]: Auto")
                             : QStringLiteral("Position [x,y]: %1,%2").arg(r.posX).arg(r.posY));
    if (r.panelW != kNotApplicable)
        lines << (r.panelW < 0 ? QStringLiteral("Panel [w,h]: Auto")
                               : QStringLiteral("Panel [w,h]: %1,%2").arg(r.panelW).arg(r.panelH));
    if (const std::string_view comment = album.CommentOf(position); !comment.empty())
        lines << Qt(std::string(comment));
    return lines.join(QStringLiteral("   "));
}

// A thumbnail of the box's size with the icon in its middle.
Bitmap IconThumbnail(const QIcon& icon, const SlideThumbSettings& settings) {
    const ThumbBox box = settings.box;
    QImage image(box.ThumbWidth, box.ThumbHeight, QImage::Format_RGB32);
    const PaletteEntry background = ThumbBackground(settings.colour);
    image.fill(QColor(background.red, background.green, background.blue));
    const int side = std::max(1, std::min(box.ThumbWidth, box.ThumbHeight) - 2);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRect((box.ThumbWidth - side) / 2, (box.ThumbHeight - side) / 2, side, side),
                       icon.pixmap(side, side));
    painter.end();
    Bitmap bitmap;
    BitmapOfImage(image, bitmap);
    return bitmap;
}

QIcon KindIcon(const SlideRecord& record) {
    QStyle* style = QApplication::style();
    switch (KindOf(record)) {
    case SlideKind::CdTrack: return style->standardIcon(QStyle::SP_DriveCDIcon);
    case SlideKind::Sound: return style->standardIcon(QStyle::SP_MediaVolume);
    default: return style->standardIcon(QStyle::SP_FileIcon);
    }
}

} // namespace

// The progress of the album's long commands: shown only when a command
// lasts, Cancel sets the stop flag the walks test.
class AlbumProgress : public QProgressDialog, public Progress {
public:
    explicit AlbumProgress(QWidget* parent) : QProgressDialog(parent) {
        setWindowModality(::Qt::WindowModal);
        setMinimumDuration(500);
        setRange(0, 100);
        reset();
    }
    void Update() override {
        setLabelText(QString::fromStdString(Text()));
        setValue(std::min(Percent(0), 99));
        if (wasCanceled()) RequestStop();
    }
    void Finish() {
        reset();
        ResetStop();
    }
};

TShowForm::TShowForm(ShowFormServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)) {
    if (!services_.cacheRoot.empty()) {
        variantFolder_ = SlideVariantFolder(services_.cacheRoot, services_.thumbs);
        services_.host.thumbRoot = variantFolder_;
    }
    if (!services_.thumbs.iconThumb)
        services_.thumbs.iconThumb = [this](const SlideRecord& record) {
            return IconThumbnail(KindIcon(record), services_.thumbs);
        };
    progress_ = new AlbumProgress(this);
    if (!services_.host.progress) services_.host.progress = progress_;
    editor_ = std::make_unique<AlbumEditor>(services_.host);
    setAcceptDrops(true);
    BuildViews();
    BuildMenus();
    BuildToolBar();
    idle_ = new QTimer(this);
    idle_->setInterval(0);
    connect(idle_, &QTimer::timeout, this, [this] {
        if (!ThumbStep()) idle_->stop();
    });
    resize(720, 480);
    RestoreControls();
    Refresh();
}

TShowForm::~TShowForm() {
    // The views and their model go first: they read the album, which the
    // editor below them owns.
    idle_->stop();
    autoScroll_->stop();
    delete stack_;
    delete model_;
}

void TShowForm::BuildViews() {
    model_ = new ShowFormModel(
        *editor_, [this](int position) { return ThumbOf(position); }, this);
    details_ = new QTreeView(this);
    details_->setObjectName(QStringLiteral("slideDetails"));
    details_->setModel(model_);
    details_->setRootIsDecorated(false);
    details_->setUniformRowHeights(true);
    details_->setAllColumnsShowFocus(true);
    details_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    details_->setSelectionBehavior(QAbstractItemView::SelectRows);
    details_->header()->setSectionsClickable(true);
    connect(details_->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        PullSelection();
        editor_->ColumnClicked(column);
        Refresh();
    });

    thumbnails_ = new QListView(this);
    thumbnails_->setObjectName(QStringLiteral("slideThumbnails"));
    thumbnails_->setModel(model_);
    thumbnails_->setSelectionModel(details_->selectionModel());
    thumbnails_->setViewMode(QListView::IconMode);
    thumbnails_->setMovement(QListView::Static);
    thumbnails_->setResizeMode(QListView::Adjust);
    thumbnails_->setUniformItemSizes(true);
    thumbnails_->setLayoutMode(QListView::Batched);
    thumbnails_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    const ThumbBox box = services_.thumbs.box;
    thumbnails_->setIconSize(QSize(box.ThumbWidth, box.ThumbHeight));

    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(details_),
                                    static_cast<QAbstractItemView*>(thumbnails_)}) {
        view->setContextMenuPolicy(::Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](QPoint at) { ShowPopup(view->viewport()->mapToGlobal(at)); });
        connect(view, &QAbstractItemView::doubleClicked, this,
                [this](const QModelIndex&) { RunCommand(kAlOpenSource); });
    }
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(details_),
                                    static_cast<QAbstractItemView*>(thumbnails_)}) {
        view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        view->viewport()->installEventFilter(this);
        view->installEventFilter(this);
    }
    autoScroll_ = new QTimer(this);
    autoScroll_->setInterval(50);
    connect(autoScroll_, &QTimer::timeout, this, &TShowForm::AutoScroll);
    connect(details_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (syncing_) return;
        PullSelection();
        ShowProperties();
        menus_->Refresh();
    });
    connect(details_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (syncing_) return;
                editor_->SetCurrent(current.isValid() ? current.row() : -1);
                status_->setText(Qt(editor_->StatusText()));
            });

    stack_ = new QStackedWidget(this);
    stack_->addWidget(details_);
    stack_->addWidget(thumbnails_);
    properties_ = new QLabel(this);
    properties_->setObjectName(QStringLiteral("propertiesBox"));
    properties_->setTextInteractionFlags(::Qt::TextSelectableByMouse);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stack_, 1);
    layout->addWidget(properties_);
    setCentralWidget(central);

    status_ = new QLabel(this);
    thumbStatus_ = new QLabel(this);
    statusBar()->addWidget(status_, 1);
    statusBar()->addWidget(thumbStatus_);
}

void TShowForm::BuildMenus() {
    menus_ = new ActionMenus(
        this, [this](int rule, int argument) { return editor_->Rule(rule, argument); },
        [this](int command, int argument, bool) { RunCommand(command, argument, Shift()); });
    menus_->AddTo(menuBar(), AlbumMenuBar());
    commandsMenu_ = menus_->Popup(AlbumCommandsMenu());
    propertiesMenu_ = menus_->Popup(AlbumPropertiesMenu());
}

void TShowForm::BuildToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Tool bar"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMovable(false);
    for (const MenuItem& item : AlbumToolBar()) {
        if (item.kind == MenuItemKind::Separator) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* action = toolBar_->addAction(Caption(item.caption));
        action->setCheckable(item.checked != kRuleAlways);
        const int command = item.command, argument = item.argument;
        if (command != 0)
            connect(action, &QAction::triggered, this,
                    [this, command, argument] { RunCommand(command, argument, Shift()); });
        toolActions_.emplace_back(action, item);
    }
}

bool TShowForm::Shift() const {
    return QApplication::keyboardModifiers().testFlag(::Qt::ShiftModifier);
}

void TShowForm::ShowPopup(const QPoint& global) {
    PullSelection();
    menus_->Refresh();
    (editor_->AlbumMenuMode() ? commandsMenu_ : propertiesMenu_)->popup(global);
}

// The view's selection into the editor.
void TShowForm::PullSelection() {
    editor_->ClearSelection();
    const int count = editor_->Count();
    for (const QItemSelectionRange& range : details_->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom() && row < count; ++row)
            editor_->Select(row, true);
    const QModelIndex current = details_->selectionModel()->currentIndex();
    editor_->SetCurrent(current.isValid() ? current.row() : -1);
}

// The editor's selection into the view, as runs of rows.
void TShowForm::PushSelection() {
    syncing_ = true;
    QItemSelection selection;
    const int count = editor_->Count();
    for (int row = 0; row < count;) {
        if (!editor_->Selected(row)) {
            ++row;
            continue;
        }
        const int first = row;
        while (row < count && editor_->Selected(row)) ++row;
        selection.select(model_->index(first, 0), model_->index(row - 1, kAlbumColumnCount - 1));
    }
    QItemSelectionModel* model = details_->selectionModel();
    model->select(selection, QItemSelectionModel::ClearAndSelect);
    const int current = editor_->Current();
    if (current >= 0 && current < count) {
        model->setCurrentIndex(model_->index(current, 0), QItemSelectionModel::NoUpdate);
        (editor_->View().details ? static_cast<QAbstractItemView*>(details_)
                                 : static_cast<QAbstractItemView*>(thumbnails_))
            ->scrollTo(model_->index(current, 0));
    }
    syncing_ = false;
}

void TShowForm::RunCommand(int command, int argument, bool shift) {
    if (command == kAlClose) {
        close();
        return;
    }
    if (command == kAlTile) {
        emit tileWanted(QApplication::keyboardModifiers() &
                        (::Qt::ShiftModifier | ::Qt::ControlModifier));
        return;
    }
    if (editor_->Busy()) return;
    PullSelection();
    editor_->Run(command, argument, shift);
    progress_->Finish();
    Refresh();
}

void TShowForm::Refresh() {
    model_->Reload();
    PushSelection();
    ApplyViewState();
    status_->setText(Qt(editor_->StatusText()));
    setWindowTitle(Qt(editor_->Caption()));
    ShowProperties();
    menus_->Refresh();
    for (auto& [action, item] : toolActions_) {
        action->setEnabled(
            item.enabled == kRuleAlways ||
            (item.enabled != kRuleNever && editor_->Rule(item.enabled, item.argument)));
        if (action->isCheckable()) action->setChecked(editor_->Rule(item.checked, item.argument));
    }
    if (editor_->TakeCheckThumbsRequest()) CheckThumbs();
    if (editor_->ThumbsWanted())
        StartThumbs();
    else
        thumbStatus_->clear();
}

void TShowForm::ApplyViewState() {
    const AlbumViewState& view = editor_->View();
    stack_->setCurrentWidget(view.details ? static_cast<QWidget*>(details_) : thumbnails_);
    toolBar_->setVisible(view.toolBar);
    toolBar_->setToolButtonStyle(view.buttonText ? ::Qt::ToolButtonTextOnly
                                                 : ::Qt::ToolButtonIconOnly);
    statusBar()->setVisible(view.statusBar);
    properties_->setVisible(view.propertiesBox);
    const ThumbBox box = services_.thumbs.box;
    const int line = fontMetrics().height();
    const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    thumbnails_->setGridSize(
        view.tightSpacing ? QSize(box.ThumbWidth + 8 * dpi / 96, box.ThumbHeight + 2 * line + 8)
                          : QSize());
    ApplyColumns();
}

void TShowForm::ApplyColumns() {
    const AlbumColumnSet set = editor_->View().columns;
    for (int column = 0; column < kAlbumColumnCount; ++column) {
        const int width = AlbumColumnWidth(set, column);
        details_->setColumnHidden(column, width == 0);
        if (width > 0) details_->setColumnWidth(column, width);
    }
}

void TShowForm::ShowProperties() {
    const int current = editor_->Current();
    properties_->setText(current >= 0 && current < editor_->Count()
                             ? PropertiesText(editor_->Album(), current)
                             : QString());
}

QString TShowForm::StatusText() const {
    return status_->text();
}

void TShowForm::ShowWindow() {
    show();
    raise();
    activateWindow();
}

bool TShowForm::OpenAlbum(const std::string& path) {
    ShowWindow();
    if (editor_->Count() > 0 && editor_->Unsaved() &&
        services_.host.dialogs.Box(BoxKind::Confirmation, "Discard slideshow/album?",
                                   Buttons::OkCancel) != Answer::Ok)
        return false;
    const bool opened = editor_->OpenFile(path);
    Refresh();
    return opened;
}

// -------------------------------------------------------------------------
// Thumbnails

QPixmap TShowForm::ThumbOf(int position) {
    if (variantFolder_.empty()) return {};
    const std::filesystem::path path = editor_->ThumbPath(position);
    SlideRecord& record = editor_->MutableAlbum().Slide(position);
    std::filesystem::path shown = path;
    if (!ThumbPresent(path)) {
        if (record.thumbState == kThumbTooLarge) {
            shown = variantFolder_ / GenericThumbName(kGenericTooLargeThumb);
        } else if (record.thumbState == kThumbFailed) {
            shown = variantFolder_ / GenericThumbName(kGenericFailedThumb);
        } else {
            record.thumbState = kThumbPending;
            return {};
        }
    } else if (record.thumbState == kThumbPending) {
        record.thumbState = kThumbMade;
    }
    QPixmap pixmap;
    const QString key = QString::fromStdString(shown.string());
    if (!QPixmapCache::find(key, &pixmap) && pixmap.load(key)) QPixmapCache::insert(key, pixmap);
    return pixmap;
}

void TShowForm::StartThumbs() {
    if (variantFolder_.empty()) {
        editor_->SetThumbsWanted(false);
        return;
    }
    MakePlaceholders();
    if (!idle_->isActive()) idle_->start();
}

// The shared pictures of slides too large for a thumbnail and of failed ones.
void TShowForm::MakePlaceholders() {
    QStyle* style = QApplication::style();
    const std::pair<int, QStyle::StandardPixmap> placeholders[] = {
        {kGenericTooLargeThumb, QStyle::SP_ComputerIcon},
        {kGenericFailedThumb, QStyle::SP_MessageBoxWarning},
    };
    for (const auto& [number, icon] : placeholders) {
        const std::filesystem::path path = variantFolder_ / GenericThumbName(number);
        if (ThumbPresent(path)) continue;
        try {
            std::filesystem::create_directories(variantFolder_);
            SaveThumbnail(path, ThumbAtDisplayDepth(
                                    IconThumbnail(style->standardIcon(icon), services_.thumbs),
                                    services_.thumbs.screenBits, services_.thumbs.dither));
        } catch (const std::exception&) {
            // without a placeholder such slides are drawn empty
        }
    }
}

bool TShowForm::ThumbStep() {
    if (!editor_->ThumbsWanted() || editor_->Busy()) return false;
    SlideAlbum& album = editor_->MutableAlbum();
    const int position = NextPendingSlide(album, thumbCursor_);
    if (position < 0) {
        editor_->SetThumbsWanted(false);
        thumbStatus_->setText(QStringLiteral("Thumbs:100%"));
        return false;
    }
    MakeSlideThumb(album, position, editor_->ThumbPath(position), services_.thumbs);
    // A slide that could not be worked on (an empty file) is passed over.
    if (album.Slide(position).thumbState == kThumbPending)
        album.Slide(position).thumbState = kThumbTooLarge;
    thumbCursor_ = position + 1;
    thumbStatus_->setText(
        QStringLiteral("Thumbs:%1%").arg(static_cast<qint64>(position + 1) * 100 / album.Count()));
    model_->RowChanged(position);
    return true;
}

void TShowForm::CheckThumbs() {
    if (variantFolder_.empty()) return;
    SlideAlbum& album = editor_->MutableAlbum();
    editor_->ClearSelection();
    int invalid = 0;
    bool interrupted = false;
    int shownPercent = -1;
    for (int i = 0; i < album.Count(); ++i) {
        if (progress_->Stopped()) {
            interrupted = true;
            break;
        }
        const std::filesystem::path path = editor_->ThumbPath(i);
        MakeSlideThumb(album, i, path, services_.thumbs);
        if (!ThumbPresent(path)) {
            editor_->Select(i, true);
            ++invalid;
        }
        if (const int percent = static_cast<int>(std::int64_t{i + 1} * 100 / album.Count());
            percent != shownPercent) {
            shownPercent = percent;
            progress_->SetText("Validating/adding new thumbnails ... " + std::to_string(percent) +
                               "% thumbnailed.  ");
            progress_->SetBar(0, i + 1, album.Count());
        }
    }
    progress_->Finish();
    editor_->SetThumbsWanted(false);
    model_->Reload();
    PushSelection();
    if (interrupted) {
        if (!services_.host.dialogs.AskYesNo(
                "Thumbnail checks interrupted.\nAssume thumbnails are done?"))
            editor_->SetThumbsWanted(true);
        return;
    }
    if (invalid == 0) return;
    const std::string question =
        std::to_string(invalid) +
        " invalid thumbnails found; these items may interfere with\naccurate image matches and "
        "ranks. Review and \"cut\" these\nitems from album (recommended).  Review/relocate "
        "selection?";
    if (services_.host.dialogs.AskYesNo(question)) RunCommand(kAlRelocate);
}

// -------------------------------------------------------------------------
// Relocating by dragging

bool TShowForm::eventFilter(QObject* watched, QEvent* event) {
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(details_),
                                    static_cast<QAbstractItemView*>(thumbnails_)}) {
        if (watched == view && event->type() == QEvent::KeyPress && dragView_ &&
            static_cast<QKeyEvent*>(event)->key() == ::Qt::Key_Escape) {
            EndDrag();
            return true;
        }
        if (watched != view->viewport()) continue;
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != ::Qt::LeftButton || mouse->modifiers() != ::Qt::NoModifier)
                return false;
            return DragPress(view, mouse->position().toPoint());
        }
        case QEvent::MouseMove:
            if (dragView_ != view) return false;
            DragMove(static_cast<QMouseEvent*>(event)->position().toPoint());
            return true;
        case QEvent::MouseButtonRelease:
            if (dragView_ != view) return false;
            DragRelease(static_cast<QMouseEvent*>(event)->position().toPoint());
            return true;
        default: return false;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// A press on a selected slide may start a drag of the selection; the
// selection stays as it is until the button comes up.
bool TShowForm::DragPress(QAbstractItemView* view, const QPoint& at) {
    const QModelIndex index = view->indexAt(at);
    if (!index.isValid() || !view->selectionModel()->isRowSelected(index.row())) return false;
    dragView_ = view;
    dragStart_ = at;
    dragAt_ = at;
    dragging_ = false;
    return true;
}

void TShowForm::DragMove(const QPoint& at) {
    dragAt_ = at;
    if (!dragging_) {
        if ((at - dragStart_).manhattanLength() < QApplication::startDragDistance()) return;
        dragging_ = true;
        PullSelection();
        status_->setText(QStringLiteral("Dragging %1 object(s)").arg(editor_->SelectedCount()));
    }
    const bool outside = !dragView_->viewport()->rect().contains(at);
    if (outside && !autoScroll_->isActive()) autoScroll_->start();
    if (!outside) autoScroll_->stop();
}

// While the pointer is beyond the list the list scrolls 16 pixels a step
// towards it.
void TShowForm::AutoScroll() {
    if (!dragView_) return autoScroll_->stop();
    const QRect inside = dragView_->viewport()->rect();
    QScrollBar* vertical = dragView_->verticalScrollBar();
    QScrollBar* horizontal = dragView_->horizontalScrollBar();
    if (dragAt_.y() < inside.top())
        vertical->setValue(vertical->value() - 16);
    else if (dragAt_.y() > inside.bottom())
        vertical->setValue(vertical->value() + 16);
    if (dragAt_.x() < inside.left())
        horizontal->setValue(horizontal->value() - 16);
    else if (dragAt_.x() > inside.right())
        horizontal->setValue(horizontal->value() + 16);
}

void TShowForm::DragRelease(const QPoint& at) {
    QAbstractItemView* view = dragView_;
    const bool dragged = dragging_;
    EndDrag();
    const QModelIndex index = view->indexAt(at);
    if (dragged) {
        if (index.isValid()) RelocateByDrag(index.row());
        return;
    }
    // A click without a drag selects the slide alone, as a click does.
    if (index.isValid())
        view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
}

void TShowForm::RelocateByDrag(int target) {
    PullSelection();
    editor_->RelocateTo(target);
    Refresh();
}

void TShowForm::EndDrag() {
    autoScroll_->stop();
    dragView_ = nullptr;
    dragging_ = false;
    status_->setText(Qt(editor_->StatusText()));
}

// -------------------------------------------------------------------------
// The window

void TShowForm::RestoreControls() {
    if (!services_.settings) return;
    const AlbumControls controls =
        ParseAlbumControls(services_.settings->ReadBinary(kAlbumControlsName));
    ApplyAlbumControls(controls, editor_->View());
    if (controls.bounds && controls.bounds->Width() > 100 && controls.bounds->Height() > 100)
        setGeometry(controls.bounds->left, controls.bounds->top, controls.bounds->Width(),
                    controls.bounds->Height());
}

void TShowForm::closeEvent(QCloseEvent* event) {
    if (services_.settings) {
        const QRect place = geometry();
        services_.settings->WriteBinary(
            kAlbumControlsName,
            SerializeAlbumControls({place.left(), place.top(), place.left() + place.width(),
                                    place.top() + place.height()},
                                   editor_->View()));
    }
    idle_->stop();
    editor_->SetThumbsWanted(false);
    hide();
    event->ignore();
    emit closed();
}

void TShowForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TShowForm::dropEvent(QDropEvent* event) {
    std::vector<std::string> files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
    PullSelection();
    editor_->AddDropped(files);
    Refresh();
    event->acceptProposedAction();
}

} // namespace zv
