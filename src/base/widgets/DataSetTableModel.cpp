#include "base/widgets/DataSetTableModel.h"

namespace ter5::base {

DataSetTableModel::DataSetTableModel(engine::DataSet& dataSet, QObject* parent)
    : QAbstractTableModel(parent), dataSet_(dataSet) {
    dataSet_.AddObserver(*this);
}

DataSetTableModel::~DataSetTableModel() {
    if (observing_) dataSet_.RemoveObserver(*this);
}

int DataSetTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int DataSetTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount();
}

QVariant DataSetTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || index.column() >= ColumnCount()) return QVariant();

    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return CellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return CellAlignment(index.column());
    case Qt::ForegroundRole:
        return ColumnColour(index.column());
    default:
        return QVariant();
    }
}

QVariant DataSetTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        // The row indicator: a pointer at the data set's current row.
        if (role == Qt::DisplayRole) return section == indicatorRow_ ? QStringLiteral("►") : QString();
        if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignCenter);
        return QVariant();
    }
    if (section < 0 || section >= ColumnCount()) return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return HeaderText(section);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignCenter);
    case Qt::ForegroundRole:
        return ColumnColour(section);
    default:
        return QVariant();
    }
}

Qt::ItemFlags DataSetTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool DataSetTableModel::ColumnIsNumeric(int column) const {
    return (CellAlignment(column).value<Qt::Alignment>() & Qt::AlignRight) != 0;
}

int DataSetTableModel::CurrentRow() const {
    if (!observing_ || !dataSet_.Active() || dataSet_.IsEmpty()) return -1;
    return static_cast<int>(dataSet_.RecNo()) - 1;
}

void DataSetTableModel::MoveCursor(int row) {
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

void DataSetTableModel::ActiveChanged(engine::DataSet&) {
    Reset();
}

void DataSetTableModel::DataChanged(engine::DataSet&, engine::DataChange) {
    Reset();
}

void DataSetTableModel::CursorMoved(engine::DataSet&) {
    const int row = CurrentRow();
    const int previous = indicatorRow_;
    indicatorRow_ = row;
    if (previous >= 0 && previous < rows_) emit headerDataChanged(Qt::Vertical, previous, previous);
    if (row >= 0) emit headerDataChanged(Qt::Vertical, row, row);
    if (!moving_) emit cursorMoved(row);
}

void DataSetTableModel::Destroyed(engine::DataSet&) {
    observing_ = false;
    beginResetModel();
    rows_ = 0;
    fieldIndexes_.clear();
    endResetModel();
}

void DataSetTableModel::Reset() {
    beginResetModel();
    const bool active = observing_ && dataSet_.Active();
    rows_ = active ? static_cast<int>(dataSet_.RecordCount()) : 0;
    fieldIndexes_.clear();
    for (int column = 0; column < ColumnCount(); ++column)
        fieldIndexes_.push_back(active ? dataSet_.FieldIndex(ColumnField(column).toStdString()) : -1);
    FieldsBound();
    indicatorRow_ = CurrentRow();
    endResetModel();
    emit cursorMoved(indicatorRow_);
}

}  // namespace ter5::base
