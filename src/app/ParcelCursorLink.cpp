#include "app/ParcelCursorLink.h"

#include <cstdint>
#include <optional>

#include "map/widgets/MapWidget.h"

namespace ter5::app {

ParcelCursorLink::ParcelCursorLink(engine::DataSet& parcels, map::MapWidget& map) : parcels_(&parcels), map_(map) {
    parcels_->AddObserver(*this);
    Update();
}

ParcelCursorLink::~ParcelCursorLink() {
    if (parcels_) parcels_->RemoveObserver(*this);
}

void ParcelCursorLink::Update() {
    const bool open = parcels_ && parcels_->Active();
    std::optional<std::int32_t> current;
    if (open && !parcels_->IsEmpty()) current = static_cast<std::int32_t>(parcels_->AsInteger("Code"));
    map_.SetParcelQueryOpen(open);
    map_.SetCurrentParcelCode(current);
}

}  // namespace ter5::app
