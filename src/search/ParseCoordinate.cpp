#include "search/ParseCoordinate.h"

#include <charconv>
#include <cmath>
#include <string>

#include "map/NumberFormat.h"
#include "search/TextTrim.h"

namespace ter5::search {

namespace {

// The decimal separator typed coordinates are converted with.
constexpr char kDecimalComma = ',';

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Keeps digits, separators (as commas) and a "-" in first place; drops the rest.
// A dropped character lets the next one move into its place, so "a-5" keeps its
// minus once the "a" has gone.
std::string KeepNumberCharacters(std::string_view text) {
    std::string kept(text);
    std::size_t i = 0;
    while (i < kept.size()) {
        const char c = kept[i];
        if (IsDigit(c)) {
            ++i;
        } else if (c == '.' || c == ',') {
            kept[i] = kDecimalComma;
            ++i;
        } else if (c == '-' && i == 0) {
            ++i;
        } else {
            kept.erase(i, 1);
        }
    }
    return kept;
}

// Deletes the first comma of the text while two commas stand together.
void ShrinkCommaRuns(std::string& text) {
    for (std::size_t at = text.find(",,"); at != std::string::npos; at = text.find(",,"))
        text.erase(text.find(kDecimalComma), 1);
}

[[noreturn]] void FailConversion(const std::string& text) {
    throw map::InvalidNumberError::NotANumber(text);
}

// Converts [-]digits[,digits] with at least one digit; throws for anything else.
double ConvertWithComma(const std::string& text) {
    std::string normal = text;
    std::size_t start = normal.starts_with('-') ? 1 : 0;
    const std::size_t comma = normal.find(kDecimalComma);
    if (comma != std::string::npos) {
        if (normal.find(kDecimalComma, comma + 1) != std::string::npos) FailConversion(text);
        normal[comma] = '.';
    }
    if (normal.size() - start == (comma == std::string::npos ? 0u : 1u)) FailConversion(text);
    double value = 0.0;
    const char* first = normal.data() + start;
    const char* last = normal.data() + normal.size();
    const auto [end, status] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (end != last) FailConversion(text);
    if (status == std::errc::result_out_of_range) throw map::InvalidNumberError::OutOfRange(text);
    if (status != std::errc{} || !std::isfinite(value)) FailConversion(text);
    return start == 1 ? -value : value;
}

}  // namespace

double ParseCoordinate(std::string_view text, double defaultValue) {
    std::string kept = KeepNumberCharacters(TrimBlanks(text));
    ShrinkCommaRuns(kept);
    if (kept == "-") kept = "-0";
    if (TrimBlanks(kept).empty()) return defaultValue;
    return ConvertWithComma(kept);
}

}  // namespace ter5::search
