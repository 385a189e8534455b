#include "exchange/gdal/BaseGeometry.h"

#include <algorithm>

#include <cpl_error.h>

#include "exchange/gdal/DriverErrors.h"

namespace ter5::exchange {

bool BaseGeometry::Ready() {
    if (tried_) return ready_;
    tried_ = true;
    try {
        data_ = ReadBaseForExport(dir_, std::nullopt, {}, codePage_);
        // The owner table is a layer of its own: its copy here is not kept.
        data_.OwnerTable.reset();
        data_.OwnerRecords = {};
        index_ = map::ParcelIndex(data_.Objects);
        if (data_.LooseVertices > 0)
            CPLDebug("Paradox", "%s: %zu vertex rows belong to no parcel and are in no layer", dir_.c_str(),
                     data_.LooseVertices);
        ready_ = true;
    } catch (...) {
        data_ = {};
        ReportCurrentException(CE_Failure, CPLE_OpenFailed);
    }
    return ready_;
}

const std::vector<SideRef>& BaseGeometry::Sides() {
    if (sidesListed_) return sides_;
    sidesListed_ = true;
    sides_ = ListSides(data_);
    firstSide_.assign(data_.Objects.Polys.size() + 1, sides_.size());
    for (std::size_t k = sides_.size(); k-- > 0;) firstSide_[sides_[k].Poly] = k;
    for (std::size_t p = data_.Objects.Polys.size(); p-- > 0;) firstSide_[p] = std::min(firstSide_[p], firstSide_[p + 1]);
    return sides_;
}

std::size_t BaseGeometry::FirstSide(std::size_t poly) {
    Sides();
    return firstSide_[poly];
}

std::size_t BaseGeometry::PolyOfPoint(std::size_t point) const {
    const auto& polys = data_.Objects.Polys;
    const auto after = std::upper_bound(polys.begin(), polys.end(), point,
                                        [](std::size_t p, const map::TArrPoly& poly) { return p < poly.FirstPoint; });
    return static_cast<std::size_t>(after - polys.begin()) - 1;
}

}  // namespace ter5::exchange
