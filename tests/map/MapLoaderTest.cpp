#include "map/MapLoader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <stdexcept>
#include <utility>
#include <vector>

#include "map/GeometryCsv.h"
#include "map/NumberFormat.h"

namespace ter5::map {
namespace {

// Parcel rows with their vertex rows, served in order; can fail at a chosen vertex.
class ListSource : public ParcelSource {
public:
    struct Entry {
        ParcelRow parcel;
        std::vector<VertexRow> vertices;
    };

    // Adds a parcel row with its vertex rows.
    ListSource& Add(std::int32_t code, const std::string& house, std::vector<VertexRow> vertices) {
        Entry entry;
        entry.parcel.Code = code;
        entry.parcel.House = house;
        entry.vertices = std::move(vertices);
        entries_.push_back(std::move(entry));
        return *this;
    }

    std::size_t ParcelCount() const override { return entries_.size(); }
    bool NextParcel(ParcelRow& parcel) override {
        ++parcelsRead;
        if (next_ >= entries_.size()) return false;
        current_ = next_++;
        vertex_ = 0;
        parcel = entries_[current_].parcel;
        return true;
    }
    bool NextVertex(VertexRow& vertex) override {
        const auto& rows = entries_[current_].vertices;
        if (vertex_ >= rows.size()) return false;
        if (++verticesRead == failAtVertex) throw std::runtime_error("poligon.db: damaged block");
        vertex = rows[vertex_++];
        return true;
    }
    void Close() override { ++closed; }

