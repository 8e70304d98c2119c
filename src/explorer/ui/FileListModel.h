#pragma once
// The explorer's list as a virtual table: row i shows record ViewOrder[i] of
// the RecordStore. Views ask for a row's texts and icon only when they paint
// it, so a folder of any size costs one record per entry and nothing per row
// that is not on screen. The model owns no records: the window fills the
// store and the order between BeginChange and EndChange.

#include "explorer/Comments.h"
#include "explorer/FileList.h"
#include "explorer/Listing.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>

#include <string>

namespace zv {

class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // What the rows are read from; all of it belongs to the window.
    struct Source {
        RecordStore& store;
        ViewOrder& order;
        const FolderComments& comments;
        const IconCache& icons;
        const std::string& folder; // the current folder, ending in "/"
        PictureSizeQuery pictureInfo;
    };

    explicit FileListModel(Source source, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Brackets every rewrite of the store or the order: views drop their rows
    // and selection first and never ask for a row in between.
    void BeginChange() { beginResetModel(); }
    void EndChange() { endResetModel(); }

    // In the drives view a record's IconIndex is the drive's type code.
    void SetDrivesView(bool on) { drivesView_ = on; }
    bool DrivesView() const { return drivesView_; }

    // Single-click mode underlines the row under the pointer (style 1) or
    // every row (style 2); -1 clears the hover row.
    void SetUnderline(int clickStyle);
    void SetHoverRow(int row);

    // Repaints one row after its record changed (a new comment).
    void RowChanged(int row);

    // The record a row shows; nullptr beyond the list.
    const FileRecord* Record(int row) const;
    // The full path of a row's entry.
    std::string RowPath(int row) const;

    // The icon a record shows in the icon styles.
    QIcon IconOf(const FileRecord& record) const;

private:
    QIcon DriveIcon(int driveType) const;
    QVariant DisplayText(FileRecord& record, int column) const;

    Source source_;
    bool drivesView_ = false;
    int clickStyle_ = 0;
    int hoverRow_ = -1;
    mutable QHash<int, QIcon> iconsByIndex_;
};

// The kind of icon a file gets from its upper-case extension.
enum class FileIconKind { Folder, Picture, Media, Other };
FileIconKind IconKindOf(const std::string& upperExtension);

} // namespace zv
