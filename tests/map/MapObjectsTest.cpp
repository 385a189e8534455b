#include "map/MapObjects.h"

#include <gtest/gtest.h>

#include <vector>

#include "map/Angles.h"

namespace ter5::map {
namespace {

// Tolerance for angles quoted to six decimals, degrees.
constexpr double kAngleTolerance = 5e-7;
// Tolerance for lengths and areas computed from metre coordinates.
constexpr double kMetricTolerance = 1e-9;

// Builds one parcel from (Y, X) pairs and computes its geometry.
TArrObjects OneParcel(const std::vector<WorldPoint>& points, std::int32_t code = 1) {
    TArrObjects objects;
    const std::size_t index = AddPoly(objects, code, "");
    std::int32_t vertexCode = 0;
    for (const WorldPoint& p : points) {
        ++vertexCode;
        AddPolyPoint(objects, index, vertexCode, vertexCode, vertexCode, p.Y, p.X, 0.0);
    }
    CalcPolyGeometry(objects, index);
    return objects;
}

TEST(DirectionAngle, CompassPoints) {
    struct Case { WorldPoint to; double expected; };
    const Case cases[] = {
        {{0, 10}, 0.0},   {{10, 0}, 90.0},  {{0, -10}, 180.0}, {{-10, 0}, 270.0},
        {{10, 10}, 45.0}, {{10, -10}, 135.0}, {{-10, -10}, 225.0}, {{-10, 10}, 315.0},
        {{0, 0}, 90.0},  // coincident points
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(DirectionAngle({0, 0}, c.to), c.expected, 1e-12) << c.to.Y << "," << c.to.X;
    }
    // A hair west of north would round to 360 itself; the range stays [0, 360).
    EXPECT_EQ(DirectionAngle({0, 0}, {-1e-18, 1}), 0.0);
}

TEST(CalcPolyGeometry, SquareInBothDirections) {
    struct Case {
        std::vector<WorldPoint> points;
        double bearings[5];
        double angles[5];
    };
    const Case cases[] = {
        // North, east, south, west.
        {{{100, 100}, {100, 110}, {110, 110}, {110, 100}, {100, 100}},
         {0, 90, 180, 270, 0},
         {90.011459, 90, 89.988541, 90, 90.011459}},
        // East, north, west, south.
        {{{100, 100}, {110, 100}, {110, 110}, {100, 110}, {100, 100}},
         {90, 0, 270, 180, 90},
         {269.988541, 270, 270.011459, 270, 269.988541}},
    };
    for (const Case& c : cases) {
        const TArrObjects objects = OneParcel(c.points);
        const TArrPoly& poly = objects.Polys[0];
        EXPECT_NEAR(poly.Area, 100.0, kMetricTolerance);
        EXPECT_NEAR(poly.Perimeter, 40.0, kMetricTolerance);
        const auto points = objects.Points(poly);
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_NEAR(points[i].Bearing, c.bearings[i], 1e-9) << i;
            EXPECT_NEAR(points[i].Angle, c.angles[i], kAngleTolerance) << i;
            EXPECT_NEAR(points[i].Length, i == 0 ? 0.0 : 10.0, kMetricTolerance) << i;
        }
        EXPECT_EQ(poly.MinY, 100.0);
        EXPECT_EQ(poly.MaxX, 110.0);
        EXPECT_EQ(poly.CenterY, 105.0);
        EXPECT_EQ(poly.CenterX, 105.0);
    }
}

TEST(CalcPolyGeometry, TriangleClosesAtItsFourthPoint) {
    // Clockwise on the map: A south-west, B north, C south-east.
    const WorldPoint a{1000, 2000}, b{1030, 2040}, c{1060, 2000};
    const TArrObjects objects = OneParcel({a, b, c, a});
    const TArrPoly& poly = objects.Polys[0];
    const auto p = objects.Points(poly);
    EXPECT_NEAR(poly.Area, 0.5 * 60 * 40, kMetricTolerance);
    EXPECT_NEAR(poly.Perimeter, 50 + 50 + 60, kMetricTolerance);
    EXPECT_NE(p[0].Angle, 0.0);
    EXPECT_EQ(p[3].Angle, p[0].Angle);
    EXPECT_EQ(p[3].Bearing, p[0].Bearing);
    EXPECT_NEAR(p[0].Bearing, DirectionAngle(a, b), 1e-12);
    // Right-hand angles of a clockwise triangle are interior ones and sum to 180.
    EXPECT_NEAR(p[0].Angle + p[1].Angle + p[2].Angle, 180.0, 0.05);
}

TEST(CalcPolyGeometry, ThreePointRingClosesAtTheThird) {
    const TArrObjects objects = OneParcel({{500, 500}, {510, 500}, {500, 500}});
    const auto p = objects.Points(objects.Polys[0]);
    EXPECT_NEAR(objects.Polys[0].Perimeter, 20.0, kMetricTolerance);
    EXPECT_EQ(p[2].Bearing, p[0].Bearing);  // closed: the closing vertex carries the first bearing
    EXPECT_NEAR(objects.Polys[0].Area, 0.0, kMetricTolerance);
}

TEST(CalcPolyGeometry, TwoRingsJumpAddsNothing) {
    // Outer 20 m square and a 10 m hole walked the other way round.
    const TArrObjects objects = OneParcel({{100, 100}, {100, 120}, {120, 120}, {120, 100}, {100, 100},
                                           {105, 105}, {115, 105}, {115, 115}, {105, 115}, {105, 105}});
    const TArrPoly& poly = objects.Polys[0];
    const auto p = objects.Points(poly);
    EXPECT_NEAR(poly.Perimeter, 80.0 + 40.0, kMetricTolerance);
    EXPECT_NEAR(poly.Area, 400.0 - 100.0, kMetricTolerance);
    EXPECT_EQ(p[5].Length, 0.0);                 // second ring's first point
    EXPECT_EQ(p[4].Bearing, p[0].Bearing);       // first ring's closing point
    EXPECT_EQ(p[9].Bearing, p[5].Bearing);       // second ring's closing point
    EXPECT_EQ(p[9].Angle, p[5].Angle);
    // Two rings in the same sense add up.
    const TArrObjects same = OneParcel({{100, 100}, {100, 120}, {120, 120}, {120, 100}, {100, 100},
                                        {200, 200}, {200, 210}, {210, 210}, {210, 200}, {200, 200}});
    EXPECT_NEAR(same.Polys[0].Area, 500.0, kMetricTolerance);
}

TEST(CalcPolyGeometry, UnclosedRingLacksItsEndTerms) {
    const TArrObjects objects = OneParcel({{100, 100}, {100, 110}, {110, 110}, {110, 100}});
    const TArrPoly& poly = objects.Polys[0];
    const auto p = objects.Points(poly);
    EXPECT_EQ(p[3].Bearing, 0.0);
    EXPECT_EQ(p[3].Angle, 0.0);
    EXPECT_EQ(p[0].Angle, 0.0);
    EXPECT_NEAR(poly.Perimeter, 30.0, kMetricTolerance);
    // Only the terms of the second and third vertex: (110-100)*100 + (100-110)*110.
    EXPECT_NEAR(poly.Area, 50.0, kMetricTolerance);
}

TEST(CalcPolyGeometry, SingleVertexParcel) {
    const TArrObjects objects = OneParcel({{250, 750}});
    const TArrPoly& poly = objects.Polys[0];
    EXPECT_EQ(poly.Area, 0.0);
    EXPECT_EQ(poly.Perimeter, 0.0);
    EXPECT_EQ(poly.MinY, 250.0);
    EXPECT_EQ(poly.MaxY, 250.0);
    EXPECT_EQ(poly.MinX, 750.0);
    EXPECT_EQ(poly.MaxX, 750.0);
    EXPECT_EQ(objects.CenterY, 250.0);
    EXPECT_EQ(objects.CenterX, 750.0);
}

TEST(CalcPolyGeometry, ExactZeroIsNotSet) {
    // The parcel's MinY of 0 is replaced by the next Y, whatever it is.
    const TArrObjects parcel = OneParcel({{10, 5}, {0, 5}, {30, 5}});
    EXPECT_EQ(parcel.Polys[0].MinY, 30.0);
    EXPECT_EQ(parcel.Polys[0].MaxY, 30.0);

    // Overall box: negative values win over a set bound, a zero bound takes anything.
    TArrObjects objects;
    struct Single { std::int32_t code; double y, x; };
    for (const auto& [code, y, x] : {Single{1, 100.0, 200.0}, Single{2, -50.0, 300.0}, Single{3, 20.0, 250.0}}) {
        const std::size_t i = AddPoly(objects, code, "");
        AddPolyPoint(objects, i, code, 1, 1, y, x, 0);
        CalcPolyGeometry(objects, i);
    }
    EXPECT_EQ(objects.MinY, -50.0);
    EXPECT_EQ(objects.MaxY, 100.0);
    EXPECT_EQ(objects.MinX, 200.0);
    EXPECT_EQ(objects.MaxX, 300.0);
    EXPECT_EQ(objects.CenterY, 25.0);
    EXPECT_EQ(objects.CenterX, 250.0);
}

TEST(AddPolyPoint, AppendingToAnEarlierParcelKeepsRunsApart) {
    TArrObjects objects;
    const std::size_t first = AddPoly(objects, 7, "a");
    const std::size_t second = AddPoly(objects, 8, "b");
    AddPolyPoint(objects, second, 21, 1, 1, 300, 300, 0);
    AddPolyPoint(objects, first, 11, 1, 1, 100, 100, 0);
    AddPolyPoint(objects, first, 12, 2, 2, 110, 100, 0);
    ASSERT_EQ(objects.Points(objects.Polys[first]).size(), 2u);
    EXPECT_EQ(objects.Points(objects.Polys[first])[1].Code, 12);
    ASSERT_EQ(objects.Points(objects.Polys[second]).size(), 1u);
    EXPECT_EQ(objects.Points(objects.Polys[second])[0].Code, 21);
    EXPECT_THROW(AddPolyPoint(objects, 5, 1, 1, 1, 1, 1, 0), std::out_of_range);
    EXPECT_THROW(CalcPolyGeometry(objects, 2), std::out_of_range);
}

}  // namespace
}  // namespace ter5::map
