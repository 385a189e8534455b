// The map model loaded straight from the tables of a base written by the tests: parcels in
// the order of "order by house", vertices of each parcel in PutNumber order.

#include "map/TableParcelSource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/EngineError.h"
#include "engine/IndexMaintenance.h"
#include "engine/TableEditor.h"

namespace ter5::map {
namespace {

namespace fs = std::filesystem;
using engine::FieldType;
using engine::Value;

struct Vertex {
    double ter, put, number, y, x;
};

class TableParcelSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ter5_table_source_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    void WriteParcels(const std::vector<std::pair<int, std::string>>& rows, const char* name = "SubTer.DB") {
        const fs::path path = dir_ / name;
        engine::CreateTable(path, {{"Code", FieldType::Long, 0}, {"Flag", FieldType::Alpha, 1},
                                   {"House", FieldType::Alpha, 255}}, {});
        engine::TableEditor table(path);
        for (const auto& [code, house] : rows) {
            std::string r = table.BlankRecord();
            table.SetField(r, 0, Value::Int(code));
            if (!house.empty()) table.SetField(r, 2, Value::Text(house));
            table.Append(r);
        }
        table.Save();
    }
    void WriteVertices(const std::vector<Vertex>& rows) {
        const fs::path path = dir_ / "POLIGON.DB";
        engine::CreateTable(path, {{"Code", FieldType::AutoInc, 0}, {"Number", FieldType::Number, 0},
                                   {"X", FieldType::Number, 0}, {"Y", FieldType::Number, 0},
                                   {"Z", FieldType::Number, 0}, {"PutNumber", FieldType::Number, 0},
                                   {"Ter", FieldType::Number, 0}}, {});
        engine::TableEditor table(path);
        for (const Vertex& v : rows) {
            std::string r = table.BlankRecord();
            table.SetField(r, 1, Value::Float(v.number));
            table.SetField(r, 2, Value::Float(v.x));
            table.SetField(r, 3, Value::Float(v.y));
            table.SetField(r, 5, Value::Float(v.put));
            table.SetField(r, 6, Value::Float(v.ter));
            table.Append(r);
        }
        table.Save();
    }

    fs::path dir_;
};

TEST_F(TableParcelSourceTest, ParcelsByHouseAndVerticesByPutNumber) {
    // Russian dictionary order, case folded: "б" before "В", digits before letters; a
    // parcel without vertices (code 4) gets no outline.
    WriteParcels({{1, "ул. Вишнёвая, уч. № 3"}, {2, "ул. берёзовая, уч. № 1"}, {3, "1-й пер., № 7"}, {4, "ул. Акации"}});
    WriteVertices({{2, 3, 13, 110, 110}, {1, 1, 21, 200, 100}, {2, 1, 11, 100, 100}, {2, 4, 14, 110, 100},
                   {1, 2, 22, 200, 110}, {2, 2, 12, 100, 110}, {1, 3, 23, 210, 110}, {2, 5, 15, 100, 100},
                   {1, 4, 24, 200, 100}, {9, 1, 1, 0, 0}});
    TableParcelSource source(dir_);
    EXPECT_EQ(source.ParcelCount(), 4u);
    TArrObjects objects;
    LoadMapObjects(objects, source, true);
    ASSERT_EQ(objects.Polys.size(), 2u);
    EXPECT_EQ(objects.Polys[0].Code, 2);
    EXPECT_EQ(objects.Polys[0].House, "ул. берёзовая, уч. № 1");
    EXPECT_EQ(objects.Polys[1].Code, 1);
    const auto square = objects.Points(objects.Polys[0]);
    ASSERT_EQ(square.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(square[i].Number, 11.0 + i);
    EXPECT_DOUBLE_EQ(objects.Polys[0].Area, 100.0);  // the 10 m square, closed
    EXPECT_DOUBLE_EQ(objects.Polys[1].Area, 50.0);   // the triangle
}

TEST_F(TableParcelSourceTest, MissingTableOrFieldIsAnError) {
    EXPECT_THROW(TableParcelSource{dir_}, engine::EngineError);
    WriteParcels({{1, "№ 1"}});
    EXPECT_THROW(TableParcelSource{dir_}, engine::EngineError);  // no vertex table
}

}  // namespace
}  // namespace ter5::map
