#pragma once
// UTF-8 encoding and decoding of single code points, shared by the text codec,
// the collation and the map's text measuring.

#include <cstddef>
#include <string>
#include <string_view>

namespace ter5::engine {

// U+FFFD, what malformed input decodes to where decoding must go on.
inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Appends the UTF-8 bytes of `c` to `out`.
void AppendUtf8(char32_t c, std::string& out);

// Reads one code point at `pos` and advances past it. Returns false, leaving `pos`,
// for a malformed, truncated, overlong or surrogate sequence.
bool NextUtf8(std::string_view s, std::size_t& pos, char32_t& c);

// Reads one code point at `pos` and advances past it; a malformed sequence gives
// U+FFFD and consumes one byte, so decoding always makes progress.
char32_t NextCodePointOrReplacement(std::string_view s, std::size_t& pos);

}  // namespace ter5::engine
