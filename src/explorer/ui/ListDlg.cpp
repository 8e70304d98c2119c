#include "explorer/ui/ListDlg.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace zv {

// The chooser's rows, asked for on demand, so a million rows open at once.
class ChooserRowsModel : public QAbstractListModel {
public:
    explicit ChooserRowsModel(const ListChooser& chooser, QObject* parent)
        : QAbstractListModel(parent), chooser_(chooser) {}
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(chooser_.RowCount());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != ::Qt::DisplayRole || !index.isValid() ||
            std::size_t(index.row()) >= chooser_.RowCount())
            return {};
        return QString::fromStdString(chooser_.Row(std::size_t(index.row())));
    }
    void Reset() {
        beginResetModel();
        endResetModel();
    }

private:
    const ListChooser& chooser_;
};

namespace {

constexpr int kSide = 400;

QPushButton* BarButton(const char* caption, QHBoxLayout* bar) {
    auto* button = new QPushButton(QString::fromUtf8(caption));
    // Widths come from the stretch factors alone, so the dialog keeps its size.
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    bar->addWidget(button, 1);
    return button;
}

} // namespace

TListDlg::TListDlg(const ChooserRequest& request, ChooserChecks checks, QWidget* parent)
    : QDialog(parent, ::Qt::Dialog | ::Qt::CustomizeWindowHint | ::Qt::WindowTitleHint),
      chooser_(request, std::move(checks)) {
    setWindowTitle(QString::fromStdString(request.caption));
    resize(kSide, kSide);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    label_ = new QLabel;
    label_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label_->setAlignment(::Qt::AlignCenter);
    label_->setWordWrap(true);
    label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    rows_ = new ChooserRowsModel(chooser_, this);
    list_ = new QListView;
    list_->setObjectName(QStringLiteral("VChoices"));
    list_->setModel(rows_);
    list_->setUniformItemSizes(true); // rows measured once: a million open at once
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->installEventFilter(this);

    auto* bar = new QHBoxLayout;
    clear_ = BarButton("Cl&ear", bar);
    ok_ = BarButton("&Ok", bar);
    QPushButton* cancel = BarButton("Cancel", bar);
    QPushButton* help = BarButton("&Help", bar);
    help->setEnabled(false); // no help pages are shipped yet
    status_ = new QLabel;
    status_->setAlignment(::Qt::AlignCenter);
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(status_, 2); // four sixths for the buttons, a third for the count
    ok_->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(list_, 1);
    layout->addLayout(bar);

    connect(clear_, &QPushButton::clicked, this, &TListDlg::btnClearClick);
    connect(ok_, &QPushButton::clicked, this, &TListDlg::btnOKClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    FormActivate();
}

TListDlg::~TListDlg() = default;

void TListDlg::FormActivate() {
    const std::string checking = chooser_.CheckingText();
    if (!checking.empty()) {
        status_->setText(QString::fromStdString(checking));
        QApplication::setOverrideCursor(::Qt::WaitCursor);
    }
    chooser_.Open();
    if (!checking.empty()) QApplication::restoreOverrideCursor();
    list_->setSelectionMode(chooser_.SingleSelection() ? QAbstractItemView::SingleSelection
                                                       : QAbstractItemView::ExtendedSelection);
    clear_->setText(QString::fromStdString(chooser_.ClearCaption()));
    clear_->setVisible(chooser_.ClearVisible());
    Refresh();
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        TakeSelection();
        ok_->setEnabled(chooser_.OkEnabled());
    });
}

void TListDlg::UpdateStatus() {
    status_->setText(QString::fromStdString(chooser_.StatusText()));
}

// Everything shown again from the chooser.
void TListDlg::Refresh() {
    label_->setText(QString::fromStdString(chooser_.Label()));
    clear_->setEnabled(chooser_.ClearEnabled());
    rows_->Reset();
    ShowSelection();
    ok_->setEnabled(chooser_.OkEnabled());
    UpdateStatus();
}

// The chooser's selection onto the view, as runs of rows.
void TListDlg::ShowSelection() {
    QItemSelection selection;
    const std::size_t count = chooser_.RowCount();
    for (std::size_t row = 0; row < count;) {
        if (!chooser_.IsSelected(row)) {
            ++row;
            continue;
        }
        std::size_t end = row;
        while (end + 1 < count && chooser_.IsSelected(end + 1)) ++end;
        selection.select(rows_->index(int(row)), rows_->index(int(end)));
        row = end + 1;
    }
    QSignalBlocker quiet(list_->selectionModel());
    list_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    list_->viewport()->update();
    if (chooser_.CurrentRow() >= 0 && std::size_t(chooser_.CurrentRow()) < count) {
        const QModelIndex current = rows_->index(int(chooser_.CurrentRow()));
        list_->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        list_->scrollTo(current);
    }
}

// The view's selection into the chooser.
void TListDlg::TakeSelection() {
    chooser_.ClearSelection();
    for (const QItemSelectionRange& range : list_->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            chooser_.SetSelected(std::size_t(row), true);
}

void TListDlg::btnClearClick() {
    TakeSelection();
    chooser_.ClearClicked();
    Refresh();
}

void TListDlg::btnOKClick() {
    if (!chooser_.OkEnabled()) return;
    TakeSelection();
    accept();
}

void TListDlg::mnuListDeleteClick() {
    TakeSelection();
    if (chooser_.DeleteSelected()) Refresh();
}

bool TListDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyRelease &&
        static_cast<QKeyEvent*>(event)->key() == ::Qt::Key_Delete) {
        mnuListDeleteClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

int ChooseFromList(QWidget* parent, ChooserRequest& request, ChooserChecks checks) {
    TListDlg dialog(request, std::move(checks), parent);
    if (dialog.exec() != QDialog::Accepted) return -1;
    return dialog.Chooser().Accept(request);
}

} // namespace zv
