#include "templates/widgets/TemplateTableModel.h"

#include "templates/TemplateDefinitions.h"

namespace ter5::templates {

TemplateTableModel::TemplateTableModel(base::BaseTable& table, QVector<TemplateColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), table_(table), columns_(std::move(columns)) {
    table_.AddObserver(*this);
    Reset();
}

TemplateTableModel::~TemplateTableModel() {
    if (observing_) table_.RemoveObserver(*this);
}

int TemplateTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TemplateTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TemplateTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || index.column() >= columns_.size())
        return QVariant();

    const TemplateColumn& column = columns_.at(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return DisplayText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        return column.mark ? QVariant(MarkColour()) : QVariant();
    default:
        return QVariant();
    }
}

QVariant TemplateTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        // The row indicator: a pointer at the table's current row.
        if (role == Qt::DisplayRole) return section == indicatorRow_ ? QStringLiteral("►") : QString();
        if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignCenter);
        return QVariant();
    }
    if (section < 0 || section >= columns_.size()) return QVariant();
    const TemplateColumn& column = columns_.at(section);
    switch (role) {
    case Qt::DisplayRole:
        return column.mark ? MarkText(column.title) : column.title;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignCenter);
    case Qt::ForegroundRole:
        return column.mark ? QVariant(MarkColour()) : QVariant();
    default:
        return QVariant();
    }
}

Qt::ItemFlags TemplateTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

int TemplateTableModel::CurrentRow() const {
    if (!observing_ || !table_.Active() || table_.IsEmpty()) return -1;
    return static_cast<int>(table_.RecNo()) - 1;
}

void TemplateTableModel::MoveCursor(int row) {
    if (row < 0 || row >= rows_ || row == CurrentRow()) return;
    moving_ = true;
    try {
        table_.MoveTo(static_cast<std::size_t>(row) + 1);
    } catch (...) {
        moving_ = false;
        throw;
    }
    moving_ = false;
    CursorMoved(table_);
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

void TemplateTableModel::ActiveChanged(engine::DataSet&) {
    Reset();
}

void TemplateTableModel::DataChanged(engine::DataSet&, engine::DataChange) {
    Reset();
}

void TemplateTableModel::StateChanged(engine::DataSet&) {
    // A row put into editing or back to browsing shows its buffer or its record.
    const int row = CurrentRow();
    if (row >= 0 && row < rows_) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    emit stateChanged();
}

void TemplateTableModel::FieldChanged(engine::DataSet&, int) {
    const int row = CurrentRow();
    if (row >= 0 && row < rows_) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void TemplateTableModel::CursorMoved(engine::DataSet&) {
    const int row = CurrentRow();
    const int previous = indicatorRow_;
    indicatorRow_ = row;
    if (previous >= 0 && previous < rows_) emit headerDataChanged(Qt::Vertical, previous, previous);
    if (row >= 0) emit headerDataChanged(Qt::Vertical, row, row);
    if (!moving_) emit cursorMoved(row);
}

void TemplateTableModel::Destroyed(engine::DataSet&) {
    observing_ = false;
    beginResetModel();
    rows_ = 0;
    fieldIndexes_.clear();
    endResetModel();
}

void TemplateTableModel::Reset() {
    beginResetModel();
    const bool active = observing_ && table_.Active();
    rows_ = active ? static_cast<int>(table_.RecordCount()) : 0;
    fieldIndexes_.clear();
    for (const TemplateColumn& column : columns_)
        fieldIndexes_.push_back(active ? table_.FieldIndex(column.field.toStdString()) : -1);
    indicatorRow_ = CurrentRow();
    endResetModel();
    emit cursorMoved(indicatorRow_);
}

QString TemplateTableModel::DisplayText(int row, int column) const {
    const int field = fieldIndexes_.at(column);
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
