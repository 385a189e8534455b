#include "base/widgets/GridPanel.h"

#include "base/TDM.h"
#include "base/widgets/BaseGrid.h"
#include "base/widgets/DataSetModel.h"

namespace ter5::base {

namespace {

QVector<GridColumn> OwnerColumns() {
    return {
        {QStringLiteral("Flag"), QStringLiteral("ю"), 15, GridColumn::Mark::Green},
        {QStringLiteral("Family"), QStringLiteral("ФИО"), 150, GridColumn::Mark::None},
        {QStringLiteral("Adr_House"), QStringLiteral("Адрес владельца"), 150, GridColumn::Mark::None},
        {QStringLiteral("Poligon"), QStringLiteral("Код"), 30, GridColumn::Mark::None},
    };
}

QVector<GridColumn> ParcelColumns() {
    return {
        {QStringLiteral("Ok"), QStringLiteral("ю"), 15, GridColumn::Mark::Green},
        {QStringLiteral("Flag"), QStringLiteral("ь"), 15, GridColumn::Mark::Red},
        {QStringLiteral("Code"), QStringLiteral("Код"), 30, GridColumn::Mark::None},
        {QStringLiteral("House"), QStringLiteral("Адрес участка"), 150, GridColumn::Mark::None},
        {QStringLiteral("Ixp1"), QStringLiteral("Площадь"), -1, GridColumn::Mark::None},
        {QStringLiteral("IdentificationCode"), QStringLiteral("Кад.номер"), 150, GridColumn::Mark::None},
    };
}

}  // namespace

GridPanel::GridPanel(TDM& dm, QWidget* parent) : QSplitter(Qt::Horizontal, parent), dm_(dm) {
    setObjectName(QStringLiteral("Panel3"));
    setHandleWidth(3);
    setChildrenCollapsible(false);

    parcelModel_ = new DataSetModel(dm_.TbSubter, ParcelColumns(), this);
    parcelModel_->setObjectName(QStringLiteral("DbSubter"));
    ownerModel_ = new DataSetModel(dm_.Tbter, OwnerColumns(), this);
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
