#include "explorer/ui/ThumbDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QTextLayout>

namespace zv {

namespace {

// The veil over a selected thumbnail: white on every pixel of odd column and odd row.
const QBrush& SelectionVeil() {
    static const QBrush veil = [] {
        QImage pattern(8, 8, QImage::Format_ARGB32);
        pattern.fill(Qt::transparent);
        for (int y = 1; y < 8; y += 2)
            for (int x = 1; x < 8; x += 2) pattern.setPixel(x, y, qRgb(255, 255, 255));
        return QBrush(pattern);
    }();
    return veil;
}

// Up to two lines of the name, the second elided.
void DrawName(QPainter* painter, const QRect& area, const QString& text, const QFont& font) {
    const QFontMetrics metrics(font);
    QTextLayout layout(text, font);
    layout.beginLayout();
    QStringList lines;
    for (int i = 0; i < 2; ++i) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(area.width());
        if (i == 1)
            lines << metrics.elidedText(text.mid(line.textStart()), Qt::ElideRight, area.width());
        else
            lines << text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    for (int i = 0; i < lines.size(); ++i)
        painter->drawText(
            QRect(area.left(), area.top() + i * metrics.height(), area.width(), metrics.height()),
            Qt::AlignHCenter | Qt::AlignTop, lines[i].trimmed());
}

} // namespace

ThumbDelegate::ThumbDelegate(Thumbnail thumbnail, QObject* parent)
    : QStyledItemDelegate(parent), thumbnail_(std::move(thumbnail)) {}

void ThumbDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    painter->save();
    const QRect frame(option.rect.left() + (option.rect.width() - box.width()) / 2,
                      option.rect.top() + 2, box.width(), box.height());
    const QPixmap picture = thumbnail_ ? thumbnail_(index.row()) : QPixmap();
    if (!picture.isNull()) painter->drawPixmap(frame.topLeft(), picture);
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    if (selected) {
        // At half strength, so the picture under the dots stays recognisable.
        painter->setBrushOrigin(frame.topLeft());
        painter->setOpacity(0.5);
        painter->fillRect(frame, SelectionVeil());
        painter->setOpacity(1.0);
        painter->setPen(QPen(option.palette.color(QPalette::Highlight), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(frame.adjusted(1, 1, -1, -1));
    } else {
        painter->setPen(QPen(option.palette.color(QPalette::Mid), 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(frame.adjusted(0, 0, -1, -1));
    }
    painter->setPen(option.palette.color(QPalette::Text));
    QFont font = option.font;
    if (const QVariant chosen = index.data(Qt::FontRole); chosen.isValid())
        font = chosen.value<QFont>();
    painter->setFont(font);
    const QRect text(option.rect.left() + 2, frame.bottom() + 4, option.rect.width() - 4,
                     option.rect.bottom() - frame.bottom() - 4);
    DrawName(painter, text, index.data(Qt::DisplayRole).toString(), font);
    painter->restore();
}

QSize ThumbDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return cell.isValid() ? cell : QStyledItemDelegate::sizeHint(option, index);
}

} // namespace zv
