#include "map/PageClip.h"

#include <cmath>
#include <cstdint>

namespace ter5::map {

namespace {

// A page point in real page units, for the intersections of the clipping passes.
struct RealPoint {
    double x = 0.0;
    double y = 0.0;
};

// Nearest whole page unit, halves to even (the default rounding mode of the FPU).
std::int32_t ToPageUnit(double value) { return static_cast<std::int32_t>(std::nearbyint(value)); }

PicturePoint ToPicture(const RealPoint& p) { return {ToPageUnit(p.x), ToPageUnit(p.y)}; }

// One edge of the box as a half-plane: inside where value(axis) compared to limit holds.
struct ClipEdge {
    bool alongX;  // the edge bounds x (a vertical edge) rather than y
    bool keepAbove;  // inside is coordinate >= limit (else <= limit)
    double limit;

    bool Inside(const RealPoint& p) const {
        const double v = alongX ? p.x : p.y;
        return keepAbove ? v >= limit : v <= limit;
    }
    // The crossing of segment a-b with the edge's line; a and b lie on different sides.
    RealPoint Crossing(const RealPoint& a, const RealPoint& b) const {
        if (alongX) {
            const double t = (limit - a.x) / (b.x - a.x);
            return {limit, a.y + t * (b.y - a.y)};
        }
        const double t = (limit - a.y) / (b.y - a.y);
        return {a.x + t * (b.x - a.x), limit};
    }
};

// One Sutherland-Hodgman pass: the part of closed ring `in` on the inside of `edge`.
void ClipAgainst(const std::vector<RealPoint>& in, const ClipEdge& edge, std::vector<RealPoint>& out) {
    out.clear();
    if (in.empty()) return;
    RealPoint previous = in.back();
    bool previousInside = edge.Inside(previous);
    for (const RealPoint& current : in) {
        const bool currentInside = edge.Inside(current);
        if (currentInside != previousInside) out.push_back(edge.Crossing(previous, current));
        if (currentInside) out.push_back(current);
        previous = current;
        previousInside = currentInside;
    }
}

}  // namespace

void ClipRingToBox(std::span<const PageIntPoint> ring, const PageBox& box, std::vector<PicturePoint>& out) {
    std::vector<RealPoint> a;
    a.reserve(ring.size() + 4);
    for (const PageIntPoint& p : ring) a.push_back({static_cast<double>(p.x), static_cast<double>(p.y)});
    std::vector<RealPoint> b;
    b.reserve(a.size() + 4);
    const ClipEdge edges[] = {{true, true, box.MinX}, {true, false, box.MaxX}, {false, true, box.MinY},
                              {false, false, box.MaxY}};
    for (const ClipEdge& edge : edges) {
        ClipAgainst(a, edge, b);
        a.swap(b);
    }
    out.clear();
    for (const RealPoint& p : a) {
        const PicturePoint q = ToPicture(p);
        if (out.empty() || !(out.back() == q)) out.push_back(q);  // rounding may merge neighbours
    }
}

void ClipLineToBox(std::span<const PageIntPoint> line, const PageBox& box,
                   const std::function<void(std::span<const PicturePoint>)>& emit) {
    std::vector<PicturePoint> run;
    auto flush = [&] {
        if (run.size() >= 2) emit(run);
        run.clear();
    };
    for (std::size_t i = 1; i < line.size(); ++i) {
        const RealPoint a{static_cast<double>(line[i - 1].x), static_cast<double>(line[i - 1].y)};
        const RealPoint b{static_cast<double>(line[i].x), static_cast<double>(line[i].y)};
        const double dx = b.x - a.x;
        const double dy = b.y - a.y;
        // Liang-Barsky: the segment a + t (b - a), t in [t0, t1], inside all four edges.
        double t0 = 0.0;
        double t1 = 1.0;
        bool visible = true;
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {a.x - box.MinX, box.MaxX - a.x, a.y - box.MinY, box.MaxY - a.y};
        for (int k = 0; k < 4 && visible; ++k) {
            if (p[k] == 0.0) {
                visible = q[k] >= 0.0;  // parallel to this edge: inside or not at all
                continue;
            }
            const double t = q[k] / p[k];
            if (p[k] < 0.0) {
                if (t > t1) visible = false;
                else if (t > t0) t0 = t;
            } else {
                if (t < t0) visible = false;
                else if (t < t1) t1 = t;
            }
        }
        if (!visible) {
            flush();
            continue;
        }
        const PicturePoint from = t0 == 0.0 ? PicturePoint{static_cast<std::int32_t>(line[i - 1].x),
                                                           static_cast<std::int32_t>(line[i - 1].y)}
                                            : ToPicture({a.x + t0 * dx, a.y + t0 * dy});
        const PicturePoint to = t1 == 1.0 ? PicturePoint{static_cast<std::int32_t>(line[i].x),
                                                         static_cast<std::int32_t>(line[i].y)}
                                          : ToPicture({a.x + t1 * dx, a.y + t1 * dy});
        if (t0 != 0.0 || run.empty() || !(run.back() == from)) {
            flush();
            run.push_back(from);
        }
        run.push_back(to);
        if (t1 != 1.0) flush();
    }
    flush();
}

}  // namespace ter5::map
