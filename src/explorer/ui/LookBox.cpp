#include "explorer/ui/LookBox.h"

#include "explorer/FileList.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>

namespace zv {

namespace {

constexpr int kIndentPerLevel = 3; // spaces before a folder item, per level below its drive

QString Qt(const std::string& text) {
    return QString::fromStdString(text);
}

QIcon DriveIcon(int type) {
    QStyle* style = QApplication::style();
    if (IsNetworkDriveType(type)) return style->standardIcon(QStyle::SP_DriveNetIcon);
    if (type == kDriveOptical) return style->standardIcon(QStyle::SP_DriveCDIcon);
    if (type == kDriveRemovable) return style->standardIcon(QStyle::SP_DriveFDIcon);
    return style->standardIcon(QStyle::SP_DriveHDIcon);
}

// The folders of `path` below `root`, each as its full path: "/a/" under "/"
// with path "/a/b/" gives "/a/", "/a/b/".
std::vector<std::string> FoldersBelow(const std::string& root, const std::string& path) {
    std::vector<std::string> folders;
    std::size_t start = root.size();
    while (start < path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size() - 1;
        if (slash > start) folders.push_back(path.substr(0, slash + 1));
        start = slash + 1;
    }
    return folders;
}

} // namespace

LookBox::LookBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setObjectName(QStringLiteral("LookBox"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumWidth(64);
    setMaxVisibleItems(24);
    // The box keeps the keyboard focus and hands typing to its edit line, so
    // Enter arrives at the box itself as often as at the line.
    lineEdit()->installEventFilter(this);
    installEventFilter(this);
    connect(this, &QComboBox::activated, this, [this](int index) {
        const std::string path = ItemPath(index);
        // The edit line shows the path, not the indented caption.
        lineEdit()->setText(Qt(path.empty() ? std::string(kMyComputer) : path));
        emit pathEntered(Qt(path));
    });
}

void LookBox::SetDrives(const std::vector<KnownDrive>& drives) {
    drives_ = drives;
    Rebuild();
}

void LookBox::SetPath(const std::string& path) {
    path_ = path;
    Rebuild();
}

std::string LookBox::ItemPath(int index) const {
    return itemData(index, kPathRole).toString().toStdString();
}

LookBox::ItemKind LookBox::Kind(int index) const {
    return static_cast<ItemKind>(itemData(index, kKindRole).toInt());
}

void LookBox::AddItem(const QIcon& icon, const QString& text, const std::string& path,
                      ItemKind kind) {
    addItem(icon, text);
    const int index = count() - 1;
    setItemData(index, Qt(path), kPathRole);
    setItemData(index, static_cast<int>(kind), kKindRole);
}

void LookBox::Rebuild() {
    const QSignalBlocker quiet(this);
    clear();
    QStyle* style = QApplication::style();
    AddItem(style->standardIcon(QStyle::SP_ComputerIcon), QString::fromUtf8(kMyComputer), {},
            ItemKind::Computer);
    const int holder = path_.empty() ? -1 : GetDriveIndex(drives_, path_);
    const QIcon folderIcon = QFileIconProvider().icon(QFileIconProvider::Folder);
    int currentItem = 0;
    for (int i = 0; i < static_cast<int>(drives_.size()); ++i) {
        const KnownDrive& drive = drives_[std::size_t(i)];
        const QString text =
            Qt(drive.displayName) + QStringLiteral(" (") + Qt(drive.root) + QStringLiteral(")");
        AddItem(DriveIcon(drive.type), text, drive.root,
                IsNetworkDriveType(drive.type) ? ItemKind::NetworkPlace : ItemKind::Drive);
        if (i != holder) continue;
        currentItem = count() - 1;
        int level = 1;
        for (const std::string& folder : FoldersBelow(drive.root, path_)) {
            std::string name = folder.substr(0, folder.size() - 1);
            name = name.substr(name.rfind('/') + 1);
            AddItem(folderIcon, QString(level * kIndentPerLevel, QLatin1Char(' ')) + Qt(name),
                    folder, ItemKind::Folder);
            currentItem = count() - 1;
            ++level;
        }
    }
    setCurrentIndex(currentItem);
    lineEdit()->setText(Qt(path_.empty() ? std::string(kMyComputer) : path_));
}

// Enter reports what was typed; the combo box's own handling would only
// pick an item whose caption matches.
bool LookBox::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == lineEdit() || watched == this) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            QString text = lineEdit()->text().trimmed();
            if (text == QString::fromUtf8(kMyComputer)) text.clear();
            emit pathEntered(text);
            return true;
        }
        if (key == Qt::Key_Escape) {
            lineEdit()->setText(Qt(path_.empty() ? std::string(kMyComputer) : path_));
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

} // namespace zv
