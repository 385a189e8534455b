#include "Collation.h"

#include <cstdint>

#include "Utf8.h"

namespace ter5::engine {
namespace {

// Weight classes of the dictionary order; the class sits above the 24 value bits.
constexpr int kClassShift = 24;
constexpr char32_t kClassPunctuation = 1;
constexpr char32_t kClassDigit = 2;
constexpr char32_t kClassLatin = 3;
constexpr char32_t kClassCyrillic = 4;
constexpr char32_t kClassOther = 5;
// Letters outside the core alphabets sort after it within their class.
constexpr char32_t kAfterAlphabet = 0x100;

// Cyrillic code points used by folding and ordering.
constexpr char32_t kCyrillicA = 0x0410;        // А
constexpr char32_t kCyrillicYa = 0x042F;       // Я
constexpr char32_t kCyrillicIe = 0x0415;       // Е
constexpr char32_t kCyrillicIo = 0x0401;       // Ё
constexpr char32_t kCyrillicSmallA = 0x0430;   // а
constexpr char32_t kCyrillicSmallYa = 0x044F;  // я
constexpr char32_t kCyrillicBlockEnd = 0x04FF;
// Letter distance between upper and lower case in the contiguous alphabets.
constexpr char32_t kCaseOffset = 0x20;
// ѐ-џ (U+0450-U+045F) sit 0x50 above Ѐ-Џ (U+0400-U+040F).
constexpr char32_t kCyrillicExtraOffset = 0x50;

char32_t Weight(char32_t cls, char32_t value) { return (cls << kClassShift) | value; }

bool InRange(char32_t c, char32_t lo, char32_t hi) { return c >= lo && c <= hi; }

// True for code points that are punctuation or symbols rather than letters:
// Latin-1 symbols, × and ÷, general punctuation through the symbol blocks, CJK
// punctuation and the full-width ASCII punctuation.
bool IsPunctuationBlock(char32_t c) {
    return c < 0x30 || InRange(c, 0x3A, 0x40) || InRange(c, 0x5B, 0x60) || InRange(c, 0x7B, 0xBF) || c == 0xD7 ||
           c == 0xF7 || InRange(c, 0x2000, 0x2BFF) || InRange(c, 0x3000, 0x303F) || InRange(c, 0xFF00, 0xFF0F);
}

}  // namespace

std::u32string DecodeUtf8(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) out.push_back(NextCodePointOrReplacement(utf8, i));
    return out;
}

char32_t FoldCase(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - kCaseOffset : c;
    if (InRange(c, 0xE0, 0xFE) && c != 0xF7) return c - kCaseOffset;
    if (c == 0xFF) return 0x178;  // ÿ → Ÿ
    // Latin Extended-A: pairs with the upper case first, except 0x139-0x148 and 0x179-0x17E.
    if (InRange(c, 0x100, 0x137) || InRange(c, 0x14A, 0x177)) return (c & 1) ? c - 1 : c;
    if (InRange(c, 0x139, 0x148) || InRange(c, 0x179, 0x17E)) return (c & 1) ? c : c - 1;
    if (InRange(c, 0x3B1, 0x3C9)) return c == 0x3C2 ? 0x3A3 : c - kCaseOffset;  // final sigma → Σ
    if (InRange(c, kCyrillicSmallA, kCyrillicSmallYa)) return c - kCaseOffset;
    if (InRange(c, 0x450, 0x45F)) return c - kCyrillicExtraOffset;
    if (InRange(c, 0x460, 0x481) || InRange(c, 0x48A, 0x4BF)) return (c & 1) ? c - 1 : c;
    return c;
}

std::u32string FoldedText(std::string_view utf8) {
    std::u32string out;
    FoldTextInto(utf8, out);
    return out;
}

void FoldTextInto(std::string_view utf8, std::u32string& out) {
    out.clear();
    for (std::size_t i = 0; i < utf8.size();) out.push_back(FoldCase(NextCodePointOrReplacement(utf8, i)));
}

char32_t RussianSortWeight(char32_t c) {
    c = FoldCase(c);
    if (c >= '0' && c <= '9') return Weight(kClassDigit, c - '0');
    if (c >= 'A' && c <= 'Z') return Weight(kClassLatin, c - 'A');
    if (IsPunctuationBlock(c)) return Weight(kClassPunctuation, c);
    if (c < 0x370) return Weight(kClassLatin, kAfterAlphabet + c);
    if (c == kCyrillicIo) return Weight(kClassCyrillic, kCyrillicIe - kCyrillicA + 1);
    if (InRange(c, kCyrillicA, kCyrillicYa)) {
        const char32_t rank = c - kCyrillicA;
        return Weight(kClassCyrillic, rank <= kCyrillicIe - kCyrillicA ? rank : rank + 1);
    }
    if (InRange(c, 0x400, kCyrillicBlockEnd)) return Weight(kClassCyrillic, kAfterAlphabet + c);
    return Weight(kClassOther, c);
}

void AppendRussianSortKey(std::string_view utf8, std::u32string& key) {
    for (std::size_t i = 0; i < utf8.size();) key.push_back(RussianSortWeight(NextCodePointOrReplacement(utf8, i)));
}

std::u32string RussianSortKey(std::string_view utf8) {
    std::u32string key;
    key.reserve(utf8.size());
    AppendRussianSortKey(utf8, key);
    return key;
}

}  // namespace ter5::engine
