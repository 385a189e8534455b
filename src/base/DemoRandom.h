#pragma once
// The pseudo-random stream behind the demo base. Standard library distributions
// differ between implementations, so the demo draws its numbers itself: the same
// seed gives the same base on every platform and compiler.

#include <cstdint>
#include <span>

namespace ter5::base {

class DemoRandom {
public:
    // A stream for `seed`; every seed, 0 included, gives a usable stream.
    explicit DemoRandom(std::uint64_t seed) : state_(seed) {}

    // The next 64 random bits (SplitMix64).
    std::uint64_t NextBits() {
        constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15ULL;
        constexpr std::uint64_t kMix1 = 0xBF58476D1CE4E5B9ULL;
        constexpr std::uint64_t kMix2 = 0x94D049BB133111EBULL;
        std::uint64_t z = (state_ += kGolden);
        z = (z ^ (z >> 30)) * kMix1;
        z = (z ^ (z >> 27)) * kMix2;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double Unit() {
        constexpr int kMantissaBits = 53;
        constexpr double kScale = 1.0 / 9007199254740992.0;  // 2^-53
        return static_cast<double>(NextBits() >> (64 - kMantissaBits)) * kScale;
    }

    // Uniform in [low, high).
    double Between(double low, double high) { return low + (high - low) * Unit(); }

    // Uniform whole number in [low, high], both included.
    int Int(int low, int high) {
        const auto span = static_cast<std::uint64_t>(high - low) + 1;
        return low + static_cast<int>(NextBits() % span);
    }

    // True with probability `p`.
    bool Chance(double p) { return Unit() < p; }

    // A uniformly chosen element of a non-empty list.
    template <typename T>
    const T& Pick(std::span<const T> items) {
        return items[NextBits() % items.size()];
    }

private:
    std::uint64_t state_;
};

}  // namespace ter5::base
