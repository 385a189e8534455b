#pragma once
// The base the export tests write and read back, and OGR readers of what was written.
//
// Survey-sized coordinates (X north about 5 400 000 m, Y east about 1 300 000 m), rings
// clockwise on a north-up map as the companion program writes them:
//   1  "ул. Лесная, уч. №1"   a 40 x 30 m outline with a hole (parcel 2 lies in it),
//                              two owners
//   2  "ул. Лесная, уч. №2"   the enclave, 10 x 10 m, one owner
//   3  "ул. Лесная, уч. №3"   two separate pieces of 20 x 20 m
//   4  "ул. Лесная, уч. №4"   a triangle whose ring the base leaves open
//   5  "ул. Лесная, уч. №5"   no vertices
//   6  "ул. Лесная, уч. №6"   a lone vertex: no area
// One vertex row belongs to no parcel.

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/BaseFixtures.h"

namespace ter5::exchange::testing {

inline constexpr double kY0 = 1'300'000.0;  // east, m
inline constexpr double kX0 = 5'400'000.0;  // north, m

// A clockwise rectangle of w (east) by h (north) metres from its south-west corner,
// walked north first; reversed, it runs counter-clockwise.
inline std::vector<ter5::testing::VertexRow> Rectangle(double ter, double& put, double y, double x, double w,
                                                       double h, bool reversed = false) {
    std::vector<std::pair<double, double>> corners = {{y, x}, {y, x + h}, {y + w, x + h}, {y + w, x}, {y, x}};
    if (reversed) corners = {{y, x}, {y + w, x}, {y + w, x + h}, {y, x + h}, {y, x}};
    std::vector<ter5::testing::VertexRow> rows;
    for (const auto& [cy, cx] : corners) rows.push_back({ter, put++, cy, cx, 100.0 + put});
    return rows;
}

inline void WriteExportBase(const std::filesystem::path& dir) {
    using ter5::testing::VertexRow;
    std::vector<VertexRow> v;
    auto append = [&v](std::vector<VertexRow> rows) { v.insert(v.end(), rows.begin(), rows.end()); };
    double put = 1;
    append(Rectangle(1, put, kY0, kX0, 40, 30));
    append(Rectangle(1, put, kY0 + 10, kX0 + 10, 10, 10, true));  // the hole
    put = 1;
    append(Rectangle(2, put, kY0 + 10, kX0 + 10, 10, 10));
    put = 1;
    append(Rectangle(3, put, kY0 + 100, kX0, 20, 20));
    append(Rectangle(3, put, kY0 + 140, kX0, 20, 20));
    v.push_back({4, 1, kY0 + 200, kX0, 1.5});
    v.push_back({4, 2, kY0 + 200, kX0 + 30, 2.5});
    v.push_back({4, 3, kY0 + 240, kX0, 3.5});
    v.push_back({6, 1, kY0 + 300, kX0, 0});
    v.push_back({99, 1, kY0 + 400, kX0, 0});  // no such parcel
    ter5::testing::WriteBase(dir,
                             {{1, "Иванов Иван Иванович", 1, "", "г. Тверь"},
                              {2, "Андреева Анна Сергеевна", 1},
                              {3, "Ёлкин Пётр", 2},
                              {4, "Щукина Юлия", 3}},
                             {{1, "ул. Лесная, уч. №1", 1200.5, "", "", "69:40:0100:1"},
                              {2, "ул. Лесная, уч. №2", 100},
                              {3, "ул. Лесная, уч. №3", 800, "", "", "69:40:0100:3"},
                              {4, "ул. Лесная, уч. №4", 600},
                              {5, "ул. Лесная, уч. №5", 0},
                              {6, "ул. Лесная, уч. №6", 0}},
                             v);
}

// A dataset opened for reading; null when GDAL cannot open it.
inline GDALDatasetUniquePtr OpenVector(const std::filesystem::path& path) {
    return GDALDatasetUniquePtr(
        GDALDataset::Open(path.string().c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
}

// The features of a layer in file order.
inline std::vector<std::unique_ptr<OGRFeature>> Features(OGRLayer& layer) {
    std::vector<std::unique_ptr<OGRFeature>> features;
    layer.ResetReading();
    while (OGRFeature* f = layer.GetNextFeature()) features.emplace_back(f);
    return features;
}

// Perimeter of a polygonal geometry: the lengths of all its rings, m.
inline double RingLength(const OGRGeometry* geometry) {
    if (!geometry) return 0.0;
    const OGRwkbGeometryType type = wkbFlatten(geometry->getGeometryType());
    if (type == wkbPolygon) {
        double sum = 0.0;
        for (const OGRLinearRing* ring : *geometry->toPolygon()) sum += ring->get_Length();
        return sum;
    }
    if (type == wkbMultiPolygon) {
        double sum = 0.0;
        for (const OGRPolygon* polygon : *geometry->toMultiPolygon()) sum += RingLength(polygon);
        return sum;
    }
    return 0.0;
}

// Interior rings of a polygonal geometry.
inline int HoleCount(const OGRGeometry* geometry) {
    if (!geometry) return 0;
    const OGRwkbGeometryType type = wkbFlatten(geometry->getGeometryType());
    if (type == wkbPolygon) return geometry->toPolygon()->getNumInteriorRings();
    int holes = 0;
    if (type == wkbMultiPolygon)
        for (const OGRPolygon* polygon : *geometry->toMultiPolygon()) holes += polygon->getNumInteriorRings();
    return holes;
}

}  // namespace ter5::exchange::testing
