#include "templates/widgets/TemplateTableModel.h"

#include "templates/TemplateDefinitions.h"

namespace ter5::templates {

TemplateTableModel::TemplateTableModel(base::BaseTable& table, QVector<TemplateColumn> columns, QObject* parent)
    : DataSetTableModel(table, parent), table_(table), columns_(std::move(columns)) {
    Reset();
}

int TemplateTableModel::ColumnWidth(int column) const {
    return columns_.at(column).width;
}

QString TemplateTableModel::MarkText(const QString& flag) {
    // The mark byte is a boxed check mark in the Wingdings font.
    return flag == QString::fromUtf8(kReindexMark) ? QStringLiteral("☑") : flag;
}

QColor TemplateTableModel::MarkColour() {
    return QColor(0, 0, 128);
}

QString TemplateTableModel::FormatNumber(qint64 value, const QString& format) {
    if (format.isEmpty()) return QString::number(value);
    const int digits = static_cast<int>(format.count(QLatin1Char('0')));
    const QString magnitude = QString::number(value < 0 ? -value : value).rightJustified(digits, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + magnitude : magnitude;
}

void TemplateTableModel::StateChanged(engine::DataSet&) {
    // A row put into editing or back to browsing shows its buffer or its record.
    RefreshCurrentRow();
    emit stateChanged();
}

void TemplateTableModel::FieldChanged(engine::DataSet&, int) {
    RefreshCurrentRow();
}

void TemplateTableModel::RefreshCurrentRow() {
    const int row = CurrentRow();
    if (row >= 0 && row < rowCount()) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int TemplateTableModel::ColumnCount() const {
    return static_cast<int>(columns_.size());
}

QString TemplateTableModel::ColumnField(int column) const {
    return columns_.at(column).field;
}

QVariant TemplateTableModel::CellAlignment(int column) const {
    return QVariant::fromValue(columns_.at(column).alignment | Qt::AlignVCenter);
}

QVariant TemplateTableModel::ColumnColour(int column) const {
    return columns_.at(column).mark ? QVariant(MarkColour()) : QVariant();
}

QString TemplateTableModel::HeaderText(int column) const {
    const TemplateColumn& shown = columns_.at(column);
    return shown.mark ? MarkText(shown.title) : shown.title;
}

QString TemplateTableModel::CellText(int row, int column) const {
    const int field = FieldIndex(column);
    if (field < 0) return QString();
    // The row being edited shows the values typed so far.
    const bool editing = table_.State() == engine::DataSetState::Edit && row == CurrentRow();
    const engine::Value value = editing ? table_.GetValue(field) : table_.ValueAt(static_cast<std::size_t>(row), field);
    const TemplateColumn& shown = columns_.at(column);
    switch (value.kind) {
    case engine::Value::Kind::Null:
        return QString();
    case engine::Value::Kind::Int:
        return FormatNumber(value.integer, shown.numberFormat);
    case engine::Value::Kind::Text: {
        const QString text = QString::fromStdString(value.text);
        return shown.mark ? MarkText(text) : text;
    }
    default:
        return editing ? QString() : QString::fromStdString(table_.TextAt(static_cast<std::size_t>(row), field));
    }
}

}  // namespace ter5::templates
