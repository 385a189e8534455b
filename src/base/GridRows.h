#pragma once
// What the owner and parcel grids show, without a toolkit: their columns, the text
// of each cell, how a cell is aligned, the mark columns' glyphs and colours, and the
// widest number of a column. Rows are read by position (BaseQuery::ValueAt), so a
// grid over tens of thousands of owners draws only the rows it shows. The Qt table
// model and the Win32 list views both show a GridRows.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ter5::base {

class BaseQuery;

// One column of a grid; texts in UTF-8.
struct GridColumn {
    enum class Mark { None, Green, Red };  // mark columns show a check glyph in this colour

    std::string field;  // the field shown
    std::string title;  // header text
    int width = -1;     // pixels for the font the grids were designed with; -1 for the default
    Mark mark = Mark::None;
};

// The columns of the owner grid `DBGrid1` over `Tbter` and of the parcel grid
// `DBGrid4` over `TbSubter`.
std::vector<GridColumn> OwnerGridColumns();
std::vector<GridColumn> ParcelGridColumns();

enum class CellAlign { Left, Right, Centre };

// A colour as red, green and blue, 0..255 each.
struct Rgb {
    int red = 0, green = 0, blue = 0;
    bool operator==(const Rgb&) const = default;
};

class GridRows {
public:
    // The rows of `dataSet` (which must outlive this) in `columns`. Call Bind
    // whenever the data set opens, closes or is re-read.
    GridRows(BaseQuery& dataSet, std::vector<GridColumn> columns);

    const std::vector<GridColumn>& Columns() const { return columns_; }
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    BaseQuery& DataSet() const { return dataSet_; }

    // Binds each column to its field of the data set as it stands now; a closed data
    // set, or one lacking a column's field, leaves that column empty.
    void Bind();
    // The rows as of the last Bind: the data set's records, none while it was closed.
    int RowCount() const { return rows_; }
    // The data set's index of `column`'s field; -1 when unbound.
    int FieldIndex(int column) const;
    // Whether `column` shows numbers (right-aligned, never cut).
    bool IsNumeric(int column) const;
    // Marks centred, numbers right, text left.
    CellAlign Alignment(int column) const;
    // The text of the cell at `row`, `column` (0-based): NULL empty; numbers as the
    // user writes them with `decimalPoint` and no grouping (15 significant digits);
    // a mark column's byte shown as its glyph (MarkGlyph).
    std::string CellText(int row, int column, std::string_view decimalPoint = ".") const;
    // The header text of `column`: its title, a mark column's as its glyph.
    std::string HeaderText(int column) const;
    // The colour of `column`'s cells and title; none for an ordinary column.
    std::optional<Rgb> ColumnColour(int column) const;
    // For a numeric column, the longest of its values as CellText gives it (read
    // over all rows once after each Bind); empty for other columns.
    std::string WidestCellText(int column, std::string_view decimalPoint = ".") const;

    // The glyph a mark field's text shows: "☑" for the byte 0xFE ("ю" in
    // Windows-1251), "✓" for 0xFC ("ь"); other text unchanged.
    static std::string MarkGlyph(const std::string& text);
    // The colour of a mark column: dark green or red; none for Mark::None.
    static std::optional<Rgb> MarkColour(GridColumn::Mark mark);

private:
    BaseQuery& dataSet_;
    std::vector<GridColumn> columns_;
    int rows_ = 0;
    std::vector<int> fields_;    // per column; -1 when unbound
    std::vector<bool> numeric_;  // per column
    mutable std::vector<std::optional<int>> widestRow_;  // per numeric column, once read; -1 for none
};

}  // namespace ter5::base
