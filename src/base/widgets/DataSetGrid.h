#pragma once
// The common part of the read-only grids over a DataSetTableModel: whole-row
// single selection shown also without focus, no editing in the cells, a fixed
// row indicator column, resizable columns of the model's widths. Its current row
// is the data set's cursor: the grid follows cursor moves, and moving the grid's
// current row moves the cursor (MoveModelCursor).
//
// The model's widths were set for MS Sans Serif 8 pt; the grid scales them by its
// font's average character width against that font's, so the columns keep their
// proportions in any font and size. A numeric column is made wide enough for as
// many digits as it held in the design font and for the longest of its values, and
// every column for its title; text that does not fit after all (a column the user
// narrowed) ends in "…", and its tool tip shows it whole.

#include <QTableView>

namespace ter5::base {

class DataSetTableModel;

class DataSetGrid : public QTableView {
    Q_OBJECT

public:
    // A grid showing `model`, its current row at the model's cursor.
    explicit DataSetGrid(DataSetTableModel* model, QWidget* parent = nullptr);

    // The width column `column` gets in the grid's present font.
    int FittedColumnWidth(int column) const;
    // The font's average character width over that of the design font: how much wider
    // than designed the grid's widths come out.
    double FontScale() const;
    // Pixels a cell leaves between its edges and its text.
    int CellTextMargin() const;

protected:
    // Moves the cursor to the grid's current row; DataSetGrid calls it with its own
    // cursor following held off.
    virtual void MoveModelCursor(int row);
    // Makes `row` (0-based; -1 for none) the grid's current row, keeping its column.
    void FollowCursor(int row);

    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void changeEvent(QEvent* event) override;

private:
    void ApplyColumnWidths();

    DataSetTableModel* model_;
    bool following_ = false;
};

}  // namespace ter5::base
