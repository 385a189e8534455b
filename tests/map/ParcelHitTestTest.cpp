#include "map/ParcelHitTest.h"

#include <gtest/gtest.h>

#include <vector>

namespace ter5::map {
namespace {


// A parcel: its code and its vertices (several rings one after another).
struct Parcel {
    std::int32_t code;
    std::vector<WorldPoint> points;
};

// Closed axis-parallel rectangle from (y0, x0) to (y1, x1), walked clockwise on the map.
std::vector<WorldPoint> Rect(double y0, double x0, double y1, double x1) {
    return {{y0, x0}, {y0, x1}, {y1, x1}, {y1, x0}, {y0, x0}};
}

TArrObjects Model(const std::vector<Parcel>& parcels) {
    TArrObjects objects;
    for (const Parcel& parcel : parcels) {
        const std::size_t i = AddPoly(objects, parcel.code, "");
        for (const WorldPoint& p : parcel.points) AddPolyPoint(objects, i, 0, 0, 0, p.Y, p.X, 0);
        CalcPolyGeometry(objects, i);
    }
    return objects;
}

std::vector<WorldPoint> Join(std::vector<WorldPoint> a, const std::vector<WorldPoint>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct PickCase {
    const char* what;
    std::vector<Parcel> parcels;
    WorldPoint click;
    std::int32_t expected;  // -1: nothing
};

TEST(FindParcelAt, Priorities) {
    const auto a = Rect(1000, 2000, 1050, 2050);       // 50 m square
    const auto around = Rect(900, 1900, 1200, 2200);   // 300 m square around it
    const PickCase cases[] = {
        {"5 m from a corner, outside", {{1, a}}, {997, 1996}, 1},
        {"8 m outside every box", {{1, a}}, {1058, 2025}, -1},
        {"8 m outside, diagonally", {{1, a}}, {992, 1992}, -1},
        {"inside the square", {{1, a}}, {1025, 2025}, 1},
        {"5 m outside a side, far from corners", {{1, a}}, {1055, 2025}, -1},
        {"shared corner: the later parcel", {{1, a}, {2, Rect(1050, 2050, 1100, 2100)}}, {1048, 2053}, 2},
        {"nested, inner later", {{10, around}, {11, a}}, {1025, 2025}, 11},
        {"nested, outer later", {{11, a}, {10, around}}, {1025, 2025}, 10},
        // The 0.1 m side rule reaches about sqrt(0.05 * 50) = 1.58 m from a 50 m side's middle,
        // and a side hit blocks the later parcel's interior hit.
        {"5 cm inside a side", {{1, a}, {2, around}}, {1000.05, 2025}, 1},
        {"5 cm outside a side", {{1, a}, {2, around}}, {999.95, 2025}, 1},
        {"20 cm inside a side", {{1, a}, {2, around}}, {1000.2, 2025}, 1},
        {"1.4 m inside a side", {{1, a}, {2, around}}, {1001.4, 2025}, 1},
        {"1.6 m inside a side", {{1, a}, {2, around}}, {1001.6, 2025}, 2},
        {"inside A near a point of later B", {{1, Rect(1000, 2000, 1100, 2100)}, {2, Rect(1098, 2045, 1130, 2060)}},
         {1093, 2045}, 2},
        {"side of later B does not replace A's point hit", {{1, a}, {2, Rect(1003, 1960, 1043, 2040)}},
         {1003, 2000}, 1},
        {"side of later B replaces A's interior hit", {{1, a}, {2, Rect(1003, 1960, 1043, 2040)}},
         {1003, 2020}, 2},
        {"point of A blocks later B's interior", {{1, a}, {2, around}}, {1003, 2003}, 1},
        // Zero coordinates mean "missing": sides touching them are neither crossed nor hit.
        {"inside, every side has a zero end", {{1, {{0, 2000}, {1000, 2050}, {0, 2100}, {0, 2000}}}}, {500, 2050}, -1},
        {"near a point of that parcel", {{1, {{0, 2000}, {1000, 2050}, {0, 2100}, {0, 2000}}}}, {995, 2050}, 1},
        {"inside, X of 0 on every side", {{1, Rect(1000, 0, 1050, 50)}}, {1025, 25}, -1},
        {"empty model", {}, {1025, 2025}, -1},
    };
    for (const PickCase& c : cases) {
        const TPickResult result = FindParcelAt(Model(c.parcels), c.click);
        EXPECT_EQ(result.Found, c.expected != -1) << c.what;
        EXPECT_EQ(result.Code, c.expected) << c.what;
    }
}

TEST(FindParcelAt, TheJumpBetweenRingsIsNoSide) {
    // Outer square from its north-west corner, then a hole; the jump between the rings
    // runs from (1000, 2100) to (1040, 2040) and crosses the west ray from the hole's middle.
    const auto outer = std::vector<WorldPoint>{{1000, 2100}, {1100, 2100}, {1100, 2000}, {1000, 2000}, {1000, 2100}};
    const auto hole = std::vector<WorldPoint>{{1040, 2040}, {1040, 2060}, {1060, 2060}, {1060, 2040}, {1040, 2040}};
    const TArrObjects objects = Model({{1, Join(outer, hole)}});
    EXPECT_FALSE(FindParcelAt(objects, {1050, 2050}).Found);  // in the hole
    EXPECT_EQ(FindParcelAt(objects, {1020, 2020}).Code, 1);   // between the rings
    EXPECT_EQ(FindParcelAt(objects, {1020, 2070}).Code, 1);   // on the jump, inside the outer ring
}

TEST(SegmentsCross, TiltedRayAndMillimetres) {
    struct Case { const char* what; WorldPoint f, p, a, b; int expected; };
    const WorldPoint west{0, 100}, east{40, 100}, near{20, 100};
    const Case cases[] = {
        {"vertical side between the ends", west, near, {10, 90}, {10, 110}, 1},
        {"vertical side beyond the near end", west, near, {30, 90}, {30, 110}, 0},
        {"side above the ray", west, near, {10, 101}, {10, 110}, 0},
        {"diagonal side across", west, near, {5, 95}, {15, 105}, 1},
        {"diagonal side above", west, near, {5, 101}, {15, 111}, 0},
        // The line runs 0.001 m below the near end: a vertex on the ray close to p counts only
        // for the side leaving it downwards ...
        {"vertex near p, side upwards", west, near, {19, 100}, {19, 105}, 0},
        {"vertex near p, side downwards", west, near, {19, 100}, {19, 95}, 1},
        // ... but near the far end the tilt is under half a millimetre and rounds away.
        {"vertex near f, side upwards", west, near, {5, 100}, {5, 105}, 1},
        {"horizontal side on the ray", west, near, {5, 100}, {15, 100}, 0},
        {"ray from the east", east, near, {30, 90}, {30, 110}, 1},
        {"ray from the east, side behind p", east, near, {10, 90}, {10, 110}, 0},
        {"diagonal ray", {10, 10}, {20, 20}, {15, 0}, {15, 30}, 1},
        {"ray of no length, horizontal side", near, near, {10, 100}, {30, 100}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(SegmentsCross(c.f, c.p, c.a, c.b), c.expected) << c.what;
}

}  // namespace
}  // namespace ter5::map
