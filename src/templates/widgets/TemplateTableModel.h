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

namespace ter5::templates {

// One column of a template grid.
struct TemplateColumn {
    QString field;                         // the field shown
    QString title;                         // header text
    int width = -1;                        // pixels; -1 for the grid's default
    Qt::Alignment alignment = Qt::AlignLeft;
    bool mark = false;                     // the mark column: "ю" shown as a check symbol in navy
    QString numberFormat;                  // "000": whole numbers with leading zeros
};

class TemplateTableModel : public base::DataSetTableModel {
    Q_OBJECT

public:
    // A model of `columns` over `table`, which it observes until either dies.
    TemplateTableModel(base::BaseTable& table, QVector<TemplateColumn> columns, QObject* parent = nullptr);

    // The columns shown.
    const QVector<TemplateColumn>& Columns() const { return columns_; }
    // The table shown.
    base::BaseTable& Table() const { return table_; }
    // The width of `column` in pixels; -1 for the grid's default.
    int ColumnWidth(int column) const override;

    // The text a mark column shows for a `Flag`: the check symbol for the mark.
    static QString MarkText(const QString& flag);
    // Navy, the colour of the mark column.
    static QColor MarkColour();
    // `value` in `format` ("000": at least three digits).
    static QString FormatNumber(qint64 value, const QString& format);

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
    QVector<TemplateColumn> columns_;
};

}  // namespace ter5::templates
