#include "explorer/ui/FileForm.h"

#include "platform/qt/WindowFonts.h"

#include "explorer/FolderPaths.h"
#include "explorer/VisitedFolders.h"
#include "explorer/ui/FileListModel.h"
#include "explorer/ui/FolderTreeView.h"
#include "explorer/ui/ListDlg.h"
#include "explorer/ui/LookBox.h"
#include "explorer/ui/ThumbDelegate.h"
#include "explorer/ui/ThumbnailRunner.h"
#include "platform/ProgramTitle.h"
#include "platform/qt/ActionMenus.h"
#include "platform/qt/QtDialogs.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDateTime>
#include <QDesktopServices>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>

#include <algorithm>
#include <filesystem>

namespace zv {

namespace {

constexpr int kPanelMargin = 12;        // a status panel is its text's width plus this
constexpr int kDrivesViewPauseMs = 333; // a tree click in the drives view takes effect after this
constexpr int kHoverSelectMs = 400;     // single-click mode selects the row under a resting pointer
constexpr int kMinTreeWidth = 96;       // a stored tree width is applied only above this
constexpr int kCellGap = 4;             // between the cells of the icon styles

QString Qt(const std::string& text) {
    return QString::fromStdString(text);
}

std::optional<std::string> AskTextWithDialog(QWidget* parent, const std::string& caption,
                                             const std::string& prompt,
                                             const std::string& initial) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, Qt(caption), Qt(prompt), QLineEdit::Normal, Qt(initial), &ok);
    if (!ok) return std::nullopt;
    return text.toStdString();
}

// Every cell of the icon styles has the same size, room for the icon and two
// lines of name, without asking each row for its size.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize cell; // invalid: the style's own size of the row

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return cell.isValid() ? cell : QStyledItemDelegate::sizeHint(option, index);
    }
};

} // namespace

TFileForm::TFileForm(ExplorerServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)) {
    document_ = std::make_unique<ExplorerDocument>(
        ExplorerDocumentServices{services_.settings, services_.appHome, services_.dialogs,
                                 services_.pictureInfo, services_.readDrives},
        static_cast<ExplorerView&>(*this));
    askText = [this](const std::string& caption, const std::string& prompt,
                     const std::string& initial) {
        return AskTextWithDialog(this, caption, prompt, initial);
    };
    chooseFromList = [this](ChooserRequest& request) { return ChooseFromList(this, request); };
    shellOpen = [](const std::string& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(Qt(path)));
    };
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    LimitWindowFonts(*this);

    statusTimer_ = new QTimer(this);
    statusTimer_->setSingleShot(true);
    statusTimer_->setInterval(0);
    connect(statusTimer_, &QTimer::timeout, this, [this] {
        UpdateStatus();
        UpdateMenuStates();
    });
    hoverTimer_ = new QTimer(this);
    hoverTimer_->setSingleShot(true);
    hoverTimer_->setInterval(kHoverSelectMs);
    connect(hoverTimer_, &QTimer::timeout, this, &TFileForm::HoverTimeout);

    BuildCentre();
    BuildStatusBar();
    BuildMenus();
    BuildToolBar();
    BuildThumbnails();
    lookBox_->SetDrives(document_->Drives());
    SetViewStyle(document_->ViewStyle());
    ApplySettings();
    resize(800, 600);
    document_->EnterDrivesView();
}

TFileForm::~TFileForm() {
    closing_ = true;
    document_->closing = true;
    disconnect(selection_, nullptr, this, nullptr);
}

// --- Building the window ---

void TFileForm::BuildCentre() {
    splitter_ = new QSplitter(this);
    splitter_->setChildrenCollapsible(false);
    treeView_ = new FolderTreeView(document_->Tree(), splitter_);
    treeView_->setContextMenuPolicy(::Qt::CustomContextMenu);
    treeView_->hide();
    connect(
        treeView_, &FolderTreeView::nodeChosen, this,
        [this](const QString& folder, bool drive) { TreeChange(folder.toStdString(), drive); },
        ::Qt::QueuedConnection);
    connect(treeView_, &FolderTreeView::expandRefused, this,
            [this] { services_.dialogs.Warning(std::string(kCannotAccessText)); });
    connect(treeView_, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        if (QTreeWidgetItem* item = treeView_->itemAt(at)) treeView_->setCurrentItem(item);
        treeMenu_->popup(treeView_->viewport()->mapToGlobal(at));
    });
    listStack_ = new QStackedWidget(splitter_);
    BuildListViews();
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    connect(splitter_, &QSplitter::splitterMoved, this, [this] {
        if (TreeShown()) services_.settings.treeWidth = treeView_->width();
    });
    setCentralWidget(splitter_);
}

