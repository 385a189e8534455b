#pragma once
// Rounding rules shared by the map core: reals to integers go to the nearest value with
// halves to the even neighbour; the page measurement rounds integer quotients halves away
// from zero.

#include <cstdint>

namespace ter5::map {

// Nearest whole value, halves to the even neighbour; NaN and infinities pass through.
double RoundHalfEven(double value);

// RoundHalfEven saturated to the int64 range; NaN gives 0.
std::int64_t RoundToInt64(double value);

// RoundToInt64 for the hot loops of the map drawing: adding and taking away 1.5 * 2^52
// leaves the nearest whole value, ties to even, in the default rounding mode; values of
// 2^51 and more (and NaN) take the general path.
inline std::int64_t RoundToInt64Fast(double value) {
    constexpr double kShifter = 6755399441055744.0;     // 1.5 * 2^52
    constexpr double kExactLimit = 2251799813685248.0;  // 2^51
    if (value < kExactLimit && value > -kExactLimit) return static_cast<std::int64_t>((value + kShifter) - kShifter);
    return RoundToInt64(value);
}

// a * b / c computed in integers and rounded to nearest, halves away from zero;
// 0 when c is 0. |a * b| must fit in int64.
std::int64_t MulDivRound(std::int64_t a, std::int64_t b, std::int64_t c);

}  // namespace ter5::map
