// Search benchmarks over the district-sized demo base (50,000 parcels, about 60,000
// owners, written once per run into a temporary directory and opened as the program
// opens a base, its map loaded). Each iteration is one press of "&Найти" up to the
// first hit shown, or one press of "&Найти далее":
//   SearchOwnerQueryOnly      - the owner-name search with a redraw that does nothing
//   SearchOwnerFirstHit/N     - the owner-name search "ова" and the map redrawn into a
//                               picture and written to map.wmf, at the scale that shows
//                               the whole district (N = 0) or at 1:N
//   SearchParcelFirstHit/N    - the parcel-address search "Садовая", the same redraw
//   SearchFindNext/N          - find-next through the owner hits with the redraw
// The counters report the hits listed and the owners of the base.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "base/BaseParcelSource.h"
#include "base/DemoBase.h"
#include "base/TDM.h"
#include "map/DrawMap.h"
#include "map/MapFile.h"
#include "map/MapLoader.h"
#include "map/Viewport.h"
#include "search/RecordSearch.h"
#include "search/SearchHost.h"

namespace {

namespace fs = std::filesystem;
using namespace ter5;

// The district: parcels of the demo base and its seed.
constexpr std::size_t kParcels = 50'000;
constexpr std::uint64_t kSeed = 1;
// Pixel size of the map image the redraw fills.
constexpr std::int64_t kImageWidth = 1000;
constexpr std::int64_t kImageHeight = 600;
// Texts typed into the dialog.
constexpr const char* kOwnerText = "ова";
constexpr const char* kParcelText = "Садовая";

// The base, the data module, the view and the map model, set up once per run.
class District {
public:
    District() : host_(dm_, view_, objects_, [this] { Redraw(); }) {
        dir_ = fs::temp_directory_path() / "ter5_search_bench";
        fs::remove_all(dir_);
        base::WriteDemoBase(dir_, {kParcels, kSeed});
        dm_.OpenBaseDirectory(dir_.string(), true, [this](bool) {
            base::BaseParcelSource source(dm_);
            map::LoadMapObjects(objects_, source, true);
        });
        view_.SetImageSize(kImageWidth, kImageHeight);
        view_.SetScreen(map::kReferenceScreen);
        view_.FitAll(objects_);
        fitAllScale_ = view_.ViewScale;
    }
    ~District() {
        dm_.CloseBaseDataSets();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // Denominator 0: the scale that shows the whole district; else 1:denominator.
    void SetScale(std::int64_t denominator) {
        view_.ViewScale = denominator == 0 ? fitAllScale_ : map::kOneToOneScale / static_cast<double>(denominator);
    }
    void SetDrawing(bool drawing) { drawing_ = drawing; }
    search::SearchHost& Host() { return host_; }
    std::size_t Owners() const { return dm_.Tbter.RecordCount(); }

private:
    // The main window's DrawMap: the picture, then map.wmf beside the base's tables.
    void Redraw() {
        if (!drawing_) return;
        map::DrawMapContext context;
        context.CurrentCode = static_cast<std::int32_t>(dm_.TbSubter.AsInteger("Code"));
        const auto picture = map::DrawMap(objects_, view_, options_, context);
        if (picture) mapFile_.Write(*picture, dir_);
        benchmark::DoNotOptimize(picture);
    }

    fs::path dir_;
    base::TDM dm_;
    map::Viewport view_;
    map::TArrObjects objects_;
    map::DisplayOptions options_;
    map::MapFileWriter mapFile_;
    search::DataModuleSearchHost host_;
    double fitAllScale_ = 0.0;
    bool drawing_ = true;
};

District& TheDistrict() {
    static District district;
    return district;
}

void RunSearch(benchmark::State& state, search::SearchKind kind, const char* text, bool drawing) {
    District& district = TheDistrict();
    district.SetScale(state.range(0));
    district.SetDrawing(drawing);
    search::RecordSearch search(district.Host());
    for (auto _ : state) search.Search({kind, text, "", ""});
    state.counters["hits"] = static_cast<double>(search.HitCodes().size());
    state.counters["owners"] = static_cast<double>(district.Owners());
}

void SearchOwnerQueryOnly(benchmark::State& state) {
    RunSearch(state, search::SearchKind::OwnerName, kOwnerText, false);
}

void SearchOwnerFirstHit(benchmark::State& state) {
    RunSearch(state, search::SearchKind::OwnerName, kOwnerText, true);
}

void SearchParcelFirstHit(benchmark::State& state) {
    RunSearch(state, search::SearchKind::ParcelAddress, kParcelText, true);
}

void SearchFindNext(benchmark::State& state) {
    District& district = TheDistrict();
    district.SetScale(state.range(0));
    district.SetDrawing(true);
    search::RecordSearch search(district.Host());
    search.Search({search::SearchKind::OwnerName, kOwnerText, "", ""});
    for (auto _ : state) search.FindNext();
    state.counters["hits"] = static_cast<double>(search.HitCodes().size());
}

BENCHMARK(SearchOwnerQueryOnly)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchOwnerFirstHit)->Arg(0)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchParcelFirstHit)->Arg(0)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchFindNext)->Arg(0)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
