#include "album/ui/UnZipForm.h"

#include "platform/ProgramTitle.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QUrl>

namespace zv {

namespace {

QString Qt(const std::string& text) {
    return QString::fromStdString(text);
}

// The core's services, with the log opened and the beep sounded through the window.
UnZipperServices CoreServices(const UnZipFormServices& services, TUnZipForm* form) {
    UnZipperServices core{services.dialogs, services.trash};
    core.logFolder = services.appHome;
    core.openFolder = &services.openFolder;
    core.progress = services.progress;
    core.showProgress = services.showProgress;
    core.openLog = [form](const std::filesystem::path& path) {
        return form->openLog && form->openLog(path);
    };
    core.showExplorer = services.showExplorer;
    core.refreshExplorer = services.refreshExplorer;
    core.beep = [] { QApplication::beep(); };
    return core;
}

} // namespace

std::string UnZipFormCaption() {
    return std::string(kProgramTitle) + " UnZipper";
}

TUnZipForm::TUnZipForm(UnZipFormServices services, QWidget* parent)
    : QMainWindow(parent), core_(CoreServices(services, this)) {
    shiftHeld = [] {
        return QGuiApplication::queryKeyboardModifiers().testFlag(::Qt::ShiftModifier);
    };
    openLog = [](const std::filesystem::path& path) {
        return QDesktopServices::openUrl(
            QUrl::fromLocalFile(QString::fromStdString(path.string())));
    };
    setWindowTitle(Qt(UnZipFormCaption()));

    QMenuBar* menu = menuBar();
    QMenu* archives = menu->addMenu(QStringLiteral("&Archives"));
    connect(archives->addAction(QStringLiteral("&Clear")), &QAction::triggered, this,
            &TUnZipForm::mnuClearClick);
    connect(archives->addAction(QStringLiteral("&Add")), &QAction::triggered, this,
            &TUnZipForm::mnuAddClick);
    connect(archives->addAction(QStringLiteral("&Cut")), &QAction::triggered, this,
            &TUnZipForm::mnuCutClick);
    connect(archives->addAction(QStringLiteral("&Delete")), &QAction::triggered, this,
            &TUnZipForm::mnuDeleteClick);
    extractAll_ = menu->addAction(QStringLiteral("E&xtract all"));
    connect(extractAll_, &QAction::triggered, this, &TUnZipForm::mnuExtractAllClick);
    QMenu* extract = menu->addMenu(QStringLiteral("&Extract"));
    connect(extract->addAction(QStringLiteral("&Selected Zips")), &QAction::triggered, this,
            &TUnZipForm::mnuSelectedZipsClick);
    connect(extract->addAction(QStringLiteral("Single &File")), &QAction::triggered, this,
            &TUnZipForm::mnuSingleFileClick);
    connect(menu->addAction(QStringLiteral("&Close")), &QAction::triggered, this,
            &TUnZipForm::mnuCloseClick);
    // The help pages are not shipped yet.
    menu->addAction(QStringLiteral("&Help"))->setEnabled(false);

    auto* splitter = new QSplitter(::Qt::Horizontal, this);
    list_ = new QListWidget(splitter);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_ = new QTableWidget(0, static_cast<int>(kZipGridColumns.size()), splitter);
    QStringList captions;
    for (const ZipGridColumn& column : kZipGridColumns)
        captions << QString::fromLatin1(column.Caption);
    grid_->setHorizontalHeaderLabels(captions);
    grid_->horizontalHeader()->setDefaultAlignment(::Qt::AlignLeft | ::Qt::AlignVCenter);
    for (int i = 0; i < static_cast<int>(kZipGridColumns.size()); ++i)
        grid_->setColumnWidth(i, kZipGridColumns[static_cast<std::size_t>(i)].Width);
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 2);
    setCentralWidget(splitter);
    status_ = new QLabel(this);
    statusBar()->addWidget(status_, 1);
    resize(720, 400);

    connect(list_, &QListWidget::itemSelectionChanged, this, &TUnZipForm::ListSelectionChanged);
    connect(list_, &QListWidget::currentRowChanged, this, &TUnZipForm::ListCurrentChanged);
    connect(grid_, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { GridCurrentChanged(row); });
    RefreshList();
}

