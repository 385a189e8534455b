#pragma once
// A read-only grid over a DataSetModel (`DBGrid1`, `DBGrid4`): a DataSetGrid
// with Tab between columns. Its current row is the data set's cursor.
//
// The grid reports the events the window synchronises on, each with its number:
// cell click, focus in, key down (before the key moves the cursor), key up, mouse
// button up and double click; Enter and double click also ask for the shift to the
// current parcel.

#include "base/widgets/DataSetGrid.h"

namespace ter5::base {

class DataSetModel;

class BaseGrid : public DataSetGrid {
    Q_OBJECT

public:
    // Grid `number` showing `model`.
    BaseGrid(int number, DataSetModel* model, QWidget* parent = nullptr);

    // 1 for the owner grid, 4 for the parcel grid.
    int Number() const { return number_; }
    // The model shown.
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

private:
    int number_;
    DataSetModel* model_;
};

}  // namespace ter5::base
