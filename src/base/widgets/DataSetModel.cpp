#include "base/widgets/DataSetModel.h"

#include <QLocale>

#include "base/BaseQuery.h"

namespace ter5::base {

namespace {

// The decimal separator of the locale in use, in UTF-8.
std::string DecimalPoint() {
    return QLocale().decimalPoint().toStdString();
}

QColor ToColor(const std::optional<Rgb>& colour) {
    return colour ? QColor(colour->red, colour->green, colour->blue) : QColor();
}

}  // namespace

DataSetModel::DataSetModel(BaseQuery& dataSet, std::vector<GridColumn> columns, QObject* parent)
    : DataSetTableModel(dataSet, parent), rows_(dataSet, std::move(columns)) {
    Reset();
}

int DataSetModel::ColumnWidth(int column) const {
    return rows_.Columns().at(static_cast<std::size_t>(column)).width;
}

QString DataSetModel::MarkGlyph(const QString& text) {
    return QString::fromStdString(GridRows::MarkGlyph(text.toStdString()));
}

QColor DataSetModel::MarkColour(GridColumn::Mark mark) {
    return ToColor(GridRows::MarkColour(mark));
}

int DataSetModel::ColumnCount() const {
    return rows_.ColumnCount();
}

QString DataSetModel::ColumnField(int column) const {
    return QString::fromStdString(rows_.Columns().at(static_cast<std::size_t>(column)).field);
}

QVariant DataSetModel::CellAlignment(int column) const {
    switch (rows_.Alignment(column)) {
    case CellAlign::Centre:
        return QVariant::fromValue(Qt::AlignCenter);
    case CellAlign::Right:
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    case CellAlign::Left:
        break;
    }
    return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
}

QVariant DataSetModel::ColumnColour(int column) const {
    const auto colour = rows_.ColumnColour(column);
    return colour ? QVariant(ToColor(colour)) : QVariant();
}

QString DataSetModel::HeaderText(int column) const {
    return QString::fromStdString(rows_.HeaderText(column));
}

void DataSetModel::FieldsBound() {
    rows_.Bind();
}

QString DataSetModel::WidestCellText(int column) const {
    return QString::fromStdString(rows_.WidestCellText(column, DecimalPoint()));
}

QString DataSetModel::CellText(int row, int column) const {
    return QString::fromStdString(rows_.CellText(row, column, DecimalPoint()));
}

}  // namespace ter5::base
