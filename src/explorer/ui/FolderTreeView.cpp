#include "explorer/ui/FolderTreeView.h"

#include <QApplication>
#include <QHeaderView>
#include <QStyle>

namespace zv {

namespace {

constexpr int kNodeRole = Qt::UserRole;

QIcon DriveIconOf(int type) {
    QStyle* style = QApplication::style();
    if (IsNetworkDriveType(type)) return style->standardIcon(QStyle::SP_DriveNetIcon);
    if (type == kDriveOptical) return style->standardIcon(QStyle::SP_DriveCDIcon);
    if (type == kDriveRemovable) return style->standardIcon(QStyle::SP_DriveFDIcon);
    return style->standardIcon(QStyle::SP_DriveHDIcon);
}

} // namespace

FolderTreeView::FolderTreeView(FolderTree& tree, QWidget* parent)
    : QTreeWidget(parent), tree_(tree) {
    setObjectName(QStringLiteral("FolderTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    // Closed folders show the closed icon; the selected one the open icon.
    QStyle* style = QApplication::style();
    folderIcon_.addPixmap(style->standardIcon(QStyle::SP_DirClosedIcon).pixmap(16), QIcon::Normal);
    folderIcon_.addPixmap(style->standardIcon(QStyle::SP_DirOpenIcon).pixmap(16), QIcon::Selected);
    connect(this, &QTreeWidget::itemExpanded, this, &FolderTreeView::OnExpanded);
    connect(this, &QTreeWidget::itemCollapsed, this, &FolderTreeView::OnCollapsed);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnCurrentChanged(current); });
}

FolderNode* FolderTreeView::NodeOf(const QTreeWidgetItem* item) const {
    if (!item) return nullptr;
    return reinterpret_cast<FolderNode*>(item->data(0, kNodeRole).value<quintptr>());
}

QTreeWidgetItem* FolderTreeView::MakeItem(FolderNode& node) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdString(node.Text()));
    item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(&node)));
    if (node.IsDrive()) {
        const std::size_t index = node.Data();
        const auto& drives = tree_.Drives();
        item->setIcon(0, DriveIconOf(index < drives.size() ? drives[index].type : kDriveFixed));
    } else {
        item->setIcon(0, folderIcon_);
    }
    items_.insert(&node, item);
    if (node.IsUnread())
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    else
        FillChildren(item, node);
    return item;
}

void FolderTreeView::FillChildren(QTreeWidgetItem* item, FolderNode& node) {
    for (QTreeWidgetItem* child : item->takeChildren()) {
        items_.remove(NodeOf(child));
        delete child;
    }
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    for (const auto& child : node.Children())
        if (!child->IsPlaceholder()) item->addChild(MakeItem(*child));
}

// Opens the items whose nodes the tree has open, once they are in the view.
void FolderTreeView::OpenExpanded(QTreeWidgetItem* item) {
    const FolderNode* node = NodeOf(item);
    if (!node || !node->IsExpanded()) return;
    item->setExpanded(true);
    for (int i = 0; i < item->childCount(); ++i) OpenExpanded(item->child(i));
}

void FolderTreeView::Rebuild() {
    updating_ = true;
    clear();
    items_.clear();
    for (const auto& root : tree_.Roots()) addTopLevelItem(MakeItem(*root));
    for (int i = 0; i < topLevelItemCount(); ++i) OpenExpanded(topLevelItem(i));
    if (QTreeWidgetItem* selected = ItemOf(tree_.Selected())) {
        setCurrentItem(selected);
        scrollToItem(selected);
    }
    updating_ = false;
}

void FolderTreeView::Empty() {
    updating_ = true;
    clear();
    items_.clear();
    updating_ = false;
}

void FolderTreeView::OnExpanded(QTreeWidgetItem* item) {
    FolderNode* node = NodeOf(item);
    if (updating_ || !node) return;
    const bool unread = node->IsUnread();
    if (unread) QApplication::setOverrideCursor(Qt::WaitCursor);
    const FolderTree::ExpandResult result = tree_.Expand(*node);
    if (unread) QApplication::restoreOverrideCursor();
    if (result == FolderTree::ExpandResult::Refused) {
        updating_ = true;
        item->setExpanded(false);
        updating_ = false;
        emit expandRefused();
        return;
    }
    if (unread) {
        updating_ = true;
        FillChildren(item, *node);
        updating_ = false;
    }
}

void FolderTreeView::OnCollapsed(QTreeWidgetItem* item) {
    FolderNode* node = NodeOf(item);
    if (updating_ || !node) return;
    tree_.Collapse(*node);
}

void FolderTreeView::OnCurrentChanged(QTreeWidgetItem* current) {
    FolderNode* node = NodeOf(current);
    if (updating_ || !node) return;
    tree_.Select(node);
    emit nodeChosen(QString::fromStdString(tree_.NodePath(*node)), node->IsDrive());
}

} // namespace zv
