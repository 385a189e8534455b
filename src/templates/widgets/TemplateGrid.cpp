#include "templates/widgets/TemplateGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "base/widgets/Messenger.h"
#include "templates/widgets/TemplateTableModel.h"

namespace ter5::templates {

TemplateGrid::TemplateGrid(TemplateTableModel* model, QWidget* parent) : QTableView(parent), model_(model) {
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    // Keep the selection visible while a tool button or a dialog has the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);

    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setMinimumSectionSize(12);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setFixedWidth(14);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionsClickable(false);

    connect(model_, &TemplateTableModel::cursorMoved, this, &TemplateGrid::FollowCursor);
    connect(model_, &QAbstractItemModel::modelReset, this, &TemplateGrid::ApplyColumnWidths);
    ApplyColumnWidths();
    FollowCursor(model_->CurrentRow());
}

void TemplateGrid::ApplyColumnWidths() {
    const auto& columns = model_->Columns();
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).width > 0) setColumnWidth(i, columns.at(i).width);
    }
}

void TemplateGrid::FollowCursor(int row) {
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

void TemplateGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (following_ || !current.isValid()) return;
    following_ = true;
    // Leaving a row posts its pending changes; a failure is the engine's message.
    base::RunGuarded(this, [&] { model_->MoveCursor(current.row()); });
    following_ = false;
    if (model_->CurrentRow() != current.row()) FollowCursor(model_->CurrentRow());
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
