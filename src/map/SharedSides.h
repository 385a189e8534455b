#pragma once
// The sides of a geometry that two parcels share. Adjacent parcels list their common side
// each, with the same two end points (in either direction); the sides only one parcel has
// are the outer boundaries of the blocks the parcels form, along the streets. An overview
// draws those alone, so blocks and streets stay apart where every outline would be ink.
//
// Found once per geometry, in one pass over the vertices (a hash of the end-point pairs,
// compared exactly), and kept with the model until its geometry changes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "map/MapObjects.h"

namespace ter5::map {

class SharedSides {
public:
    // Finds the shared sides of `objects`: a side (a vertex and the next one of its ring)
    // is shared when a side of another parcel has the same end points, in either order.
    explicit SharedSides(const TArrObjects& objects);

    // True when the side starting at vertex `point` (an index into PointStore) is shared;
    // false for a ring's last vertex, which starts no side.
    bool Shared(std::size_t point) const { return point < shared_.size() && shared_[point] != 0; }

    // Total length of the sides of parcel `poly` no other parcel has, m.
    double BoundaryLength(std::size_t poly) const { return poly < boundary_.size() ? boundary_[poly] : 0.0; }

    // Number of shared sides counted on both parcels (each common side twice).
    std::size_t SharedCount() const { return sharedCount_; }

    // Whether this was found for `objects` as it stands (same parcel and vertex counts).
    bool Matches(const TArrObjects& objects) const {
        return shared_.size() == objects.PointStore.size() && boundary_.size() == objects.Polys.size();
    }

private:
    std::vector<std::uint8_t> shared_;  // one per vertex: 1 when its side is shared
    std::vector<double> boundary_;      // one per parcel: length of its unshared sides
    std::size_t sharedCount_ = 0;
};

// The shared sides of `objects`, found on first use and kept in objects.SharedSideCache
// until a change through the model's functions drops them. Not for two threads at once.
const SharedSides& SharedSidesOf(const TArrObjects& objects);

}  // namespace ter5::map
