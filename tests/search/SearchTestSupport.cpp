#include "SearchTestSupport.h"

#include <gtest/gtest.h>

#include "base/BaseParcelSource.h"
#include "base/DemoBase.h"
#include "engine/FileUtil.h"
#include "engine/IndexMaintenance.h"
#include "engine/TableEditor.h"
#include "map/MapLoader.h"

namespace ter5::search::testing {

namespace fs = std::filesystem;
using engine::Value;

namespace {

constexpr double kParcelSide = 10.0;
constexpr double kParcelSpacing = 100.0;

// Creates table `def` in `dir` with one record per row, field values by position.
template <typename Row, typename Fill>
void WriteTable(const fs::path& dir, const base::BaseTableDef& def, const std::vector<Row>& rows, Fill fill) {
    engine::CreateTable(dir / def.fileName, def.fields, def.indexes);
    engine::TableEditor editor(dir / def.fileName);
    for (const Row& row : rows) {
        std::string record = editor.BlankRecord();
        for (const auto& [field, value] : fill(row)) editor.SetField(record, field, value);
        editor.Append(std::move(record));
    }
    editor.Save();
}

using Fields = std::vector<std::pair<std::size_t, Value>>;

}  // namespace

map::WorldPoint ParcelCentre(std::int32_t code) {
    return {code * kParcelSpacing, kParcelSpacing};
}

void WriteBase(const fs::path& dir, const std::vector<OwnerRecord>& owners, const std::vector<ParcelRecord>& parcels) {
    fs::create_directories(dir);
    const auto defs = base::BaseTableDefs();
    WriteTable(dir, defs[0], owners, [](const OwnerRecord& o) {
        return Fields{{0, Value::Int(o.code)}, {1, Value::Text(o.family)}, {2, Value::Float(o.parcel)},
                      {4, Value::Text(o.address)}};
    });
    WriteTable(dir, defs[1], parcels, [](const ParcelRecord& p) {
        return Fields{{0, Value::Int(p.code)}, {3, Value::Text(p.house)}, {5, Value::Text(p.cadastral)}};
    });
    std::vector<std::pair<std::int32_t, int>> corners;  // parcel, corner 1..4
    for (const ParcelRecord& p : parcels)
        for (int put = 1; put <= 4; ++put) corners.emplace_back(p.code, put);
    WriteTable(dir, defs[2], corners, [](const std::pair<std::int32_t, int>& c) {
        const double h = kParcelSide / 2;
        const map::WorldPoint centre = ParcelCentre(c.first);
        return Fields{{1, Value::Float(c.second)}, {2, Value::Float(centre.X + (c.second <= 2 ? -h : h))},
                      {3, Value::Float(centre.Y + (c.second == 2 || c.second == 3 ? h : -h))}, {5, Value::Float(c.second)},
                      {6, Value::Float(c.first)}};
    });
}

std::vector<OwnerRecord> DistrictOwners() {
    return {{1, "Иванова Мария", 10, "ул. Лесная, 1"}, {2, "Петров Иван", 20, "ул. Лесная, 3"},
            {3, "Попова Анна", 30, "ул. Садовая, 5"},  {4, "Сидоров Пётр", 20, "ул. Лесная, 3"},
            {5, "Иванова Мария", 40, "пер. Тихий, 2"}, {6, "Баранова Ольга", 50, "ул. Садовая, 7"},
            {7, "КОВАЛЕВ Олег", 60, "ул. Мира, 9"},    {8, "Смирнов Олег", 60, "ул. Мира, 9"},
            {9, "Попова", 30, "ул. Садовая, 5"},       {10, "ООО \"Лесовод\"", 50, "ул. Садовая, 7"}};
}

std::vector<ParcelRecord> DistrictParcels() {
    return {{10, "ул. Лесная, 1", "50:01:0001:10"},  {20, "ул. Лесная, 3", "50:01:0001:20"},
            {30, "ул. Садовая, 5", "50:01:0002:30"}, {40, "пер. Тихий, 2", "50:01:0003:40"},
            {50, "ул. Садовая, 7", "50:01:0002:50"}, {60, "ул. Мира, 9", "50:01:0004:60"},
            {70, "ул. Полевая, 4", "50:01:0005:70"}};
}

TempDir::TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path = fs::temp_directory_path() / (std::string("ter5_search_") + info->test_suite_name() + "_" + info->name());
    fs::remove_all(path);
    fs::create_directories(path);
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

void SearchWorld::OpenBase(const fs::path& dir) {
    dm.OpenBaseDirectory(engine::PathToUtf8(dir), true, [this](bool) {
        base::BaseParcelSource source(dm);
        map::LoadMapObjects(objects, source, true);
    });
}

}  // namespace ter5::search::testing
