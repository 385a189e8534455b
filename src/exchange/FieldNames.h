#pragma once
// Field names and texts within the limits of a dBASE table (the attribute part of a
// Shapefile): names of at most 10 bytes, texts of at most 254 bytes, both UTF-8 here.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ter5::exchange {

// Longest field name of a dBASE table, bytes.
inline constexpr std::size_t kDbfNameBytes = 10;
// Longest text a dBASE field holds, bytes.
inline constexpr std::size_t kDbfTextBytes = 254;

// The renaming of field names longer than `maxBytes`, fixed so that the same table always
// gives the same names: first the table of known long names (IdentificationCode ->
// IdentCode); then any other name is cut to maxBytes at a character boundary; a name that
// then repeats an earlier one (ignoring case) ends in _1, _2 … instead, cut to make room.
// Names within the limit are kept as they are.
std::vector<std::string> ShortFieldNames(const std::vector<std::string>& names, std::size_t maxBytes = kDbfNameBytes);

// The longest prefix of a UTF-8 text of at most maxBytes that ends at a character boundary.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);

}  // namespace ter5::exchange
