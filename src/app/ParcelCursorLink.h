#pragma once
// Keeps the map in step with the parcel grid's query `TbSubter`: the parcel the
// next drawing highlights is the query's current Code, and an open query with no
// parcels loaded still draws the white page. The map reads both at every drawing,
// whatever starts it (a command, the mouse, a resize), so the link follows the
// query's cursor rather than being told before each drawing.

#include "engine/DataSet.h"

namespace ter5::map {
class MapWidget;
}

namespace ter5::app {

class ParcelCursorLink : private engine::DataSetObserver {
public:
    // Neither is owned; the link must be destroyed before the map widget.
    ParcelCursorLink(engine::DataSet& parcels, map::MapWidget& map);
    ~ParcelCursorLink() override;
    ParcelCursorLink(const ParcelCursorLink&) = delete;
    ParcelCursorLink& operator=(const ParcelCursorLink&) = delete;

    // Hands the query's state to the map now.
    void Update();

private:
    void ActiveChanged(engine::DataSet&) override { Update(); }
    void CursorMoved(engine::DataSet&) override { Update(); }
    void DataChanged(engine::DataSet&, engine::DataChange) override { Update(); }
    void Destroyed(engine::DataSet&) override { parcels_ = nullptr; }

    engine::DataSet* parcels_;
    map::MapWidget& map_;
};

}  // namespace ter5::app
