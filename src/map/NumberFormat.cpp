#include "map/NumberFormat.h"

#include <atomic>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <string>

#include "map/Rounding.h"

namespace ter5::map {

InvalidNumberError InvalidNumberError::NotANumber(const std::string& text) {
    return InvalidNumberError("Значение '" + text + "' не является числом");
}

InvalidNumberError InvalidNumberError::OutOfRange(const std::string& text) {
    return InvalidNumberError("Значение '" + text + "' вне допустимого диапазона");
}

namespace {

// Significant digits of the general decimal form (those of a Double).
constexpr int kGeneralDigits = 15;
// Smallest decimal exponent still written in fixed notation (0.0001).
constexpr int kFixedMinExponent = -4;
// Largest decimal exponent still written in fixed notation (below 1E15).
constexpr int kFixedMaxExponent = 14;
// Largest explicit number of decimals FormatNumber accepts (a Double's digits).
constexpr int kMaxDecimals = 15;
// A decimal exponent beyond any digit count a typed text can have; larger ones decide the
// magnitude alone.
constexpr long long kDominantExponent = 1LL << 40;
// 2^63: the first value beyond the int64 range.
constexpr double kInt64Bound = 9223372036854775808.0;

char SeparatorFromLocale() {
    const std::lconv* conv = std::localeconv();
    if (conv && conv->decimal_point && conv->decimal_point[0] != '\0' && conv->decimal_point[1] == '\0') {
        return conv->decimal_point[0];
    }
    return '.';  // a multi-byte separator cannot be used; fall back to the full stop
}

std::atomic<char>& SeparatorSetting() {
    static std::atomic<char> separator{SeparatorFromLocale()};
    return separator;
}

int DecimalsOf(PrecisionCode code, int decimals) {
    switch (code) {
    case PrecisionCode::Explicit:
        if (decimals < 0 || decimals > kMaxDecimals) {
            throw std::invalid_argument("FormatNumber: decimals must be 0.." + std::to_string(kMaxDecimals) +
                                        ", got " + std::to_string(decimals));
        }
        return decimals;
    // The decimals each code stands for.
    case PrecisionCode::Millimetres: return 3;
    case PrecisionCode::SquareMetres: return 2;
    case PrecisionCode::Hectares: return 4;
    }
    throw std::invalid_argument("FormatNumber: unknown precision code " + std::to_string(static_cast<int>(code)));
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Powers of ten up to kMaxDecimals, all exact in a Double.
constexpr double kPowersOfTen[kMaxDecimals + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// For a normalised number text ("-12.5e3") that does not fit a Double: whether it is too
// large (true) rather than too small to represent, from its decimal magnitude.
bool IsOverflow(const std::string& normal) {
    long long magnitude = 0;  // decimal position of the leading significant digit
    std::size_t i = normal[0] == '-' ? 1 : 0;
    bool seenSignificant = false;
    bool afterPoint = false;
    for (; i < normal.size() && normal[i] != 'e'; ++i) {
        if (normal[i] == '.') { afterPoint = true; continue; }
        if (!seenSignificant && normal[i] != '0') seenSignificant = true;
        if (!afterPoint && seenSignificant) ++magnitude;
        if (afterPoint && !seenSignificant) --magnitude;
    }
    if (i < normal.size()) {
        const std::string exponent = normal.substr(i + 1);
        const bool negative = exponent[0] == '-';
        const std::size_t digitsFrom = (exponent[0] == '+' || negative) ? 1 : 0;
        long long value = 0;
        const auto parsed = std::from_chars(exponent.data() + digitsFrom, exponent.data() + exponent.size(), value);
        // Only the sign of the total matters; an exponent too long to read dominates it.
        if (parsed.ec != std::errc{} || value > kDominantExponent) return !negative;
        magnitude += negative ? -value : value;
    }
    return magnitude > 0;
}

// Checks the number syntax [sign] digits [sep digits] [E [sign] digits] with at least one
// mantissa digit, and returns the text with the separator turned into a full stop.
bool NormaliseNumber(std::string_view text, char separator, std::string& out) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    out.clear();
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') out += '-';
        ++i;
    }
    int mantissaDigits = 0;
    while (i < n && IsDigit(text[i])) { out += text[i++]; ++mantissaDigits; }
    if (i < n && text[i] == separator) {
        out += '.';
        ++i;
        while (i < n && IsDigit(text[i])) { out += text[i++]; ++mantissaDigits; }
    }
    if (mantissaDigits == 0) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        out += 'e';
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) out += text[i++];
        int exponentDigits = 0;
        while (i < n && IsDigit(text[i])) { out += text[i++]; ++exponentDigits; }
        if (exponentDigits == 0) return false;
    }
    return i == n;
}

}  // namespace

