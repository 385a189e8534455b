#include "map/LabelledSides.h"

#include <bit>
#include <cstdint>

namespace ter5::map {

namespace {

// Bits of a coordinate for hashing; -0 and +0 compare equal and so must hash alike.
std::uint64_t CoordinateBits(double value) { return std::bit_cast<std::uint64_t>(value == 0.0 ? 0.0 : value); }

// Mixes one 64-bit word into a running hash (the 64-bit finaliser of MurmurHash3).
std::uint64_t Mix(std::uint64_t hash, std::uint64_t word) {
    std::uint64_t h = hash ^ word;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDULL;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ULL;
    h ^= h >> 33;
    return h;
}

}  // namespace

std::size_t LabelledSides::SideHash::operator()(const Side& side) const {
    std::uint64_t h = Mix(0, CoordinateBits(side.From.Y));
    h = Mix(h, CoordinateBits(side.From.X));
    h = Mix(h, CoordinateBits(side.To.Y));
    h = Mix(h, CoordinateBits(side.To.X));
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
