#pragma once
// Rounding of measured values to a fixed number of decimals, their text with the user's
// decimal separator, and the reading of whole numbers typed with either separator.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ter5::map {

// How many decimals FormatNumber keeps.
enum class PrecisionCode : int {
    Explicit = 0,      // the caller's own count (side lengths and perimeters: 2)
    Millimetres = 1,   // 3 decimals: cursor coordinates, intersection points
    SquareMetres = 2,  // 2 decimals: areas in m^2
    Hectares = 4,      // 4 decimals: areas in hectares and thousands of hectares
};

// The decimal separator used for all numbers shown to or typed by the user. Until set it
// is the C locale's (localeconv) as found at first use.
char DecimalSeparator();
// Replaces the decimal separator (the program sets it from the system locale).
void SetDecimalSeparator(char separator);

// A value rounded by FormatNumber; Text is filled only when text was asked for.
struct FormattedNumber {
    double Value = 0.0;
    std::string Text;
};

// Rounds value to the code's decimals (decimals is read only for PrecisionCode::Explicit,
// 0..15): the whole part is kept exactly and the fraction rounded to nearest, halves to
// even. With asText the text is the general decimal form of the rounded value padded with
// zeros to exactly that many decimals. Throws std::invalid_argument for an unknown code or
// a decimals count outside 0..15.
FormattedNumber FormatNumber(double value, PrecisionCode code, int decimals, bool asText);

// General decimal form: at most 15 significant digits, no trailing zeros, no grouping,
// the user's decimal separator; fixed notation for 0 and magnitudes from 0.0001 to below
// 1E15, otherwise mantissa, "E" and exponent (1E15, 1E-5).
std::string GeneralDecimalText(double value);

// Raised when a typed text is not a number.
class InvalidNumberError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    // "Значение '<text>' не является числом": a text that is not a number.
    static InvalidNumberError NotANumber(const std::string& text);
    // "Значение '<text>' вне допустимого диапазона": a number too large to hold.
    static InvalidNumberError OutOfRange(const std::string& text);
};

// Reads a typed whole number: trims blanks and control characters (nothing left reads as
// 0), accepts a full stop or a comma as decimal separator (only the first one is
// swapped), and rounds to nearest, halves to even. Throws InvalidNumberError::NotANumber
// for a text that is not a number and OutOfRange for one beyond the int64 range.
std::int64_t ParseWholeNumber(std::string_view text);

}  // namespace ter5::map
