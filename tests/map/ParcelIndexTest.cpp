// The spatial index of the parcels: every rectangle finds exactly the parcels whose
// vertices' box meets it, as walking every parcel does, also for vertices at a
// coordinate of 0 (which the model's own boxes skip) and for an empty model.

#include <gtest/gtest.h>

#include <random>

#include "map/ParcelIndex.h"

namespace ter5::map {
namespace {

// A parcel of the given corners, in order, its geometry computed.
void AddParcel(TArrObjects& objects, std::int32_t code, const std::vector<WorldPoint>& corners) {
    const std::size_t i = AddPoly(objects, code, "");
    for (const WorldPoint& p : corners) AddPolyPoint(objects, i, code, 1, 1, p.Y, p.X, 0);
    CalcPolyGeometry(objects, i);
}

std::vector<std::size_t> WalkAll(const TArrObjects& objects, const WorldBox& box) {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < objects.Polys.size(); ++i) {
        WorldBox own;
        for (const TArrPoint& p : objects.Points(objects.Polys[i])) own.Add(p.Position());
        if (own.Meets(box)) found.push_back(i);
    }
    return found;
}

TEST(ParcelIndex, FindsWhatWalkingEveryParcelFinds) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> place(0, 5000), size(1, 80);
    TArrObjects objects;
    for (int code = 1; code <= 3000; ++code) {
        const double y = 1'300'000 + place(random), x = 5'400'000 + place(random), w = size(random), h = size(random);
        AddParcel(objects, code, {{y, x}, {y, x + h}, {y + w, x + h}, {y + w, x}, {y, x}});
    }
    // A vertex at Y = 0 far west: the model's box leaves it out, the index does not.
    AddParcel(objects, 9000, {{1'300'010, 5'400'010}, {0, 5'400'020}, {1'300'030, 5'400'010}, {1'300'010, 5'400'010}});
    const ParcelIndex index(objects);

    for (int q = 0; q < 500; ++q) {
        WorldBox box;
        box.Add(WorldPoint{1'300'000 + place(random), 5'400'000 + place(random)});
        box.Add(WorldPoint{box.MinY + size(random) * q / 50, box.MinX + size(random) * q / 50});
        EXPECT_EQ(index.Find(box), WalkAll(objects, box)) << q;
    }
    WorldBox west;
    west.Add(WorldPoint{-1, 5'400'019});
    west.Add(WorldPoint{1, 5'400'021});
    EXPECT_EQ(index.Find(west), std::vector<std::size_t>{3000});
    EXPECT_EQ(index.Bounds().MinY, 0.0);
    EXPECT_EQ(index.Find(index.Bounds()).size(), objects.Polys.size());
    // Edges count: a box touching a parcel's corner finds it.
    const WorldBox& first = index.ParcelBox(0);
    WorldBox corner;
    corner.Add(WorldPoint{first.MaxY, first.MaxX});
    EXPECT_TRUE(index.Find(corner).size() >= 1 && index.Find(corner)[0] == 0);
}

TEST(ParcelIndex, AnEmptyModelOrAnEmptyBoxFindsNothing) {
    const TArrObjects none;
    const ParcelIndex empty(none);
    WorldBox everything;
    everything.Add(WorldPoint{-1e9, -1e9});
    everything.Add(WorldPoint{1e9, 1e9});
    EXPECT_TRUE(empty.Find(everything).empty());
    EXPECT_TRUE(empty.Bounds().Empty());

    TArrObjects one;
    AddParcel(one, 1, {{10, 10}, {10, 20}, {20, 20}, {10, 10}});
    EXPECT_TRUE(ParcelIndex(one).Find(WorldBox{}).empty());
    EXPECT_EQ(ParcelIndex(one).Find(everything), std::vector<std::size_t>{0});
}

}  // namespace
}  // namespace ter5::map
