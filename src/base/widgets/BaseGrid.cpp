#include "base/widgets/BaseGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "base/widgets/DataSetModel.h"

namespace ter5::base {

BaseGrid::BaseGrid(int number, DataSetModel* model, QWidget* parent)
    : DataSetGrid(model, parent), number_(number), model_(model) {
    setTabKeyNavigation(true);
    setShowGrid(true);
    setAlternatingRowColors(false);
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
