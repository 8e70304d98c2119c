#pragma once
// Paints a row of the thumbnail view: its thumbnail in a box-sized frame
// (a highlight frame and a dotted veil when selected, a dotted outline
// otherwise) and its name in up to two lines below.

#include <QStyledItemDelegate>

#include <functional>

namespace zv {

class ThumbDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using Thumbnail = std::function<QPixmap(int row)>;
    ThumbDelegate(Thumbnail thumbnail, QObject* parent = nullptr);

    QSize box;  // the thumbnail box
    QSize cell; // the whole cell

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    Thumbnail thumbnail_;
};

} // namespace zv
