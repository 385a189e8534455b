// Data-set benchmarks over a generated base of 60,000 owners, 50,000 parcels and
// 1,000,000 vertices, written once per run into a temporary directory with
// CreateTable (the vertex table keyed on Code, with the TerPut index on
// Ter;PutNumber). Vertices are appended parcel by parcel in a scattered parcel
// order, as years of edits leave a real vertex table, so the TerPut order has to
// be computed rather than found.
//   OwnersOrderByFamily   - open `select * from "ter.db" order by family`
//   OwnersLike            - open `select * from ter where family like "%ова%"`
//   OwnerSearchQuery      - the search dialog's owner query (LIKE plus ORDER BY)
//   VertexFullScan        - open the vertex table and read Number, X, Y of every row
//   ParcelVertexWalk      - open the vertex table as the detail of the parcel query
//                           (index Ter;PutNumber, master field Code) and walk every
//                           parcel and all its vertices, reading the same fields
//   ParcelVertexWalkShuffledVertices - the same over vertices stored in random order
// With TER5_BENCH_BASE_DIR set the base is written there and kept (its shuffled
// variant in the sub-directory "shuffled"), for measures such as `ter5tool sql`.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/IndexMaintenance.h"
#include "engine/Query.h"
#include "engine/Table.h"
#include "engine/TableEditor.h"

namespace {

namespace fs = std::filesystem;
using namespace ter5::engine;

constexpr std::size_t kOwners = 60'000;
constexpr std::size_t kParcels = 50'000;
constexpr std::size_t kVertices = 1'000'000;
constexpr std::size_t kVerticesPerParcel = kVertices / kParcels;
// Parcel k of the append order is parcel (k × kParcelStride) mod kParcels + 1; the
// stride shares no factor with kParcels, so every parcel comes once.
constexpr std::size_t kParcelStride = 7919;
// Survey-sized coordinates (m).
constexpr double kOriginX = 5'400'000.0;
constexpr double kOriginY = 1'300'000.0;
constexpr unsigned kSeed = 20240611;

const char* const kSurnames[] = {"Иванов", "Петров", "Сидоров", "Смирнов", "Кузнецов", "Попов", "Васильев",
                                 "Соколов", "Михайлов", "Новиков", "Фёдоров", "Морозов", "Волков", "Алексеев",
                                 "Лебедев", "Семёнов", "Егоров", "Павлов", "Козлов", "Степанов", "Николаев",
                                 "Орлов", "Андреев", "Макаров", "Никитин", "Захаров", "Зайцев", "Соловьёв"};
const char* const kMaleNames[] = {"Иван", "Пётр", "Сергей", "Андрей", "Алексей", "Николай", "Олег", "Юрий"};
const char* const kFemaleNames[] = {"Мария", "Анна", "Елена", "Ольга", "Татьяна", "Наталья", "Ирина", "Вера"};
const char* const kStreets[] = {"ул. Садовая", "ул. Лесная", "ул. Ёлочная", "ул. Центральная", "ул. Школьная",
                                "пер. Речной", "ул. 8 Марта", "ул. Мира", "ул. Полевая", "ул. Набережная"};

template <std::size_t N>
const char* Pick(const char* const (&list)[N], std::mt19937& rng) {
    return list[rng() % N];
}

void Save(const fs::path& path, const std::vector<FieldDef>& fields, const std::vector<IndexDef>& indexes,
          std::size_t count, const std::function<void(TableEditor&, std::string&, std::size_t)>& fill) {
    CreateTable(path, fields, indexes);
    TableEditor editor(path);
    const std::string blank = editor.BlankRecord();
    for (std::size_t i = 0; i < count; ++i) {
        std::string r = blank;
        fill(editor, r, i);
        editor.Append(std::move(r));
    }
    editor.Save();
}

void WriteVertices(const fs::path& path, bool shuffled) {
    std::vector<std::size_t> slots(kVertices);
    for (std::size_t i = 0; i < kVertices; ++i) slots[i] = i;
    if (shuffled) std::shuffle(slots.begin(), slots.end(), std::mt19937(kSeed));
    Save(path,
         {{"Code", FieldType::AutoInc}, {"Number", FieldType::Number}, {"X", FieldType::Number},
          {"Y", FieldType::Number}, {"Z", FieldType::Number}, {"PutNumber", FieldType::Number},
          {"Ter", FieldType::Number}},
         {{"", {"Code"}, true}, {"TerPut", {"Ter", "PutNumber"}, false, true}}, kVertices,
         [&slots](TableEditor& e, std::string& r, std::size_t k) {
             const std::size_t i = slots[k];
             const std::size_t parcel = (i / kVerticesPerParcel) * kParcelStride % kParcels + 1;
             const std::size_t put = i % kVerticesPerParcel + 1;
             e.SetField(r, 1, Value::Float(static_cast<double>(i % 997 + 1)));
             e.SetField(r, 2, Value::Float(kOriginX + static_cast<double>(parcel % 200) * 40 + put % 5 * 4.25));
             e.SetField(r, 3, Value::Float(kOriginY + static_cast<double>(parcel / 200) * 32 + put / 5 * 6.5));
             e.SetField(r, 4, Value::Float(28.5));
             e.SetField(r, 5, Value::Float(static_cast<double>(put)));
             e.SetField(r, 6, Value::Float(static_cast<double>(parcel)));
         });
}

// The generated base; removed when the run ends unless TER5_BENCH_BASE_DIR names its place.
struct Base {
    const char* keepIn = std::getenv("TER5_BENCH_BASE_DIR");
    fs::path dir = keepIn ? fs::path(keepIn)
                          : fs::temp_directory_path() / ("ter5-dataset-bench-" + std::to_string(std::random_device{}()));
    fs::path shuffledDir = dir / "shuffled";

