#include "explorer/ui/FileForm.h"

#include "platform/qt/WindowFonts.h"

#include "explorer/DosTime.h"
#include "explorer/FolderHistory.h"
#include "explorer/FolderPaths.h"
#include "explorer/ui/FileListModel.h"
#include "explorer/ui/FolderTreeView.h"
#include "explorer/ui/LookBox.h"
#include "explorer/ui/ThumbDelegate.h"
#include "explorer/ui/ThumbnailRunner.h"
#include "platform/Extensions.h"
#include "platform/ProgramTitle.h"
#include "platform/qt/QtDialogs.h"

#include <QAction>
#include <QActionGroup>
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
#include <ctime>
#include <filesystem>
#include <iostream>

namespace zv {

namespace {

constexpr int kPanelMargin = 12;        // a status panel is its text's width plus this
constexpr int kDrivesViewPauseMs = 333; // a tree click in the drives view takes effect after this
constexpr int kHoverSelectMs = 400;     // single-click mode selects the row under a resting pointer
constexpr int kMinTreeWidth = 96;       // a stored tree width is applied only above this
constexpr int kCellGap = 4;             // between the cells of the icon styles

constexpr const char* kGoToCaption = "Open a folder";
constexpr const char* kGoToText = "Select a source folder to review.";
constexpr const char* kNetworkWarning =
    "Authorized access to networked resources is assumed; no password\n"
    "dialog will be invoked.  On small networks, use \"Map Network Drive\"\n"
    "function (see Windows Help) for stable and faster access.\n\n"
    "To check for valid network connections, open \"Network Neighborhood\",\n"
    "\"My Network Places\" or \"Computers Near Me\" folder.  If folder is empty,\n"
    "check your security (e.g., firewall) and network device settings.\n\n"
    "[Ignore] avoids this dialog (for experts).";

QString Qt(const std::string& text) {
    return QString::fromStdString(text);
}

QString Qt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsZip(const std::string& path) {
    return UpperExtension(path) == ".ZIP";
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The caption's name for a folder: its path without the final "/", except
// for the root.
std::string FolderDisplayName(const std::string& folder) {
    if (folder.size() > 1 && folder.back() == '/') return folder.substr(0, folder.size() - 1);
    return folder;
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
    : QMainWindow(parent), services_(std::move(services)), tree_(folderSource_),
      history_(std::make_unique<FolderHistory>()) {
    // Every run starts without network support, whatever was stored.
    services_.settings.networkSupport = false;
    askText = [this](const std::string& caption, const std::string& prompt,
                     const std::string& initial) {
        return AskTextWithDialog(this, caption, prompt, initial);
    };
    shellOpen = [](const std::string& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(Qt(path)));
    };
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    LimitWindowFonts(*this);
    ReadDrives();
    if (!services_.appHome.empty()) history_->Load(HistoryFile());

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
    BuildActions();
    BuildMenus();
    BuildToolBar();
    BuildThumbnails();
    lookBox_->SetDrives(drives_);
    // The thumbnail view is not restored at start.
    switch (services_.settings.viewStyle) {
    case ExplorerViewStyle::SmallIcons: viewStyle_ = ExplorerViewStyle::SmallIcons; break;
    case ExplorerViewStyle::Details: viewStyle_ = ExplorerViewStyle::Details; break;
    case ExplorerViewStyle::LargeIcons:
    case ExplorerViewStyle::Thumbnails: viewStyle_ = ExplorerViewStyle::LargeIcons; break;
    default: viewStyle_ = ExplorerViewStyle::List; break;
    }
    SetViewStyle(viewStyle_);
    ApplySettings();
    resize(800, 600);
    EnterDrivesView();
}

TFileForm::~TFileForm() {
    closing_ = true;
    disconnect(selection_, nullptr, this, nullptr);
    if (services_.appHome.empty()) return;
    try {
        std::error_code error;
        std::filesystem::create_directories(services_.appHome, error);
        history_->Save(HistoryFile());
    } catch (const std::exception& error) {
        std::cerr << "zelvan: " << error.what() << '\n';
    }
}

std::string TFileForm::HistoryFile() const {
    return (std::filesystem::path(services_.appHome) / kHistoryFileName).string();
}

void TFileForm::ReadDrives() {
    drives_ = services_.readDrives ? services_.readDrives() : ReadKnownDrives();
}

// --- Building the window ---

void TFileForm::BuildCentre() {
    splitter_ = new QSplitter(this);
    splitter_->setChildrenCollapsible(false);
    treeView_ = new FolderTreeView(tree_, splitter_);
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
    model_ = new FileListModel(FileListModel::Source{store_, order_, comments_, icons_,
                                                     currentFolder_, services_.pictureInfo},
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
    connect(header, &QHeaderView::sectionClicked, this, &TFileForm::HeaderClicked);

    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(iconView_),
                                    static_cast<QAbstractItemView*>(detailsView_)}) {
        listStack_->addWidget(view);
        view->installEventFilter(this);
        view->setContextMenuPolicy(::Qt::CustomContextMenu);
        view->setMouseTracking(true);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](QPoint at) { listMenu_->popup(view->viewport()->mapToGlobal(at)); });
        connect(view, &QAbstractItemView::doubleClicked, this, [this] {
            if (services_.settings.clickStyle == 0) OpenSelection();
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
    connect(selection_, &QItemSelectionModel::selectionChanged, this, &TFileForm::ScheduleStatus);
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

QAction* TFileForm::NewAction(const char* caption, const QKeySequence& keys) {
    auto* action = new QAction(QString::fromLatin1(caption), this);
    action->setShortcut(keys);
    return action;
}

QAction* TFileForm::NewToggle(const char* caption, bool ExplorerSettings::*setting) {
    QAction* action = NewAction(caption);
    action->setCheckable(true);
    action->setChecked(services_.settings.*setting);
    connect(action, &QAction::triggered, this, [this, setting](bool on) {
        services_.settings.*setting = on;
        ApplySettings();
    });
    return action;
}

QAction* TFileForm::NewDisabled(const char* caption) {
    QAction* action = NewAction(caption);
    action->setEnabled(false);
    return action;
}

void TFileForm::BuildActions() {
    upAction_ = NewAction("Up one &level");
    connect(upAction_, &QAction::triggered, this, &TFileForm::UpOneLevel);
    openAction_ = NewAction("&Open", QKeySequence(::Qt::CTRL | ::Qt::Key_O));
    connect(openAction_, &QAction::triggered, this, &TFileForm::OpenSelection);
    commentAction_ = NewAction("Commen&t");
    connect(commentAction_, &QAction::triggered, this, &TFileForm::CommentCommand);
    redoThumbsAction_ = NewAction("Redo thum&bs");
    connect(redoThumbsAction_, &QAction::triggered, this, &TFileForm::RedoThumbsCommand);

    folderTreeAction_ = NewAction("&Folder tree");
    folderTreeAction_->setCheckable(true);
    connect(folderTreeAction_, &QAction::triggered, this, &TFileForm::SetFolderTree);
    toolBarAction_ = NewToggle("&Tool bar", &ExplorerSettings::toolBar);
    statusBarAction_ = NewToggle("&Status bar", &ExplorerSettings::statusBar);
    buttonTextAction_ = NewToggle("&Button text", &ExplorerSettings::buttonText);
    networksAction_ = NewAction("&Networks");
    networksAction_->setCheckable(true);
    connect(networksAction_, &QAction::triggered, this, &TFileForm::SetNetworkSupport);

    viewGroup_ = new QActionGroup(this);
    const std::array<std::pair<ExplorerViewStyle, const char*>, 5> styles = {{
        {ExplorerViewStyle::Thumbnails, "&Thumbnails"},
        {ExplorerViewStyle::LargeIcons, "Lar&ge icons"},
        {ExplorerViewStyle::SmallIcons, "&Small icons"},
        {ExplorerViewStyle::List, "&List"},
        {ExplorerViewStyle::Details, "&Details"},
    }};
    viewsMenu_ = new QMenu(QStringLiteral("&View"), this);
    for (const auto& [style, caption] : styles) {
        QAction* action = NewAction(caption);
        action->setCheckable(true);
        viewGroup_->addAction(action);
        viewsMenu_->addAction(action);
        viewActions_[static_cast<std::size_t>(style)] = action;
        connect(action, &QAction::triggered, this, [this, style = style] { SetViewStyle(style); });
    }

    sortMenu_ = new QMenu(QStringLiteral("&Arrange by"), this);
    for (SortKind kind :
         {SortKind::NameAscending, SortKind::NameDescending, SortKind::SizeAscending,
          SortKind::SizeDescending, SortKind::DateAscending, SortKind::DateDescending,
          SortKind::Type, SortKind::Family}) {
        QAction* action = sortMenu_->addAction(Qt(SortCaption(kind)));
        connect(action, &QAction::triggered, this, [this, kind] { SortList(kind); });
    }

    layoutMenu_ = new QMenu(this);
    layoutMenu_->addActions(
        {folderTreeAction_, toolBarAction_, statusBarAction_, buttonTextAction_});
}

void TFileForm::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(openAction_);
    file->addAction(commentAction_);
    file->addSeparator();
    connect(file->addAction(QStringLiteral("&Viewer")), &QAction::triggered, this,
            &TFileForm::viewerWanted);
    file->addSeparator();
    connect(file->addAction(QStringLiteral("&Close")), &QAction::triggered, this,
            &TFileForm::closeProgramWanted);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* selectAll = edit->addAction(QStringLiteral("Select &All"));
    selectAll->setShortcut(QKeySequence(::Qt::CTRL | ::Qt::Key_A));
    connect(selectAll, &QAction::triggered, this, &TFileForm::SelectAllRows);
    QAction* selectFiles = edit->addAction(QStringLiteral("Select All &Files"));
    selectFiles->setShortcut(QKeySequence(::Qt::CTRL | ::Qt::SHIFT | ::Qt::Key_A));
    connect(selectFiles, &QAction::triggered, this, &TFileForm::SelectAllFileRows);
    QAction* selectImages = edit->addAction(QStringLiteral("Select All Imag&es"));
    selectImages->setShortcut(QKeySequence(::Qt::CTRL | ::Qt::ALT | ::Qt::Key_A));
    connect(selectImages, &QAction::triggered, this, &TFileForm::SelectAllImageRows);
    connect(edit->addAction(QStringLiteral("&Invert selection")), &QAction::triggered, this,
            &TFileForm::InvertRowSelection);
    edit->addSeparator();
    QAction* find = edit->addAction(QStringLiteral("&Find filename"));
    find->setShortcut(QKeySequence(::Qt::CTRL | ::Qt::Key_F));
    connect(find, &QAction::triggered, this, &TFileForm::FindFilenameCommand);
    connect(edit->addAction(QStringLiteral("&Query comments")), &QAction::triggered, this,
            &TFileForm::QueryCommentsCommand);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->addActions(viewGroup_->actions());
    view->addSeparator();
    view->addMenu(sortMenu_);
    view->addSeparator();
    view->addActions(layoutMenu_->actions());
    QMenu* tile = view->addMenu(QStringLiteral("&Tile"));
    const std::array<std::pair<TileLayout, const char*>, 4> tiles = {{
        {TileLayout::ViewerLeftExplorerRight, "Viewer left - &Explorer right"},
        {TileLayout::ExplorerLeftViewerRight, "Explorer left - &Viewer right"},
        {TileLayout::OverlappedRight, "Overlapped &right"},
        {TileLayout::OverlappedLeft, "Overlapped &left"},
    }};
    for (const auto& [layout, caption] : tiles) {
        connect(tile->addAction(QString::fromLatin1(caption)), &QAction::triggered, this,
                [this, layout = layout] {
                    const ::Qt::KeyboardModifiers keys = QGuiApplication::keyboardModifiers();
                    emit tileWanted(static_cast<int>(layout), keys.testFlag(::Qt::ShiftModifier),
                                    keys.testFlag(::Qt::ControlModifier));
                });
    }
    view->addSeparator();
    QAction* refresh = view->addAction(QStringLiteral("Refres&h"));
    refresh->setShortcut(QKeySequence(::Qt::Key_F5));
    connect(refresh, &QAction::triggered, this, &TFileForm::RefreshList);

    QMenu* go = menuBar()->addMenu(QStringLiteral("&Go"));
    go->addAction(upAction_);
    QAction* back = go->addAction(QStringLiteral("&Back"));
    back->setShortcut(QKeySequence(::Qt::ALT | ::Qt::Key_Left));
    connect(back, &QAction::triggered, this, &TFileForm::GoBack);
    QAction* forward = go->addAction(QStringLiteral("&Forward"));
    forward->setShortcut(QKeySequence(::Qt::ALT | ::Qt::Key_Right));
    connect(forward, &QAction::triggered, this, &TFileForm::GoForward);
    go->addAction(NewDisabled("&History")); // needs the list chooser
    connect(go->addAction(QStringLiteral("&Go to")), &QAction::triggered, this,
            &TFileForm::GoToFolder);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->addAction(networksAction_);
    tools->addAction(NewDisabled("&Options..."));
    connect(tools->addAction(QStringLiteral("&Slide Album")), &QAction::triggered, this,
            &TFileForm::slideAlbumWanted);
    connect(tools->addAction(QStringLiteral("&Unzipper")), &QAction::triggered, this,
            &TFileForm::unzipperWanted);
    QMenu* cache = tools->addMenu(QStringLiteral("&Cache"));
    connect(cache->addAction(QStringLiteral("I&nfo")), &QAction::triggered, this,
            &TFileForm::CacheInfoCommand);
    connect(cache->addAction(QStringLiteral("&Kill")), &QAction::triggered, this,
            [this] { CacheKillCommand(false); });
    connect(cache->addAction(QStringLiteral("Kill &all")), &QAction::triggered, this,
            [this] { CacheKillCommand(true); });
    connect(tools->addAction(QStringLiteral("Memo&ry")), &QAction::triggered, this,
            &TFileForm::memoryWanted);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(NewDisabled("&Contents"));

    BuildListMenu();
    BuildTreeMenu();
}

void TFileForm::BuildListMenu() {
    listMenu_ = new QMenu(this);
    listMenu_->addAction(openAction_);
    listMenu_->addMenu(viewsMenu_);
    listMenu_->addMenu(sortMenu_);
    QMenu* select = listMenu_->addMenu(QStringLiteral("Se&lect"));
    connect(select->addAction(QStringLiteral("&All")), &QAction::triggered, this,
            &TFileForm::SelectAllRows);
    connect(select->addAction(QStringLiteral("&Files")), &QAction::triggered, this,
            &TFileForm::SelectAllFileRows);
    connect(select->addAction(QStringLiteral("&Images")), &QAction::triggered, this,
            &TFileForm::SelectAllImageRows);
    connect(select->addAction(QStringLiteral("&Invert selection")), &QAction::triggered, this,
            &TFileForm::InvertRowSelection);
    listMenu_->addAction(commentAction_);
    listMenu_->addAction(redoThumbsAction_);
    listMenu_->addSeparator();
    connect(listMenu_->addAction(QStringLiteral("Refres&h")), &QAction::triggered, this,
            &TFileForm::RefreshList);
}

void TFileForm::BuildTreeMenu() {
    treeMenu_ = new QMenu(this);
    QMenu* arrange = treeMenu_->addMenu(QStringLiteral("&Arrange by"));
    const std::array<TreeSort, 5> sorts = {TreeSort::NameAscending, TreeSort::NameDescending,
                                           TreeSort::DateAscending, TreeSort::DateDescending,
                                           TreeSort::Family};
    for (std::size_t i = 0; i < sorts.size(); ++i) {
        connect(arrange->addAction(QString::fromLatin1(kTreeSortCaptions[i])), &QAction::triggered,
                this, [this, sort = sorts[i]] { TreeArrange(sort); });
    }
    connect(treeMenu_->addAction(QStringLiteral("&First child")), &QAction::triggered, this,
            &TFileForm::TreeFirstChild);
    connect(treeMenu_->addAction(QStringLiteral("&Locate")), &QAction::triggered, this,
            &TFileForm::TreeLocate);
    connect(treeMenu_->addAction(QStringLiteral("Refres&h")), &QAction::triggered, this,
            &TFileForm::TreePathUpdate);
    treeMenu_->addAction(NewDisabled("&Properties"));
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
            &QAction::triggered, this, [this] { viewsMenu_->popup(QCursor::pos()); });
    QAction* thumb = toolBar_->addAction(look->standardIcon(QStyle::SP_FileDialogContentsView),
                                         QStringLiteral("Thumb"));
    thumb->setObjectName(QStringLiteral("ThumbButton"));
    connect(thumb, &QAction::triggered, this, &TFileForm::ThumbButtonCommand);
    connect(
        toolBar_->addAction(look->standardIcon(QStyle::SP_DirOpenIcon), QStringLiteral("Go to")),
        &QAction::triggered, this, &TFileForm::GoToFolder);
    QAction* marks =
        toolBar_->addAction(look->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Marks"));
    marks->setEnabled(false); // needs the list chooser
    openButton_ = toolBar_->addAction(look->standardIcon(QStyle::SP_DialogOpenButton),
                                      QStringLiteral("Open"));
    connect(openButton_, &QAction::triggered, this, &TFileForm::OpenSelection);

    addToolBarBreak();
    pathRow_ = addToolBar(QStringLiteral("Path box"));
    pathRow_->setObjectName(QStringLiteral("pathBox"));
    pathRow_->setMovable(false);
    lookBox_ = new LookBox(pathRow_);
    connect(lookBox_, &LookBox::pathEntered, this,
            [this](const QString& path) { LookBoxChange(path.toStdString(), Origin::PathBox); });
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
    toolBarAction_->setChecked(settings.toolBar);
    statusBarAction_->setChecked(settings.statusBar);
    buttonTextAction_->setChecked(settings.buttonText);
    buttonTextAction_->setEnabled(settings.toolBar);
    networksAction_->setChecked(settings.networkSupport);
    if (settings.folderTree != TreeShown()) SetFolderTree(settings.folderTree);
    model_->SetUnderline(settings.clickStyle);
    const auto cursor = settings.clickStyle != 0 ? ::Qt::PointingHandCursor : ::Qt::ArrowCursor;
    iconView_->viewport()->setCursor(cursor);
    detailsView_->viewport()->setCursor(cursor);
}

// --- Folders ---

void TFileForm::ShowFolder(const std::string& folder) {
    LookBoxChange(folder, Origin::PathBox);
}

std::string TFileForm::ProgramDrive() const {
    return ProgramDriveRoot(drives_, services_.appHome);
}

void TFileForm::LookBoxChange(const std::string& requested, Origin origin) {
    if (closing_ || listing_) return;
    comments_.Reset();
    if (!IsFolderAccessible(requested)) {
        CannotShow(requested);
        return;
    }
    if (requested.empty()) {
        EnterDrivesView();
        return;
    }
    const std::string path = WithTrailingSlash(requested);
    if (!ShellFolderExists(path)) {
        CannotShow(path);
        return;
    }
    if (drivesView_) LeaveDrivesView();
    if (origin != Origin::History) history_->Update(path);
    currentFolder_ = path;
    lookBox_->SetPath(path);
    UpdateUpCommand();
    const bool listed = UpdateFiles();
    if (listed && TreeShown() && origin != Origin::Tree) {
        if (folderCount_ > 0) tree_.CloseDrives(false, currentFolder_);
        TreePathUpdate();
    }
}

// The warning for a path that cannot be shown, then the root of the
// program's drive instead.
void TFileForm::CannotShow(const std::string& path) {
    services_.dialogs.Warning(CannotAccessPathText(path));
    if (fallingBack_) return; // the fallback itself cannot be shown
    fallingBack_ = true;
    LookBoxChange(ProgramDrive(), Origin::PathBox);
    fallingBack_ = false;
}

void TFileForm::EnterDrivesView() {
    StopThumbnailing();
    drivesView_ = true;
    currentFolder_.clear();
    viewActions_[static_cast<std::size_t>(ExplorerViewStyle::Thumbnails)]->setEnabled(false);
    if (TreeShown()) {
        tree_.CloseDrives(true, {});
        tree_.Select(nullptr); // so that any drive node can be chosen
        treeView_->Rebuild();
    }
    UpdateDrives();
    lookBox_->SetPath({});
    UpdateUpCommand();
    ShowViewWidget(ExplorerViewStyle::LargeIcons);
}

void TFileForm::LeaveDrivesView() {
    drivesView_ = false;
    viewActions_[static_cast<std::size_t>(ExplorerViewStyle::Thumbnails)]->setEnabled(true);
    ShowViewWidget(viewStyle_);
}

// The drives view: one record per known drive, record number = drive index.
void TFileForm::UpdateDrives() {
    model_->BeginChange();
    model_->SetDrivesView(true);
    store_.Clear();
    order_.clear();
    const std::uint32_t now = PackDosDateTimeOf(std::time(nullptr));
    for (const KnownDrive& drive : drives_) {
        FileRecord record;
        record.Name = drive.displayName;
        record.DrivePath = drive.root;
        record.IconIndex = static_cast<std::int16_t>(drive.type);
        record.ThumbState = kThumbFolder;
        record.FileDate = now;
        order_.push_back(store_.Append(std::move(record)));
    }
    model_->EndChange();
    UpdateCaption();
    UpdateStatus();
    UpdateMenuStates();
}

bool TFileForm::UpdateFiles() {
    StopThumbnailing();
    StatusMessageSolo(std::string(kListingStatus));
    listing_ = true;
    QApplication::setOverrideCursor(::Qt::WaitCursor);
    model_->BeginChange();
    model_->SetDrivesView(false);
    ListingOptions options;
    options.sortByName = true; // the file system's own order means nothing to the user
    const ListingResult result = ListFolder(currentFolder_, store_, order_, icons_, options);
    folderCount_ = result.folderCount;
    model_->EndChange();
    QApplication::restoreOverrideCursor();
    listing_ = false;
    thumbs_->PrepareCache(true);
    if (viewStyle_ == ExplorerViewStyle::Thumbnails)
        QTimer::singleShot(0, thumbs_, [this] { thumbs_->Start(); });
    if (!(comments_.loaded && comments_.folder == currentFolder_)) EnsureComments();
    UpdateCaption();
    UpdateStatus();
    UpdateMenuStates();
    return result.ok;
}

void TFileForm::EnsureComments() {
    if (drivesView_ || currentFolder_.empty()) return;
    if (comments_.loaded && comments_.folder == currentFolder_) return;
    comments_ = LoadComments(currentFolder_);
}

void TFileForm::UpdateUpCommand() {
    const bool enabled = !drivesView_ && ParentFolder(currentFolder_, drives_).has_value();
    upAction_->setEnabled(enabled);
    upButton_->setEnabled(enabled);
}

void TFileForm::UpOneLevel() {
    if (drivesView_) return;
    if (const auto parent = ParentFolder(currentFolder_, drives_))
        LookBoxChange(*parent, Origin::PathBox);
}

void TFileForm::GoBack() {
    const FolderHistoryStep step =
        history_->Back([](const std::string& folder) { return ShellFolderExists(folder); });
    if (step.kind == FolderHistoryStep::Kind::Show) LookBoxChange(step.folder, Origin::History);
    if (step.kind == FolderHistoryStep::Kind::ShowProgramDrive)
        LookBoxChange(ProgramDrive(), Origin::History);
}

void TFileForm::GoForward() {
    const FolderHistoryStep step =
        history_->Forward([](const std::string& folder) { return ShellFolderExists(folder); });
    if (step.kind == FolderHistoryStep::Kind::Show) LookBoxChange(step.folder, Origin::History);
    if (step.kind == FolderHistoryStep::Kind::ShowProgramDrive)
        LookBoxChange(ProgramDrive(), Origin::History);
}

void TFileForm::GoToFolder() {
    if (TreeShown()) {
        tree_.CloseDrives(false, currentFolder_);
        treeView_->Rebuild();
    }
    const std::optional<std::string> chosen =
        services_.dialogs.BrowseFolder(kGoToCaption, kGoToText, currentFolder_);
    if (!chosen) return;
    // A folder that cannot be listed is reported and the explorer stays where it is.
    if (!IsFolderAccessible(*chosen) || !ShellFolderExists(*chosen)) {
        services_.dialogs.Warning(CannotAccessPathText(*chosen));
        return;
    }
    LookBoxChange(*chosen, Origin::PathBox);
}

void TFileForm::RefreshList() {
    if (drivesView_) {
        ReadDrives();
        lookBox_->SetDrives(drives_);
        EnterDrivesView();
        return;
    }
    if (!ShellFolderExists(currentFolder_)) {
        CannotShow(currentFolder_);
        return;
    }
    UpdateFiles();
}

void TFileForm::SetNetworkSupport(bool on) {
    if (on && !networkWarningIgnored_) {
        const Answer answer =
            services_.dialogs.Box(BoxKind::Warning, kNetworkWarning, Buttons::OkCancelIgnore);
        if (answer == Answer::Cancel) {
            networksAction_->setChecked(false);
            return;
        }
        if (answer == Answer::Ignore) networkWarningIgnored_ = true;
    }
    services_.settings.networkSupport = on;
    networksAction_->setChecked(on);
    // Network places are known drives here (mounted shares); the list is read
    // again so that the path box and the tree show the current mounts.
    ReadDrives();
    lookBox_->SetDrives(drives_);
    lookBox_->SetPath(currentFolder_);
    if (TreeShown()) TreeInit();
}

// --- The tree ---

bool TFileForm::TreeShown() const {
    return !treeView_->isHidden();
}

void TFileForm::SetFolderTree(bool on) {
    services_.settings.folderTree = on;
    folderTreeAction_->setChecked(on);
    treeButton_->setChecked(on);
    if (on == TreeShown()) return;
    treeView_->setVisible(on);
    if (on) {
        if (services_.settings.treeWidth > kMinTreeWidth) {
            const int total = splitter_->width();
            const int width = services_.settings.treeWidth;
            splitter_->setSizes({width, std::max(total - width, 1)});
        }
        TreeInit();
    } else {
        tree_.CloseDrives(true, {});
        treeView_->Empty();
    }
}

void TFileForm::TreeInit() {
    tree_.Init(drives_);
    TreePathUpdate();
}

void TFileForm::TreePathUpdate() {
    if (!TreeShown()) return;
    if (!currentFolder_.empty()) tree_.SelectPath(currentFolder_);
    treeView_->Rebuild();
}

void TFileForm::TreeChange(const std::string& folder, bool drive) {
    if (closing_ || listing_ || folder.empty()) return;
    if (drivesView_) {
        QTimer::singleShot(kDrivesViewPauseMs, this,
                           [this, folder] { LookBoxChange(folder, Origin::Tree); });
        return;
    }
    if (!ShellFolderExists(folder)) {
        if (drive) {
            services_.dialogs.Warning(std::string(kCannotAccessText));
            TreeInit();
            return;
        }
        services_.dialogs.Warning(std::string(kNetworkFolderText));
        const auto parent = PathParent(currentFolder_);
        LookBoxChange(parent ? *parent : ProgramDrive(), Origin::PathBox);
        return;
    }
    LookBoxChange(folder, Origin::Tree);
}

void TFileForm::TreeArrange(TreeSort sort) {
    const FolderNode* node = treeView_->CurrentNode();
    if (!node) return;
    tree_.ArrangeBy(*node, sort);
    treeView_->Rebuild();
}

void TFileForm::TreeFirstChild() {
    const FolderNode* node = treeView_->CurrentNode();
    if (!node) return;
    const FolderNode* first = tree_.FirstSibling(*node);
    if (!first) return;
    const std::string path = tree_.NodePath(*first);
    if (ShellFolderExists(path)) LookBoxChange(path, Origin::PathBox);
}

void TFileForm::TreeLocate() {
    const FolderNode* node = treeView_->CurrentNode();
    if (!node) return;
    const bool shift = QGuiApplication::keyboardModifiers().testFlag(::Qt::ShiftModifier);
    const std::optional<std::string> entry =
        askText(kLocateCaption, LocatePrompt(shift), lastLocate_);
    if (!entry) return;
    lastLocate_ = *entry;
    const FolderNode* found = tree_.Locate(*node, *entry, shift);
    if (!found) {
        services_.dialogs.Information(std::string(kNoMatchText) + *entry);
        return;
    }
    LookBoxChange(tree_.NodePath(*found), Origin::PathBox);
}

// --- The list ---

QAbstractItemView* TFileForm::ListView() const {
    return static_cast<QAbstractItemView*>(listStack_->currentWidget());
}

void TFileForm::SetViewStyle(ExplorerViewStyle style) {
    if (style == ExplorerViewStyle::Thumbnails && drivesView_) return;
    viewStyle_ = style;
    services_.settings.viewStyle = style;
    if (QAction* action = viewActions_[static_cast<std::size_t>(style)]) action->setChecked(true);
    ShowViewWidget(style);
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
            iconView_->setGridSize(
                QSize(box.ThumbWidth + logicalDpiX() * 8 / 96, box.ThumbHeight + 2 * text + 8));
            thumbDelegate_->box = iconView_->iconSize();
            thumbDelegate_->cell = iconView_->gridSize() - QSize(kCellGap, kCellGap);
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

void TFileForm::SortList(SortKind kind) {
    sortDirections_.Remember(kind);
    RunSort(kind);
}

void TFileForm::RunSort(SortKind kind) {
    if (drivesView_ || listing_) return;
    StopThumbnailing();
    model_->BeginChange();
    SortViewOrder(store_, order_, kind);
    model_->EndChange();
    if (viewStyle_ == ExplorerViewStyle::Thumbnails) thumbs_->Start();
    UpdateStatus();
    UpdateMenuStates();
}

void TFileForm::HeaderClicked(int section) {
    if (section < 0 || section >= static_cast<int>(std::size(kDetailsColumns))) return;
    if (const auto kind = sortDirections_.HeaderClick(kDetailsColumns[section].column))
        RunSort(*kind);
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
    UpdateStatus();
    UpdateMenuStates();
}

int TFileForm::FocusedRow() const {
    const QModelIndex current = selection_->currentIndex();
    if (current.isValid()) return current.row();
    const RowSelection rows = SelectedRows();
    return rows.empty() ? -1 : rows.front();
}

void TFileForm::SelectAllRows() {
    if (const auto rows = zv::SelectAllRows(model_->rowCount(), drivesView_)) ApplySelection(*rows);
}

void TFileForm::SelectAllFileRows() {
    if (!drivesView_) ApplySelection(SelectAllFiles(store_, order_));
}

void TFileForm::SelectAllImageRows() {
    if (!drivesView_) ApplySelection(SelectAllImages(store_, order_));
}

void TFileForm::InvertRowSelection() {
    ApplySelection(InvertSelection(model_->rowCount(), SelectedRows()));
}

void TFileForm::FindFilenameCommand() {
    if (drivesView_ || model_->rowCount() < 2) return;
    const std::optional<std::string> text =
        askText(std::string(kFindCaption), std::string(kFindPrompt), lastFind_);
    if (!text) return;
    lastFind_ = *text;
    const SearchResult result = FindFilename(store_, order_, *text);
    if (!result.ran) return;
    ApplySelection(result.selected);
    if (!result.message.empty()) services_.dialogs.Information(result.message);
}

void TFileForm::QueryCommentsCommand() {
    if (drivesView_ || model_->rowCount() < 2) return;
    EnsureComments();
    const std::optional<std::string> keyword =
        askText(std::string(kQueryCaption), std::string(kQueryPrompt), {});
    if (!keyword) return;
    const SearchResult result = QueryComments(store_, order_, SelectedRows(), comments_, *keyword);
    if (!result.ran) return;
    ApplySelection(result.selected);
    if (!result.message.empty()) services_.dialogs.Information(result.message);
}

void TFileForm::TypeAhead(char letter) {
    const std::optional<int> row = FindKeyItem(store_, order_, SelectedRows(), letter);
    if (!row) return;
    const QModelIndex index = model_->index(*row, 0);
    ApplySelection({*row}, true);
    selection_->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    ListView()->scrollTo(index);
}

void TFileForm::CommentCommand() {
    if (drivesView_) return;
    const int row = FocusedRow();
    const FileRecord* record = model_->Record(row);
    if (!record) return;
    EnsureComments();
    const std::string key = CommentKey(*record);
    const std::optional<std::string> comment =
        askText(kCommentCaption, kCommentPromptPrefix + record->Name, comments_.CommentOf(key));
    if (!comment || !comments_.Set(key, *comment)) return;
    try {
        SaveComments(comments_);
    } catch (const ECommentWriteError&) {
        services_.dialogs.Warning(kCommentWriteFailed);
    }
    model_->RowChanged(row);
}

void TFileForm::OpenSelection() {
    const RowSelection rows = SelectedRows();
    if (rows.empty() || listing_) return;
    if (drivesView_) {
        const int record = order_[std::size_t(rows.front())];
        if (record >= 0 && record < static_cast<int>(drives_.size()))
            LookBoxChange(drives_[std::size_t(record)].root, Origin::PathBox);
        return;
    }
    const FileRecord* first = model_->Record(rows.front());
    if (!first) return;
    if (first->IsFolder()) {
        OpenFolderRow(RecordPath(currentFolder_, *first));
        return;
    }
    std::vector<std::string> paths;
    for (int row : rows) {
        const FileRecord* record = model_->Record(row);
        if (!record || record->IsFolder()) continue;
        paths.push_back(RecordPath(currentFolder_, *record));
        if (!FileExists(paths.back())) {
            // The list is out of date: show what is there now.
            RefreshList();
            return;
        }
    }
    CarryOut(PlanOpen(paths, services_.settings.useViewer));
}

void TFileForm::OpenFolderRow(const std::string& path) {
    if (!ShellFolderExists(path)) {
        services_.dialogs.Warning(std::string(kNetworkFolderText));
        RefreshList();
        return;
    }
    LookBoxChange(path, Origin::PathBox);
}

// Pictures and media go to the viewer in one list; archives to the zip
// browser (they are not pictures the viewer could step through); scripts and
// albums to their windows; anything else to the desktop, stopping at the
// first file no application takes.
void TFileForm::CarryOut(const std::vector<OpenAction>& actions) {
    QStringList viewer;
    QStringList zips;
    bool shellFailed = false;
    for (const OpenAction& action : actions) {
        const QString path = Qt(action.path);
        switch (action.kind) {
        case OpenActionKind::OpenInViewer:
        case OpenActionKind::AddToViewerList:
        case OpenActionKind::OpenZipBrowser:
            if (IsZip(action.path)) {
                if (!zips.contains(path)) zips << path;
            } else {
                viewer << path;
            }
            break;
        case OpenActionKind::OpenBatchEditor: emit batchScriptWanted(path); break;
        case OpenActionKind::OpenAlbum: emit albumWanted(path); break;
        case OpenActionKind::ShellOpen:
            if (shellFailed) break;
            if (!shellOpen || !shellOpen(action.path)) {
                services_.dialogs.Error(kNoAssociatedApplication);
                shellFailed = true;
            }
            break;
        }
    }
    if (!viewer.isEmpty()) emit openInViewer(viewer);
    for (const QString& zip : std::as_const(zips)) emit zipWanted(zip);
}

// In single-click mode a plain click on one row opens it; the click that
// ends a double click is not a second opening.
void TFileForm::ListClicked() {
    if (viewStyle_ == ExplorerViewStyle::Thumbnails && !thumbs_->Running() &&
        SelectedRows().size() == 1) {
        thumbs_->Resume();
        if (services_.settings.clickStyle == 0) return;
        const FileRecord* record = RowRecord(store_, order_, SelectedRows().front());
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
        const bool letter = key->key() >= ::Qt::Key_A && key->key() <= ::Qt::Key_Z;
        const bool plain = keys == ::Qt::NoModifier || keys == ::Qt::ShiftModifier;
        if (letter && plain) {
            TypeAhead(static_cast<char>('a' + (key->key() - ::Qt::Key_A)));
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
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
    const StatusTexts texts = BuildStatusTexts(store_, order_, SelectedRows(), drivesView_,
                                               currentFolder_, services_.pictureInfo);
    SetPanel(0, texts.panel1);
    SetPanel(1, texts.panel2);
    SetPanel(2, texts.panel3);
}

void TFileForm::UpdateCaption() {
    setWindowTitle(Qt(
        WindowCaption(drivesView_ ? std::string(kMyComputer) : FolderDisplayName(currentFolder_))));
}

void TFileForm::UpdateMenuStates() {
    const bool selected = selection_->hasSelection();
    openAction_->setEnabled(selected);
    openButton_->setEnabled(selected);
    commentAction_->setEnabled(!drivesView_ && FocusedRow() >= 0);
    redoThumbsAction_->setVisible(viewStyle_ == ExplorerViewStyle::Thumbnails);
}

// --- Window events ---

void TFileForm::closeEvent(QCloseEvent* event) {
    StopThumbnailing();
    if (applicationEnding) {
        closing_ = true;
        event->accept();
        return;
    }
    event->ignore();
    hide();
    emit viewerWanted();
}

} // namespace zv
