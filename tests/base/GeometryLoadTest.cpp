// The desktop's geometry load on a thread of its own: the same model as the load through
// the data module's parcel cursor, also for the awkward rows (a parcel without vertices,
// two parcels of one Code, vertices of no parcel, a NULL Ter, vertices out of file order),
// the engine's errors passed on, and cancelling.

#include "base/GeometryLoad.h"

#include <gtest/gtest.h>

#include <future>

#include "BaseFixtures.h"
#include "base/BaseParcelSource.h"
#include "base/TDM.h"
#include "engine/EngineError.h"
#include "map/MapLoader.h"

namespace ter5::base {
namespace {

using testing::ScratchDir;
using testing::VertexRow;

// The model as the data module's cursor load builds it.
map::TArrObjects CursorLoad(const std::string& dir) {
    TDM dm;
    map::TArrObjects objects;
    dm.OpenBaseDirectory(dir, true, [&](bool) {
        BaseParcelSource source(dm);
        map::LoadMapObjects(objects, source, true);
    });
    return objects;
}

// The model as the background load builds it, the parcels read from a parcel query.
map::TArrObjects BackgroundLoad(const std::string& dir) {
    TDM dm;
    dm.OpenBaseDirectory(dir, true, {}, GeometryLoading::Background);
    std::unique_ptr<GeometryLoad> load = dm.TakeGeometry();
    EXPECT_NE(load, nullptr);
    EXPECT_FALSE(dm.TsSubter.Active());
    EXPECT_FALSE(dm.TbPoligon.Active());
    return load ? load->Take() : map::TArrObjects{};
}

void ExpectSameModel(const map::TArrObjects& a, const map::TArrObjects& b) {
    ASSERT_EQ(a.Polys.size(), b.Polys.size());
    for (std::size_t i = 0; i < a.Polys.size(); ++i) {
        const map::TArrPoly& p = a.Polys[i];
        const map::TArrPoly& q = b.Polys[i];
        EXPECT_EQ(p.Code, q.Code) << i;
        EXPECT_EQ(p.House, q.House) << i;
        EXPECT_EQ(p.Area, q.Area) << i;
        EXPECT_EQ(p.Perimeter, q.Perimeter) << i;
        EXPECT_EQ(p.MinY, q.MinY) << i;
        EXPECT_EQ(p.MaxX, q.MaxX) << i;
        const auto pp = a.Points(p);
        const auto qp = b.Points(q);
        ASSERT_EQ(pp.size(), qp.size()) << i;
        for (std::size_t k = 0; k < pp.size(); ++k) {
            EXPECT_EQ(pp[k].Code, qp[k].Code);
            EXPECT_EQ(pp[k].PutNumber, qp[k].PutNumber);
            EXPECT_EQ(pp[k].Y, qp[k].Y);
            EXPECT_EQ(pp[k].X, qp[k].X);
            EXPECT_EQ(pp[k].Bearing, qp[k].Bearing);
            EXPECT_EQ(pp[k].Angle, qp[k].Angle);
        }
    }
    EXPECT_EQ(a.MinY, b.MinY);
    EXPECT_EQ(a.MaxY, b.MaxY);
    EXPECT_EQ(a.CenterX, b.CenterX);
}

TEST(GeometryLoad, BuildsTheModelTheCursorLoadBuilds) {
    ScratchDir scratch;
    // Parcel 3 has no vertices, 2's vertices are written last and out of PutNumber order,
    // 7 and 0 name no parcel.
    std::vector<VertexRow> vertices = testing::Square(5, 40, 10);
    for (const VertexRow& v : testing::Square(1, 0, 0)) vertices.push_back(v);
    vertices.push_back({7, 1, 99, 99});
    vertices.push_back({0, 1, 98, 98});
    const auto two = testing::Square(2, 20, 0);
    vertices.insert(vertices.end(), two.rbegin(), two.rend());
    testing::WriteBase(scratch.Path(), {{10, "Иванов", 1}},
                       {{5, "ул. Лесная, № 5"}, {1, "ул. Лесная, № 1"}, {3, "ул. Лесная, № 3"},
                        {2, "ул. Лесная, № 2"}},
                       vertices);
    const map::TArrObjects expected = CursorLoad(scratch.Str());
    ASSERT_EQ(expected.Polys.size(), 3u);
    ExpectSameModel(BackgroundLoad(scratch.Str()), expected);

    // A demo base of some size, loaded by several threads.
    const auto demo = scratch.Make("demo");
    WriteDemoBase(demo, {300, 3});
    ExpectSameModel(BackgroundLoad(engine::PathToUtf8(demo)), CursorLoad(engine::PathToUtf8(demo)));
}

TEST(GeometryLoad, EngineErrorsComeWithTheModelAndCancellingStops) {
    ScratchDir scratch;
    testing::WriteSampleBase(scratch.Path());
    // The vertex table without its Ter;PutNumber index: as TbPoligon, the load refuses it.
    for (const char* name : {"POLIGON.XG0", "POLIGON.YG0"})
        if (const auto file = engine::FindFileNoCase(scratch.Path(), name)) std::filesystem::remove(*file);
    GeometryLoad broken(scratch.Str());
    broken.SetParcels({});
    EXPECT_THROW(broken.Take(), engine::EngineError);
    // Opened by the data module, the map's error is reported and the owners still open.
    TDM dm;
    const auto showMap = [&](bool) { dm.TakeGeometry()->Take(); };
    EXPECT_THROW(dm.OpenBaseDirectory(scratch.Str(), true, showMap, GeometryLoading::Background), engine::EngineError);
    EXPECT_TRUE(dm.TbSubter.Active());
    EXPECT_TRUE(dm.Tbter.Active());

    // Cancelled while it waits for its parcels: it ends at once with LoadCancelled.
    testing::WriteSampleBase(scratch.Make("B"));
    std::promise<void> finished;
    GeometryLoad waiting(engine::PathToUtf8(scratch.Path() / "B"), [&] { finished.set_value(); });
    waiting.Cancel();
    EXPECT_EQ(finished.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(waiting.Finished());
    EXPECT_THROW(waiting.Take(), LoadCancelled);
}

}  // namespace
}  // namespace ter5::base
