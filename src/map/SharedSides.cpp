#include "map/SharedSides.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <memory>
#include <utility>

#include "engine/FreshMemory.h"
#include "map/PointHash.h"

namespace ter5::map {

namespace {

bool Before(const WorldPoint& a, const WorldPoint& b) { return a.Y < b.Y || (a.Y == b.Y && a.X < b.X); }

// A side's hash, the same in both directions.
std::uint64_t SideHash(WorldPoint p, WorldPoint q) {
    if (Before(q, p)) std::swap(p, q);
    std::uint64_t h = MixHash(0, CoordinateBits(p.Y));
    h = MixHash(h, CoordinateBits(p.X));
    h = MixHash(h, CoordinateBits(q.Y));
    return MixHash(h, CoordinateBits(q.X));
}

bool SameSide(const WorldPoint& p, const WorldPoint& q, const WorldPoint& r, const WorldPoint& s) {
    return (p == r && q == s) || (p == s && q == r);
}

// A slot of the open-addressed side table: the first side seen with these end points.
struct Slot {
    std::uint32_t Point = kEmpty;  // vertex starting the side
    std::uint32_t Poly = 0;        // its parcel
    static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();
};

}  // namespace

SharedSides::SharedSides(const TArrObjects& objects)
    : shared_(objects.PointStore.size(), 0), boundary_(objects.Polys.size(), 0.0) {
    const auto& store = objects.PointStore;
    // Indices are kept in 32 bits; a model beyond that has all its sides drawn.
    const bool fits = store.size() < Slot::kEmpty && objects.Polys.size() < Slot::kEmpty;
    std::vector<Slot> table;
    engine::ResizeFresh(table, fits ? std::bit_ceil(std::max<std::size_t>(16, store.size() * 2)) : 0);
    const std::size_t mask = table.size() - 1;
    std::vector<RingRange> rings;
    for (std::size_t poly = 0; fits && poly < objects.Polys.size(); ++poly) {
        const TArrPoly& parcel = objects.Polys[poly];
        FindRings(objects.Points(parcel), rings);
        for (const RingRange& ring : rings) {
            for (std::size_t i = parcel.FirstPoint + ring.Begin; i + 1 < parcel.FirstPoint + ring.End; ++i) {
                const WorldPoint p = store[i].Position();
                const WorldPoint q = store[i + 1].Position();
                if (p == q) continue;
                for (std::size_t at = SideHash(p, q) & mask;; at = (at + 1) & mask) {
                    Slot& slot = table[at];
                    if (slot.Point == Slot::kEmpty) {
                        slot = {static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(poly)};
                        break;
                    }
                    if (!SameSide(p, q, store[slot.Point].Position(), store[slot.Point + 1].Position())) continue;
                    if (slot.Poly != poly) {
                        shared_[i] = 1;
                        shared_[slot.Point] = 1;
                    }
                    break;
                }
            }
        }
    }
    for (std::size_t poly = 0; poly < objects.Polys.size(); ++poly) {
        const TArrPoly& parcel = objects.Polys[poly];
        FindRings(objects.Points(parcel), rings);
        for (const RingRange& ring : rings) {
            for (std::size_t i = parcel.FirstPoint + ring.Begin; i + 1 < parcel.FirstPoint + ring.End; ++i) {
                if (shared_[i]) {
                    ++sharedCount_;
                } else {
                    boundary_[poly] += Distance(store[i].Position(), store[i + 1].Position());
                }
            }
        }
    }
}

const SharedSides& SharedSidesOf(const TArrObjects& objects) {
    if (!objects.SharedSideCache || !objects.SharedSideCache->Matches(objects))
        objects.SharedSideCache = std::make_shared<const SharedSides>(objects);
    return *objects.SharedSideCache;
}

}  // namespace ter5::map