void TFileForm::BuildListViews() {
    ExplorerDocument& document = *document_;
    model_ = new FileListModel(
        FileListModel::Source{document.Store(), document.Order(), document.Comments(),
                              document.Icons(), document.CurrentFolder(), services_.pictureInfo},
        this);

    iconView_ = new QListView(listStack_);
    iconView_->setObjectName(QStringLiteral("FileList"));
    iconView_->setModel(model_);
    iconView_->setUniformItemSizes(true);
    iconView_->setLayoutMode(QListView::Batched);
    iconView_->setBatchSize(2000);
    iconView_->setMovement(QListView::Static);
    iconView_->setResizeMode(QListView::Adjust);
    iconView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    iconView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    cellDelegate_ = new CellDelegate(iconView_);
    iconView_->setItemDelegate(cellDelegate_);
    selection_ = iconView_->selectionModel();

    detailsView_ = new QTreeView(listStack_);
    detailsView_->setObjectName(QStringLiteral("FileDetails"));
    QItemSelectionModel* own = nullptr;
    detailsView_->setModel(model_);
    own = detailsView_->selectionModel();
    detailsView_->setSelectionModel(selection_); // one selection whatever the style
    delete own;
    detailsView_->setRootIsDecorated(false);
    detailsView_->setItemsExpandable(false);
    detailsView_->setUniformRowHeights(true);
    detailsView_->setAllColumnsShowFocus(true);
    detailsView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    detailsView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    detailsView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    detailsView_->setSortingEnabled(false);
    QHeaderView* header = detailsView_->header();
    header->setSectionsClickable(true);
    header->setStretchLastSection(true);
    for (int i = 0; i < static_cast<int>(std::size(kDetailsColumns)); ++i)
        if (kDetailsColumns[i].width > 0) header->resizeSection(i, kDetailsColumns[i].width);
    header->setSortIndicatorShown(false);
    connect(header, &QHeaderView::sectionClicked, this, [this](int section) {
        document_->HeaderClicked(section);
        UpdateSortMark(); // the header flips its mark on any click, even where nothing sorts
    });

    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(iconView_),
                                    static_cast<QAbstractItemView*>(detailsView_)}) {
        listStack_->addWidget(view);
        view->installEventFilter(this);
        view->setContextMenuPolicy(::Qt::CustomContextMenu);
        view->setMouseTracking(true);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](QPoint at) { listMenu_->popup(view->viewport()->mapToGlobal(at)); });
        // In single-click mode a click opens, except a file in the thumbnail
        // view, where the click only selects and a double-click opens.
        connect(view, &QAbstractItemView::doubleClicked, this, [this] {
            const bool clickOpened = QDateTime::currentMSecsSinceEpoch() - lastClickOpen_ <
                                     QApplication::doubleClickInterval();
            if (services_.settings.clickStyle == 0 ||
                (document_->ViewStyle() == ExplorerViewStyle::Thumbnails && !clickOpened))
                OpenSelection();
        });
        connect(view, &QAbstractItemView::clicked, this, &TFileForm::ListClicked);
        connect(view, &QAbstractItemView::entered, this, [this](const QModelIndex& index) {
            if (services_.settings.clickStyle == 0) return;
            hoverRow_ = index.row();
            model_->SetHoverRow(hoverRow_);
            hoverTimer_->start();
        });
        connect(view, &QAbstractItemView::viewportEntered, this, [this] {
            hoverRow_ = -1;
            model_->SetHoverRow(-1);
            hoverTimer_->stop();
        });
    }
    connect(selection_, &QItemSelectionModel::selectionChanged, this, [this] {
        SyncSelection();
        ScheduleStatus();
    });
    connect(selection_, &QItemSelectionModel::currentChanged, this, &TFileForm::SyncSelection);
}

