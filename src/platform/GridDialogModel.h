#pragma once
// The grid dialog's state: up to 8 x 8 cells over a picture, one of which
// the user clicks to become the selection. The counts are limited so that a
// cell is never narrower or lower than one pixel.

#include <optional>
#include <string>

namespace zv {

struct GridSelection {
    int left = 0;
    int top = 0;
    int right = 0;  // inclusive
    int bottom = 0; // inclusive
    int columns = 1;
    int rows = 1;
};

struct GridBoxSize {
    int width = 0;
    int height = 0;
};

class GridDialogModel {
public:
    static constexpr int kMaxCount = 8;

    GridDialogModel(int columns, int rows, int width, int height);

    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    // The counts the combo boxes may offer: 1..8, fewer for a picture
    // narrower or lower than that.
    int MaxColumns() const;
    int MaxRows() const;
    void SetColumns(int columns);
    void SetRows(int rows);

    // A cell in picture pixels.
    int CellWidth() const { return width_ / columns_; }
    int CellHeight() const { return height_ / rows_; }
    // "Grid Select 333x250  Left=333  Top=250".
    std::string Caption() const;

    // The box the grid is drawn in: the picture's aspect fitted into
    // 320 x 240, and one cell of it.
    GridBoxSize Box() const;
    GridBoxSize BoxCell() const;

    // A click on cell (column, row), 0-based; outside the grid it is ignored.
    void Click(int column, int row);
    // A click at (x, y) in the box.
    void ClickBox(int x, int y);
    int Column() const { return column_; }
    int Row() const { return row_; }

    void Ok() { closed_ = true, result_ = Selected(); }
    void Cancel() { closed_ = true, result_.reset(); }
    bool Closed() const { return closed_; }
    // The chosen cell after OK; nullopt after Cancel or while open.
    std::optional<GridSelection> Result() const { return result_; }
    GridSelection Selected() const;

private:
    int width_;
    int height_;
    int columns_ = 1;
    int rows_ = 1;
    int column_ = 0;
    int row_ = 0;
    bool closed_ = false;
    std::optional<GridSelection> result_;
};

} // namespace zv
