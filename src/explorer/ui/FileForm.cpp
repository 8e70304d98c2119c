#include "explorer/ui/FileForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeWidget>

namespace zv {

namespace {
QAction* AddDisabled(QMenu* menu, const char* caption) {
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setEnabled(false);
    return action;
}
} // namespace

TFileForm::TFileForm(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Zelvan Explorer"));
    auto* splitter = new QSplitter(this);
    auto* tree = new QTreeWidget(splitter);
    tree->setObjectName(QStringLiteral("FolderTree"));
    tree->setHeaderHidden(true);
    auto* list = new QListWidget(splitter);
    list->setObjectName(QStringLiteral("FileList"));
    splitter->setStretchFactor(1, 3);
    setCentralWidget(splitter);
    status_ = new QLabel(this);
    statusBar()->addWidget(status_, 1);
    BuildMenus();
    resize(800, 600);
}

void TFileForm::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    connect(file->addAction(QStringLiteral("&Viewer")), &QAction::triggered, this,
            &TFileForm::viewerWanted);
    file->addSeparator();
    connect(file->addAction(QStringLiteral("&Close")), &QAction::triggered, this,
            &TFileForm::closeProgramWanted);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    AddDisabled(edit, "&Find filename");

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    AddDisabled(view, "&Folder tree");
    AddDisabled(view, "&Tool bar");
    AddDisabled(view, "&Status bar");

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    AddDisabled(tools, "&Options...");
    AddDisabled(tools, "&Slide Album");
    connect(tools->addAction(QStringLiteral("Memo&ry")), &QAction::triggered, this,
            &TFileForm::memoryWanted);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    AddDisabled(help, "&Contents");
}

void TFileForm::closeEvent(QCloseEvent* event) {
    if (applicationEnding) {
        event->accept();
        return;
    }
    event->ignore();
    hide();
    emit viewerWanted();
}

} // namespace zv
