#include "map/ParcelHitTest.h"

#include <cmath>

#include "map/NumberFormat.h"

namespace ter5::map {

namespace {

// Parcels whose box grown by this much (m) does not contain the point are skipped.
constexpr double kBoxMargin = 7.0;
// A point this close (m) to a vertex hits it.
constexpr double kPointTolerance = 7.0;
// A side is hit when the detour via the point is shorter than this (m).
constexpr double kSideTolerance = 0.1;
// Tilt of a horizontal or vertical ray's line at its near end, m.
constexpr double kRayTilt = 0.001;

// Intersection coordinate rounded to millimetres.
double RoundToMillimetres(double metres) {
    return FormatNumber(metres, PrecisionCode::Millimetres, 0, false).Value;
}

bool HasZeroCoordinate(const WorldPoint& q) { return q.Y == 0.0 || q.X == 0.0; }

}  // namespace

int SegmentsCross(const WorldPoint& f, const WorldPoint& p, const WorldPoint& a, const WorldPoint& b) {
    const double rayDX = p.X - f.X;  // m
    const double rayDY = p.Y - f.Y;
    double beta = 0.0;  // ray angle, radians from +Y towards +X
    if (rayDY == 0.0) {
        beta = std::atan(rayDX / (rayDY - kRayTilt));
    } else if (rayDX == 0.0) {
        beta = std::atan((rayDX - kRayTilt) / rayDY);
    } else {
        beta = std::atan(rayDX / rayDY);
    }
    const double cosBeta = std::cos(beta);
    const double sinBeta = std::sin(beta);

    double t = 0.0;  // distance along the ray's line from f to the side's line, m
    if (b.Y == a.Y) {
        t = (a.Y - f.Y) / cosBeta;
    } else if (b.X == a.X) {
        if (sinBeta == 0.0) return 0;  // parallel lines
        t = (a.X - f.X) / sinBeta;
    } else {
        const double alpha = std::atan((b.X - a.X) / (b.Y - a.Y));
        const double cotAlpha = std::cos(alpha) / std::sin(alpha);
        const double d = sinBeta * cotAlpha - cosBeta;
        t = d == 0.0 ? 0.0 : ((a.X - f.X) * cotAlpha + (f.Y - a.Y)) / d;
    }

    const WorldPoint i{RoundToMillimetres(f.Y + t * cosBeta), RoundToMillimetres(f.X + t * sinBeta)};
    const double ray = Distance(f, p);
    const double side = Distance(a, b);
    const bool meets = ray >= Distance(i, f) && ray >= Distance(i, p) && side >= Distance(i, a) &&
                       side >= Distance(i, b);
    return meets ? 1 : 0;
}

TPickResult FindParcelAt(const TArrObjects& objects, const WorldPoint& p) {
    TPickResult result;
    bool vertexHit = false;
    bool sideHit = false;

    for (const TArrPoly& poly : objects.Polys) {
        if (!(poly.MinY - kBoxMargin <= p.Y && p.Y <= poly.MaxY + kBoxMargin && poly.MinX - kBoxMargin <= p.X &&
              p.X <= poly.MaxX + kBoxMargin)) {
            continue;
        }
        const bool countCrossings = poly.Kind == kKindClosedOutline;
        int leftCrossings = 0;
        int rightCrossings = 0;
        const WorldPoint leftEnd{0.0, p.X};                // far end of the ray to the west
        const WorldPoint rightEnd{2.0 * poly.MaxY, p.X};   // far end of the ray to the east

        const auto points = objects.Points(poly);
        RingTracker ring;
        for (std::size_t j = 0; j < points.size(); ++j) {
            const WorldPoint a = points[j].Position();
            const double toA = Distance(a, p);
            const bool closesRing = ring.Step(a);
            if (j + 1 < points.size() && !closesRing) {
                const WorldPoint b = points[j + 1].Position();
                if (!HasZeroCoordinate(a) && !HasZeroCoordinate(b) && !(a == b)) {
                    if (countCrossings) {
                        leftCrossings += SegmentsCross(leftEnd, p, a, b);
                        rightCrossings += SegmentsCross(rightEnd, p, a, b);
                    }
                    const double detour = std::fabs(Distance(a, b) - (toA + Distance(b, p)));
                    if (detour < kSideTolerance) {
                        if (!vertexHit) result.Code = poly.Code;
                        sideHit = true;
                        result.Found = true;
                    }
                }
            }
            if (toA <= kPointTolerance) {
                result.Code = poly.Code;
                vertexHit = true;
                result.Found = true;
            }
        }

        if (countCrossings && (leftCrossings % 2 == 1 || rightCrossings % 2 == 1) && !vertexHit && !sideHit) {
            result.Code = poly.Code;
            result.Found = true;
        }
    }
    return result;
}

}  // namespace ter5::map