void TFileForm::BuildStatusBar() {
    for (QLabel*& panel : panels_) {
        panel = new QLabel(this);
        statusBar()->addWidget(panel);
    }
    statusBar()->addWidget(new QLabel(this), 1); // the fourth panel, not used here
    statusBar()->setContextMenuPolicy(::Qt::CustomContextMenu);
    connect(statusBar(), &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { layoutMenu_->popup(statusBar()->mapToGlobal(at)); });
}

void TFileForm::BuildMenus() {
    menus_ = new ActionMenus(
        this,
        [this](int rule, int argument) { return ExplorerRuleHolds(*document_, rule, argument); },
        [this](int command, int argument, bool checked) {
            RunCommand(command, argument, checked);
        });
    menus_->AddTo(menuBar(), ExplorerMenuBar());
    listMenu_ = menus_->Popup(ExplorerListMenu());
    treeMenu_ = menus_->Popup(ExplorerTreeMenu());
    layoutMenu_ = menus_->Popup(ExplorerLayoutMenu());
}

// Every menu command of the window, by its number in the explorer's tables.
void TFileForm::RunCommand(int command, int argument, bool checked) {
    const FolderNode* node = treeView_->CurrentNode();
    switch (command) {
    case kExOpen: OpenSelection(); break;
    case kExComment: CommentCommand(); break;
    case kExViewer: emit viewerWanted(); break;
    case kExClose: CloseCommand(); break;
    case kExSelectAll: SelectAllRows(); break;
    case kExSelectFiles: SelectAllFileRows(); break;
    case kExSelectImages: SelectAllImageRows(); break;
    case kExInvertSelection: InvertRowSelection(); break;
    case kExFind: FindFilenameCommand(); break;
    case kExQueryComments: QueryCommentsCommand(); break;
    case kExViewStyle: SetViewStyle(static_cast<ExplorerViewStyle>(argument)); break;
    case kExSort: SortList(static_cast<SortKind>(argument)); break;
    case kExFolderTree: SetFolderTree(checked); break;
    case kExToolBar: services_.settings.toolBar = checked; break;
    case kExStatusBar: services_.settings.statusBar = checked; break;
    case kExButtonText: services_.settings.buttonText = checked; break;
    case kExTile: {
        const ::Qt::KeyboardModifiers keys = QGuiApplication::keyboardModifiers();
        emit tileWanted(argument, keys.testFlag(::Qt::ShiftModifier),
                        keys.testFlag(::Qt::ControlModifier));
        break;
    }
    case kExRefresh: RefreshList(); break;
    case kExUp: UpOneLevel(); break;
    case kExBack: GoBack(); break;
    case kExForward: GoForward(); break;
    case kExGoTo: GoToFolder(); break;
    case kExHistory: VisitedFoldersCommand(); break;
    case kExNetworks: SetNetworkSupport(checked); break;
    case kExSlideAlbum: emit slideAlbumWanted(); break;
    case kExMakeSlideshow: MakeSlideshow(); break;
    case kExInstantSlideshow: InstantSlideshow(); break;
    case kExRecursiveListing: RecursiveListing(); break;
    case kExUnzipper: emit unzipperWanted(); break;
    case kExCacheInfo: CacheInfoCommand(); break;
    case kExCacheKill: CacheKillCommand(false); break;
    case kExCacheKillAll: CacheKillCommand(true); break;
    case kExMemory: emit memoryWanted(); break;
    case kExRedoThumbs: RedoThumbsCommand(); break;
    case kExTreeArrange:
        if (node) document_->TreeArrange(*node, static_cast<TreeSort>(argument));
        break;
    case kExTreeFirstChild:
        if (node) document_->TreeFirstChild(*node);
        break;
    case kExTreeLocate:
        if (node)
            document_->TreeLocate(
                *node, QGuiApplication::keyboardModifiers().testFlag(::Qt::ShiftModifier));
        break;
    case kExTreeRefresh: document_->TreePathUpdate(); break;
    default: break;
    }
    if (command == kExToolBar || command == kExStatusBar || command == kExButtonText)
        ApplySettings();
}

