#pragma once
// Which parcel lies under a picked world point: near one of its points, on one of its
// sides, or inside its outline. Tolerances are fixed ground distances, independent of the
// map scale. Coordinates are survey metres (Y east, X north).

#include <cstdint>

#include "map/MapObjects.h"
#include "map/WorldPoint.h"

namespace ter5::map {

// Answer of FindParcelAt.
struct TPickResult {
    bool Found = false;
    std::int32_t Code = -1;  // the hit parcel's Code; -1 when nothing was hit
};

// The parcel at world point p. A point within 7 m of a vertex hits (the last such vertex in
// model order wins); a point within the 0.1 m side rule hits a side unless a vertex hit came
// before; an inside point (odd crossings of either horizontal ray) hits only while no vertex
// or side hit has been seen. Later parcels replace earlier hits of the same or lower rank.
// The jump from a ring's closing vertex to the next ring's first vertex is not a side.
TPickResult FindParcelAt(const TArrObjects& objects, const WorldPoint& p);

// 1 if the ray segment from far end f to near end p meets side a-b, else 0. The ray's line
// is tilted 0.001 m below p when the ray is horizontal; the intersection is rounded to
// millimetres before it is compared with the ends of both segments.
int SegmentsCross(const WorldPoint& f, const WorldPoint& p, const WorldPoint& a, const WorldPoint& b);

}  // namespace ter5::map
