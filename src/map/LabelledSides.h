#pragma once
// The sides whose length label one drawing run has already placed, so that a side shared
// by two parcels is labelled once, by the first of them. Each entry is a side's two end
// points (Y1, X1, Y2, X2) in metres, compared exactly; a side is found in either direction.

#include <cstddef>
#include <unordered_set>

#include "map/WorldPoint.h"

namespace ter5::map {

class LabelledSides {
public:
    // Forgets every side.
    void Clear() { sides_.clear(); }

    // True when the side p-q or q-p has been added.
    bool Contains(const WorldPoint& p, const WorldPoint& q) const;

    // Adds the side p-q.
    void Add(const WorldPoint& p, const WorldPoint& q) { sides_.insert({p, q}); }

    // Adds p-q and returns true unless p-q or q-p is already there (then false).
    bool AddIfNew(const WorldPoint& p, const WorldPoint& q);

    std::size_t Size() const { return sides_.size(); }

private:
    struct Side {
        WorldPoint From;
        WorldPoint To;
        friend bool operator==(const Side&, const Side&) = default;
    };
    struct SideHash {
        std::size_t operator()(const Side& side) const;
    };

    std::unordered_set<Side, SideHash> sides_;
};

}  // namespace ter5::map
