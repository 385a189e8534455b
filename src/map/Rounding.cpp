#include "map/Rounding.h"

#include <cmath>
#include <limits>

namespace ter5::map {

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    double whole = 0.0;
    const double fraction = std::modf(value, &whole);  // exact split
    if (std::fabs(fraction) != 0.5) return std::round(value);
    // A tie: keep the even one of whole and whole +/- 1.
    return std::fmod(whole, 2.0) == 0.0 ? whole : whole + (value > 0 ? 1.0 : -1.0);
}

std::int64_t RoundToInt64(double value) {
    // 2^63 is the first double above the int64 range.
    constexpr double kInt64Bound = 9223372036854775808.0;
    if (std::isnan(value)) return 0;
    const double rounded = RoundHalfEven(value);
    if (rounded >= kInt64Bound) return std::numeric_limits<std::int64_t>::max();
    if (rounded < -kInt64Bound) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(rounded);
}

std::int64_t MulDivRound(std::int64_t a, std::int64_t b, std::int64_t c) {
    if (c == 0) return 0;
    const std::int64_t product = a * b;
    std::int64_t quotient = product / c;
    const std::int64_t remainder = product % c;
    // |remainder| >= |c| / 2 means the exact quotient is at least half-way to the next one.
    const std::uint64_t twiceRemainder = 2 * static_cast<std::uint64_t>(remainder < 0 ? -remainder : remainder);
    const std::uint64_t divisor = static_cast<std::uint64_t>(c < 0 ? -c : c);
    if (twiceRemainder >= divisor) quotient += ((product < 0) != (c < 0)) ? -1 : 1;
    return quotient;
}

}  // namespace ter5::map
