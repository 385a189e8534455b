#include "map/IndexedParcelSource.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/FreshMemory.h"

namespace ter5::map {

namespace {

// Parcels a thread takes at a time: enough to make the shared counter cheap, few enough
// for the threads to end together and the progress to move smoothly.
constexpr std::size_t kParcelsPerTake = 256;
// Below this many vertices one thread is quicker than starting others.
constexpr std::size_t kVerticesPerThread = 50'000;

// Fills the vertices of model parcel `poly` (parcel row `row`) and computes its geometry.
void BuildParcel(TArrObjects& objects, const IndexedParcelSource& source, std::size_t poly, std::size_t row) {
    const TArrPoly& parcel = objects.Polys[poly];
    TArrPoint* points = objects.PointStore.data() + parcel.FirstPoint;
    for (std::size_t k = 0; k < parcel.PointCount; ++k) {
        const VertexRow v = source.Vertex(row, k);
        TArrPoint& p = points[k];
        p.Code = v.Code;
        p.PutNumber = v.PutNumber;
        p.Number = v.Number;
        p.Y = v.Y;
        p.X = v.X;
    }
    CalcPolyShape(objects, poly);
}

}  // namespace

void LoadMapObjects(TArrObjects& objects, const IndexedParcelSource& source, const ProgressFn& progress,
                    unsigned threads) {
    objects.Clear();
    // Lay out the parcels that have vertices, each with its run of the vertex store.
    const std::size_t rows = source.ParcelCount();
    std::vector<std::size_t> rowOf;  // model parcel -> parcel row
    std::size_t total = 0;
    for (std::size_t row = 0; row < rows; ++row) {
        const std::size_t count = source.VertexCount(row);
        if (count == 0) continue;
        ParcelRow parcel = source.Parcel(row);
        AddPoly(objects, parcel.Code, std::move(parcel.House));
        objects.Polys.back().FirstPoint = total;
        objects.Polys.back().PointCount = count;
        rowOf.push_back(row);
        total += count;
    }
    engine::ResizeFresh(objects.PointStore, total);

    if (threads == 0) threads = std::max(1u, std::min(std::thread::hardware_concurrency(), kMaxLoadThreads));
    threads = static_cast<unsigned>(std::clamp<std::size_t>(total / kVerticesPerThread, 1, threads));
    const std::size_t polys = objects.Polys.size();
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::atomic<bool> stop{false};
    std::exception_ptr error;
    std::mutex errorMutex;
    const auto work = [&](bool reporting) {
        try {
            for (;;) {
                if (stop.load(std::memory_order_relaxed)) return;
                const std::size_t first = next.fetch_add(kParcelsPerTake, std::memory_order_relaxed);
                if (first >= polys) return;
                const std::size_t end = std::min(polys, first + kParcelsPerTake);
                for (std::size_t i = first; i < end; ++i) BuildParcel(objects, source, i, rowOf[i]);
                const std::size_t finished = done.fetch_add(end - first, std::memory_order_relaxed) + (end - first);
                if (reporting && progress) progress(static_cast<double>(finished) / static_cast<double>(polys), 0.0);
            }
        } catch (...) {
            const std::lock_guard lock(errorMutex);
            if (!error) error = std::current_exception();
            stop.store(true, std::memory_order_relaxed);
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < threads; ++i) helpers.emplace_back(work, false);
    work(true);
    for (std::thread& helper : helpers) helper.join();
    if (error) {
        objects.Clear();
        std::rethrow_exception(error);
    }
    // The boxes in parcel order, as the one-by-one load folds them.
    for (std::size_t i = 0; i < polys; ++i) FoldPolyBox(objects, i);
    if (progress) progress(1.0, 0.0);
}

}  // namespace ter5::map
