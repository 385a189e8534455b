#include "base/widgets/GridPanel.h"

#include "base/TDM.h"
#include "base/widgets/BaseGrid.h"
#include "base/widgets/DataSetModel.h"

namespace ter5::base {

GridPanel::GridPanel(TDM& dm, QWidget* parent) : QSplitter(Qt::Horizontal, parent), dm_(dm) {
    setObjectName(QStringLiteral("Panel3"));
    setHandleWidth(3);
    setChildrenCollapsible(false);

    parcelModel_ = new DataSetModel(dm_.TbSubter, ParcelGridColumns(), this);
    parcelModel_->setObjectName(QStringLiteral("DbSubter"));
    ownerModel_ = new DataSetModel(dm_.Tbter, OwnerGridColumns(), this);
    ownerModel_->setObjectName(QStringLiteral("Dbter"));
    parcelGrid_ = new BaseGrid(4, parcelModel_, this);
    parcelGrid_->setObjectName(QStringLiteral("DBGrid4"));
    ownerGrid_ = new BaseGrid(1, ownerModel_, this);
    ownerGrid_->setObjectName(QStringLiteral("DBGrid1"));
    addWidget(parcelGrid_);
    addWidget(ownerGrid_);
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
    // The parcel grid's 313 pixels, scaled like its columns.
    setSizes({static_cast<int>(313 * parcelGrid_->FontScale()), 500});

    for (BaseGrid* grid : {parcelGrid_, ownerGrid_}) {
        connect(grid, &BaseGrid::syncRequested, this, &GridPanel::SyncGrids);
        connect(grid, &BaseGrid::shiftRequested, this, &GridPanel::shiftRequested);
    }
}

void GridPanel::SyncGrids(int grid) {
    if (grid != 1 && grid != 4) return;
    if (dm_.CurrentParcelCode() == dm_.CurrentOwnerParcel()) return;  // already in step
    dm_.SyncGrids(grid);
    BaseGrid* active = grid == 1 ? ownerGrid_ : parcelGrid_;
    if (!active->hasFocus() && active->isVisible()) active->setFocus(Qt::OtherFocusReason);
}

}  // namespace ter5::base
