#pragma once
// The grid of a template list window, a DataSetGrid over a TemplateTableModel.
// Its current row is the table's cursor; a move the table refuses is the engine's
// message and leaves the grid on the table's row. A double click on a row and
// Enter are reported for the window's select command.

#include "base/widgets/DataSetGrid.h"

namespace ter5::templates {

class TemplateTableModel;

class TemplateGrid : public base::DataSetGrid {
    Q_OBJECT

public:
    // A grid showing `model`.
    explicit TemplateGrid(TemplateTableModel* model, QWidget* parent = nullptr);

    // The model shown.
    TemplateTableModel* Model() const { return model_; }

signals:
    // A row was double-clicked.
    void rowDoubleClicked();
    // Enter was pressed in the grid.
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void MoveModelCursor(int row) override;

private:
    TemplateTableModel* model_;
};

}  // namespace ter5::templates
