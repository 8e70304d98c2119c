#pragma once
// The folder tree beside the explorer's list: a view of a FolderTree that
// reads a folder only when the user opens its node. Nodes not read yet show
// an expand button and no children. A click selects a node; only the expand
// button opens it.

#include "explorer/FolderTree.h"

#include <QHash>
#include <QTreeWidget>

namespace zv {

class FolderTreeView : public QTreeWidget {
    Q_OBJECT
public:
    FolderTreeView(FolderTree& tree, QWidget* parent = nullptr);

    // Shows the tree's nodes anew (after Init, SelectPath, CloseDrives,
    // ArrangeBy and any other change of the nodes), with the read nodes as
    // the tree has them opened, and selects the tree's selected node.
    void Rebuild();
    // Removes every item (the tree is hidden).
    void Empty();

    FolderNode* NodeOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* ItemOf(const FolderNode* node) const { return items_.value(node); }
    FolderNode* CurrentNode() const { return NodeOf(currentItem()); }

signals:
    // The user selected a node: its folder, and whether it is a drive node.
    void nodeChosen(const QString& folder, bool drive);
    // A drive node could not be read and stays closed.
    void expandRefused();

private:
    QTreeWidgetItem* MakeItem(FolderNode& node);
    void FillChildren(QTreeWidgetItem* item, FolderNode& node);
    void OpenExpanded(QTreeWidgetItem* item);
    void OnExpanded(QTreeWidgetItem* item);
    void OnCollapsed(QTreeWidgetItem* item);
    void OnCurrentChanged(QTreeWidgetItem* current);

    FolderTree& tree_;
    QHash<const FolderNode*, QTreeWidgetItem*> items_;
    QIcon folderIcon_;
    bool updating_ = false; // changes made here, not by the user
};

} // namespace zv
