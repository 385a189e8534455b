#include "templates/widgets/TemplateTableModel.h"

namespace ter5::templates {

TemplateTableModel::TemplateTableModel(base::BaseTable& table, std::vector<TemplateListColumn> columns,
                                       QObject* parent)
    : DataSetTableModel(table, parent), table_(table), columns_(std::move(columns)) {
    Reset();
}

int TemplateTableModel::ColumnWidth(int column) const {
    return columns_.at(static_cast<std::size_t>(column)).width;
}

QColor TemplateTableModel::MarkColour() {
    return QColor(kTemplateMarkColour.red, kTemplateMarkColour.green, kTemplateMarkColour.blue);
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
    return QString::fromStdString(columns_.at(static_cast<std::size_t>(column)).field);
}

QVariant TemplateTableModel::CellAlignment(int column) const {
    const bool centred = columns_.at(static_cast<std::size_t>(column)).alignment == TemplateListColumn::Align::Centre;
    return QVariant::fromValue((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
}

QVariant TemplateTableModel::ColumnColour(int column) const {
    return columns_.at(static_cast<std::size_t>(column)).mark ? QVariant(MarkColour()) : QVariant();
}

QString TemplateTableModel::HeaderText(int column) const {
    return QString::fromStdString(TemplateHeaderText(columns_.at(static_cast<std::size_t>(column))));
}

QString TemplateTableModel::CellText(int row, int column) const {
    return QString::fromStdString(TemplateCellText(table_, columns_.at(static_cast<std::size_t>(column)), row, CurrentRow()));
}

}  // namespace ter5::templates
