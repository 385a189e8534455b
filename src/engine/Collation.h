#pragma once
// Text comparison rules of the data-set layer, on UTF-8 text.
//
// Case folding maps a character to its upper-case form for ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic (а-я → А-Я, ё → Ё, ѐ-џ → Ѐ-Џ); Ё stays a letter of
// its own, it does not fold to Е. Locate's case-insensitive option and SQL LIKE use it.
//
// The Russian dictionary order of ORDER BY compares folded text character by
// character by these weights, lowest first:
//   1. spaces, punctuation, symbols and control characters, by code point;
//   2. digits 0-9;
//   3. Latin letters A-Z, then other Latin letters (À, Ł, …) by code point;
//   4. Cyrillic letters in Russian alphabet order, Ё right after Е, then the other
//      Cyrillic letters (Ukrainian, Belarusian, …) by code point;
//   5. every other character by code point.
// A text that is a prefix of another sorts first. Texts equal after folding tie.

#include <string>
#include <string_view>

namespace ter5::engine {

// The code points of UTF-8 text; a malformed sequence gives U+FFFD for its first byte.
std::u32string DecodeUtf8(std::string_view utf8);

// The upper-case form of one character (see above); other characters unchanged.
char32_t FoldCase(char32_t c);

// The code points of UTF-8 text with every character case-folded.
std::u32string FoldedText(std::string_view utf8);

// Like FoldedText, replacing the contents of `out` and reusing its capacity.
void FoldTextInto(std::string_view utf8, std::u32string& out);

// The Russian dictionary sort weight of one character (before folding).
char32_t RussianSortWeight(char32_t c);

// Appends the sort weights of UTF-8 text to `key`: comparing two keys with
// std::u32string's `<` gives the Russian dictionary order of the texts.
void AppendRussianSortKey(std::string_view utf8, std::u32string& key);

// Convenience: the sort key of one text.
std::u32string RussianSortKey(std::string_view utf8);

}  // namespace ter5::engine
