#include "templates/widgets/TemplateGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "base/widgets/Messenger.h"
#include "templates/widgets/TemplateTableModel.h"

namespace ter5::templates {

TemplateGrid::TemplateGrid(TemplateTableModel* model, QWidget* parent)
    : DataSetGrid(model, parent), model_(model) {}

void TemplateGrid::MoveModelCursor(int row) {
    // Leaving a row posts its pending changes; a failure is the engine's message.
    base::RunGuarded(this, [&] { model_->MoveCursor(row); });
}

void TemplateGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    DataSetGrid::currentChanged(current, previous);
    // A refused move leaves the grid on the table's row.
    if (current.isValid() && model_->CurrentRow() != current.row()) FollowCursor(model_->CurrentRow());
}

void TemplateGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit enterPressed();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TemplateGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid()) emit rowDoubleClicked();
}

}  // namespace ter5::templates
