#pragma once
// The text form of field values used by dumps and CSV export/import, and the CSV
// quoting both sides need.
//
//   S I +      digits                       "-32767"
//   N $        shortest round-trip digits   "0.30000000000000004", "1e+21"
//   #          the decimal                  "-12.50"
//   D          YYYY-MM-DD                   "2000-02-29"
//   T          HH:MM:SS.mmm                 "13:05:09.250"
//   @          YYYY-MM-DDTHH:MM:SS.mmm      "2000-02-29T13:05:09.250"
//   L          true / false
//   A M F      the text itself
//   Y B O G    lower-case hex               "00ff10"
//   NULL       empty

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "FieldType.h"
#include "Value.h"

namespace ter5::engine {

// A double as ECMAScript's Number::toString writes it: the shortest digits that
// read back to the same double, fixed notation for 1e-6 <= |v| < 1e21 ("0.5",
// "-0.001"), exponent form outside ("1e+21", "1.5e-7"); "0" for ±0, "NaN", "Infinity".
std::string FormatNumber(double value);

// The dump text of a value of a field of `type`; "" for NULL. A value of another
// kind than the type's is written by its kind. Throws EngineError only for a date or
// timestamp too far from year 1 to have a calendar date.
std::string FormatValueText(FieldType type, const Value& value);

// The value a text denotes for a field of `type`, the inverse of FormatValueText:
// "" is NULL; text types take the text as it is; other types ignore surrounding
// spaces; "@" also takes a space for the "T" and a date alone; "T" takes HH:MM.
// Throws EngineError quoting the text when it cannot be read or is out of range.
Value ParseValueText(FieldType type, std::string_view text);

// `field` as one CSV field (RFC 4180): quoted, quotes doubled, when it holds a comma,
// quote, CR or LF; unchanged otherwise.
std::string CsvEscape(std::string_view field);

// Reads one CSV record: fields separated by commas, optionally quoted (quoted fields
// may hold commas, doubled quotes and line breaks), ended by CRLF, LF, CR or the end
// of input. Returns no fields at the end of input; an empty line is one empty field.
// Throws EngineError for an unterminated quote or text after a closing quote.
std::vector<std::string> ParseCsvRecord(std::istream& in);

}  // namespace ter5::engine