    Base() {
        fs::create_directories(shuffledDir);
        std::mt19937 rng(kSeed);
        Save(dir / "ter.db",
             {{"Code", FieldType::Long}, {"Family", FieldType::Alpha, 255}, {"Poligon", FieldType::Number},
              {"Flag", FieldType::Alpha, 1}, {"Adr_House", FieldType::Alpha, 255}},
             {}, kOwners, [&rng](TableEditor& e, std::string& r, std::size_t i) {
                 const bool female = rng() % 2;
                 std::string family = std::string(Pick(kSurnames, rng)) + (female ? "а " : " ") +
                                      (female ? Pick(kFemaleNames, rng) : Pick(kMaleNames, rng));
                 e.SetField(r, 0, Value::Int(static_cast<std::int64_t>(i + 1)));
                 e.SetField(r, 1, Value::Text(family));
                 e.SetField(r, 2, Value::Float(static_cast<double>(rng() % kParcels + 1)));
                 e.SetField(r, 4, Value::Text(std::string(Pick(kStreets, rng)) + ", " + std::to_string(rng() % 200 + 1)));
             });
        Save(dir / "subter.db",
             {{"Code", FieldType::Long}, {"Flag", FieldType::Alpha, 1}, {"Ok", FieldType::Alpha, 1},
              {"House", FieldType::Alpha, 255}, {"Ixp1", FieldType::Number},
              {"IdentificationCode", FieldType::Alpha, 30}},
             {}, kParcels, [&rng](TableEditor& e, std::string& r, std::size_t i) {
                 e.SetField(r, 0, Value::Int(static_cast<std::int64_t>(i + 1)));
                 e.SetField(r, 3, Value::Text(std::string(Pick(kStreets, rng)) + ", " + std::to_string(rng() % 300 + 1)));
                 e.SetField(r, 4, Value::Float(static_cast<double>(rng() % 300000) / 100));
                 e.SetField(r, 5, Value::Text("50:01:" + std::to_string(1000000 + i)));
             });
        WriteVertices(dir / "poligon.db", false);
        fs::copy_file(dir / "ter.db", shuffledDir / "ter.db", fs::copy_options::overwrite_existing);
        fs::copy_file(dir / "subter.db", shuffledDir / "subter.db", fs::copy_options::overwrite_existing);
        WriteVertices(shuffledDir / "poligon.db", true);
    }
    ~Base() {
        std::error_code ec;
        if (!keepIn) fs::remove_all(dir, ec);
    }
};

const Base& TheBase() {
    static const Base base;
    return base;
}

void OpenQuery(benchmark::State& state, std::vector<std::string> sql) {
    const Base& base = TheBase();
    std::size_t rows = 0;
    for (auto _ : state) {
        Query q;
        q.SetDatabaseName(base.dir.string());
        q.SetSql(sql);
        q.Open();
        rows = q.RecordCount();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void OwnersOrderByFamily(benchmark::State& state) { OpenQuery(state, {"select *", "from \"ter.db\"", "order by family"}); }
void OwnersLike(benchmark::State& state) { OpenQuery(state, {"select * from ter where family like \"%ова%\""}); }
void OwnerSearchQuery(benchmark::State& state) {
    OpenQuery(state, {"select ter.code, ter.family", "from ter", "WHERE (ter.family LIKE \"%ова%\")",
                      "ORDER BY ter.family, ter.code"});
}

// Reads the fields a map load reads from the current vertex.
double ReadVertex(const DataSet& v, int number, int x, int y) { return v.AsFloat(number) + v.AsFloat(x) + v.AsFloat(y); }

void VertexFullScan(benchmark::State& state) {
    const Base& base = TheBase();
    for (auto _ : state) {
        Table t;
        t.SetDatabaseName(base.dir.string());
        t.SetTableName("poligon.db");
        t.SetReadOnly(true);
        t.Open();
        const int number = t.FieldIndex("Number"), x = t.FieldIndex("X"), y = t.FieldIndex("Y");
        double sum = 0;
        for (t.First(); !t.Eof(); t.Next()) sum += ReadVertex(t, number, x, y);
        benchmark::DoNotOptimize(sum);
    }
}

void WalkParcels(benchmark::State& state, const fs::path& dir) {
    Query parcels;  // the grid's parcel query, open beforehand
    parcels.SetDatabaseName(dir.string());
    parcels.SetSql({"select *", "from \"subter.db\"", "order by house"});
    parcels.Open();
    std::size_t vertices = 0;
    for (auto _ : state) {
        Table t;
        t.SetDatabaseName(dir.string());
        t.SetTableName("POLIGON.Db");
        t.SetReadOnly(true);
        t.SetIndexFieldNames("Ter;PutNumber");
        t.SetMasterSource(&parcels);
        t.SetMasterFields("Code");
        t.Open();
        const int number = t.FieldIndex("Number"), x = t.FieldIndex("X"), y = t.FieldIndex("Y");
        double sum = 0;
        vertices = 0;
        for (parcels.First(); !parcels.Eof(); parcels.Next())
            for (t.First(); !t.Eof(); t.Next(), ++vertices) sum += ReadVertex(t, number, x, y);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["vertices"] = static_cast<double>(vertices);
}

void ParcelVertexWalk(benchmark::State& state) { WalkParcels(state, TheBase().dir); }
void ParcelVertexWalkShuffledVertices(benchmark::State& state) { WalkParcels(state, TheBase().shuffledDir); }

BENCHMARK(OwnersOrderByFamily)->Unit(benchmark::kMillisecond);
BENCHMARK(OwnersLike)->Unit(benchmark::kMillisecond);
BENCHMARK(OwnerSearchQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(VertexFullScan)->Unit(benchmark::kMillisecond);
BENCHMARK(ParcelVertexWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(ParcelVertexWalkShuffledVertices)->Unit(benchmark::kMillisecond);

}  // namespace
