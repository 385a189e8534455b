#pragma once
// The parcels of a map model that lie in a rectangle, found without walking them all:
// a static R-tree over the parcels' boxes, packed by Sort-Tile-Recursive (Leutenegger,
// Lopez, Edgington 1997), built once after the model is loaded. Each parcel's box is
// the box of all its vertices; the model's own box cannot serve, since it takes a
// coordinate of exactly 0 for "not set".

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "map/MapObjects.h"

namespace ter5::map {

// A rectangle in survey metres (Y east, X north); empty until a point is added.
struct WorldBox {
    double MinY = std::numeric_limits<double>::infinity();
    double MinX = std::numeric_limits<double>::infinity();
    double MaxY = -std::numeric_limits<double>::infinity();
    double MaxX = -std::numeric_limits<double>::infinity();

    bool Empty() const { return MinY > MaxY; }
    void Add(const WorldPoint& p);
    void Add(const WorldBox& box);
    // True when the two share a point (edges included); never for an empty box.
    bool Meets(const WorldBox& other) const {
        return MinY <= other.MaxY && other.MinY <= MaxY && MinX <= other.MaxX && other.MinX <= MaxX;
    }
};

class ParcelIndex {
public:
    // An index of no parcels.
    ParcelIndex() = default;
    // Indexes every parcel of `objects` (the model must not change while it is used).
    explicit ParcelIndex(const TArrObjects& objects);

    // The parcels (positions in Polys) whose boxes meet `box`, in ascending order.
    std::vector<std::size_t> Find(const WorldBox& box) const;
    // The box of parcel `poly` (empty for a parcel without vertices).
    const WorldBox& ParcelBox(std::size_t poly) const { return parcelBoxes_[poly]; }
    // The box of every vertex of the model; empty when it has none.
    const WorldBox& Bounds() const { return bounds_; }

private:
    std::vector<WorldBox> parcelBoxes_;     // by parcel
    std::vector<std::uint32_t> leafOrder_;  // the parcels in packed order
    // The nodes of every level, leaves' parents first, the root last; node k of a
    // level covers children [k * kFanout, (k + 1) * kFanout) of the level below.
    std::vector<std::vector<WorldBox>> levels_;
    WorldBox bounds_;
};

}  // namespace ter5::map