char DecimalSeparator() { return SeparatorSetting().load(std::memory_order_relaxed); }

void SetDecimalSeparator(char separator) { SeparatorSetting().store(separator, std::memory_order_relaxed); }

std::string GeneralDecimalText(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0.0) return "0";

    // d.dddddddddddddde[+-]x: 15 significant digits, correctly rounded.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", kGeneralDigits - 1, value);
    const std::string scientific = buffer;
    const std::size_t ePos = scientific.find('e');
    const bool negative = scientific[0] == '-';
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < ePos; ++i) {
        if (IsDigit(scientific[i])) digits += scientific[i];
    }
    const int exponent = std::stoi(scientific.substr(ePos + 1));
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    const char separator = DecimalSeparator();
    std::string text = negative ? "-" : "";
    if (exponent < kFixedMinExponent || exponent > kFixedMaxExponent) {
        text += digits[0];
        if (digits.size() > 1) text += separator + digits.substr(1);
        text += 'E' + std::to_string(exponent);
    } else if (exponent < 0) {
        text += '0';
        text += separator;
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
    } else {
        const std::size_t wholeDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= wholeDigits) {
            text += digits;
            text.append(wholeDigits - digits.size(), '0');
        } else {
            text += digits.substr(0, wholeDigits);
            text += separator;
            text += digits.substr(wholeDigits);
        }
    }
    return text;
}

FormattedNumber FormatNumber(double value, PrecisionCode code, int decimals, bool asText) {
    const int n = DecimalsOf(code, decimals);
    const double scale = kPowersOfTen[n];
    FormattedNumber result;
    if (std::isfinite(value)) {
        // Only the fraction is scaled, so large values keep their whole part exactly.
        const double whole = std::trunc(value);
        const double fraction = value - whole;
        result.Value = whole + RoundHalfEven(fraction * scale) / scale;
    } else {
        result.Value = value;
    }
    if (!asText) return result;

    std::string text = GeneralDecimalText(result.Value);
    // Pad fixed notation with zeros to n decimals; the exponent form (beyond 1E15) is left
    // alone, as zeros after its exponent would misstate the value.
    if (n > 0 && std::isfinite(result.Value) && text.find('E') == std::string::npos) {
        const char separator = DecimalSeparator();
        const std::size_t sepPos = text.find(separator);
        if (sepPos == std::string::npos) {
            text += separator;
            text.append(static_cast<std::size_t>(n), '0');
        } else {
            const std::size_t have = text.size() - sepPos - 1;
            if (have < static_cast<std::size_t>(n)) text.append(static_cast<std::size_t>(n) - have, '0');
        }
    }
    result.Text = std::move(text);
    return result;
}

std::int64_t ParseWholeNumber(std::string_view typed) {
    const std::string_view trimmed = Trim(typed);
    std::string text = trimmed.empty() ? std::string(1, '0') : std::string(trimmed);  // blank reads as 0

    const char separator = DecimalSeparator();
    const char other = separator == ',' ? '.' : ',';
    const char target = separator == ',' ? ',' : '.';
    if (const std::size_t pos = text.find(other); pos != std::string::npos) text[pos] = target;

    std::string normal;
    double value = 0.0;
    if (!NormaliseNumber(text, target, normal)) {
        throw InvalidNumberError::NotANumber(text);
    }
    const std::errc status = std::from_chars(normal.data(), normal.data() + normal.size(), value).ec;
    if (status == std::errc::result_out_of_range) {
        if (IsOverflow(normal)) throw InvalidNumberError::OutOfRange(text);
        value = 0.0;  // too small to represent: rounds to 0 anyway
    } else if (status != std::errc{}) {
        throw InvalidNumberError::NotANumber(text);
    }
    const double rounded = RoundHalfEven(value);
    if (!std::isfinite(rounded) || rounded >= kInt64Bound || rounded < -kInt64Bound) {
        throw InvalidNumberError::OutOfRange(text);
    }
    return static_cast<std::int64_t>(rounded);
}

}  // namespace ter5::map
