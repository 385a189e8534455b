#include "SearchTestSupport.h"

#include <gtest/gtest.h>

#include "base/BaseParcelSource.h"
#include "base/DemoBase.h"
#include "engine/IndexMaintenance.h"
#include "engine/TableEditor.h"
#include "map/MapLoader.h"

namespace ter5::search::testing {

namespace fs = std::filesystem;
using engine::Value;

namespace {

// Distance between the centres of neighbouring parcels, metres.
constexpr double kParcelSpacing = 100.0;

Value TextOrNull(const std::string& text) {
    return text.empty() ? Value::Null() : Value::Text(text);
}

// Creates the table of `def` in `dir` and appends the records `fill` sets up.
template <typename Row, typename Fill>
void WriteTable(const fs::path& dir, const base::BaseTableDef& def, const std::vector<Row>& rows, Fill fill) {
    const fs::path path = dir / def.fileName;
    engine::CreateTable(path, def.fields, def.indexes);
    engine::TableEditor editor(path);
    for (const Row& row : rows) {
        std::string record = editor.BlankRecord();
        fill(editor, record, row);
        editor.Append(std::move(record));
    }
    editor.Save();
}

}  // namespace

map::WorldPoint ParcelCentre(std::int32_t code) {
    return {code * kParcelSpacing, kParcelSpacing};
}

void WriteBase(const fs::path& dir, const std::vector<OwnerRecord>& owners, const std::vector<ParcelRecord>& parcels) {
    fs::create_directories(dir);
    const auto defs = base::BaseTableDefs();
    WriteTable(dir, defs[0], owners, [](engine::TableEditor& e, std::string& r, const OwnerRecord& o) {
        e.SetField(r, 0, Value::Int(o.code));
        e.SetField(r, 1, TextOrNull(o.family));
        e.SetField(r, 2, Value::Float(o.parcel));
        e.SetField(r, 4, TextOrNull(o.address));
    });
    WriteTable(dir, defs[1], parcels, [](engine::TableEditor& e, std::string& r, const ParcelRecord& p) {
        e.SetField(r, 0, Value::Int(p.code));
        e.SetField(r, 3, TextOrNull(p.house));
        e.SetField(r, 4, Value::Float(kParcelSide * kParcelSide));
        e.SetField(r, 5, TextOrNull(p.cadastral));
    });
    struct Corner {
        std::int32_t parcel;
        int put;
        double dy, dx;
    };
    std::vector<Corner> corners;
    const double h = kParcelSide / 2;
    for (const ParcelRecord& p : parcels)
        for (int put = 1; const auto& [dy, dx] : {std::pair{-h, -h}, {-h, h}, {h, h}, {h, -h}})
            corners.push_back({p.code, put++, dy, dx});
    WriteTable(dir, defs[2], corners, [](engine::TableEditor& e, std::string& r, const Corner& c) {
        const map::WorldPoint centre = ParcelCentre(c.parcel);
        e.SetField(r, 1, Value::Float(c.put));
        e.SetField(r, 2, Value::Float(centre.X + c.dx));
        e.SetField(r, 3, Value::Float(centre.Y + c.dy));
        e.SetField(r, 5, Value::Float(c.put));
        e.SetField(r, 6, Value::Float(c.parcel));
    });
}

std::vector<OwnerRecord> DistrictOwners() {
    return {{1, "Иванова Мария", 10, "ул. Лесная, 1"},  {2, "Петров Иван", 20, "ул. Лесная, 3"},
            {3, "Попова Анна", 30, "ул. Садовая, 5"},   {4, "Сидоров Пётр", 20, "ул. Лесная, 3"},
            {5, "Иванова Мария", 40, "пер. Тихий, 2"},  {6, "Баранова Ольга", 50, "ул. Садовая, 7"},
            {7, "КОВАЛЕВ Олег", 60, "ул. Мира, 9"},     {8, "Смирнов Олег", 60, "ул. Мира, 9"},
            {9, "Попова", 30, "ул. Садовая, 5"},        {10, "ООО \"Лесовод\"", 50, "ул. Садовая, 7"}};
}

std::vector<ParcelRecord> DistrictParcels() {
    return {{10, "ул. Лесная, 1", "50:01:0001:10"}, {20, "ул. Лесная, 3", "50:01:0001:20"},
            {30, "ул. Садовая, 5", "50:01:0002:30"}, {40, "пер. Тихий, 2", "50:01:0003:40"},
            {50, "ул. Садовая, 7", "50:01:0002:50"}, {60, "ул. Мира, 9", "50:01:0004:60"},
            {70, "ул. Полевая, 4", "50:01:0005:70"}};
}

TempDir::TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("ter5_search_") + info->test_suite_name() + "_" + info->name();
    for (char& c : name)
        if (c == '/') c = '_';
    path_ = fs::temp_directory_path() / name;
    fs::remove_all(path_);
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

SearchWorld::SearchWorld() : host(dm, view, objects, [this] { ++draws; }) {}

void SearchWorld::OpenBase(const fs::path& dir) {
    dm.OpenBaseDirectory(dir.string(), true, [this](bool) {
        base::BaseParcelSource source(dm);
        map::LoadMapObjects(objects, source, true);
    });
}

}  // namespace ter5::search::testing
