#include "map/LabelFit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ter5::map {

namespace {

// The box in page units.
struct Box {
    double MinX, MinY, MaxX, MaxY;
};

// Whether the segment a-b shares a point with the box (Liang-Barsky).
bool SegmentTouchesBox(double ax, double ay, double bx, double by, const Box& box) {
    double t0 = 0.0;
    double t1 = 1.0;
    const double dx = bx - ax;
    const double dy = by - ay;
    const double p[] = {-dx, dx, -dy, dy};
    const double q[] = {ax - box.MinX, box.MaxX - ax, ay - box.MinY, box.MaxY - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;  // parallel to that edge and outside it
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    return true;
}

}  // namespace

bool BoxInsideOutline(const PixelBox& box, std::span<const PageIntPoint> page, std::span<const RingRange> rings,
                      double ppx, double ppy) {
    const Box b{box.Left * ppx, -box.Bottom * ppy, box.Right * ppx, -box.Top * ppy};
    // With no side touching the box, the box is wholly inside or wholly outside: one
    // corner tells which.
    const double cornerX = b.MinX;
    const double cornerY = b.MinY;
    int crossings = 0;  // sides crossing the ray from the corner to the right
    for (const RingRange& ring : rings) {
        if (ring.End - ring.Begin < 3) continue;  // no area
        for (std::size_t i = ring.Begin; i < ring.End; ++i) {
            const PageIntPoint& a = page[i];
            const PageIntPoint& c = page[i + 1 < ring.End ? i + 1 : ring.Begin];
            const double ax = static_cast<double>(a.x), ay = static_cast<double>(a.y);
            const double cx = static_cast<double>(c.x), cy = static_cast<double>(c.y);
            if (SegmentTouchesBox(ax, ay, cx, cy, b)) return false;
            if ((ay > cornerY) != (cy > cornerY) && cornerX < ax + (cornerY - ay) * (cx - ax) / (cy - ay)) ++crossings;
        }
    }
    return crossings % 2 == 1;
}

std::optional<PagePoint> WidestInteriorPoint(std::span<const PageIntPoint> page, std::span<const RingRange> rings,
                                             PageIntPoint low, PageIntPoint high) {
    std::optional<PagePoint> best;
    double bestWidth = 0.0;
    double bestDistance = 0.0;
    std::vector<double> crossings;
    const double middle = (static_cast<double>(low.y) + static_cast<double>(high.y)) / 2.0;
    for (int row = 0; row < kInteriorRows; ++row) {
        const double y = static_cast<double>(low.y) +
                         static_cast<double>(high.y - low.y) * (row + 0.5) / static_cast<double>(kInteriorRows);
        crossings.clear();
        for (const RingRange& ring : rings) {
            if (ring.End - ring.Begin < 3) continue;
            for (std::size_t i = ring.Begin; i < ring.End; ++i) {
                const PageIntPoint& a = page[i];
                const PageIntPoint& b = page[i + 1 < ring.End ? i + 1 : ring.Begin];
                const double ay = static_cast<double>(a.y), by = static_cast<double>(b.y);
                if ((ay > y) == (by > y)) continue;
                crossings.push_back(static_cast<double>(a.x) + (y - ay) * static_cast<double>(b.x - a.x) / (by - ay));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
            const double width = crossings[k + 1] - crossings[k];
            const double distance = std::abs(y - middle);
            if (width > bestWidth || (width == bestWidth && best && distance < bestDistance)) {
                best = PagePoint{(crossings[k] + crossings[k + 1]) / 2.0, y};
                bestWidth = width;
                bestDistance = distance;
            }
        }
    }
    return best;
}

std::vector<PixelShift> LabelBlockShifts(const PixelBox& parcel, const PixelBox& block) {
    std::vector<PixelShift> shifts;
    const int dxMin = parcel.Left - block.Left;
    const int dxMax = parcel.Right - block.Right;
    const int dyMin = parcel.Top - block.Top;
    const int dyMax = parcel.Bottom - block.Bottom;
    if (dxMin > dxMax || dyMin > dyMax) return shifts;
    // The grid reaches kLabelShiftReach steps from no move each way.
    // Steps of the grid through no move, on either side, as far as the box allows.
    const auto steps = [](int low, int high) {
        constexpr int kReach = kLabelShiftReach * kLabelShiftStep;
        low = std::max(low, -kReach);
        high = std::min(high, kReach);
        std::vector<int> values;
        for (int v = 0; v <= high; v += kLabelShiftStep)
            if (v >= low) values.push_back(v);
        for (int v = -kLabelShiftStep; v >= low; v -= kLabelShiftStep)
            if (v <= high) values.push_back(v);
        return values;
    };
    for (int dy : steps(dyMin, dyMax))
        for (int dx : steps(dxMin, dxMax)) shifts.push_back({dx, dy});
    // Nearest first; among equals, vertical moves (along the lines) before sideways ones.
    std::stable_sort(shifts.begin(), shifts.end(), [](const PixelShift& a, const PixelShift& b) {
        const int da = a.Dx * a.Dx + a.Dy * a.Dy;
        const int db = b.Dx * b.Dx + b.Dy * b.Dy;
        return da != db ? da < db : std::abs(a.Dx) < std::abs(b.Dx);
    });
    return shifts;
}

}  // namespace ter5::map
