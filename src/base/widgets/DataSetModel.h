#pragma once
// A read-only table model over an open query of the data module. Rows are read
// when the view asks for them, so a grid over tens of thousands of owners opens
// at once; following the data set and its cursor is DataSetTableModel's part.
// Mark columns show a check glyph in their colour; numbers are right-aligned.

#include <QColor>
#include <QString>
#include <QVector>
#include <optional>

#include "base/widgets/DataSetTableModel.h"

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

class DataSetModel : public DataSetTableModel {
    Q_OBJECT

public:
    // A model of `columns` over `dataSet`, which it observes until either dies.
    DataSetModel(BaseQuery& dataSet, QVector<GridColumn> columns, QObject* parent = nullptr);

    // The columns shown.
    const QVector<GridColumn>& Columns() const { return columns_; }
    // The data set shown.
    BaseQuery& DataSet() const { return dataSet_; }
    // The width of `column` in pixels; -1 for the grid's default.
    int ColumnWidth(int column) const override;
    // For a numeric column, the longest of its values as text (read over all rows
    // once after each reset); empty for other columns.
    QString WidestCellText(int column) const override;

    // The glyph a mark field's text shows: "☑" for the byte 0xFE ("ю" in
    // Windows-1251), "✓" for 0xFC ("ь"); other text unchanged.
    static QString MarkGlyph(const QString& text);
    // The colour of a mark column; invalid for Mark::None.
    static QColor MarkColour(GridColumn::Mark mark);

private:
    int ColumnCount() const override;
    QString ColumnField(int column) const override;
    QString CellText(int row, int column) const override;
    QVariant CellAlignment(int column) const override;
    QVariant ColumnColour(int column) const override;
    QString HeaderText(int column) const override;
    void FieldsBound() override;

    BaseQuery& dataSet_;
    QVector<GridColumn> columns_;
    QVector<bool> numeric_;  // per column: right-aligned numbers
    mutable QVector<std::optional<QString>> widest_;  // per column, once read
};

}  // namespace ter5::base
