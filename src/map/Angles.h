#pragma once
// Direction angles and vertex angles of parcel outlines. Directions run from north (+X)
// towards east (+Y), clockwise on a north-up map, in degrees.

#include "map/WorldPoint.h"

namespace ter5::map {

// Degrees per radian, to the 16 digits the geometry has always used.
inline constexpr double kDegreesPerRadian = 57.29577951308232;

// Direction angle of the segment from -> to, degrees in [0, 360): north 0, east 90,
// south 180, west 270. Coincident points give 90.
double DirectionAngle(const WorldPoint& from, const WorldPoint& to);

// Signed angle at `at`, degrees in [-180, 180]: the clockwise turn from the direction
// towards `next` to the direction towards `prev`, less 180. Callers add 360 to a negative
// result to get the right-hand angle along the outline. Zero coordinate differences are
// replaced by 0.001 m in the slope division, so right angles between axis-parallel sides
// come out 0.011459 degrees off at some corners.
double VertexAngle(const WorldPoint& next, const WorldPoint& at, const WorldPoint& prev);

}  // namespace ter5::map
