#pragma once
// A base's geometry for the driver's layers parcels, vertices and sides: read once,
// when the first of them needs it, by the export's own reading (ReadBaseForExport:
// the map model, each vertex's Z, the parcels' attributes), with the spatial index of
// the parcels and the list of sides; shared by the three layers of a dataset.

#include <cstddef>
#include <filesystem>
#include <vector>

#include "exchange/BaseExportData.h"
#include "exchange/ExportLayers.h"
#include "map/ParcelIndex.h"

namespace ter5::exchange {

class BaseGeometry {
public:
    // The base in `dir`, its text in `codePage` (0: each table's own). Reads nothing yet.
    BaseGeometry(std::filesystem::path dir, int codePage) : dir_(std::move(dir)), codePage_(codePage) {}

    // Reads the base unless it was read; false (after a CPLError naming the file and
    // the cause, the first time) when it cannot be read.
    bool Ready();

    // Valid once Ready() was true.
    const BaseExportData& Data() const { return data_; }
    const map::ParcelIndex& Index() const { return index_; }
    // The sides, listed when first asked for (a district's take a moment).
    const std::vector<SideRef>& Sides();
    // The sides of parcel `poly` are Sides()[FirstSide(poly) .. FirstSide(poly + 1)).
    std::size_t FirstSide(std::size_t poly);
    // The parcel (position in Polys) whose vertices hold `point` (a position in PointStore).
    std::size_t PolyOfPoint(std::size_t point) const;

private:
    std::filesystem::path dir_;
    int codePage_;
    bool tried_ = false;
    bool ready_ = false;
    BaseExportData data_;
    map::ParcelIndex index_;
    bool sidesListed_ = false;
    std::vector<SideRef> sides_;
    std::vector<std::size_t> firstSide_;  // one more than the parcels
};

}  // namespace ter5::exchange
