#pragma once
// The map model built by several threads: from a source whose parcels, and the vertices of
// each, can be read by position in any order and from several threads at once. The first
// pass lays out every parcel's run of vertices; then threads fill the runs and compute each
// parcel's geometry side by side; last, the parcels' boxes are folded in order. The model
// is exactly the one LoadMapObjects builds reading the same parcels one after the other.

#include <cstddef>

#include "map/MapLoader.h"

namespace ter5::map {

class IndexedParcelSource {
public:
    virtual ~IndexedParcelSource() = default;
    // Number of parcel rows, in display order.
    virtual std::size_t ParcelCount() const = 0;
    // Parcel row `parcel`.
    virtual ParcelRow Parcel(std::size_t parcel) const = 0;
    // Number of vertex rows of parcel row `parcel`.
    virtual std::size_t VertexCount(std::size_t parcel) const = 0;
    // Vertex row `vertex` of parcel row `parcel`, in outline order. Called from several
    // threads at once.
    virtual VertexRow Vertex(std::size_t parcel, std::size_t vertex) const = 0;
};

// Most threads a load uses.
inline constexpr unsigned kMaxLoadThreads = 4;

// Empties the model and builds it from `source` with up to `threads` threads (0: as many as
// the machine runs at once, at most kMaxLoadThreads). Progress, the share of the parcels
// done, is reported on the calling thread; a progress callback or a source that throws
// stops the load, the exception propagates and the model is left empty.
void LoadMapObjects(TArrObjects& objects, const IndexedParcelSource& source, const ProgressFn& progress = {},
                    unsigned threads = 0);

}  // namespace ter5::map
