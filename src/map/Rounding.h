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

// a * b / c computed in integers and rounded to nearest, halves away from zero;
// 0 when c is 0. |a * b| must fit in int64.
std::int64_t MulDivRound(std::int64_t a, std::int64_t b, std::int64_t c);

}  // namespace ter5::map
