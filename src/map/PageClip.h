#pragma once
// Clipping of page figures to an axis-parallel box, so that figures reaching far beyond
// the page keep small coordinates while the part inside the box stays exactly as drawn.
// Stateless functions in the manner of GEOS; all coordinates are page units (0.01 mm).

#include <functional>
#include <span>
#include <vector>

#include "map/Picture.h"
#include "map/Viewport.h"

namespace ter5::map {

// An axis-parallel box in page units, edges included.
struct PageBox {
    double MinX = 0.0;
    double MinY = 0.0;
    double MaxX = 0.0;
    double MaxY = 0.0;

    // True when point (x, y) lies in the box or on its edge.
    bool Contains(double x, double y) const { return x >= MinX && x <= MaxX && y >= MinY && y <= MaxY; }
    // True when the box from (minX, minY) to (maxX, maxY) lies wholly in this one.
    bool Contains(double minX, double minY, double maxX, double maxY) const {
        return minX >= MinX && maxX <= MaxX && minY >= MinY && maxY <= MaxY;
    }
    // True when the two boxes share at least one point.
    bool Intersects(double minX, double minY, double maxX, double maxY) const {
        return !(minX > MaxX || maxX < MinX || minY > MaxY || maxY < MinY);
    }
};

// The part of the closed ring (last point joined back to the first) inside the box, as one
// ring in `out` (replaced): Sutherland-Hodgman, new vertices rounded to whole page units.
// A ring wholly outside gives an empty `out`. Inside the box the fill is the ring's own;
// pieces of the result may run along the box's edges.
void ClipRingToBox(std::span<const PageIntPoint> ring, const PageBox& box, std::vector<PicturePoint>& out);

// The parts of the open line inside the box: `emit` gets each maximal run of consecutive
// inside pieces (at least 2 points), in line order. Liang-Barsky per segment; crossing points
// rounded to whole page units. A single-point line emits nothing.
void ClipLineToBox(std::span<const PageIntPoint> line, const PageBox& box,
                   const std::function<void(std::span<const PicturePoint>)>& emit);

}  // namespace ter5::map
