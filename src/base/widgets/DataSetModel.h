#pragma once
// A read-only table model over an open query of the data module. Rows are read
// when the view asks for them, so a grid over tens of thousands of owners opens
// at once; following the data set and its cursor is DataSetTableModel's part, what
// each cell shows is GridRows'. Mark columns show a check glyph in their colour;
// numbers are right-aligned.

#include <QColor>
#include <QString>

#include "base/GridRows.h"
#include "base/widgets/DataSetTableModel.h"

namespace ter5::base {

class BaseQuery;

class DataSetModel : public DataSetTableModel {
    Q_OBJECT

public:
    // A model of `columns` over `dataSet`, which it observes until either dies.
    DataSetModel(BaseQuery& dataSet, std::vector<GridColumn> columns, QObject* parent = nullptr);

    // The columns shown.
    const std::vector<GridColumn>& Columns() const { return rows_.Columns(); }
    // The data set shown.
    BaseQuery& DataSet() const { return rows_.DataSet(); }
    // The width of `column` in pixels; -1 for the grid's default.
    int ColumnWidth(int column) const override;
    // For a numeric column, the longest of its values as text; empty for other columns.
    QString WidestCellText(int column) const override;

    // GridRows::MarkGlyph and GridRows::MarkColour for Qt.
    static QString MarkGlyph(const QString& text);
    static QColor MarkColour(GridColumn::Mark mark);

private:
    int ColumnCount() const override;
    QString ColumnField(int column) const override;
    QString CellText(int row, int column) const override;
    QVariant CellAlignment(int column) const override;
    QVariant ColumnColour(int column) const override;
    QString HeaderText(int column) const override;
    void FieldsBound() override;

    GridRows rows_;
};

}  // namespace ter5::base
