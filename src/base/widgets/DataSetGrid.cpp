#include "base/widgets/DataSetGrid.h"

#include <QHeaderView>

#include "base/widgets/DataSetTableModel.h"

namespace ter5::base {

DataSetGrid::DataSetGrid(DataSetTableModel* model, QWidget* parent) : QTableView(parent), model_(model) {
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    // Keep the selection visible while another control or a dialog has the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);

    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setMinimumSectionSize(12);  // the mark columns are 15 pixels wide
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setFixedWidth(14);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionsClickable(false);

    connect(model_, &DataSetTableModel::cursorMoved, this, &DataSetGrid::FollowCursor);
    connect(model_, &QAbstractItemModel::modelReset, this, &DataSetGrid::ApplyColumnWidths);
    ApplyColumnWidths();
    FollowCursor(model_->CurrentRow());
}

void DataSetGrid::ApplyColumnWidths() {
    for (int i = 0; i < model_->columnCount(); ++i) {
        const int width = model_->ColumnWidth(i);
        if (width > 0) setColumnWidth(i, width);
    }
}

void DataSetGrid::FollowCursor(int row) {
    if (following_) return;
    following_ = true;
    if (row < 0) {
        clearSelection();
        setCurrentIndex(QModelIndex());
    } else {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        const QModelIndex index = model_->index(row, column);
        setCurrentIndex(index);
        scrollTo(index);
    }
    following_ = false;
}

void DataSetGrid::MoveModelCursor(int row) {
    model_->MoveCursor(row);
}

void DataSetGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (following_ || !current.isValid()) return;
    following_ = true;
    MoveModelCursor(current.row());
    following_ = false;
}

}  // namespace ter5::base
