#include "Utf8.h"

#include <cstdint>

namespace ter5::engine {
namespace {

// Highest code point and the surrogate range UTF-8 may not encode.
constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr char32_t kSurrogateFirst = 0xD800;
constexpr char32_t kSurrogateLast = 0xDFFF;

}  // namespace

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool NextUtf8(std::string_view s, std::size_t& pos, char32_t& c) {
    if (pos >= s.size()) return false;
    const auto lead = static_cast<std::uint8_t>(s[pos]);
    int extra = 0;
    char32_t value = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        value = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        value = lead & 0x1F, extra = 1, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        value = lead & 0x0F, extra = 2, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        value = lead & 0x07, extra = 3, min = 0x10000;
    } else {
        return false;
    }
    if (extra > 0 && pos + static_cast<std::size_t>(extra) >= s.size()) return false;
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<std::uint8_t>(s[pos + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) return false;
        value = (value << 6) | (b & 0x3F);
    }
    if (value < min || value > kMaxCodePoint || (value >= kSurrogateFirst && value <= kSurrogateLast)) return false;
    pos += 1 + static_cast<std::size_t>(extra);
    c = value;
    return true;
}

char32_t NextCodePointOrReplacement(std::string_view s, std::size_t& pos) {
    char32_t c = 0;
    if (NextUtf8(s, pos, c)) return c;
    ++pos;
    return kReplacementCharacter;
}

}  // namespace ter5::engine
