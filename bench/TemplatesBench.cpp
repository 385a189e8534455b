// Template operation benchmarks over a district-sized demo base (48,200 parcels,
// about 1,000,000 vertices), written once per run into a temporary directory, with
// the default templates beside it.
//   ReindexVertexTable        - ReindexTable of POLIGON.DB: delete its index files,
//                               exclusive open, primary index on Code and the
//                               case-insensitive TerPut (Ter;PutNumber); no re-open
//   ReindexVertexTableReopen  - the same with the base re-opened by the data module
//   ReindexWholeBase          - the group reindex of the three tables, each closed
//                               and re-opened as the main window does
//   AddOwnerNameIndex         - `index add` of a case-insensitive index on Family
//                               to the owner table (61,691 rows): the first run adds
//                               it, the later ones replace it
// Each reports the process's peak resident set size so far (peak_rss_mb).
// With TER5_BENCH_DISTRICT_DIR set the base is written there and kept, for
// whole-process measures such as `ter5tool reindex`.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/DemoBase.h"
#include "engine/IndexMaintenance.h"
#include "templates/ConsoleHost.h"
#include "templates/Reindexer.h"
#include "templates/TemplateStore.h"

namespace {

namespace fs = std::filesystem;
using namespace ter5;
using namespace ter5::templates;

// Parcels of the district: the demo town's outlines average about 20.7 vertices.
constexpr std::size_t kDistrictParcels = 48'200;
constexpr double kKilobytesPerMegabyte = 1024.0;

// The district base and the template directory, written at first use.
class District {
public:
    static const District& Get() {
        static const District district;
        return district;
    }
    std::string Base() const { return (dir_ / "base").string(); }
    std::string Templates() const { return (dir_ / "templates").string(); }
    std::size_t Vertices() const { return vertices_; }
    ~District() {
        std::error_code ec;
        if (!keep_) fs::remove_all(dir_, ec);
    }

private:
    District() {
        const char* kept = std::getenv("TER5_BENCH_DISTRICT_DIR");
        keep_ = kept && *kept;
        dir_ = keep_ ? fs::path(kept) : fs::temp_directory_path() / "ter5_templates_bench";
        vertices_ = base::WriteDemoBase(dir_ / "base", base::DemoOptions{kDistrictParcels, 1}).vertices;
        fs::create_directories(Templates());
        TemplateModule create(Templates());
    }
    fs::path dir_;
    bool keep_ = false;
    std::size_t vertices_ = 0;
};

// A host that keeps the base closed: the reindex alone.
struct QuietHost : ReindexHost {
    std::string target;
    std::string TargetDirectory() const override { return target; }
    void CloseBaseDataSets() override {}
    void OpenBaseDirectory(const std::string&) override {}
    void ShowProgress(double, double) override {}
    void RefreshStatusBar() override {}
    void ShowMessage(const std::string& text) override { throw std::runtime_error(text); }
};

void ReportPeakMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mb"] = static_cast<double>(usage.ru_maxrss) / kKilobytesPerMegabyte;
}

void ReindexVertexTable(benchmark::State& state) {
    const District& district = District::Get();
    TemplateModule module(district.Templates());
    module.Store().LocateTable("POLIGON.DB");
    QuietHost host;
    host.target = district.Base();
    for (auto _ : state) Reindexer(module.Store(), host).ReindexCurrentTable();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * district.Vertices()));
    ReportPeakMemory(state);
}
BENCHMARK(ReindexVertexTable)->Unit(benchmark::kMillisecond)->Iterations(3);

void ReindexVertexTableReopen(benchmark::State& state) {
    const District& district = District::Get();
    TemplateModule module(district.Templates());
    module.Store().LocateTable("POLIGON.DB");
    ConsoleHost host(module.DataModule(), district.Base(), nullptr);
    for (auto _ : state) Reindexer(module.Store(), host).ReindexCurrentTable();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * district.Vertices()));
    ReportPeakMemory(state);
}
BENCHMARK(ReindexVertexTableReopen)->Unit(benchmark::kMillisecond)->Iterations(3);

void ReindexWholeBase(benchmark::State& state) {
    const District& district = District::Get();
    TemplateModule module(district.Templates());
    ConsoleHost host(module.DataModule(), district.Base(), nullptr);
    for (auto _ : state) Reindexer(module.Store(), host).ReindexGroup(&host);
    ReportPeakMemory(state);
}
BENCHMARK(ReindexWholeBase)->Unit(benchmark::kMillisecond)->Iterations(3);

void AddOwnerNameIndex(benchmark::State& state) {
    const fs::path owners = fs::path(District::Get().Base()) / base::kOwnerTableFile;
    for (auto _ : state) engine::AddIndex(owners, engine::IndexDef{"ByFamily", {"Family"}, false, true, false});
    ReportPeakMemory(state);
}
BENCHMARK(AddOwnerNameIndex)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
