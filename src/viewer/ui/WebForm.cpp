#include "viewer/ui/WebForm.h"

#include "viewer/ui/PictureView.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace zv {

namespace {
constexpr const char* kCaption = "Zelvan 7.04";

QColor ColourOf(std::uint32_t colourRef) {
    return QColor(colourRef & 0xFF, (colourRef >> 8) & 0xFF, (colourRef >> 16) & 0xFF);
}
} // namespace

TWebForm::TWebForm(ImagingContext& imaging, ViewerSettings& settings, QWidget* parent)
    : QMainWindow(parent), imaging_(imaging), settings_(settings) {
    setWindowTitle(QString::fromLatin1(kCaption));
    LimitFonts();
    view_ = new PictureView;
    scroller_ = new QScrollArea(this);
    scroller_->setWidget(view_);
    scroller_->setAlignment(Qt::AlignCenter);
    setCentralWidget(scroller_);
    statusLabel_ = new QLabel(this);
    statusBar()->addWidget(statusLabel_, 1);
    BuildMenus();
    BuildBars();
    imaging_.host = this;
    resize(800, 600);
}

QAction* TWebForm::AddToggle(QMenu* menu, const char* caption, bool ViewerSettings::*setting) {
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setCheckable(true);
    action->setChecked(settings_.*setting);
    connect(action, &QAction::toggled, this, [this, setting](bool on) {
        settings_.*setting = on;
        ApplySettings();
    });
    return action;
}

QAction* TWebForm::AddDisabled(QMenu* menu, const char* caption) {
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setEnabled(false);
    return action;
}

void TWebForm::LimitFonts() {
    QFont windowFont = font();
    if (windowFont.pointSize() > 12) {
        windowFont.setPointSize(12);
        setFont(windowFont);
    }
    if (logicalDpiY() > 96) {
        QFont statusFont = statusBar()->font();
        statusFont.setPointSize(9);
        statusBar()->setFont(statusFont);
    }
}

void TWebForm::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    AddDisabled(file, "&Open...");
    AddDisabled(file, "&Reload");
    AddDisabled(file, "&Save as...");
    file->addSeparator();
    connect(file->addAction(QStringLiteral("E&xplore")), &QAction::triggered, this,
            &TWebForm::explorerWanted);
    file->addSeparator();
    connect(file->addAction(QStringLiteral("&Close")), &QAction::triggered, this,
            &TWebForm::closeCommandWanted);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    AddDisabled(edit, "&Undo");

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    AddToggle(view, "&Menu bar", &ViewerSettings::menuBar);
    AddToggle(view, "&Tool bar", &ViewerSettings::toolBar);
    AddToggle(view, "&Path box", &ViewerSettings::pathBox);
    AddToggle(view, "&Status bar", &ViewerSettings::statusBar);
    AddToggle(view, "&Button text", &ViewerSettings::buttonText);
    view->addSeparator();
    AddToggle(view, "&Upsampled fit", &ViewerSettings::upsampledFit);
    AddDisabled(view, "&Options...");

    QMenu* image = menuBar()->addMenu(QStringLiteral("&Image"));
    AddDisabled(image, "&Promote to");

    QMenu* colours = menuBar()->addMenu(QStringLiteral("&Colors"));
    AddDisabled(colours, "&Negative");

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    connect(tools->addAction(QStringLiteral("Memo&ry")), &QAction::triggered, this,
            &TWebForm::memoryWanted);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    AddDisabled(help, "&Contents");
}

void TWebForm::BuildBars() {
    toolBar_ = addToolBar(QStringLiteral("Tool bar"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMovable(false);
    QAction* explore = toolBar_->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon),
                                           QStringLiteral("Explore"));
    connect(explore, &QAction::triggered, this, &TWebForm::explorerWanted);
    addToolBarBreak();
    pathRow_ = addToolBar(QStringLiteral("Path box"));
    pathRow_->setObjectName(QStringLiteral("pathBox"));
    pathRow_->setMovable(false);
    pathBox_ = new QComboBox(pathRow_);
    pathBox_->setEditable(true);
    pathBox_->setObjectName(QStringLiteral("History"));
    pathBox_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    pathBox_->setMinimumWidth(64);
    pathRow_->addWidget(pathBox_);
}

void TWebForm::SetButtonText(bool on) {
    toolBar_->setToolButtonStyle(on ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
}

void TWebForm::ApplySettings() {
    scroller_->setBackgroundRole(QPalette::Window);
    QPalette palette = scroller_->palette();
    palette.setColor(QPalette::Window, ColourOf(settings_.backColour));
    scroller_->setPalette(palette);
    view_->SetBackground(ColourOf(settings_.backColour));
    menuBar()->setVisible(settings_.menuBar);
    toolBar_->setVisible(settings_.toolBar && !settings_.mergeToolBar);
    SetButtonText(settings_.buttonText && settings_.toolBar);
    pathRow_->setVisible(settings_.pathBox);
    statusBar()->setVisible(settings_.statusBar);
}

void TWebForm::RefreshCaption() {
    setWindowTitle(QString::fromLatin1(kCaption));
}

void TWebForm::SetCurrentPath(const std::string& path) {
    currentPath_ = path;
    pathBox_->setEditText(QString::fromStdString(path));
}

void TWebForm::ShowEmptyPicture() {
    Bitmap& picture = imaging_.current;
    {
        std::lock_guard surface(picture.Surface());
        picture.Create(16, 16, PixelFormat::Bits24);
        const std::uint32_t c = settings_.backColour;
        for (int y = 0; y < 16; ++y) {
            std::uint8_t* row = picture.ScanLine(y);
            for (int x = 0; x < 16; ++x) {
                row[3 * x] = static_cast<std::uint8_t>(c >> 16);
                row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
                row[3 * x + 2] = static_cast<std::uint8_t>(c);
            }
        }
    }
    imaging_.descriptor.ImageWidth = 16;
    imaging_.descriptor.ImageHeight = 16;
    imaging_.descriptor.ImageBits = 24;
    SetCurrentPath("Untitled");
    ShowPicture();
    RefreshCaption();
}

void TWebForm::ShowPicture() {
    view_->Show(&imaging_.current);
}

void TWebForm::SetStatusText(const QString& text) {
    statusLabel_->setText(text);
}

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

void TWebForm::SetStatusText(const std::string& text) { SetStatusText(QString::fromStdString(text)); }

ViewArea TWebForm::ViewSize() const {
    const QSize size = scroller_->viewport()->size();
    return {size.width(), size.height()};
}

void TWebForm::PictureShown() {
    ShowPicture();
    RefreshCaption();
}

} // namespace zv
