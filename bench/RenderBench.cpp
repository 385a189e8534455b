// Map drawing benchmarks over the demo district of 50,000 parcels (about a million
// vertices) on a 1280 x 800 map at 96 dpi:
//   DrawMapViewAll/D   - DrawMap fitted to all parcels, writing map.wmf (the redraw), with
//                        the label filter off (D = 0) and on (D = 1)
//   DrawMapViewAll5000/D - the same over a district of 5,000 parcels, whose labels crowd
//   DrawMapStreet500   - the same zoomed to 1:500 on a street in the middle
//   WriteMapFile       - writing the view-all picture as map.wmf alone
// map.wmf is written into TER5_BENCH_DIR when set (a directory on a slow or sync-mounted
// file system shows what the write costs there), else into the temporary directory.
//   BuildPictureViewAll, EncodeWmfViewAll - the two halves of the view-all redraw
//   ReplayViewAll, ReplayViewAllOutlines, ReplayStreet500 - the QPainter replay onto the
//                        screen image, with and without the labels
//   OverviewDarkShare/N - the view-all picture of the N-parcel demo base at 1000 x 700, as
//                        ter5tool render draws it, with the share of dark pixels where the
//                        parcels are
// Counters: points and labels of the picture, bytes of map.wmf.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/DemoTown.h"
#include "map/DrawMap.h"
#include "map/MapFile.h"
#include "map/MapLoader.h"
#include "map/WmfWriter.h"
#ifdef TER5_HAVE_MAP_WIDGETS
#include <QImage>
#include <QPainter>

#include "BenchDistrict.h"
#include "map/TableParcelSource.h"
#include "map/widgets/InkShare.h"
#include "map/widgets/PictureExport.h"
#include "map/widgets/PicturePainter.h"
#endif

