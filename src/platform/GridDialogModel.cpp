#include "platform/GridDialogModel.h"

#include <algorithm>
#include <cstdint>

namespace zv {

namespace {
constexpr int kBoxWidth = 320;
constexpr int kBoxHeight = 240;
constexpr int kSmallPicture = 64;
} // namespace

GridDialogModel::GridDialogModel(int columns, int rows, int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {
    SetColumns(columns);
    SetRows(rows);
}

int GridDialogModel::MaxColumns() const {
    return std::clamp(width_, 1, kMaxCount);
}

int GridDialogModel::MaxRows() const {
    return std::clamp(height_, 1, kMaxCount);
}

void GridDialogModel::SetColumns(int columns) {
    columns_ = std::clamp(columns, 1, MaxColumns());
    column_ = std::min(column_, columns_ - 1);
}

void GridDialogModel::SetRows(int rows) {
    rows_ = std::clamp(rows, 1, MaxRows());
    row_ = std::min(row_, rows_ - 1);
}

std::string GridDialogModel::Caption() const {
    const GridSelection cell = Selected();
    return "Grid Select " + std::to_string(CellWidth()) + "x" + std::to_string(CellHeight()) +
           "  Left=" + std::to_string(cell.left) + "  Top=" + std::to_string(cell.top);
}

GridBoxSize GridDialogModel::Box() const {
    if (width_ < kSmallPicture || height_ < kSmallPicture) return {kBoxWidth, kBoxHeight};
    // The larger of the two fits: compare w / 320 with h / 240 exactly.
    const std::int64_t w = width_, h = height_;
    if (w * kBoxHeight >= h * kBoxWidth)
        return {kBoxWidth, static_cast<int>(std::max<std::int64_t>(1, h * kBoxWidth / w))};
    return {static_cast<int>(std::max<std::int64_t>(1, w * kBoxHeight / h)), kBoxHeight};
}

GridBoxSize GridDialogModel::BoxCell() const {
    const GridBoxSize box = Box();
    return {box.width / columns_, box.height / rows_};
}

void GridDialogModel::Click(int column, int row) {
    if (column < 0 || row < 0 || column >= columns_ || row >= rows_) return;
    column_ = column;
    row_ = row;
}

void GridDialogModel::ClickBox(int x, int y) {
    const GridBoxSize cell = BoxCell();
    if (x < 0 || y < 0 || cell.width <= 0 || cell.height <= 0) return;
    Click(x / cell.width, y / cell.height);
}

GridSelection GridDialogModel::Selected() const {
    GridSelection cell;
    cell.left = column_ * CellWidth();
    cell.top = row_ * CellHeight();
    cell.right = cell.left + CellWidth() - 1;
    cell.bottom = cell.top + CellHeight() - 1;
    cell.columns = columns_;
    cell.rows = rows_;
    return cell;
}

} // namespace zv
