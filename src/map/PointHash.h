#pragma once
// Hashing of exact survey coordinates, for the tables of sides keyed by their end points.

#include <bit>
#include <cstdint>

namespace ter5::map {

// Bits of a coordinate for hashing; -0 and +0 compare equal and so must hash alike.
inline std::uint64_t CoordinateBits(double value) {
    return std::bit_cast<std::uint64_t>(value == 0.0 ? 0.0 : value);
}

// Mixes one 64-bit word into a running hash (the 64-bit finaliser of MurmurHash3).
inline std::uint64_t MixHash(std::uint64_t hash, std::uint64_t word) {
    std::uint64_t h = hash ^ word;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDULL;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ULL;
    h ^= h >> 33;
    return h;
}

}  // namespace ter5::map
