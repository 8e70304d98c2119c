#include "viewer/ui/BatchForm.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <algorithm>

namespace zv {

namespace {

constexpr int kSmallestStoredSide = 64;

QString Qt(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TBatchForm::TBatchForm(BatchEditor& editor, WindowBounds& bounds)
    : editor_(editor), bounds_(bounds) {
    setObjectName(QStringLiteral("BatchForm"));
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("BatchText"));
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    setCentralWidget(text_);
    connect(text_, &QPlainTextEdit::textChanged, this, [this] {
        if (refreshing_) return;
        editor_.SetText(text_->toPlainText().toStdString());
        UpdateCommands();
    });
    BuildMenu();
    Refresh();
}

void TBatchForm::BuildMenu() {
    QMenuBar* bar = menuBar();
    connect(bar->addAction(QStringLiteral("&New")), &QAction::triggered, this, [this] {
        if (editor_.New()) Refresh();
    });
    connect(bar->addAction(QStringLiteral("&Open")), &QAction::triggered, this, [this] {
        if (editor_.Open()) Refresh();
    });
    save_ = bar->addAction(QStringLiteral("&Save"));
    connect(save_, &QAction::triggered, this, [this] {
        if (editor_.Save()) setWindowTitle(Qt(editor_.Caption()));
    });
    perform_ = bar->addAction(QStringLiteral("&Perform"));
    connect(perform_, &QAction::triggered, this, &TBatchForm::performWanted);
    connect(bar->addAction(QStringLiteral("&Close")), &QAction::triggered, this, &QWidget::close);
    bar->addAction(QStringLiteral("&Help"))->setEnabled(false);
}

void TBatchForm::UpdateCommands() {
    save_->setEnabled(editor_.Changed());
    perform_->setEnabled(editor_.Changed());
}

void TBatchForm::Refresh() {
    refreshing_ = true;
    text_->setPlainText(Qt(editor_.Text()));
    refreshing_ = false;
    setWindowTitle(Qt(editor_.Caption()));
    UpdateCommands();
}

void TBatchForm::AppendLine(const std::string& line) {
    editor_.AppendLine(line);
    Refresh();
    text_->moveCursor(QTextCursor::End);
}

void TBatchForm::ShowEditor() {
    if (!isVisible()) PlaceOnScreen();
    show();
    raise();
    activateWindow();
    editor_.StartRecording();
}

// Where it was last, kept inside the screen; a stored size under 64 pixels
// gives half the screen's width and three quarters of its height.
void TBatchForm::PlaceOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    QRect wanted(bounds_.left, bounds_.top, bounds_.Width(), bounds_.Height());
    if (wanted.width() < kSmallestStoredSide || wanted.height() < kSmallestStoredSide)
        wanted = QRect(area.left(), area.top(), area.width() / 2, area.height() * 3 / 4);
    wanted.setWidth(std::min(wanted.width(), area.width()));
    wanted.setHeight(std::min(wanted.height(), area.height()));
    wanted.moveLeft(std::clamp(wanted.left(), area.left(), area.right() - wanted.width() + 1));
    wanted.moveTop(std::clamp(wanted.top(), area.top(), area.bottom() - wanted.height() + 1));
    setGeometry(wanted);
}

void TBatchForm::StoreBounds() {
    if (!isVisible()) return;
    const QRect frame = geometry();
    bounds_ = {frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1};
}

void TBatchForm::CloseForGood() {
    closingForGood_ = true;
    editor_.StopRecording();
    close();
}

void TBatchForm::closeEvent(QCloseEvent* event) {
    StoreBounds();
    if (closingForGood_) {
        event->accept();
        return;
    }
    // Only hidden: the text stays and recording goes on.
    event->ignore();
    hide();
}

void TBatchForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) editor_.StartRecording();
    QMainWindow::changeEvent(event);
}

void TBatchForm::moveEvent(QMoveEvent* event) {
    StoreBounds();
    QMainWindow::moveEvent(event);
}

void TBatchForm::resizeEvent(QResizeEvent* event) {
    StoreBounds();
    QMainWindow::resizeEvent(event);
}

} // namespace zv
