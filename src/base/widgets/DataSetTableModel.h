#pragma once
// The common part of the read-only table models over a data set of the data
// module. Rows are read when the view asks for them; the model follows the data
// set (opening, closing, re-reading, cursor moves) as its observer, shows a row
// indicator at the cursor in the vertical header, and keeps the data set's cursor
// and the view's current row together: cursor moves are reported (cursorMoved) and
// the view moves the cursor (MoveCursor).
//
// A model over it names its columns' fields and says how their cells and titles
// look; a derived model calls Reset at the end of its constructor.

#include <QAbstractTableModel>
#include <QString>
#include <QVector>

#include "engine/DataSet.h"

namespace ter5::base {

class DataSetTableModel : public QAbstractTableModel, protected engine::DataSetObserver {
    Q_OBJECT

public:
    ~DataSetTableModel() override;

    // The rows of the data set; none while it is closed.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // One column per column of the derived model.
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // Cell text (also as tool tip), alignment and colour from the derived model.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Column titles; in the vertical header a pointer at the current row.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Cells are enabled and selectable, never editable.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The data set's current row (0-based); -1 when it has none.
    int CurrentRow() const;
    // Moves the data set's cursor to `row` (0-based) for the view.
    void MoveCursor(int row);
    // The width of `column` in pixels for the font the grids were designed with
    // (DataSetGrid scales it to the font in use); -1 for the grid's default.
    virtual int ColumnWidth(int column) const = 0;
    // Whether `column` shows numbers (right-aligned); numbers are never cut.
    virtual bool ColumnIsNumeric(int column) const;
    // The text of `column` that takes the most characters over all rows; empty where
    // the model does not tell.
    virtual QString WidestCellText(int /*column*/) const { return {}; }

signals:
    // The data set's cursor moved to `row` (0-based; -1 for none).
    void cursorMoved(int row);

protected:
    // Observes `dataSet` until it or the model is destroyed.
    DataSetTableModel(engine::DataSet& dataSet, QObject* parent);

    // The number of columns.
    virtual int ColumnCount() const = 0;
    // The name of the field `column` shows.
    virtual QString ColumnField(int column) const = 0;
    // The text of the cell at `row`, `column`; the column's field is bound.
    virtual QString CellText(int row, int column) const = 0;
    // The Qt::TextAlignmentRole value of the cells of `column`.
    virtual QVariant CellAlignment(int column) const = 0;
    // The Qt::ForegroundRole value of `column`'s cells and title.
    virtual QVariant ColumnColour(int column) const = 0;
    // The header text of `column`.
    virtual QString HeaderText(int column) const = 0;
    // Called while the model resets, after the columns' fields have been bound.
    virtual void FieldsBound() {}

    // Re-reads the data set's rows and binds the columns' fields.
    void Reset();
    // The data set's index of the field `column` shows; -1 when it lacks it.
    int FieldIndex(int column) const { return fieldIndexes_.at(column); }
    // Whether the data set is still alive and observed.
    bool Observing() const { return observing_; }

    void ActiveChanged(engine::DataSet&) override;
    void CursorMoved(engine::DataSet&) override;
    void DataChanged(engine::DataSet&, engine::DataChange) override;
    void Destroyed(engine::DataSet&) override;

private:
    engine::DataSet& dataSet_;
    QVector<int> fieldIndexes_;  // per column; -1 when the data set lacks the field
    int rows_ = 0;
    int indicatorRow_ = -1;
    bool observing_ = true;
    bool moving_ = false;
};

}  // namespace ter5::base
