// The main window's search commands: "Найти ..." (Ctrl+F, tool button tbFind)
// opens the search dialog, "Продолжение поиска" (Ctrl+N) steps to the next hit.
// Both do nothing while no base is open. The search moves the grids through the
// data module's queries and centres the map on the parcel found.

#include <QAction>

#include "app/TMain.h"
#include "base/widgets/Messenger.h"
#include "map/widgets/MapWidget.h"
#include "search/SearchHost.h"
#include "search/widgets/SeekCommands.h"

namespace ter5::app {

void TMain::ConnectSearch() {
    searchHost_ = std::make_unique<search::DataModuleSearchHost>(*dm_, MapImage->View(), MapObjects,
                                                                 [this] { DrawMap(); });
    seekCommands_ = new search::SeekCommands(*searchHost_, this, MapImage);
    connect(nSeek, &QAction::triggered, this, &TMain::nSeekClick);
    connect(nSeekNext, &QAction::triggered, this, &TMain::nSeekNextClick);
}

void TMain::nSeekClick() {
    base::RunGuarded(this, [this] { seekCommands_->nSeekClick(); });
}

void TMain::nSeekNextClick() {
    base::RunGuarded(this, [this] { seekCommands_->nSeekNextClick(); });
}

}  // namespace ter5::app
