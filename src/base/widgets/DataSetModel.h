#pragma once
// A read-only table model over an open query of the data module. Rows are read
// when the view asks for them, so a grid over tens of thousands of owners opens
// at once; the model follows the data set (opening, closing, re-reading, cursor
// moves) as its observer.
//
// The data set's cursor and the view's current row are kept together: the model
// reports cursor moves (cursorMoved) and moves the cursor for the view (MoveCursor).

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QVector>

#include "engine/DataSet.h"

namespace ter5::base {

class BaseQuery;

// One column of a grid.
struct GridColumn {
    enum class Mark { None, Green, Red };  // mark columns show a check glyph in this colour

    QString field;           // the field shown
    QString title;           // header text
    int width = -1;          // pixels; -1 for the grid's default
    Mark mark = Mark::None;
};

class DataSetModel : public QAbstractTableModel, private engine::DataSetObserver {
    Q_OBJECT

public:
    DataSetModel(BaseQuery& dataSet, QVector<GridColumn> columns, QObject* parent = nullptr);
    ~DataSetModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const QVector<GridColumn>& Columns() const { return columns_; }
    BaseQuery& DataSet() const { return dataSet_; }

    // The data set's current row (0-based); -1 when it has none.
    int CurrentRow() const;
    // Moves the data set's cursor to `row` (0-based) for the view.
    void MoveCursor(int row);

    // The glyph a mark field's text shows: "☑" for the byte 0xFE ("ю" in
    // Windows-1251), "✓" for 0xFC ("ь"); other text unchanged.
    static QString MarkGlyph(const QString& text);
    static QColor MarkColour(GridColumn::Mark mark);

signals:
    // The data set's cursor moved to `row` (0-based; -1 for none).
    void cursorMoved(int row);

private:
    void ActiveChanged(engine::DataSet&) override;
    void CursorMoved(engine::DataSet&) override;
    void DataChanged(engine::DataSet&, engine::DataChange) override;
    void Destroyed(engine::DataSet&) override;

    void Reset();
    QString DisplayText(int row, int column) const;

    BaseQuery& dataSet_;
    QVector<GridColumn> columns_;
    QVector<int> fieldIndexes_;   // per column; -1 when the data set lacks the field
    QVector<bool> numeric_;       // per column: right-aligned numbers
    int rows_ = 0;
    int indicatorRow_ = -1;
    bool observing_ = true;
    bool moving_ = false;
};

}  // namespace ter5::base
