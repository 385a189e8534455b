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

// What a list view shows of a data set: rows by position, columns with their titles,
// widths, alignment and colours. GridRows is the owner and parcel grids'; the template
// lists have their own. The Win32 list view shows any of them.
class RowSource {
public:
    virtual ~RowSource() = default;
    // Re-reads the data set's shape after it opened, closed or was re-read.
    virtual void Bind() = 0;
    virtual int RowCount() const = 0;
    virtual int ColumnCount() const = 0;
    // Pixels for the design font; -1 for the default.
    virtual int ColumnWidth(int column) const = 0;
    virtual std::string HeaderText(int column) const = 0;
    virtual CellAlign Alignment(int column) const = 0;
    // The cell's text, numbers with `decimalPoint`; a mark shown as its glyph (GridRows::MarkGlyph).
    virtual std::string CellText(int row, int column, std::string_view decimalPoint) const = 0;
    // The colour of `column`'s cells and title; none for an ordinary column.
    virtual std::optional<Rgb> ColumnColour(int column) const = 0;
};

class GridRows : public RowSource {
public:
    // The rows of `dataSet` (which must outlive this) in `columns`. Call Bind
    // whenever the data set opens, closes or is re-read.
    GridRows(BaseQuery& dataSet, std::vector<GridColumn> columns);

    const std::vector<GridColumn>& Columns() const { return columns_; }
    int ColumnCount() const override { return static_cast<int>(columns_.size()); }
    int ColumnWidth(int column) const override { return columns_[static_cast<std::size_t>(column)].width; }
    BaseQuery& DataSet() const { return dataSet_; }

    // Binds each column to its field of the data set as it stands now; a closed data
    // set, or one lacking a column's field, leaves that column empty.
    void Bind() override;
    // The rows as of the last Bind: the data set's records, none while it was closed.
    int RowCount() const override { return rows_; }
    // The data set's index of `column`'s field; -1 when unbound.
    int FieldIndex(int column) const;
    // Whether `column` shows numbers (right-aligned, never cut).
    bool IsNumeric(int column) const;
    // Marks centred, numbers right, text left.
    CellAlign Alignment(int column) const override;
    // The text of the cell at `row`, `column` (0-based): NULL empty; numbers as the
    // user writes them with `decimalPoint` and no grouping (15 significant digits);
    // a mark column's byte shown as its glyph (MarkGlyph).
    std::string CellText(int row, int column, std::string_view decimalPoint = ".") const override;
    // The header text of `column`: its title, a mark column's as its glyph.
    std::string HeaderText(int column) const override;
    // The colour of `column`'s cells and title; none for an ordinary column.
    std::optional<Rgb> ColumnColour(int column) const override;
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
