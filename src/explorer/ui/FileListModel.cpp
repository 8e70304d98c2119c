#include "explorer/ui/FileListModel.h"

#include "explorer/Drives.h"
#include "platform/Extensions.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFont>
#include <QStyle>

namespace zv {

namespace {

constexpr int kColumnCount = static_cast<int>(std::size(kDetailsColumns));

QString Qt(const std::string& text) {
    return QString::fromStdString(text);
}

QIcon ThemeIcon(const char* name, QFileIconProvider::IconType fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), QFileIconProvider().icon(fallback));
}

QIcon KindIcon(FileIconKind kind) {
    switch (kind) {
    case FileIconKind::Folder: return QFileIconProvider().icon(QFileIconProvider::Folder);
    case FileIconKind::Picture: return ThemeIcon("image-x-generic", QFileIconProvider::File);
    case FileIconKind::Media: return ThemeIcon("audio-x-generic", QFileIconProvider::File);
    case FileIconKind::Other: break;
    }
    return QFileIconProvider().icon(QFileIconProvider::File);
}

} // namespace

FileIconKind IconKindOf(const std::string& upperExtension) {
    if (ExtensionIn(upperExtension, ImageExtensions)) return FileIconKind::Picture;
    if (ExtensionIn(upperExtension, MediaExtensions)) return FileIconKind::Media;
    return FileIconKind::Other;
}

FileListModel::FileListModel(Source source, QObject* parent)
    : QAbstractTableModel(parent), source_(std::move(source)) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(source_.order.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

const FileRecord* FileListModel::Record(int row) const {
    return RowRecord(source_.store, source_.order, row);
}

std::string FileListModel::RowPath(int row) const {
    const FileRecord* record = Record(row);
    return record ? RecordPath(source_.folder, *record, drivesView_) : std::string();
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    FileRecord* record = RowRecord(source_.store, source_.order, index.row());
    if (!record) return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: return DisplayText(*record, column);
    case Qt::DecorationRole:
        if (column == 0) return IconOf(*record);
        break;
    case Qt::TextAlignmentRole:
        if (kDetailsColumns[column].alignRight)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        break;
    case Qt::FontRole:
        if (column == 0 && (clickStyle_ == 2 || (clickStyle_ == 1 && index.row() == hoverRow_))) {
            QFont font;
            font.setUnderline(true);
            return font;
        }
        break;
    default: break;
    }
    return {};
}

QVariant FileListModel::DisplayText(FileRecord& record, int column) const {
    if (column == 0) return Qt(record.Name);
    if (drivesView_) return {};
    switch (kDetailsColumns[column].column) {
    case DetailsColumn::Name: return Qt(record.Name);
    case DetailsColumn::Size: return Qt(SizeColumnText(record));
    case DetailsColumn::DateModified: return Qt(DateColumnText(record));
    case DetailsColumn::TypeDimensions:
        return Qt(EnsureTypeText(record, source_.folder, source_.pictureInfo));
    case DetailsColumn::Comment: return Qt(CommentColumnText(record, source_.comments));
    }
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
    if (role == Qt::DisplayRole) {
        const std::string_view caption = kDetailsColumns[section].caption;
        return QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
    }
    if (role == Qt::TextAlignmentRole && kDetailsColumns[section].alignRight)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QIcon FileListModel::DriveIcon(int driveType) const {
    const int key = -1000 - driveType;
    auto found = iconsByIndex_.constFind(key);
    if (found != iconsByIndex_.constEnd()) return *found;
    QStyle* style = QApplication::style();
    QIcon icon;
    switch (driveType) {
    case kDriveRemovable: icon = style->standardIcon(QStyle::SP_DriveFDIcon); break;
    case kDriveOptical: icon = style->standardIcon(QStyle::SP_DriveCDIcon); break;
    default:
        icon = IsNetworkDriveType(driveType) ? style->standardIcon(QStyle::SP_DriveNetIcon)
                                             : style->standardIcon(QStyle::SP_DriveHDIcon);
    }
    iconsByIndex_.insert(key, icon);
    return icon;
}

// Icons are looked up once per icon number (one per extension); only files
// whose icon is their own are asked one by one.
QIcon FileListModel::IconOf(const FileRecord& record) const {
    if (drivesView_) return DriveIcon(record.IconIndex);
    if (record.IconIndex == IconCache::kOwnIcon)
        return QFileIconProvider().icon(QFileInfo(Qt(RecordPath(source_.folder, record))));
    auto found = iconsByIndex_.constFind(record.IconIndex);
    if (found != iconsByIndex_.constEnd()) return *found;
    QIcon icon;
    if (record.IconIndex == IconCache::kFolder)
        icon = KindIcon(FileIconKind::Folder);
    else if (record.IconIndex == IconCache::kNoExtension)
        icon = KindIcon(FileIconKind::Other);
    else
        icon = KindIcon(IconKindOf(source_.icons.ExtensionOf(record.IconIndex)));
    iconsByIndex_.insert(record.IconIndex, icon);
    return icon;
}

void FileListModel::SetUnderline(int clickStyle) {
    if (clickStyle_ == clickStyle) return;
    clickStyle_ = clickStyle;
    hoverRow_ = -1;
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::FontRole});
}

void FileListModel::SetHoverRow(int row) {
    if (row == hoverRow_) return;
    const int old = hoverRow_;
    hoverRow_ = row;
    if (clickStyle_ != 1) return;
    if (old >= 0 && old < rowCount())
        emit dataChanged(index(old, 0), index(old, 0), {Qt::FontRole});
    if (row >= 0 && row < rowCount())
        emit dataChanged(index(row, 0), index(row, 0), {Qt::FontRole});
}

void FileListModel::RowChanged(int row) {
    if (row < 0 || row >= rowCount()) return;
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

} // namespace zv
