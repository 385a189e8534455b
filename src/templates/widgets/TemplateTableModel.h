#pragma once
// A read-only table model over one template table of the data module. It follows
// the table as its observer (opening, posting, deleting, re-reading, following
// its master) and keeps the view's current row and the table's cursor together:
// cursor moves are reported (cursorMoved), and the view moves the cursor
// (MoveCursor). While the current row is being edited, that row shows the values
// being typed.

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QVector>

#include "base/BaseQuery.h"

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

class TemplateTableModel : public QAbstractTableModel, private engine::DataSetObserver {
    Q_OBJECT

public:
    TemplateTableModel(base::BaseTable& table, QVector<TemplateColumn> columns, QObject* parent = nullptr);
    ~TemplateTableModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const QVector<TemplateColumn>& Columns() const { return columns_; }
    base::BaseTable& Table() const { return table_; }

    // The table's current row (0-based); -1 when it has none.
    int CurrentRow() const;
    // Moves the table's cursor to `row` (0-based) for the view.
    void MoveCursor(int row);

    // The text a mark column shows for a `Flag`: the check symbol for the mark.
    static QString MarkText(const QString& flag);
    // Navy, the colour of the mark column.
    static QColor MarkColour();
    // `value` in `format` ("000": at least three digits).
    static QString FormatNumber(qint64 value, const QString& format);

signals:
    // The table's cursor moved to `row` (0-based; -1 for none).
    void cursorMoved(int row);
    // The table began or ended editing a row.
    void stateChanged();

private:
    void ActiveChanged(engine::DataSet&) override;
    void CursorMoved(engine::DataSet&) override;
    void DataChanged(engine::DataSet&, engine::DataChange) override;
    void StateChanged(engine::DataSet&) override;
    void FieldChanged(engine::DataSet&, int field) override;
    void Destroyed(engine::DataSet&) override;

    void Reset();
    QString DisplayText(int row, int column) const;

    base::BaseTable& table_;
    QVector<TemplateColumn> columns_;
    QVector<int> fieldIndexes_;  // per column; -1 when the table lacks the field
    int rows_ = 0;
    int indicatorRow_ = -1;
    bool observing_ = true;
    bool moving_ = false;
};

}  // namespace ter5::templates
