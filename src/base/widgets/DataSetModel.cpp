#include "base/widgets/DataSetModel.h"

#include <QLocale>

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
    : QAbstractTableModel(parent), dataSet_(dataSet), columns_(std::move(columns)) {
    dataSet_.AddObserver(*this);
    Reset();
}

DataSetModel::~DataSetModel() {
    if (observing_) dataSet_.RemoveObserver(*this);
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || index.column() >= columns_.size())
        return QVariant();

    const GridColumn& column = columns_.at(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return DisplayText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        if (column.mark != GridColumn::Mark::None)
            return QVariant::fromValue(Qt::AlignCenter);
        if (numeric_.at(index.column()))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        if (column.mark != GridColumn::Mark::None) return MarkColour(column.mark);
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        // The row indicator: a pointer at the data set's current row.
        if (role == Qt::DisplayRole) return section == indicatorRow_ ? QStringLiteral("►") : QString();
        if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignCenter);
        return QVariant();
    }
    if (section < 0 || section >= columns_.size()) return QVariant();
    const GridColumn& column = columns_.at(section);
    switch (role) {
    case Qt::DisplayRole:
        return column.mark != GridColumn::Mark::None ? MarkGlyph(column.title) : column.title;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignCenter);
    case Qt::ForegroundRole:
        if (column.mark != GridColumn::Mark::None) return MarkColour(column.mark);
        return QVariant();
    default:
        return QVariant();
    }
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

int DataSetModel::CurrentRow() const {
    if (!dataSet_.Active() || dataSet_.IsEmpty()) return -1;
    return static_cast<int>(dataSet_.RecNo()) - 1;
}

void DataSetModel::MoveCursor(int row) {
    if (row < 0 || row >= rows_ || row == CurrentRow()) return;
    moving_ = true;
    try {
        dataSet_.MoveTo(static_cast<std::size_t>(row) + 1);
    } catch (...) {
        moving_ = false;
        throw;
    }
    moving_ = false;
    CursorMoved(dataSet_);
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

void DataSetModel::ActiveChanged(engine::DataSet&) {
    Reset();
}

void DataSetModel::DataChanged(engine::DataSet&, engine::DataChange) {
    Reset();
}

void DataSetModel::CursorMoved(engine::DataSet&) {
    const int row = CurrentRow();
    const int previous = indicatorRow_;
    indicatorRow_ = row;
    if (previous >= 0 && previous < rows_) emit headerDataChanged(Qt::Vertical, previous, previous);
    if (row >= 0) emit headerDataChanged(Qt::Vertical, row, row);
    if (!moving_) emit cursorMoved(row);
}

void DataSetModel::Destroyed(engine::DataSet&) {
    observing_ = false;
    beginResetModel();
    rows_ = 0;
    endResetModel();
}

void DataSetModel::Reset() {
    beginResetModel();
    const bool active = observing_ && dataSet_.Active();
    rows_ = active ? static_cast<int>(dataSet_.RecordCount()) : 0;
    fieldIndexes_.clear();
    numeric_.clear();
    for (const GridColumn& column : columns_) {
        const int field = active ? dataSet_.FieldIndex(column.field.toStdString()) : -1;
        fieldIndexes_.push_back(field);
        numeric_.push_back(field >= 0 && IsNumericType(dataSet_.Fields()[static_cast<std::size_t>(field)].type));
    }
    indicatorRow_ = CurrentRow();
    endResetModel();
    emit cursorMoved(indicatorRow_);
}

QString DataSetModel::DisplayText(int row, int column) const {
    const int field = fieldIndexes_.at(column);
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
