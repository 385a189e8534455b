#include "exchange/ParcelPolygon.h"

namespace ter5::exchange {

namespace {

// Corners a ring needs to bound an area.
constexpr std::size_t kMinCorners = 3;

// The ring's points, closed; empty when it has fewer than kMinCorners corners.
PolygonRing CloseRing(std::span<const map::TArrPoint> points, bool& closedHere) {
    PolygonRing ring;
    ring.reserve(points.size() + 1);
    for (const map::TArrPoint& p : points) ring.push_back(p.Position());
    closedHere = false;
    if (ring.empty()) return ring;
    if (!(ring.back() == ring.front()) || ring.size() == 1) {
        ring.push_back(ring.front());
        closedHere = true;
    }
    if (ring.size() < kMinCorners + 1) ring.clear();
    return ring;
}

}  // namespace

double TwiceSignedArea(std::span<const map::WorldPoint> ring) {
    // Shoelace in the form sum of x_i (y_(i+1) - y_(i-1)) over the corners, which keeps the
    // products small for survey-sized coordinates.
    const std::size_t n = ring.size();
    if (n < kMinCorners + 1) return 0.0;
    const std::size_t corners = n - 1;  // the last point repeats the first
    double sum = 0.0;
    for (std::size_t i = 0; i < corners; ++i) {
        const map::WorldPoint& previous = ring[i == 0 ? corners - 1 : i - 1];
        const map::WorldPoint& next = ring[i + 1];
        sum += ring[i].Y * (next.X - previous.X);
    }
    return sum;
}

bool RingContains(std::span<const map::WorldPoint> ring, const map::WorldPoint& p) {
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const map::WorldPoint& a = ring[i];
        const map::WorldPoint& b = ring[j];
        if ((a.X > p.X) != (b.X > p.X) && p.Y < (b.Y - a.Y) * (p.X - a.X) / (b.X - a.X) + a.Y) inside = !inside;
    }
    return inside;
}

ParcelPolygon BuildParcelPolygon(std::span<const map::TArrPoint> points) {
    ParcelPolygon polygon;
    std::vector<map::RingRange> ranges;
    map::FindRings(points, ranges);
    polygon.Rings = ranges.size();

    double outlineSign = 0.0;
    for (const map::RingRange& range : ranges) {
        bool closedHere = false;
        PolygonRing ring = CloseRing(points.subspan(range.Begin, range.End - range.Begin), closedHere);
        if (ring.empty()) {
            ++polygon.LeftOut;
            continue;
        }
        polygon.Unclosed = polygon.Unclosed || closedHere;
        const double area = TwiceSignedArea(ring);
        if (polygon.Pieces.empty()) outlineSign = area;
        const bool hole = !polygon.Pieces.empty() && area * outlineSign < 0.0;
        if (!hole) {
            polygon.Pieces.push_back({std::move(ring), {}});
            continue;
        }
        std::size_t owner = polygon.Pieces.size() - 1;
        for (std::size_t i = polygon.Pieces.size(); i-- > 0;) {
            if (RingContains(polygon.Pieces[i].Outline, ring.front())) {
                owner = i;
                break;
            }
        }
        polygon.Pieces[owner].Holes.push_back(std::move(ring));
    }
    return polygon;
}

}  // namespace ter5::exchange