namespace {

using namespace ter5::map;

// The district and the map window.
constexpr std::size_t kParcels = 50'000;
constexpr std::uint64_t kSeed = 1;
constexpr int kMapWidth = 1280;
constexpr int kMapHeight = 800;
// 1:500 in page units per metre.
constexpr double kStreetScale = kOneToOneScale / 500.0;

// The demo district's rows served to the loader in code order.
class TownSource : public ParcelSource {
public:
    explicit TownSource(const ter5::base::DemoTown& town) : town_(town) {}
    std::size_t ParcelCount() const override { return town_.parcels.size(); }
    std::size_t VertexCountHint() const override { return town_.vertices.size(); }
    bool NextParcel(ParcelRow& parcel) override {
        if (parcel_ >= town_.parcels.size()) return false;
        const auto& p = town_.parcels[parcel_++];
        parcel.Code = p.code;
        parcel.House = p.house;
        while (vertex_ < town_.vertices.size() && town_.vertices[vertex_].parcel < p.code) ++vertex_;
        return true;
    }
    bool NextVertex(VertexRow& vertex) override {
        if (vertex_ >= town_.vertices.size() || town_.vertices[vertex_].parcel != town_.parcels[parcel_ - 1].code) {
            return false;
        }
        const auto& v = town_.vertices[vertex_++];
        vertex = {static_cast<std::int32_t>(vertex_), v.putNumber, v.number, v.y, v.x, v.z};
        return true;
    }

private:
    const ter5::base::DemoTown& town_;
    std::size_t parcel_ = 0;
    std::size_t vertex_ = 0;
};

TArrObjects LoadDistrict(std::size_t parcels) {
    const ter5::base::DemoTown town = ter5::base::GenerateDemoTown(parcels, kSeed);
    TArrObjects o;
    TownSource source(town);
    LoadMapObjects(o, source, true);
    return o;
}

const TArrObjects& District() {
    static const TArrObjects objects = LoadDistrict(kParcels);
    return objects;
}

// A district of 5,000 parcels: at view-all its parcels are drawn in detail, with labels.
const TArrObjects& SmallDistrict() {
    static const TArrObjects objects = LoadDistrict(5'000);
    return objects;
}

Viewport MapView() {
    Viewport view;
    view.SetScreen(kReferenceScreen);
    view.SetImageSize(kMapWidth, kMapHeight);
    view.ViewAllPending = true;
    return view;
}

// A view at 1:500 on the parcel in the middle of the model's order: a street of the district.
Viewport StreetView() {
    const TArrObjects& objects = District();
    Viewport view = MapView();
    view.FitAll(objects);
    const TArrPoly& middle = objects.Polys[objects.Polys.size() / 2];
    view.ViewCenterY = middle.CenterY;
    view.ViewCenterX = middle.CenterX;
    view.ViewScale = kStreetScale;
    return view;
}

// The start-up options (outlines, areas, parcel numbers) and a current parcel.
DrawMapContext Context() {
    DrawMapContext context;
    context.CurrentCode = District().Polys[District().Polys.size() / 2].Code;
    return context;
}

void Count(benchmark::State& state, const Picture& picture) {
    state.counters["points"] = static_cast<double>(picture.Points().size());
    state.counters["labels"] = static_cast<double>(picture.Texts().size());
}

std::filesystem::path BenchDirectory() {
    const char* chosen = std::getenv("TER5_BENCH_DIR");
    const auto dir = chosen && *chosen ? std::filesystem::path(chosen) : std::filesystem::temp_directory_path() / "ter5_render_bench";
    std::filesystem::create_directories(dir);
    return dir;
}

void Redraw(benchmark::State& state, bool viewAll, const TArrObjects& objects = District(), bool declutter = true) {
    DisplayOptions options;
    options.cbDeclutter = declutter;
    DrawMapContext context = Context();
    context.CurrentCode = objects.Polys[objects.Polys.size() / 2].Code;
    const auto dir = BenchDirectory();
    MapFileWriter file;
    Viewport view = viewAll ? MapView() : StreetView();
    for (auto _ : state) {
        view.ViewAllPending = viewAll;
        const auto picture = DrawMap(objects, view, options, context);
        const MapFileStatus status = file.Write(*picture, dir);
        benchmark::DoNotOptimize(status.Written);
        if (!status.Written) state.SkipWithError(status.Message.c_str());
    }
    view.ViewAllPending = viewAll;
    const auto picture = DrawMap(objects, view, options, context);
    Count(state, *picture);
    state.counters["wmf_bytes"] = static_cast<double>(std::filesystem::file_size(dir / kMapFileName));
}

void DrawMapViewAll(benchmark::State& state) { Redraw(state, true, District(), state.range(0) != 0); }
BENCHMARK(DrawMapViewAll)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void DrawMapViewAll5000(benchmark::State& state) { Redraw(state, true, SmallDistrict(), state.range(0) != 0); }
BENCHMARK(DrawMapViewAll5000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void DrawMapStreet500(benchmark::State& state) { Redraw(state, false); }
BENCHMARK(DrawMapStreet500)->Unit(benchmark::kMillisecond);

void BuildPictureViewAll(benchmark::State& state) {
    Viewport view = MapView();
    for (auto _ : state) {
        view.ViewAllPending = true;
        benchmark::DoNotOptimize(DrawMap(District(), view, DisplayOptions(), Context()));
    }
}
BENCHMARK(BuildPictureViewAll)->Unit(benchmark::kMillisecond);

void WriteMapFile(benchmark::State& state) {
    Viewport view = MapView();
    const auto picture = DrawMap(District(), view, DisplayOptions(), Context());
    const auto dir = BenchDirectory();
    MapFileWriter file;
    for (auto _ : state) {
        const MapFileStatus status = file.Write(*picture, dir);
        if (!status.Written) state.SkipWithError(status.Message.c_str());
    }
    state.counters["wmf_bytes"] = static_cast<double>(std::filesystem::file_size(dir / kMapFileName));
}
BENCHMARK(WriteMapFile)->Unit(benchmark::kMillisecond);

void EncodeWmfViewAll(benchmark::State& state) {
    Viewport view = MapView();
    const auto picture = DrawMap(District(), view, DisplayOptions(), Context());
    std::size_t bytes = 0;
    for (auto _ : state) bytes = EncodeWmf(*picture).size();
    state.counters["wmf_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(EncodeWmfViewAll)->Unit(benchmark::kMillisecond);

#ifdef TER5_HAVE_MAP_WIDGETS
void Replay(benchmark::State& state, Viewport view, const DisplayOptions& options = {}) {
    EnsureGuiApplication();
    const auto picture = DrawMap(District(), view, options, Context());
    QImage image(kMapWidth, kMapHeight, QImage::Format_RGB32);
    PicturePainter replay;
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        replay.Paint(painter, *picture);
    }
    Count(state, *picture);
}

void ReplayViewAll(benchmark::State& state) { Replay(state, MapView()); }
BENCHMARK(ReplayViewAll)->Unit(benchmark::kMillisecond);

// The outlines alone, to tell the cost of the figures from that of the labels.
void ReplayViewAllOutlines(benchmark::State& state) {
    DisplayOptions outlines;
    outlines.cbArea = outlines.cbNumber = false;
    Replay(state, MapView(), outlines);
}
BENCHMARK(ReplayViewAllOutlines)->Unit(benchmark::kMillisecond);

void ReplayStreet500(benchmark::State& state) { Replay(state, StreetView()); }
BENCHMARK(ReplayStreet500)->Unit(benchmark::kMillisecond);

// The view-all picture of a demo base read from its files, as `ter5tool render -o x.png
// --size 1000x700` draws it (antialiased), timed; counters: dark_share, the share of dark
// pixels where the parcels are (map/widgets/InkShare.h), and ink_share, that of the pixels
// that are not white there. Arg: the base's parcels.
void OverviewDarkShare(benchmark::State& state) {
    EnsureGuiApplication();
    const auto parcels = static_cast<std::size_t>(state.range(0));
    const std::filesystem::path base = ter5::bench::DemoBase(parcels);
    TArrObjects objects;
    TableParcelSource source(base);
    LoadMapObjects(objects, source, true);
    Viewport view;
    view.SetScreen(kReferenceScreen);
    view.SetImageSize(1000, 700);
    QImage image;
    for (auto _ : state) {
        view.ViewAllPending = true;
        const auto picture = DrawMap(objects, view, DisplayOptions(), {});
        image = RenderPictureImage(*picture, true);
    }
    const QImage mask = ParcelAreaMask(objects, view);
    state.counters["dark_share"] = DarkShare(image, mask);
    state.counters["ink_share"] = DarkShare(image, mask, 255);
}
BENCHMARK(OverviewDarkShare)->Arg(500)->Arg(50'000)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