TUnZipForm::~TUnZipForm() = default;

QString TUnZipForm::StatusText() const {
    return status_->text();
}

void TUnZipForm::Populate(const std::string& path) {
    core_.Populate(path);
    RefreshList();
}

void TUnZipForm::RefreshList() {
    {
        const QSignalBlocker block(list_);
        list_->clear();
        for (int i = 0; i < core_.Count(); ++i) {
            auto* item = new QListWidgetItem(Qt(core_.Archive(i)), list_);
            item->setSelected(core_.IsSelected(i));
        }
        const int shown = core_.IndexOf(core_.ShownArchive());
        if (shown >= 0) list_->setCurrentRow(shown, QItemSelectionModel::NoUpdate);
    }
    extractAll_->setEnabled(core_.CanExtractAll());
    FillGrid();
    UpdateStatus();
}

void TUnZipForm::FillGrid() {
    const QSignalBlocker block(grid_);
    const std::vector<ZipGridRow>& rows = core_.Rows();
    grid_->clearContents();
    grid_->setRowCount(static_cast<int>(rows.size()));
    int current = 0;
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const ZipGridRow& row = rows[static_cast<std::size_t>(r)];
        const std::string* cells[] = {&row.Name, &row.DateStamp, &row.Size, &row.Percent,
                                      &row.PackSize};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(Qt(*cells[c]));
            if (c >= 2) item->setTextAlignment(::Qt::AlignRight | ::Qt::AlignVCenter);
            grid_->setItem(r, c, item);
        }
        if (!row.Name.empty() && row.Name == core_.EntryName()) current = r;
    }
    if (!rows.empty()) grid_->setCurrentCell(current, 0);
    gridArchive_ = core_.ShownArchive();
}

void TUnZipForm::UpdateStatus() {
    status_->setText(Qt(core_.StatusText()));
}

void TUnZipForm::ListSelectionChanged() {
    std::vector<int> selected;
    for (QListWidgetItem* item : list_->selectedItems()) selected.push_back(list_->row(item));
    core_.SetSelection(selected);
    UpdateStatus();
}

void TUnZipForm::ListCurrentChanged(int row) {
    if (row < 0 || row >= core_.Count()) return;
    core_.ShowArchive(row);
    FillGrid();
    UpdateStatus();
}

void TUnZipForm::GridCurrentChanged(int row) {
    core_.SelectEntry(row);
    UpdateStatus();
}

void TUnZipForm::mnuClearClick() {
    core_.mnuClearClick();
    RefreshList();
}

void TUnZipForm::mnuAddClick() {
    core_.mnuAddClick();
    RefreshList();
}

void TUnZipForm::mnuCutClick() {
    core_.mnuCutClick();
    RefreshList();
}

void TUnZipForm::mnuDeleteClick() {
    core_.mnuDeleteClick();
    RefreshList();
}

void TUnZipForm::Extracted(ZipCommandEnd end, bool closeWhenFinished) {
    RefreshList();
    if (closeWhenFinished && end == ZipCommandEnd::Finished) close();
}

void TUnZipForm::mnuExtractAllClick() {
    // Shift is read as the command starts, before any dialog takes the keyboard.
    const bool shift = shiftHeld && shiftHeld();
    Extracted(core_.mnuExtractAllClick(shift), true);
}

void TUnZipForm::mnuSelectedZipsClick() {
    const bool shift = shiftHeld && shiftHeld();
    Extracted(core_.mnuSelectedZipsClick(shift), false);
}

void TUnZipForm::mnuSingleFileClick() {
    Extracted(core_.mnuSingleFileClick(), false);
}

void TUnZipForm::mnuCloseClick() {
    close();
}

void TUnZipForm::closeEvent(QCloseEvent* event) {
    // The window lives as long as the program; closing hides it and forgets its archives.
    core_.mnuClearClick();
    RefreshList();
    QMainWindow::closeEvent(event);
}

} // namespace zv
