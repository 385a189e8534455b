#pragma once
// A read-only table model over one template table of the data module. Following
// the table (opening, posting, deleting, re-reading, following its master) and
// its cursor is DataSetTableModel's part. While the current row is being edited,
// that row shows the values being typed.

#include <QColor>
#include <QString>
#include <QVector>

#include "base/BaseQuery.h"
#include "base/widgets/DataSetTableModel.h"
#include "templates/TemplateListRules.h"

namespace ter5::templates {

class TemplateTableModel : public base::DataSetTableModel {
    Q_OBJECT

public:
    // A model of `columns` over `table`, which it observes until either dies.
    TemplateTableModel(base::BaseTable& table, std::vector<TemplateListColumn> columns, QObject* parent = nullptr);

    // The columns shown.
    const std::vector<TemplateListColumn>& Columns() const { return columns_; }
    // The table shown.
    base::BaseTable& Table() const { return table_; }
    // The width of `column` in pixels; -1 for the grid's default.
    int ColumnWidth(int column) const override;

    // Navy, the colour of the mark column.
    static QColor MarkColour();

signals:
    // The table began or ended editing a row.
    void stateChanged();

private:
    void StateChanged(engine::DataSet&) override;
    void FieldChanged(engine::DataSet&, int field) override;

    int ColumnCount() const override;
    QString ColumnField(int column) const override;
    QString CellText(int row, int column) const override;
    QVariant CellAlignment(int column) const override;
    QVariant ColumnColour(int column) const override;
    QString HeaderText(int column) const override;
    // Repaints the current row, which may show its edit buffer.
    void RefreshCurrentRow();

    base::BaseTable& table_;
    std::vector<TemplateListColumn> columns_;
};

}  // namespace ter5::templates
