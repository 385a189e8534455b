// Opening a district-sized base the way the main window does: the base data sets
// opened by the data module and the parcel geometry loaded through them, against a
// plain scan of the vertex table that decodes the same fields.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "BenchDistrict.h"
#include "base/BaseParcelSource.h"
#include "base/GeometryLoad.h"
#include "base/TDM.h"
#include "engine/FieldCodec.h"
#include "engine/FileUtil.h"
#include "engine/TableFile.h"
#include "map/MapLoader.h"

namespace fs = std::filesystem;
using namespace ter5;

namespace {

fs::path District() { return bench::DistrictBase(); }

// The vertex table read and decoded field by field, as a bare scan.
void PlainVertexScan(benchmark::State& state) {
    const auto path = *engine::FindFileNoCase(District(), "POLIGON.DB");
    for (auto _ : state) {
        const auto table = engine::TableFile::Load(path);
        engine::Value v;
        double sum = 0;
        for (const auto& block : table->Blocks())
            for (std::size_t r = 0; r < block.count; ++r) {
                const std::uint8_t* rec = table->Record(block.firstRecord + r);
                for (const auto& f : table->Fields()) {
                    engine::DecodeFieldInto(f, rec + f.offset, table->Codec(), v);
                    sum += v.number;
                }
            }
        benchmark::DoNotOptimize(sum);
    }
}

// OpenBaseDirectory with the geometry load, as selecting the base in the tree does.
void OpenBaseWithGeometry(benchmark::State& state) {
    for (auto _ : state) {
        base::TDM dm;
        map::TArrObjects objects;
        dm.OpenBaseDirectory(District().string(), true, [&](bool) {
            base::BaseParcelSource source(dm);
            map::LoadMapObjects(objects, source, true);
        });
        benchmark::DoNotOptimize(objects);
        dm.CloseBaseDataSets();
    }
}

// The desktop's geometry load: its own data sets, read on a thread of its own.
void BackgroundGeometryLoad(benchmark::State& state) {
    base::TDM dm;
    dm.OpenBaseDirectory(District().string(), true);
    const std::vector<base::ParcelKey> parcels = base::ReadParcelKeys(dm.TbSubter);
    dm.CloseBaseDataSets();
    for (auto _ : state) {
        base::GeometryLoad load(District().string());
        load.SetParcels(parcels);
        map::TArrObjects objects = load.Take();
        benchmark::DoNotOptimize(objects);
    }
}

// The geometry load alone, data sets already open.
void LoadGeometryOnly(benchmark::State& state) {
    base::TDM dm;
    dm.OpenBaseDirectory(District().string(), true);
    for (auto _ : state) {
        state.PauseTiming();
        if (!dm.TsSubter.Active()) dm.TsSubter.Open();
        if (!dm.TbPoligon.Active()) dm.TbPoligon.Open();
        state.ResumeTiming();
        map::TArrObjects objects;
        base::BaseParcelSource source(dm);
        map::LoadMapObjects(objects, source, true);
        benchmark::DoNotOptimize(objects);
    }
    dm.CloseBaseDataSets();
}

}  // namespace

BENCHMARK(PlainVertexScan)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenBaseWithGeometry)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadGeometryOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BackgroundGeometryLoad)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
