#include "album/ui/ShowFormModel.h"

#include <cstdio>

namespace zv {

namespace {

constexpr const char* kCaptions[kAlbumColumnCount] = {
    "filename",  "backcolor",   "FX#",     "wait", "zoom",     "gamma", "rotate",
    "pos [x,y]", "panel [w,h]", "comment", "crc",  "user idx", "image", "extra idx"};

// filename, then the widths of the other columns in each column set.
constexpr int kWidths[3][kAlbumColumnCount] = {
    {200, 60, 32, 50, 50, 50, 50, 80, 80, 64, 80, 80, 60, 80},
    {200, 60, 32, 50, 50, 50, 50, 80, 80, 64, 0, 0, 0, 0},
    {200, 0, 0, 0, 0, 0, 0, 0, 0, 120, 80, 80, 60, 80},
};

std::string Number(int value) {
    return value == kNotApplicable ? " --- " : std::to_string(value);
}

std::string Pair(int a, int b) {
    if (a == kNotApplicable) return " --- ";
    if (a < 0 || b < 0) return "auto";
    return std::to_string(a) + "," + std::to_string(b);
}

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

} // namespace

const char* AlbumColumnCaption(int column) {
    return column >= 0 && column < kAlbumColumnCount ? kCaptions[column] : "";
}

int AlbumColumnWidth(AlbumColumnSet set, int column) {
    const int row = std::clamp(static_cast<int>(set), 0, 2);
    return column >= 0 && column < kAlbumColumnCount ? kWidths[row][column] : 0;
}

std::string SlideCellText(const SlideAlbum& album, int position, int column) {
    const SlideRecord& r = album.Slide(position);
    switch (column) {
    case 0: return std::string(album.NameOf(position)) + std::string(r.ext.View());
    case 1:
        if (r.backColor == kNoBackColor) return {};
        if (r.backColor == kBackColorNotApplicable) return " --- ";
        return Hex(static_cast<std::uint32_t>(r.backColor), 6);
    case 2: return Number(r.effect);
    case 3: return std::to_string(r.wait);
    case 4: return Number(r.zoom);
    case 5: return Number(r.gamma);
    case 6: return Number(r.rotate);
    case 7: return Pair(r.posX, r.posY);
    case 8: return Pair(r.panelW, r.panelH);
    case 9: return std::string(album.CommentOf(position));
    case 10: return r.crc == kNoCrc ? std::string() : Hex(static_cast<std::uint32_t>(r.crc), 8);
    case 11: return std::to_string(r.userIdx);
    case 12:
        if (r.width == 0 && r.height == 0) return "????x????";
        return std::to_string(r.width) + "x" + std::to_string(r.height);
    case 13: return std::to_string(r.extraIdx);
    default: return {};
    }
}

ShowFormModel::ShowFormModel(AlbumEditor& editor, ThumbFor thumbFor, QObject* parent)
    : QAbstractTableModel(parent), editor_(editor), thumbFor_(std::move(thumbFor)) {}

int ShowFormModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : editor_.Count();
}

int ShowFormModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kAlbumColumnCount;
}

QVariant ShowFormModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= editor_.Count()) return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(SlideCellText(editor_.Album(), index.row(), index.column()));
    if (role == Qt::DecorationRole && index.column() == 0 && !editor_.View().details && thumbFor_) {
        const QPixmap thumb = thumbFor_(index.row());
        if (!thumb.isNull()) return thumb;
    }
    return {};
}

QVariant ShowFormModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QString::fromLatin1(AlbumColumnCaption(section));
    return {};
}

Qt::ItemFlags ShowFormModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

void ShowFormModel::Reload() {
    beginResetModel();
    endResetModel();
}

void ShowFormModel::RowChanged(int position) {
    emit dataChanged(index(position, 0), index(position, kAlbumColumnCount - 1));
}

} // namespace zv
