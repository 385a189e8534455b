#pragma once
// A point in plane survey coordinates, metres: Y to the east, X to the north, always
// stored and passed as (Y, X).

#include <cmath>

namespace ter5::map {

struct WorldPoint {
    double Y = 0.0;  // east, m
    double X = 0.0;  // north, m

    friend bool operator==(const WorldPoint&, const WorldPoint&) = default;
};

// Straight-line distance between two points, metres.
inline double Distance(const WorldPoint& a, const WorldPoint& b) {
    return std::hypot(b.Y - a.Y, b.X - a.X);
}

}  // namespace ter5::map
