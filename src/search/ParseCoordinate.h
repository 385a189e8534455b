#pragma once
// Reading of the coordinates typed into the coordinate fields of the search dialog.

#include <string_view>

namespace ter5::search {

// `ParseCoordinate`: the number a typed coordinate denotes, `defaultValue` when
// nothing of a number is left of it. Blanks at the ends are trimmed; then every
// character but digits, "." and "," (both read as the decimal comma) and a
// leading "-" is dropped; runs of commas shrink to one; a lone "-" reads as -0.
// So "12.5", "12,5" and " 12,5 m" all give 12.5; "" and "abc" give the default.
// The decimal comma is used whatever the locale. Throws map::InvalidNumberError
// when what is left is no number, e.g. "1,2,3" from "1.2.3".
double ParseCoordinate(std::string_view text, double defaultValue);

}  // namespace ter5::search
