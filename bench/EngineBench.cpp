// Table engine benchmarks over a vertex-like table of 1,000,000 records (Code +,
// Number, X, Y, Z, PutNumber, Ter: 52-byte records in 4 KB blocks), written once per
// run into a temporary directory. 50,000 parcels of 20 vertices each, appended
// parcel by parcel in a scattered parcel order, as edits leave a real vertex table.
//   EngineScan           - load the table and decode every field of every record
//   EngineDecodeOnly     - the decoding alone, the table already in memory
//   PxlibScan            - the same fields through pxlib: PX_get_record, then
//                          PX_get_data_long / PX_get_data_double per field
//   AddSecondaryIndex    - AddIndex of the case-insensitive composite TerPut
//                          (Ter;PutNumber) to the keyed table: .XG0 and .YG0
//   AddPrimaryIndex      - AddIndex of the primary key Code to the unkeyed table,
//                          which sorts and rewrites it and writes its .PX
// With TER5_BENCH_TABLE_DIR set the tables are written there and kept (keyed/POLIGON.DB,
// plain/POLIGON.DB), for whole-process measures such as `ter5tool scan`.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/FieldCodec.h"
#include "engine/IndexMaintenance.h"
#include "engine/TableEditor.h"
#include "engine/TableFile.h"

#ifdef TER5_HAVE_PXLIB
extern "C" {  // paradox.h declares its functions without C linkage
#include <paradox.h>
}
#endif

namespace {

namespace fs = std::filesystem;
using namespace ter5::engine;

constexpr std::size_t kRecords = 1'000'000;
constexpr std::size_t kVerticesPerParcel = 20;
constexpr std::size_t kParcels = kRecords / kVerticesPerParcel;
// Parcel k of the append order is parcel (k × kParcelStride) mod kParcels + 1; the
// stride shares no factor with kParcels, so every parcel comes once.
constexpr std::size_t kParcelStride = 7919;
// Survey-sized coordinates (m) and the spread of the parcels around them.
constexpr double kOriginX = 5'400'000.0;
constexpr double kOriginY = 1'300'000.0;
constexpr double kSpread = 8'000.0;
constexpr char kTableName[] = "POLIGON.DB";

const std::vector<FieldDef>& VertexFields() {
    static const std::vector<FieldDef> fields{
        {"Code", FieldType::AutoInc, 0},  {"Number", FieldType::Number, 0}, {"X", FieldType::Number, 0},
        {"Y", FieldType::Number, 0},      {"Z", FieldType::Number, 0},      {"PutNumber", FieldType::Number, 0},
        {"Ter", FieldType::Number, 0},
    };
    return fields;
}

void WriteVertexTable(const fs::path& path, bool keyed) {
    fs::create_directories(path.parent_path());
    std::vector<IndexDef> indexes;
    if (keyed) indexes.push_back({"", {"Code"}, true});
    CreateTable(path, VertexFields(), indexes);
    TableEditor editor(path);
    const std::string blank = editor.BlankRecord();
    for (std::size_t i = 0; i < kRecords; ++i) {
        const std::size_t parcel = (i / kVerticesPerParcel) * kParcelStride % kParcels + 1;
        const std::size_t put = i % kVerticesPerParcel + 1;
        const double cellX = static_cast<double>(parcel % 200) * kSpread / 200;
        const double cellY = static_cast<double>(parcel / 200) * kSpread / 250;
        std::string r = blank;
        editor.SetField(r, 1, Value::Float(static_cast<double>(i % 997 + 1)));
        editor.SetField(r, 2, Value::Float(kOriginX + cellX + static_cast<double>(put % 5) * 4.25));
        editor.SetField(r, 3, Value::Float(kOriginY + cellY + static_cast<double>(put / 5) * 6.5));
        editor.SetField(r, 4, Value::Float(28.0 + static_cast<double>(i % 300) / 100));
        editor.SetField(r, 5, Value::Float(static_cast<double>(put)));
        editor.SetField(r, 6, Value::Float(static_cast<double>(parcel)));
        editor.Append(std::move(r));
    }
    editor.Save();
}

// The benchmark tables: written at first use, removed at exit unless kept.
class BenchTables {
public:
    static const BenchTables& Get() {
        static const BenchTables tables;
        return tables;
    }
    fs::path Keyed() const { return dir_ / "keyed" / kTableName; }
    fs::path Plain() const { return dir_ / "plain" / kTableName; }
    fs::path Work() const { return dir_ / "work" / kTableName; }

