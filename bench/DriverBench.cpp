// The GDAL driver against the engine and the export it is built on, on a district of
// about a million vertices: the vertex table streamed a block at a time against the
// whole-file read, a summary of the table as `ogrinfo -so` takes it, and the parcels to
// GeoPackage through GDALVectorTranslate (ogr2ogr) against `ter5tool export`.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include <gdal_priv.h>
#include <gdal_utils.h>
#include <ogrsf_frmts.h>

#include "BenchDistrict.h"
#include "engine/FieldCodec.h"
#include "engine/FileUtil.h"
#include "engine/TableFile.h"
#include "exchange/BaseExporter.h"

namespace fs = std::filesystem;
using namespace ter5;

namespace {

fs::path District() { return bench::DistrictBase(); }

fs::path VertexTable() { return *engine::FindFileNoCase(District(), "POLIGON.DB"); }

// GDAL with the driver of this build tree.
void RegisterDriver() {
    static const bool registered = [] {
        setenv("GDAL_DRIVER_PATH", TER5_DRIVER_DIR, 1);
        GDALAllRegister();
        return GDALGetDriverByName("Paradox") != nullptr;
    }();
    if (!registered) std::abort();
}

// Every record of the vertex table decoded, whole file or streamed.
void ScanVertices(benchmark::State& state, bool streamed) {
    const fs::path path = VertexTable();
    for (auto _ : state) {
        const auto table = streamed ? engine::TableFile::Open(path) : engine::TableFile::Load(path);
        engine::Value v;
        double sum = 0;
        for (std::size_t r = 0; r < table->RecordCount(); ++r) {
            const std::uint8_t* record = table->Record(r);
            for (const auto& f : table->Fields()) {
                engine::DecodeFieldInto(f, record + f.offset, table->Codec(), v);
                sum += v.number;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
}
void LoadedVertexScan(benchmark::State& state) { ScanVertices(state, false); }
void StreamedVertexScan(benchmark::State& state) { ScanVertices(state, true); }

// `ogrinfo -so POLIGON.DB`: open, fields, feature count.
void DriverVertexTableSummary(benchmark::State& state) {
    RegisterDriver();
    const std::string path = VertexTable().string();
    for (auto _ : state) {
        GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
        OGRLayer* layer = dataset->GetLayer(0);
        benchmark::DoNotOptimize(layer->GetLayerDefn()->GetFieldCount());
        benchmark::DoNotOptimize(layer->GetFeatureCount());
    }
}

// `ogr2ogr -f GPKG out.gpkg DISTRICT parcels`.
void DriverParcelsToGeoPackage(benchmark::State& state) {
    RegisterDriver();
    const fs::path out = fs::temp_directory_path() / "ter5_driver_bench_ogr2ogr.gpkg";
    District();
    const char* args[] = {"-f", "GPKG", "parcels", nullptr};
    GDALVectorTranslateOptions* options = GDALVectorTranslateOptionsNew(const_cast<char**>(args), nullptr);
    for (auto _ : state) {
        fs::remove(out);
        GDALDatasetH source = GDALOpenEx(District().c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
        int failed = 0;
        GDALClose(GDALVectorTranslate(out.c_str(), nullptr, 1, &source, options, &failed));
        GDALClose(source);
        if (failed) state.SkipWithError("GDALVectorTranslate failed");
    }
    GDALVectorTranslateOptionsFree(options);
    fs::remove(out);
}

// `ter5tool export DISTRICT -o out.gpkg --layers parcels`.
void ExportParcelsToGeoPackage(benchmark::State& state) {
    const fs::path out = fs::temp_directory_path() / "ter5_driver_bench_export.gpkg";
    exchange::ExportOptions options;
    options.Base = District();
    options.Output = out;
    options.Layers = {exchange::ExportLayer::Parcels};
    for (auto _ : state) exchange::ExportBase(options);
    fs::remove(out);
}

}  // namespace

BENCHMARK(LoadedVertexScan)->Unit(benchmark::kMillisecond);
BENCHMARK(StreamedVertexScan)->Unit(benchmark::kMillisecond);
BENCHMARK(DriverVertexTableSummary)->Unit(benchmark::kMillisecond);
BENCHMARK(DriverParcelsToGeoPackage)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ExportParcelsToGeoPackage)->Unit(benchmark::kMillisecond)->Iterations(3);