    int parcelsRead = 0;
    int verticesRead = 0;
    int failAtVertex = -1;
    int closed = 0;

private:
    std::vector<Entry> entries_;
    std::size_t next_ = 0;
    std::size_t current_ = 0;
    std::size_t vertex_ = 0;
};

// Vertex rows of a closed 10 m square with its south-west corner at (y, x).
std::vector<VertexRow> Square(double y, double x) {
    const double corners[5][2] = {{y, x}, {y, x + 10}, {y + 10, x + 10}, {y + 10, x}, {y, x}};
    std::vector<VertexRow> rows;
    for (int i = 0; i < 5; ++i) rows.push_back({100 + i, double(i + 1), double(i + 1), corners[i][0], corners[i][1], 7.0});
    return rows;
}

// Parcels 1 and 3 with an outline, parcel 2 without.
void AddThreeParcels(ListSource& source) {
    source.Add(1, "уч. № 12", Square(100, 200)).Add(2, "без контура", {}).Add(3, "14", Square(300, 400));
}

TEST(LoadMapObjects, SkipsParcelsWithoutVerticesAndReportsProgress) {
    ListSource source;
    AddThreeParcels(source);
    TArrObjects objects;
    std::vector<std::pair<double, double>> progress;
    LoadMapObjects(objects, source, true, [&](double upper, double lower) { progress.emplace_back(upper, lower); });

    ASSERT_EQ(objects.Polys.size(), 2u);
    EXPECT_EQ(objects.Polys[0].Code, 1);
    EXPECT_EQ(objects.Polys[0].House, "уч. № 12");
    EXPECT_EQ(objects.Polys[1].Code, 3);
    EXPECT_EQ(objects.Polys[1].Kind, kKindClosedOutline);
    EXPECT_EQ(objects.Polys[1].Reserved, 0);
    EXPECT_EQ(objects.Points(objects.Polys[1]).size(), 5u);
    EXPECT_EQ(objects.Points(objects.Polys[1])[4].Code, 104);
    EXPECT_NEAR(objects.Polys[1].Area, 100.0, 1e-9);
    EXPECT_EQ(objects.MinY, 100.0);
    EXPECT_EQ(objects.MaxX, 410.0);
    EXPECT_EQ(objects.CenterY, 205.0);
    EXPECT_EQ(source.closed, 1);

    const std::vector<std::pair<double, double>> expected{{1.0 / 3, 0.0}, {2.0 / 3, 0.0}, {1.0, 0.0}};
    EXPECT_EQ(progress, expected);

    // Reloading replaces the model, and with the map button up it stays empty.
    ListSource again;
    AddThreeParcels(again);
    LoadMapObjects(objects, again, false);
    EXPECT_TRUE(objects.Polys.empty());
    EXPECT_TRUE(objects.PointStore.empty());
    EXPECT_EQ(objects.MaxY, 0.0);
    EXPECT_EQ(objects.CenterX, 0.0);
    EXPECT_EQ(again.parcelsRead, 0);
    EXPECT_EQ(again.closed, 0);  // left open
}

TEST(LoadMapObjects, ErrorKeepsWhatWasRead) {
    ListSource source;
    AddThreeParcels(source);
    source.failAtVertex = 7;  // the second vertex of parcel 3
    TArrObjects objects;
    EXPECT_THROW(LoadMapObjects(objects, source, true), std::runtime_error);
    ASSERT_EQ(objects.Polys.size(), 2u);
    EXPECT_NEAR(objects.Polys[0].Area, 100.0, 1e-9);
    EXPECT_EQ(objects.Points(objects.Polys[1]).size(), 1u);
    EXPECT_EQ(objects.Polys[1].Area, 0.0);  // no derived fields yet
    EXPECT_EQ(source.closed, 0);
}

TEST(LoadMapObjects, StoreHoldsNoGrowthSlack) {
    ListSource source;
    for (int i = 0; i < 1000; ++i) source.Add(i + 1, "", Square(1000 + 20 * i, 5000));
    TArrObjects objects;
    LoadMapObjects(objects, source, true);
    EXPECT_EQ(objects.PointStore.size(), 5000u);
    EXPECT_LE(objects.PointStore.capacity(), 5000u + 5000u / 8);
}

TEST(ProgressStrips, Layout) {
    // Six fixed panels of 80 + 150 + 100 + 100 + 80 + 80 = 590 pixels on a 900 x 19 bar.
    const ProgressStrips strips = LayoutProgressStrips(590, 900, 19, 0.5, 0.0);
    EXPECT_EQ(strips.Upper.Left, 598);
    EXPECT_EQ(strips.Upper.Top, 5);
    EXPECT_EQ(strips.Upper.Right, 598 + 149);  // round(298 * 0.5)
    EXPECT_EQ(strips.Upper.Bottom, 9);          // round(9.5) - 1, halves to even
    EXPECT_EQ(strips.Lower.Top, 11);
    EXPECT_EQ(strips.Lower.Right, 598);
    EXPECT_EQ(strips.Lower.Bottom, 15);
}

TEST(WriteGeometryCsv, RowPerVertexWithParcelFigures) {
    ListSource source;
    source.Add(7, "", Square(100, 200));
    TArrObjects objects;
    LoadMapObjects(objects, source, true);
    std::ostringstream out;
    const char saved = DecimalSeparator();
    SetDecimalSeparator(',');  // the cells then hold commas and must be quoted
    WriteGeometryCsv(out, objects, [](double v) { return FormatNumber(v, PrecisionCode::Explicit, 2, true).Text; });
    SetDecimalSeparator(saved);
    std::istringstream lines(out.str());
    std::string line;
    std::vector<std::string> rows;
    while (std::getline(lines, line)) rows.push_back(line);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], kGeometryCsvHeader);
    EXPECT_EQ(rows[1], "7,\"100,00\",\"40,00\",\"100,00\",\"110,00\",\"200,00\",\"210,00\",\"105,00\",\"205,00\","
                       "0,\"1,00\",\"100,00\",\"200,00\",\"0,00\",\"0,00\",\"90,01\"");
    EXPECT_EQ(rows[5].substr(0, 2), "7,");
    EXPECT_NE(rows[5].find(",4,\"5,00\","), std::string::npos);
}

}  // namespace
}  // namespace ter5::map
