#pragma once
// LookBox: the explorer's path box. Its list holds "My Computer" (the drives
// view), the known drives and, indented under the drive that holds it, each
// folder of the current path. Choosing an item, or typing a path and pressing
// Enter, reports the path; the explorer then shows it and puts it back here.

#include "explorer/Drives.h"

#include <QComboBox>

#include <string>
#include <vector>

namespace zv {

class LookBox : public QComboBox {
    Q_OBJECT
public:
    // What an item stands for.
    enum class ItemKind { Computer, Drive, NetworkPlace, Folder };
    static constexpr int kPathRole = Qt::UserRole;
    static constexpr int kKindRole = Qt::UserRole + 1;

    explicit LookBox(QWidget* parent = nullptr);

    // Lists the drives (network drives count as network places) and shows the path.
    void SetDrives(const std::vector<KnownDrive>& drives);
    // Shows the path in the edit line and lists its folders under its drive.
    // An empty path is the computer.
    void SetPath(const std::string& path);
    // The path the box shows.
    std::string Path() const { return path_; }

    // The path an item stands for.
    std::string ItemPath(int index) const;
    ItemKind Kind(int index) const;

signals:
    // An item chosen or a path typed and entered.
    void pathEntered(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Rebuild();
    void AddItem(const QIcon& icon, const QString& text, const std::string& path, ItemKind kind);

    std::vector<KnownDrive> drives_;
    std::string path_;
};

} // namespace zv