void TFileForm::BuildToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Tool bar"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMovable(false);
    QStyle* look = style();
    upButton_ = toolBar_->addAction(look->standardIcon(QStyle::SP_FileDialogToParent),
                                    QStringLiteral("Up"));
    connect(upButton_, &QAction::triggered, this, &TFileForm::UpOneLevel);
    connect(toolBar_->addAction(look->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Back")),
            &QAction::triggered, this, &TFileForm::GoBack);
    connect(
        toolBar_->addAction(look->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("Next")),
        &QAction::triggered, this, &TFileForm::GoForward);
    treeButton_ =
        toolBar_->addAction(look->standardIcon(QStyle::SP_DirLinkIcon), QStringLiteral("Tree"));
    treeButton_->setCheckable(true);
    connect(treeButton_, &QAction::triggered, this, &TFileForm::SetFolderTree);
    connect(toolBar_->addAction(look->standardIcon(QStyle::SP_FileDialogListView),
                                QStringLiteral("Views")),
            &QAction::triggered, this,
            [this] { menus_->SubMenu(kExViewsMenu)->popup(QCursor::pos()); });
    QAction* thumb = toolBar_->addAction(look->standardIcon(QStyle::SP_FileDialogContentsView),
                                         QStringLiteral("Thumb"));
    thumb->setObjectName(QStringLiteral("ThumbButton"));
    connect(thumb, &QAction::triggered, this, &TFileForm::ThumbButtonCommand);
    connect(
        toolBar_->addAction(look->standardIcon(QStyle::SP_DirOpenIcon), QStringLiteral("Go to")),
        &QAction::triggered, this, &TFileForm::GoToFolder);
    QAction* marks =
        toolBar_->addAction(look->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Marks"));
    connect(marks, &QAction::triggered, this, &TFileForm::VisitedFoldersCommand);
    openButton_ = toolBar_->addAction(look->standardIcon(QStyle::SP_DialogOpenButton),
                                      QStringLiteral("Open"));
    connect(openButton_, &QAction::triggered, this, &TFileForm::OpenSelection);
    slidesButton_ =
        toolBar_->addAction(look->standardIcon(QStyle::SP_MediaPlay), QStringLiteral("Slides"));
    slidesButton_->setObjectName(QStringLiteral("SlidesButton"));
    connect(slidesButton_, &QAction::triggered, this,
            [this] { menus_->SubMenu(kExSlidesMenu)->popup(QCursor::pos()); });

    addToolBarBreak();
    pathRow_ = addToolBar(QStringLiteral("Path box"));
    pathRow_->setObjectName(QStringLiteral("pathBox"));
    pathRow_->setMovable(false);
    lookBox_ = new LookBox(pathRow_);
    connect(lookBox_, &LookBox::pathEntered, this,
            [this](const QString& path) { ShowFolder(path.toStdString()); });
    pathRow_->addWidget(lookBox_);
}

// The pop-up menu of the tool bars and the status bar: the layout items only.
QMenu* TFileForm::createPopupMenu() {
    auto* menu = new QMenu(this);
    menu->addActions(layoutMenu_->actions());
    return menu;
}

void TFileForm::ApplySettings() {
    const ExplorerSettings& settings = services_.settings;
    toolBar_->setVisible(settings.toolBar);
    toolBar_->setToolButtonStyle(settings.buttonText ? ::Qt::ToolButtonTextUnderIcon
                                                     : ::Qt::ToolButtonIconOnly);
    statusBar()->setVisible(settings.statusBar);
    if (settings.folderTree != TreeShown()) SetFolderTree(settings.folderTree);
    model_->SetUnderline(settings.clickStyle);
    const auto cursor = settings.clickStyle != 0 ? ::Qt::PointingHandCursor : ::Qt::ArrowCursor;
    iconView_->viewport()->setCursor(cursor);
    detailsView_->viewport()->setCursor(cursor);
    UpdateMenuStates();
}

// --- What the document asks of the window ---

void TFileForm::ListChanging(ListChange change) {
    StopThumbnailing();
    if (change == ListChange::Folder) {
        StatusMessageSolo(std::string(kListingStatus));
        QApplication::setOverrideCursor(::Qt::WaitCursor);
    }
    model_->BeginChange();
    if (change != ListChange::Order) model_->SetDrivesView(change == ListChange::Drives);
}

void TFileForm::ListChanged(ListChange change) {
    model_->EndChange();
    const bool thumbnails = document_->ShownStyle() == ExplorerViewStyle::Thumbnails;
    if (change == ListChange::Folder) {
        QApplication::restoreOverrideCursor();
        thumbs_->PrepareCache(true);
        if (thumbnails) QTimer::singleShot(0, thumbs_, [this] { thumbs_->Start(); });
    }
    if (change == ListChange::Order && thumbnails) thumbs_->Start();
    if (change != ListChange::Order) UpdateCaption();
    UpdateSortMark();
    UpdateStatus();
    UpdateMenuStates();
}

void TFileForm::FolderChanged() {
    lookBox_->SetPath(document_->CurrentFolder());
    UpdateMenuStates();
}

void TFileForm::ShownStyleChanged() {
    ShowViewWidget(document_->ShownStyle());
}

void TFileForm::TreeChanged() {
    if (TreeShown()) treeView_->Rebuild();
}

void TFileForm::DrivesChanged() {
    lookBox_->SetDrives(document_->Drives());
    lookBox_->SetPath(document_->CurrentFolder());
}

void TFileForm::SelectionChanged() {
    const RowSelection rows = document_->Selection();
    const int focus = document_->FocusedRow();
    ApplySelection(rows);
    if (focus >= 0 && focus < model_->rowCount()) {
        const QModelIndex index = model_->index(focus, 0);
        selection_->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        ListView()->scrollTo(index);
    }
}

void TFileForm::RowChanged(int row) {
    model_->RowChanged(row);
}

std::optional<std::string> TFileForm::AskText(const std::string& caption, const std::string& prompt,
                                              const std::string& initial) {
    if (!askText) return std::nullopt;
    return askText(caption, prompt, initial);
}

void TFileForm::OpenInViewer(const std::vector<std::string>& paths) {
    QStringList list;
    for (const std::string& path : paths) list << Qt(path);
    emit openInViewer(list);
}

void TFileForm::OpenZip(const std::string& path) {
    emit zipWanted(Qt(path));
}

void TFileForm::OpenBatchScript(const std::string& path) {
    emit batchScriptWanted(Qt(path));
}

void TFileForm::OpenAlbum(const std::string& path) {
    emit albumWanted(Qt(path));
}

bool TFileForm::ShellOpen(const std::string& path) {
    return shellOpen && shellOpen(path);
}

// --- Commands ---

void TFileForm::ShowFolder(const std::string& folder) {
    if (!closing_) document_->GoTo(folder);
}

void TFileForm::UpOneLevel() {
    document_->UpOneLevel();
}

void TFileForm::GoBack() {
    document_->GoBack();
}

void TFileForm::GoForward() {
    document_->GoForward();
}

void TFileForm::GoToFolder() {
    document_->GoToFolder();
}

void TFileForm::VisitedFoldersCommand() {
    if (!chooseFromList) return;
    const auto choice =
        ChooseVisitedFolder(document_->History(), document_->CurrentFolder(), chooseFromList,
                            [](const std::string& folder) { return ShellFolderExists(folder); });
    if (!choice) return;
    document_->ReplaceHistory(choice->entries, choice->position);
    if (!choice->folder.empty()) document_->GoTo(choice->folder, FolderOrigin::History);
    UpdateMenuStates();
}

void TFileForm::RefreshList() {
    document_->Refresh();
}

void TFileForm::SetNetworkSupport(bool on) {
    document_->SetNetworkSupport(on);
    UpdateMenuStates();
}

void TFileForm::SetViewStyle(ExplorerViewStyle style) {
    if (!document_->SetViewStyle(style)) {
        UpdateMenuStates();
        return;
    }
    ShowViewWidget(style);
}

void TFileForm::SortList(SortKind kind) {
    document_->Sort(kind);
}

void TFileForm::SelectAllRows() {
    document_->SelectAll();
}

void TFileForm::SelectAllFileRows() {
    document_->SelectAllFiles();
}

void TFileForm::SelectAllImageRows() {
    document_->SelectAllImages();
}

void TFileForm::InvertRowSelection() {
    document_->InvertSelection();
}

void TFileForm::FindFilenameCommand() {
    document_->FindFilename();
}

void TFileForm::QueryCommentsCommand() {
    document_->QueryComments();
}

void TFileForm::CommentCommand() {
    document_->Comment();
}

void TFileForm::OpenSelection() {
    document_->OpenSelection();
}

// --- The tree ---

bool TFileForm::TreeShown() const {
    return !treeView_->isHidden();
}

void TFileForm::SetFolderTree(bool on) {
    const bool wasShown = TreeShown();
    document_->SetTreeShown(on);
    treeButton_->setChecked(on);
    UpdateMenuStates();
    if (on == wasShown) return;
    treeView_->setVisible(on);
    if (on) {
        if (services_.settings.treeWidth > kMinTreeWidth) {
            const int total = splitter_->width();
            const int width = services_.settings.treeWidth;
            splitter_->setSizes({width, std::max(total - width, 1)});
        }
        document_->TreeInit();
    } else {
        treeView_->Empty();
    }
}

// A node chosen in the tree; in the drives view it takes effect after a pause.
void TFileForm::TreeChange(const std::string& folder, bool drive) {
    if (closing_ || document_->Listing() || folder.empty()) return;
    if (document_->InDrivesView()) {
        QTimer::singleShot(kDrivesViewPauseMs, this,
                           [this, folder] { document_->GoTo(folder, FolderOrigin::Tree); });
        return;
    }
    document_->TreeChosen(folder, drive);
}

// --- The list ---

QAbstractItemView* TFileForm::ListView() const {
    return static_cast<QAbstractItemView*>(listStack_->currentWidget());
}

// Large icons, small icons and the list are styles of one list view; the
// details are a table over the same model and selection.
void TFileForm::ShowViewWidget(ExplorerViewStyle style) {
    QAbstractItemView* before = ListView();
    const bool hadFocus = before && before->hasFocus();
    if (style != ExplorerViewStyle::Thumbnails) {
        StopThumbnailing();
        if (iconView_->itemDelegate() != cellDelegate_) iconView_->setItemDelegate(cellDelegate_);
    }
    if (style == ExplorerViewStyle::Details) {
        listStack_->setCurrentWidget(detailsView_);
    } else {
        const int text = fontMetrics().height();
        auto* cells = static_cast<CellDelegate*>(cellDelegate_);
        cells->cell = QSize();
        switch (style) {
        case ExplorerViewStyle::Thumbnails: {
            const ThumbBox box = thumbs_->Box();
            iconView_->setViewMode(QListView::IconMode);
            iconView_->setFlow(QListView::LeftToRight);
            iconView_->setIconSize(QSize(box.ThumbWidth, box.ThumbHeight));
            thumbGrid_ =
                QSize(box.ThumbWidth + logicalDpiX() * 8 / 96, box.ThumbHeight + 2 * text + 8);
            iconView_->setGridSize(thumbGrid_);
            thumbDelegate_->box = iconView_->iconSize();
            FitThumbColumns();
            if (iconView_->itemDelegate() != thumbDelegate_)
                iconView_->setItemDelegate(thumbDelegate_);
            break;
        }
        case ExplorerViewStyle::LargeIcons:
            iconView_->setViewMode(QListView::IconMode);
            iconView_->setFlow(QListView::LeftToRight);
            iconView_->setIconSize(QSize(32, 32));
            iconView_->setGridSize(QSize(96, 32 + 2 * text + 8));
            break;
        case ExplorerViewStyle::SmallIcons:
            iconView_->setViewMode(QListView::ListMode);
            iconView_->setFlow(QListView::LeftToRight);
            iconView_->setIconSize(QSize(16, 16));
            iconView_->setGridSize(QSize(180, std::max(text, 16) + 4));
            break;
        default:
            iconView_->setViewMode(QListView::ListMode);
            iconView_->setFlow(QListView::TopToBottom);
            iconView_->setIconSize(QSize(16, 16));
            iconView_->setGridSize(QSize(220, std::max(text, 16) + 4));
            break;
        }
        if (iconView_->viewMode() == QListView::IconMode)
            cells->cell = iconView_->gridSize() - QSize(kCellGap, kCellGap);
        iconView_->setMovement(QListView::Static);
        iconView_->setWrapping(true);
        iconView_->setWordWrap(style == ExplorerViewStyle::LargeIcons ||
                               style == ExplorerViewStyle::Thumbnails);
        iconView_->setTextElideMode(::Qt::ElideRight);
        listStack_->setCurrentWidget(iconView_);
        // Laid out now, so the first paint reads only the thumbnails on screen.
        if (style == ExplorerViewStyle::Thumbnails) iconView_->doItemsLayout();
    }
    QAbstractItemView* after = ListView();
    if (selection_->currentIndex().isValid()) after->scrollTo(selection_->currentIndex());
    if (hadFocus) after->setFocus();
    if (style == ExplorerViewStyle::Thumbnails) ShowThumbnailView();
    UpdateMenuStates();
}

// The thumbnail cells widen so that their columns fill the view's width
// (whether or not the scroll bar shows, so that it cannot toggle the layout).
void TFileForm::FitThumbColumns() {
    if (document_->ShownStyle() != ExplorerViewStyle::Thumbnails || !thumbGrid_.isValid()) return;
    const int room =
        iconView_->width() - 2 * iconView_->frameWidth() -
        iconView_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, iconView_) - 1;
    const int columns = std::max(1, room / thumbGrid_.width());
    const QSize grid(std::max(thumbGrid_.width(), room / columns), thumbGrid_.height());
    thumbDelegate_->cell = grid - QSize(kCellGap, kCellGap);
    if (iconView_->gridSize() != grid) iconView_->setGridSize(grid);
}

