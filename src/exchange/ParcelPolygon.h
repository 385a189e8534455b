#pragma once
// A parcel's vertex rings, as the map model closes them, made into GIS polygons. The base
// stores survey coordinates (Y east, X north, metres); the functions here keep them as
// WorldPoints, and the writer swaps them into GIS order (x = Y, y = X).
//
// The first ring with at least 3 corners is the outline. A later ring running the other
// way round (opposite sign of area) is a hole, put into the piece whose outline holds
// its first point (the latest such piece; the latest piece when none does); a ring running
// the same way is another piece. The last ring that the base leaves open is closed by
// repeating its first point, and the parcel is flagged. A ring of fewer than 3 corners
// (a lone point, a there-and-back line A, B, A) bounds no area and is left out.

#include <cstddef>
#include <span>
#include <vector>

#include "map/MapObjects.h"

namespace ter5::exchange {

// A closed ring: the last point repeats the first; m.
using PolygonRing = std::vector<map::WorldPoint>;

// One piece of a parcel: its outline and the holes in it.
struct PolygonPiece {
    PolygonRing Outline;
    std::vector<PolygonRing> Holes;
};

struct ParcelPolygon {
    std::vector<PolygonPiece> Pieces;  // empty when no ring has 3 corners
    std::size_t Rings = 0;             // rings of the model, left-out ones included
    std::size_t LeftOut = 0;           // rings of fewer than 3 corners
    bool Unclosed = false;             // the last ring was open and has been closed here
};

// Twice the signed area of a closed ring in GIS axes, m^2: positive when the ring runs
// counter-clockwise on a north-up map (x east, y north).
double TwiceSignedArea(std::span<const map::WorldPoint> ring);

// True when p lies inside the closed ring (even-odd rule; a point on the boundary may
// count either way).
bool RingContains(std::span<const map::WorldPoint> ring, const map::WorldPoint& p);

// The polygon of one parcel's points (TArrObjects::Points).
ParcelPolygon BuildParcelPolygon(std::span<const map::TArrPoint> points);

}  // namespace ter5::exchange
