#pragma once
// The grid of a template list window: whole rows, column titles, no editing in
// the cells, a row indicator. Its current row is the table's cursor. A double
// click on a row and Enter are reported for the window's select command.

#include <QTableView>

namespace ter5::templates {

class TemplateTableModel;

class TemplateGrid : public QTableView {
    Q_OBJECT

public:
    explicit TemplateGrid(TemplateTableModel* model, QWidget* parent = nullptr);

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

private:
    void FollowCursor(int row);
    void ApplyColumnWidths();

    TemplateTableModel* model_;
    bool following_ = false;
};

}  // namespace ter5::templates
