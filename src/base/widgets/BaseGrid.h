#pragma once
// A read-only grid over a DataSetModel (`DBGrid1`, `DBGrid4`): whole-row
// selection shown also without focus, a row indicator, resizable columns, Tab
// between columns. Its current row is the data set's cursor.
//
// The grid reports the events the window synchronises on, each with its number:
// cell click, focus in, key down (before the key moves the cursor), key up, mouse
// button up and double click; Enter and double click also ask for the shift to the
// current parcel.

#include <QTableView>

namespace ter5::base {

class DataSetModel;

class BaseGrid : public QTableView {
    Q_OBJECT

public:
    BaseGrid(int number, DataSetModel* model, QWidget* parent = nullptr);

    // 1 for the owner grid, 4 for the parcel grid.
    int Number() const { return number_; }
    DataSetModel* Model() const { return model_; }

signals:
    // SyncGrids should run for this grid.
    void syncRequested(int grid);
    // The map should centre on the current parcel (tbShiftObject).
    void shiftRequested();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void FollowCursor(int row);
    void ApplyColumnWidths();

    int number_;
    DataSetModel* model_;
    bool following_ = false;
};

}  // namespace ter5::base
