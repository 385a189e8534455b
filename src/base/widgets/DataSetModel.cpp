#include "base/widgets/DataSetModel.h"

#include <QLocale>

#include <cstdio>

#include "base/BaseQuery.h"
#include "engine/FieldType.h"

namespace ter5::base {

namespace {

bool IsNumericType(engine::FieldType type) {
    using engine::FieldType;
    switch (type) {
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::Money:
    case FieldType::Number:
    case FieldType::AutoInc:
    case FieldType::Bcd:
        return true;
    default:
        return false;
    }
}

}  // namespace

DataSetModel::DataSetModel(BaseQuery& dataSet, QVector<GridColumn> columns, QObject* parent)
    : DataSetTableModel(dataSet, parent), dataSet_(dataSet), columns_(std::move(columns)) {
    Reset();
}

int DataSetModel::ColumnWidth(int column) const {
    return columns_.at(column).width;
}

QString DataSetModel::MarkGlyph(const QString& text) {
    if (text == QStringLiteral("ю")) return QStringLiteral("☑");
    if (text == QStringLiteral("ь")) return QStringLiteral("✓");
    return text;
}

QColor DataSetModel::MarkColour(GridColumn::Mark mark) {
    switch (mark) {
    case GridColumn::Mark::Green:
        return QColor(0, 128, 0);
    case GridColumn::Mark::Red:
        return QColor(Qt::red);
    case GridColumn::Mark::None:
        break;
    }
    return QColor();
}

int DataSetModel::ColumnCount() const {
    return static_cast<int>(columns_.size());
}

QString DataSetModel::ColumnField(int column) const {
    return columns_.at(column).field;
}

QVariant DataSetModel::CellAlignment(int column) const {
    if (columns_.at(column).mark != GridColumn::Mark::None) return QVariant::fromValue(Qt::AlignCenter);
    if (numeric_.at(column)) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
}

QVariant DataSetModel::ColumnColour(int column) const {
    const GridColumn::Mark mark = columns_.at(column).mark;
    if (mark != GridColumn::Mark::None) return MarkColour(mark);
    return QVariant();
}

QString DataSetModel::HeaderText(int column) const {
    const GridColumn& shown = columns_.at(column);
    return shown.mark != GridColumn::Mark::None ? MarkGlyph(shown.title) : shown.title;
}

void DataSetModel::FieldsBound() {
    numeric_.clear();
    widest_ = QVector<std::optional<QString>>(ColumnCount());
    for (int column = 0; column < ColumnCount(); ++column) {
        const int field = FieldIndex(column);
        numeric_.push_back(field >= 0 && IsNumericType(dataSet_.Fields()[static_cast<std::size_t>(field)].type));
    }
}

QString DataSetModel::WidestCellText(int column) const {
    if (column < 0 || column >= widest_.size() || !numeric_.at(column)) return {};
    if (widest_[column]) return *widest_[column];
    // Characters count, not values: the digits of a font are all of one width. The
    // text is formed as CellText forms it (15 significant digits).
    const int field = FieldIndex(column);
    const std::size_t rows = static_cast<std::size_t>(rowCount());
    int longest = -1;
    std::size_t longestRow = 0;
    char buffer[32];
    for (std::size_t row = 0; field >= 0 && row < rows; ++row) {
        const engine::Value value = dataSet_.ValueAt(row, field);
        int length = 0;
        if (value.kind == engine::Value::Kind::Float) {
            length = std::snprintf(buffer, sizeof buffer, "%.15g", value.number);
        } else if (value.kind == engine::Value::Kind::Int) {
            length = std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value.integer));
        }
        if (length > longest) {
            longest = length;
            longestRow = row;
        }
    }
    widest_[column] = longest > 0 ? CellText(static_cast<int>(longestRow), column) : QString();
    return *widest_[column];
}

QString DataSetModel::CellText(int row, int column) const {
    const int field = FieldIndex(column);
    if (field < 0) return QString();
    const engine::Value value = dataSet_.ValueAt(static_cast<std::size_t>(row), field);
    switch (value.kind) {
    case engine::Value::Kind::Null:
        return QString();
    case engine::Value::Kind::Float: {
        // Numbers as the user writes them: the locale's decimal separator, no grouping.
        QLocale locale;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        return locale.toString(value.number, 'g', 15);
    }
    case engine::Value::Kind::Int:
        if (numeric_.at(column)) return QString::number(value.integer);
        break;
    default:
        break;
    }
    const QString text = QString::fromStdString(dataSet_.TextAt(static_cast<std::size_t>(row), field));
    return columns_.at(column).mark != GridColumn::Mark::None ? MarkGlyph(text) : text;
}

}  // namespace ter5::base
