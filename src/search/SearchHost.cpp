#include "search/SearchHost.h"

#include "base/TDM.h"
#include "map/MapObjects.h"
#include "map/Viewport.h"

namespace ter5::search {

bool SearchHost::BaseOpen() {
    return Parcels().Active();
}

DataModuleSearchHost::DataModuleSearchHost(base::TDM& dm, map::Viewport& view, const map::TArrObjects& objects,
                                           DrawFn drawMap)
    : dm_(dm), view_(view), objects_(objects), drawMap_(std::move(drawMap)) {}

engine::Query& DataModuleSearchHost::Owners() {
    return dm_.Tbter;
}

engine::Query& DataModuleSearchHost::Parcels() {
    return dm_.TbSubter;
}

void DataModuleSearchHost::CentreOnCurrentParcel() {
    if (dm_.TbSubter.Active() && !dm_.TbSubter.IsEmpty()) {
        const auto code = static_cast<std::int32_t>(dm_.TbSubter.AsInteger("Code"));
        view_.ViewArea(objects_, map::ViewAreaMode::CentreCurrent, code);
    }
    DrawMap();
}

void DataModuleSearchHost::DrawMap() {
    if (drawMap_) drawMap_();
}

}  // namespace ter5::search