    ~BenchTables() {
        std::error_code ec;
        if (!keep_) fs::remove_all(dir_, ec);
    }

private:
    BenchTables() {
        const char* kept = std::getenv("TER5_BENCH_TABLE_DIR");
        keep_ = kept && *kept;
        dir_ = keep_ ? fs::path(kept) : fs::temp_directory_path() / "ter5_engine_bench";
        WriteVertexTable(Keyed(), true);
        WriteVertexTable(Plain(), false);
        fs::create_directories(Work().parent_path());
    }
    fs::path dir_;
    bool keep_ = false;
};

// Decodes every field of every record as `ter5tool scan` does; returns the non-NULL values.
std::size_t DecodeAll(const TableFile& table) {
    const auto& fields = table.Fields();
    const std::size_t recordSize = table.Header().recordSize;
    Value value;
    std::size_t nonNull = 0;
    for (const auto& block : table.Blocks()) {
        const std::uint8_t* record = table.Record(block.firstRecord);
        for (std::size_t r = 0; r < block.count; ++r, record += recordSize)
            for (const FieldDesc& f : fields) {
                DecodeFieldInto(f, record + f.offset, table.Codec(), value);
                nonNull += !value.IsNull();
            }
    }
    return nonNull;
}

void EngineScan(benchmark::State& state) {
    const fs::path path = BenchTables::Get().Keyed();
    for (auto _ : state) {
        const auto table = TableFile::Load(path);
        benchmark::DoNotOptimize(DecodeAll(*table));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kRecords));
}
BENCHMARK(EngineScan)->Unit(benchmark::kMillisecond);

void EngineDecodeOnly(benchmark::State& state) {
    const auto table = TableFile::Load(BenchTables::Get().Keyed());
    for (auto _ : state) benchmark::DoNotOptimize(DecodeAll(*table));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kRecords));
}
BENCHMARK(EngineDecodeOnly)->Unit(benchmark::kMillisecond);

#ifdef TER5_HAVE_PXLIB
void PxlibScan(benchmark::State& state) {
    const std::string path = BenchTables::Get().Keyed().string();
    for (auto _ : state) {
        pxdoc_t* doc = PX_new();
        FILE* file = std::fopen(path.c_str(), "rb");  // PX_open_file asks for write access
        if (!doc || !file || PX_open_fp(doc, file) < 0) {
            state.SkipWithError("pxlib cannot open the table");
            break;
        }
        const int fieldCount = PX_get_num_fields(doc);
        const pxfield_t* fields = PX_get_fields(doc);
        const int records = PX_get_num_records(doc);
        std::vector<char> data(static_cast<std::size_t>(PX_get_recordsize(doc)));
        std::size_t nonNull = 0;
        for (int i = 0; i < records; ++i) {
            if (!PX_get_record(doc, i, data.data())) break;
            char* p = data.data();
            for (int f = 0; f < fieldCount; p += fields[f].px_flen, ++f) {
                if (fields[f].px_ftype == pxfAutoInc) {
                    long v = 0;
                    nonNull += PX_get_data_long(doc, p, fields[f].px_flen, &v) > 0;
                } else {
                    double v = 0;
                    nonNull += PX_get_data_double(doc, p, fields[f].px_flen, &v) > 0;
                }
            }
        }
        benchmark::DoNotOptimize(nonNull);
        PX_close(doc);
        PX_delete(doc);
        std::fclose(file);
        if (records != static_cast<int>(kRecords)) state.SkipWithError("pxlib read another record count");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kRecords));
}
BENCHMARK(PxlibScan)->Unit(benchmark::kMillisecond)->Iterations(1);
#endif

void AddSecondaryIndex(benchmark::State& state) {
    const fs::path path = BenchTables::Get().Keyed();
    const IndexDef terPut{"TerPut", {"Ter", "PutNumber"}, false, true};
    for (auto _ : state) AddIndex(path, terPut);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kRecords));
}
BENCHMARK(AddSecondaryIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

void AddPrimaryIndex(benchmark::State& state) {
    const BenchTables& tables = BenchTables::Get();
    const IndexDef byCode{"", {"Code"}, true};
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(tables.Plain(), tables.Work(), fs::copy_options::overwrite_existing);
        std::error_code ec;
        fs::remove(tables.Work().parent_path() / "POLIGON.PX", ec);
        state.ResumeTiming();
        AddIndex(tables.Work(), byCode);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kRecords));
}
BENCHMARK(AddPrimaryIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
