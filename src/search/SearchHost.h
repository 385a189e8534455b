#pragma once
// What the search needs of the main window: the two grid queries of the open
// base, the map view whose centre the coordinate search sets, and the map redraw.
// The main window implements it; DataModuleSearchHost does so over the data
// module, the view state and the map model for any caller that holds those.

#include <cstdint>
#include <functional>

namespace ter5::base {
class TDM;
}

namespace ter5::engine {
class Query;
}

namespace ter5::map {
class Viewport;
struct TArrObjects;
}  // namespace ter5::map

namespace ter5::search {

class SearchHost {
public:
    virtual ~SearchHost() = default;

    // The owner grid's query `Tbter`.
    virtual engine::Query& Owners() = 0;
    // The parcel grid's query `TbSubter`; open exactly while a base is open, its
    // database name the base's directory.
    virtual engine::Query& Parcels() = 0;
    // The view state; the coordinate search sets ViewCenterY and ViewCenterX.
    virtual map::Viewport& View() = 0;
    // `ViewArea` in mode 1: centres the view on the current parcel of `Parcels()`
    // at the unchanged scale, then redraws the map.
    virtual void CentreOnCurrentParcel() = 0;
    // `DrawMap`: redraws the map around the view's centre at its scale.
    virtual void DrawMap() = 0;

    // True while a base is open (the parcel query is open).
    bool BaseOpen();
};

// A search host over the data module's Tbter and TbSubter, a view state and the
// map model; `drawMap` redraws the map. None of them is owned.
class DataModuleSearchHost : public SearchHost {
public:
    // Redraws the map from the view state.
    using DrawFn = std::function<void()>;

    DataModuleSearchHost(base::TDM& dm, map::Viewport& view, const map::TArrObjects& objects, DrawFn drawMap);

    engine::Query& Owners() override;
    engine::Query& Parcels() override;
    map::Viewport& View() override { return view_; }
    // Centres on the current parcel's outline (a parcel without one leaves the
    // centre as it is) and redraws, so the highlight follows the grid.
    void CentreOnCurrentParcel() override;
    void DrawMap() override;

private:
    base::TDM& dm_;
    map::Viewport& view_;
    const map::TArrObjects& objects_;
    DrawFn drawMap_;
};

}  // namespace ter5::search
