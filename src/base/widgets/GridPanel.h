#pragma once
// The grid strip under the map (`Panel3`): the parcel grid `DBGrid4` on the left,
// the splitter `Splitter3` and the owner grid `DBGrid1`, kept in step by
// `SyncGrids`: moving among owners moves the parcel grid to the owner's parcel,
// moving among parcels moves the owner grid to the parcel's first owner by name.

#include <QSplitter>

namespace ter5::base {

class BaseGrid;
class DataSetModel;
class TDM;

class GridPanel : public QSplitter {
    Q_OBJECT

public:
    explicit GridPanel(TDM& dm, QWidget* parent = nullptr);

    BaseGrid* DBGrid1() const { return ownerGrid_; }
    BaseGrid* DBGrid4() const { return parcelGrid_; }

    // Grid 1 or 4 moved: locate the linked record in the other data set, then give
    // the focus back to the grid the user works in. Other numbers do nothing.
    void SyncGrids(int grid);

signals:
    // Enter or double click in a grid: centre the map on the current parcel.
    void shiftRequested();

private:
    TDM& dm_;
    DataSetModel* ownerModel_;
    DataSetModel* parcelModel_;
    BaseGrid* ownerGrid_;
    BaseGrid* parcelGrid_;
};

}  // namespace ter5::base
