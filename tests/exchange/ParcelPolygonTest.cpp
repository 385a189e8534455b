// Polygons from a parcel's rings: outline, holes by opposite sense, further pieces by
// the same sense, the open last ring closed and flagged, rings of fewer than 3 corners
// left out. Survey points are (Y east, X north), metres.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "exchange/ParcelPolygon.h"

namespace ter5::exchange {
namespace {

using map::TArrPoint;
using map::WorldPoint;

std::vector<TArrPoint> Points(const std::vector<WorldPoint>& positions) {
    std::vector<TArrPoint> points;
    for (const WorldPoint& p : positions) {
        TArrPoint point;
        point.Y = p.Y;
        point.X = p.X;
        points.push_back(point);
    }
    return points;
}

// Walked north, east, south, west: clockwise on a north-up map.
std::vector<WorldPoint> Clockwise(double y, double x, double side) {
    return {{y, x}, {y, x + side}, {y + side, x + side}, {y + side, x}, {y, x}};
}
std::vector<WorldPoint> CounterClockwise(double y, double x, double side) {
    return {{y, x}, {y + side, x}, {y + side, x + side}, {y, x + side}, {y, x}};
}
std::vector<WorldPoint> Join(std::vector<std::vector<WorldPoint>> rings) {
    std::vector<WorldPoint> all;
    for (const auto& ring : rings) all.insert(all.end(), ring.begin(), ring.end());
    return all;
}

struct RingCase {
    std::string name;
    std::vector<WorldPoint> points;
    std::size_t pieces;
    std::vector<std::size_t> holesPerPiece;
    std::size_t rings;
    std::size_t leftOut;
    bool unclosed;
    double area;  // m^2, pieces less holes
};

class ParcelPolygonCases : public ::testing::TestWithParam<RingCase> {};

TEST_P(ParcelPolygonCases, PiecesHolesAndFlags) {
    const RingCase& c = GetParam();
    const auto points = Points(c.points);
    const ParcelPolygon polygon = BuildParcelPolygon(points);
    ASSERT_EQ(polygon.Pieces.size(), c.pieces);
    EXPECT_EQ(polygon.Rings, c.rings);
    EXPECT_EQ(polygon.LeftOut, c.leftOut);
    EXPECT_EQ(polygon.Unclosed, c.unclosed);
    double area = 0.0;
    for (std::size_t i = 0; i < polygon.Pieces.size(); ++i) {
        const PolygonPiece& piece = polygon.Pieces[i];
        EXPECT_EQ(piece.Holes.size(), c.holesPerPiece[i]) << "piece " << i;
        EXPECT_EQ(piece.Outline.front(), piece.Outline.back());
        area += std::fabs(TwiceSignedArea(piece.Outline)) / 2.0;
        for (const PolygonRing& hole : piece.Holes) area -= std::fabs(TwiceSignedArea(hole)) / 2.0;
    }
    EXPECT_NEAR(area, c.area, 1e-9 * std::max(1.0, c.area));
}

constexpr double kY = 1'300'000.0, kX = 5'400'000.0;

INSTANTIATE_TEST_SUITE_P(
    Rings, ParcelPolygonCases,
    ::testing::Values(
        RingCase{"Square", Clockwise(kY, kX, 10), 1, {0}, 1, 0, false, 100},
        RingCase{"CounterClockwiseOutline", CounterClockwise(kY, kX, 10), 1, {0}, 1, 0, false, 100},
        RingCase{"Hole", Join({Clockwise(kY, kX, 30), CounterClockwise(kY + 10, kX + 10, 10)}), 1, {1}, 2, 0, false,
                 800},
        RingCase{"HoleOfCounterClockwiseOutline", Join({CounterClockwise(kY, kX, 30), Clockwise(kY + 5, kX + 5, 5)}),
                 1, {1}, 2, 0, false, 875},
        RingCase{"TwoPieces", Join({Clockwise(kY, kX, 10), Clockwise(kY + 50, kX, 20)}), 2, {0, 0}, 2, 0, false, 500},
        // The hole belongs to the second piece, which holds it, not to the first.
        RingCase{"HoleInSecondPiece",
                 Join({Clockwise(kY, kX, 10), Clockwise(kY + 50, kX, 20), CounterClockwise(kY + 55, kX + 5, 5)}), 2,
                 {0, 1}, 3, 0, false, 475},
        RingCase{"HoleInFirstPieceListedLast",
                 Join({Clockwise(kY, kX, 10), Clockwise(kY + 50, kX, 20), CounterClockwise(kY + 2, kX + 2, 5)}), 2,
                 {1, 0}, 3, 0, false, 475},
        RingCase{"OpenTriangle", {{kY, kX}, {kY, kX + 30}, {kY + 40, kX}}, 1, {0}, 1, 0, true, 600},
        RingCase{"ClosedThenOpen",
                 Join({Clockwise(kY, kX, 10), {{kY + 50, kX}, {kY + 50, kX + 10}, {kY + 60, kX + 10}}}), 2, {0, 0}, 2,
                 0, true, 150},
        RingCase{"LonePoint", {{kY, kX}}, 0, {}, 1, 1, false, 0},
        RingCase{"ThereAndBack", {{kY, kX}, {kY + 5, kX}, {kY, kX}}, 0, {}, 1, 1, false, 0},
        RingCase{"SquareAndTrailingPoint", Join({Clockwise(kY, kX, 10), {{kY + 90, kX}}}), 1, {0}, 2, 1, false, 100},
        RingCase{"NoPoints", {}, 0, {}, 0, 0, false, 0}),
    [](const ::testing::TestParamInfo<RingCase>& info) { return info.param.name; });

TEST(ParcelPolygon, SignedAreaIsPositiveCounterClockwiseInGisAxes) {
    const auto cw = Clockwise(kY, kX, 10);
    const auto ccw = CounterClockwise(kY, kX, 10);
    EXPECT_DOUBLE_EQ(TwiceSignedArea(ccw), 200.0);
    EXPECT_DOUBLE_EQ(TwiceSignedArea(cw), -200.0);
    EXPECT_TRUE(RingContains(cw, {kY + 5, kX + 5}));
    EXPECT_FALSE(RingContains(cw, {kY + 15, kX + 5}));
}

}  // namespace
}  // namespace ter5::exchange