// The details header marks the column and direction of the last sort.
void TFileForm::UpdateSortMark() {
    QHeaderView* header = detailsView_->header();
    const std::optional<SortKind> sort = document_->LastSort();
    int column = -1;
    if (sort == SortKind::NameAscending || sort == SortKind::NameDescending) column = 0;
    if (sort == SortKind::SizeAscending || sort == SortKind::SizeDescending) column = 1;
    if (sort == SortKind::DateAscending || sort == SortKind::DateDescending) column = 2;
    if (column < 0) {
        header->setSortIndicatorShown(false);
        return;
    }
    const bool descending = sort == SortKind::NameDescending || sort == SortKind::SizeDescending ||
                            sort == SortKind::DateDescending;
    header->setSortIndicator(column, descending ? ::Qt::DescendingOrder : ::Qt::AscendingOrder);
    header->setSortIndicatorShown(true);
}

RowSelection TFileForm::SelectedRows() const {
    RowSelection rows;
    for (const QItemSelectionRange& range : selection_->selection())
        for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void TFileForm::SelectRows(const RowSelection& rows) {
    ApplySelection(rows);
}

// The widgets' selection, as the document's commands read it.
void TFileForm::SyncSelection() {
    const QModelIndex current = selection_->currentIndex();
    document_->SetSelection(SelectedRows(), current.isValid() ? current.row() : -1);
}

// Selects the rows (in row order), whole rows, in as few ranges as runs of
// neighbouring rows allow.
void TFileForm::ApplySelection(const RowSelection& rows, bool keepOthers) {
    QItemSelection selection;
    const int lastColumn = model_->columnCount() - 1;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t end = i;
        while (end + 1 < rows.size() && rows[end + 1] == rows[end] + 1) ++end;
        selection.select(model_->index(rows[i], 0), model_->index(rows[end], lastColumn));
        i = end + 1;
    }
    selection_->select(selection, keepOthers ? QItemSelectionModel::Select
                                             : QItemSelectionModel::ClearAndSelect);
    if (!rows.empty() && !keepOthers) {
        const QModelIndex first = model_->index(rows.front(), 0);
        selection_->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
        ListView()->scrollTo(first);
    }
    SyncSelection();
    UpdateStatus();
    UpdateMenuStates();
}

