#include "map/Angles.h"

#include <cmath>
#include <numbers>

namespace ter5::map {

namespace {

// Stand-in for a zero coordinate difference in VertexAngle's slope division, metres.
constexpr double kZeroDifferenceStandIn = 0.001;
// A full, a half and a quarter turn, degrees.
constexpr double kFullTurn = 360.0;
constexpr double kHalfTurn = 180.0;
constexpr double kQuarterTurn = 90.0;

// Direction of p -> q in degrees [0, 360] as VertexAngle measures it: axis-parallel
// segments get the slightly tilted slope of the 0.001 m stand-in, and a p at exactly
// (0, 0) counts as "no point" with a zero slope angle.
double TiltedDirection(const WorldPoint& p, const WorldPoint& q) {
    const double dY = q.Y - p.Y;
    const double dX = q.X - p.X;
    double slope = 0.0;  // radians, |atan(dY / dX)|
    if (!(p.Y == 0.0 && p.X == 0.0)) {
        const double divY = dY == 0.0 ? kZeroDifferenceStandIn : dY;
        const double divX = dX == 0.0 ? kZeroDifferenceStandIn : dX;
        slope = std::fabs(std::atan(divY / divX));
    }
    double theta = 0.0;  // radians from north, clockwise
    if (dX >= 0.0) {
        theta = dY >= 0.0 ? slope : 2.0 * std::numbers::pi - slope;
    } else {
        theta = dY >= 0.0 ? std::numbers::pi - slope : std::numbers::pi + slope;
    }
    return std::fabs(theta * kDegreesPerRadian);
}

}  // namespace

double DirectionAngle(const WorldPoint& from, const WorldPoint& to) {
    const double dX = to.X - from.X;
    const double dY = to.Y - from.Y;
    double angle = 0.0;  // degrees
    if (dX == 0.0) {
        angle = dY >= 0.0 ? kQuarterTurn : -kQuarterTurn;
    } else {
        angle = std::atan(dY / dX) * kDegreesPerRadian;
    }
    double result = 0.0;
    if (dX >= 0.0) {
        result = dY >= 0.0 ? angle : angle + kFullTurn;
    } else {
        result = angle + kHalfTurn;
    }
    // A tiny negative angle plus 360 can round up to 360 itself; keep the range [0, 360).
    return result >= kFullTurn ? 0.0 : result;
}

double VertexAngle(const WorldPoint& next, const WorldPoint& at, const WorldPoint& prev) {
    const double inbound = TiltedDirection(prev, at);   // degrees, prev -> at
    const double outbound = TiltedDirection(next, at);  // degrees, next -> at
    double turn = inbound - kHalfTurn > 0.0 ? inbound - kHalfTurn : inbound + kHalfTurn;
    if (turn < outbound) {
        turn = turn + kFullTurn - outbound;
    } else {
        turn = turn - outbound;
    }
    return turn - kHalfTurn;
}

}  // namespace ter5::map
