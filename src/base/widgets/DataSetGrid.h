#pragma once
// The common part of the read-only grids over a DataSetTableModel: whole-row
// single selection shown also without focus, no editing in the cells, a fixed
// row indicator column, resizable columns of the model's widths. Its current row
// is the data set's cursor: the grid follows cursor moves, and moving the grid's
// current row moves the cursor (MoveModelCursor).

#include <QTableView>

namespace ter5::base {

class DataSetTableModel;

class DataSetGrid : public QTableView {
    Q_OBJECT

public:
    // A grid showing `model`, its current row at the model's cursor.
    explicit DataSetGrid(DataSetTableModel* model, QWidget* parent = nullptr);

protected:
    // Moves the cursor to the grid's current row; DataSetGrid calls it with its own
    // cursor following held off.
    virtual void MoveModelCursor(int row);
    // Makes `row` (0-based; -1 for none) the grid's current row, keeping its column.
    void FollowCursor(int row);

    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void ApplyColumnWidths();

    DataSetTableModel* model_;
    bool following_ = false;
};

}  // namespace ter5::base
