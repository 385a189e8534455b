#include "map/LabelledSides.h"

#include <cstdint>

#include "map/PointHash.h"

namespace ter5::map {

std::size_t LabelledSides::SideHash::operator()(const Side& side) const {
    std::uint64_t h = MixHash(0, CoordinateBits(side.From.Y));
    h = MixHash(h, CoordinateBits(side.From.X));
    h = MixHash(h, CoordinateBits(side.To.Y));
    h = MixHash(h, CoordinateBits(side.To.X));
    return static_cast<std::size_t>(h);
}

bool LabelledSides::Contains(const WorldPoint& p, const WorldPoint& q) const {
    return sides_.contains({p, q}) || sides_.contains({q, p});
}

bool LabelledSides::AddIfNew(const WorldPoint& p, const WorldPoint& q) {
    if (Contains(p, q)) return false;
    Add(p, q);
    return true;
}

}  // namespace ter5::map