int TFileForm::FocusedRow() const {
    return document_->FocusedRow();
}

// In single-click mode a plain click on one row opens it; the click that
// ends a double click is not a second opening.
void TFileForm::ListClicked() {
    if (document_->ViewStyle() == ExplorerViewStyle::Thumbnails && !thumbs_->Running() &&
        SelectedRows().size() == 1) {
        thumbs_->Resume();
        if (services_.settings.clickStyle == 0) return;
        const FileRecord* record = document_->RowRecord(SelectedRows().front());
        if (!record || !record->IsFolder()) return;
    }
    if (services_.settings.clickStyle == 0) return;
    if (QGuiApplication::keyboardModifiers() != ::Qt::NoModifier) return;
    if (SelectedRows().size() != 1) return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - lastClickOpen_ < QApplication::doubleClickInterval()) return;
    lastClickOpen_ = now;
    OpenSelection();
}

// Single-click mode selects the row the pointer rests on.
void TFileForm::HoverTimeout() {
    if (services_.settings.clickStyle == 0 || hoverRow_ < 0) return;
    if (QGuiApplication::mouseButtons() != ::Qt::NoButton) return;
    const ::Qt::KeyboardModifiers keys = QGuiApplication::keyboardModifiers();
    if (keys.testFlag(::Qt::ShiftModifier)) return;
    ApplySelection({hoverRow_}, keys.testFlag(::Qt::ControlModifier));
    selection_->setCurrentIndex(model_->index(hoverRow_, 0), QItemSelectionModel::NoUpdate);
}

