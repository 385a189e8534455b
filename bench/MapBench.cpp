// Map core benchmarks over a synthetic town: 50,000 parcels of 20 vertices along streets.
//   LoadMapObjects  - building the model from an in-memory parcel source
//   FindParcelAt    - picking at random pixels of a view fitted to all parcels

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "map/MapLoader.h"
#include "map/ParcelHitTest.h"
#include "map/Viewport.h"

namespace {

using namespace ter5::map;

// Town layout: streets run east-west, each with a row of parcels on either side.
constexpr int kStreets = 100;
constexpr int kParcelsPerSide = 250;                       // 2 * 250 * 100 = 50,000 parcels
constexpr double kFrontage = 20.0;                         // parcel width along the street, m
constexpr double kDepth = 40.0;                            // parcel depth, m
constexpr double kHalfStreet = 10.0;                       // half the street width, m
constexpr double kStreetSpacing = 2 * (kHalfStreet + kDepth);  // backs of the rows touch, m
constexpr double kOriginY = 1'300'000.0;                   // survey-sized coordinates, m
constexpr double kOriginX = 6'200'000.0;
constexpr double kJitter = 0.3;                            // wobble of intermediate points, m

// Vertices per side of a parcel outline between its corners: front, right, back, left.
// 4 corners + 15 intermediate points + the closing point = 20 vertices.
constexpr int kSidePoints[4] = {3, 5, 3, 4};

// A deterministic pseudo-random stream in [0, 1): Knuth's MMIX linear congruential
// generator, its top 53 bits scaled by 2^-53.
class Lcg {
public:
    explicit Lcg(std::uint64_t seed) : state_(seed) {}
    double Next() {
        constexpr std::uint64_t kMultiplier = 6364136223846793005ULL;
        constexpr std::uint64_t kIncrement = 1442695040888963407ULL;
        constexpr int kDroppedBits = 64 - 53;
        constexpr double kTwoToMinus53 = 1.0 / 9007199254740992.0;
        state_ = state_ * kMultiplier + kIncrement;
        return static_cast<double>(state_ >> kDroppedBits) * kTwoToMinus53;
    }

private:
    std::uint64_t state_;
};

// The town as parcel and vertex rows held in memory.
struct Town {
    std::vector<ParcelRow> parcels;
    std::vector<std::size_t> firstVertex;  // per parcel, plus one past the end
    std::vector<VertexRow> vertices;
};

const Town& SyntheticTown() {
    static const Town town = [] {
        Town t;
        Lcg random(42);
        std::int32_t vertexCode = 0;
        for (int street = 0; street < kStreets; ++street) {
            const double streetX = kOriginX + street * kStreetSpacing;
            for (int side = -1; side <= 1; side += 2) {
                const double frontX = streetX + side * kHalfStreet;
                const double backX = streetX + side * (kHalfStreet + kDepth);
                for (int i = 0; i < kParcelsPerSide; ++i) {
                    const double leftY = kOriginY + i * kFrontage;
                    const double rightY = leftY + kFrontage;
                    const double corners[4][2] = {{leftY, frontX}, {rightY, frontX}, {rightY, backX}, {leftY, backX}};
                    t.parcels.push_back({static_cast<std::int32_t>(t.parcels.size() + 1),
                                         "уч. № " + std::to_string(t.parcels.size() + 1)});
                    t.firstVertex.push_back(t.vertices.size());
                    double put = 0.0;
                    for (int c = 0; c < 4; ++c) {
                        const auto& from = corners[c];
                        const auto& to = corners[(c + 1) % 4];
                        const int between = kSidePoints[c];
                        for (int k = 0; k <= between; ++k) {
                            const double share = static_cast<double>(k) / (between + 1);
                            const double wobble = k == 0 ? 0.0 : (random.Next() - 0.5) * 2 * kJitter;
                            ++put;
                            t.vertices.push_back({++vertexCode, put, static_cast<double>(vertexCode),
                                                  from[0] + (to[0] - from[0]) * share + wobble,
                                                  from[1] + (to[1] - from[1]) * share + wobble, 0.0});
                        }
                    }
                    VertexRow closing = t.vertices[t.firstVertex.back()];
                    closing.Code = ++vertexCode;
                    closing.PutNumber = ++put;
                    t.vertices.push_back(closing);
                }
            }
        }
        t.firstVertex.push_back(t.vertices.size());
        return t;
    }();
    return town;
}

// Serves the town's rows in order, like the parcel query and its vertex detail table.
class TownSource : public ParcelSource {
public:
    TownSource(const Town& town, bool withHint) : town_(town), withHint_(withHint) {}
    std::size_t ParcelCount() const override { return town_.parcels.size(); }
    std::size_t VertexCountHint() const override { return withHint_ ? town_.vertices.size() : 0; }
    bool NextParcel(ParcelRow& parcel) override {
        if (next_ >= town_.parcels.size()) return false;
        parcel = town_.parcels[next_];
        vertex_ = town_.firstVertex[next_];
        end_ = town_.firstVertex[next_ + 1];
        ++next_;
        return true;
    }
    bool NextVertex(VertexRow& vertex) override {
        if (vertex_ >= end_) return false;
        vertex = town_.vertices[vertex_++];
        return true;
    }

private:
    const Town& town_;
    bool withHint_;
    std::size_t next_ = 0, vertex_ = 0, end_ = 0;
};

// Arg 0: the source tells its vertex count up front (1) or not (0).
void BM_LoadMapObjects(benchmark::State& state) {
    const Town& town = SyntheticTown();
    std::size_t bytes = 0;
    for (auto _ : state) {
        TArrObjects objects;
        TownSource source(town, state.range(0) != 0);
        double last = 0.0;
        LoadMapObjects(objects, source, true, [&](double upper, double) { last = upper; });
        benchmark::DoNotOptimize(last);
        bytes = objects.PointStore.capacity() * sizeof(TArrPoint) + objects.Polys.capacity() * sizeof(TArrPoly);
        state.PauseTiming();
        objects = TArrObjects{};  // freeing is not part of the load
        state.ResumeTiming();
    }
    state.counters["parcels"] = static_cast<double>(town.parcels.size());
    state.counters["vertices"] = static_cast<double>(town.vertices.size());
    state.counters["modelMiB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.counters["vertices/s"] = benchmark::Counter(static_cast<double>(town.vertices.size()),
                                                      benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LoadMapObjects)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A pick at a random pixel of a 1024 x 768 map fitted to the whole town.
void BM_FindParcelAtViewAll(benchmark::State& state) {
    static const TArrObjects objects = [] {
        TArrObjects model;
        TownSource source(SyntheticTown(), true);
        LoadMapObjects(model, source, true);
        return model;
    }();
    Viewport view;
    view.SetImageSize(1024, 768);
    view.SetScreen({320, 240, 1024, 768});
    view.FitAll(objects);
    Lcg random(7);
    std::int64_t hits = 0;
    for (auto _ : state) {
        const PixelPoint pixel{static_cast<std::int64_t>(random.Next() * 1024),
                               static_cast<std::int64_t>(random.Next() * 768)};
        const TPickResult result = FindParcelAt(objects, view.PageToWorld(view.PixelToPage(pixel)));
        hits += result.Found ? 1 : 0;
        benchmark::DoNotOptimize(result);
    }
    state.counters["hitRatio"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_FindParcelAtViewAll)->Unit(benchmark::kMicrosecond);

}  // namespace
