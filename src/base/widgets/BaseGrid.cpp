#include "base/widgets/BaseGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "base/widgets/DataSetModel.h"

namespace ter5::base {

BaseGrid::BaseGrid(int number, DataSetModel* model, QWidget* parent)
    : QTableView(parent), number_(number), model_(model) {
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setWordWrap(false);
    setAlternatingRowColors(false);
    // Keep the selection visible while another control has the focus.
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

    connect(model_, &DataSetModel::cursorMoved, this, &BaseGrid::FollowCursor);
    connect(model_, &QAbstractItemModel::modelReset, this, &BaseGrid::ApplyColumnWidths);
    ApplyColumnWidths();
    FollowCursor(model_->CurrentRow());
}

void BaseGrid::ApplyColumnWidths() {
    const auto& columns = model_->Columns();
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).width > 0) setColumnWidth(i, columns.at(i).width);
    }
}

void BaseGrid::FollowCursor(int row) {
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

void BaseGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (!following_ && current.isValid()) {
        following_ = true;
        model_->MoveCursor(current.row());
        following_ = false;
    }
}

void BaseGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    emit syncRequested(number_);
}

void BaseGrid::keyPressEvent(QKeyEvent* event) {
    emit syncRequested(number_);
    QTableView::keyPressEvent(event);
}

void BaseGrid::keyReleaseEvent(QKeyEvent* event) {
    QTableView::keyReleaseEvent(event);
    if (event->isAutoRepeat()) return;
    emit syncRequested(number_);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) emit shiftRequested();
}

void BaseGrid::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    // A click on a cell: the grid's cursor has moved under the mouse.
    if (indexAt(event->position().toPoint()).isValid()) emit syncRequested(number_);
}

void BaseGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    emit syncRequested(number_);
}

void BaseGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    emit syncRequested(number_);
    emit shiftRequested();
}

}  // namespace ter5::base