bool TFileForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == iconView_ || watched == detailsView_)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const ::Qt::KeyboardModifiers keys = key->modifiers() & ~::Qt::KeypadModifier;
        if (key->key() == ::Qt::Key_Return || key->key() == ::Qt::Key_Enter) {
            OpenSelection();
            return true;
        }
        if (key->key() == ::Qt::Key_End &&
            (keys == ::Qt::NoModifier || keys == ::Qt::ShiftModifier))
            return MoveToEnd(keys == ::Qt::ShiftModifier);
        const bool letter = key->key() >= ::Qt::Key_A && key->key() <= ::Qt::Key_Z;
        const bool plain = keys == ::Qt::NoModifier || keys == ::Qt::ShiftModifier;
        if (letter && plain) {
            document_->TypeAhead(static_cast<char>('a' + (key->key() - ::Qt::Key_A)));
            return true;
        }
    }
    if (event->type() == QEvent::Resize && watched == iconView_) FitThumbColumns();
    return QMainWindow::eventFilter(watched, event);
}

// End goes to the last row (the icon view's own End stops at the last row it
// laid out in a batch); with Shift it selects up to there.
bool TFileForm::MoveToEnd(bool extend) {
    const int rows = model_->rowCount();
    if (rows == 0) return true;
    const QModelIndex last = model_->index(rows - 1, 0);
    const QModelIndex current = selection_->currentIndex();
    if (extend && current.isValid()) {
        const QItemSelection range(model_->index(std::min(current.row(), rows - 1), 0),
                                   model_->index(rows - 1, model_->columnCount() - 1));
        selection_->select(range, QItemSelectionModel::Select);
        selection_->setCurrentIndex(last, QItemSelectionModel::NoUpdate);
    } else {
        selection_->setCurrentIndex(last, QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
    }
    ListView()->scrollTo(last);
    return true;
}

// --- Status and menu states ---

void TFileForm::SetPanel(int panel, const std::string& text) {
    QLabel* label = panels_[std::size_t(panel)];
    const QString shown = Qt(text);
    label->setText(shown);
    label->setFixedWidth(
        shown.isEmpty() ? 1 : label->fontMetrics().horizontalAdvance(shown) + kPanelMargin);
}

void TFileForm::StatusMessageSolo(const std::string& text) {
    SetPanel(0, text);
    SetPanel(1, {});
    SetPanel(2, {});
}

QString TFileForm::StatusText(int panel) const {
    if (panel < 1 || panel > 3) return {};
    return panels_[std::size_t(panel - 1)]->text();
}

void TFileForm::ScheduleStatus() {
    statusTimer_->start();
}

void TFileForm::UpdateStatus() {
    const StatusTexts texts = document_->Status();
    SetPanel(0, texts.panel1);
    SetPanel(1, texts.panel2);
    SetPanel(2, texts.panel3);
}

void TFileForm::UpdateCaption() {
    setWindowTitle(Qt(document_->Caption()));
}

void TFileForm::UpdateMenuStates() {
    menus_->Refresh();
    const bool selected = !document_->Selection().empty();
    openButton_->setEnabled(selected);
    slidesButton_->setEnabled(!document_->InDrivesView());
    upButton_->setEnabled(document_->UpEnabled());
    treeButton_->setChecked(services_.settings.folderTree);
}

// --- Window events ---

// "&Close" hides the explorer; it ends the program only when no other window is open.
void TFileForm::CloseCommand() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible() && window->isWindow() &&
            (window->windowType() == ::Qt::Window || window->windowType() == ::Qt::Dialog)) {
            StopThumbnailing();
            hide();
            return;
        }
    emit closeProgramWanted();
}

void TFileForm::closeEvent(QCloseEvent* event) {
    StopThumbnailing();
    if (applicationEnding) {
        closing_ = true;
        document_->closing = true;
        event->accept();
        return;
    }
    event->ignore();
    hide();
    emit viewerWanted();
}

} // namespace zv
