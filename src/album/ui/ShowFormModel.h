#pragma once
// The album's list as a virtual table: row i is slide i of the album, its
// texts made only when a view paints the row, so a million slides cost
// nothing per row that is not on screen. The columns are the details view's.

#include "album/AlbumEditor.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPixmap>

#include <functional>

namespace zv {

inline constexpr int kAlbumColumnCount = 14;

// The details columns' captions and their widths for a column set (0 hides).
const char* AlbumColumnCaption(int column);
int AlbumColumnWidth(AlbumColumnSet set, int column);

// The texts of one slide's cells.
std::string SlideCellText(const SlideAlbum& album, int position, int column);

class ShowFormModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The thumbnail a row shows in the thumbnail view; a null pixmap draws
    // nothing.
    using ThumbFor = std::function<QPixmap(int position)>;

    ShowFormModel(AlbumEditor& editor, ThumbFor thumbFor, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // After any command: the rows are read again.
    void Reload();
    // One row's thumbnail changed.
    void RowChanged(int position);

private:
    AlbumEditor& editor_;
    ThumbFor thumbFor_;
};

} // namespace zv
