// Case folding, the Russian dictionary order and LIKE patterns.

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/Collation.h"
#include "engine/LikePattern.h"

namespace ter5::engine {
namespace {

TEST(Collation, FoldsCaseOfCyrillicAndLatinLetters) {
    EXPECT_EQ(FoldedText("ёлка Ёж"), FoldedText("ЁЛКА ёЖ"));
    EXPECT_EQ(FoldedText("straße"), FoldedText("STRAßE"));
    EXPECT_EQ(FoldedText("àÿ łŁ"), FoldedText("ÀŸ ŁŁ"));
    EXPECT_EQ(FoldedText("їєґ"), FoldedText("ЇЄҐ"));
    EXPECT_NE(FoldedText("ё"), FoldedText("е"));
    EXPECT_EQ(FoldedText("\xFF" "a"), U"\uFFFDA");  // a stray byte does not hide what follows
    EXPECT_EQ(DecodeUtf8("\xE2\x82"), U"\uFFFD\uFFFD");  // cut short
}

TEST(Collation, RussianDictionaryOrder) {
    std::vector<std::string> words = {"яма", "Ёж", "ель", "Жук", "ёлка", "Ель", "abc", "Zoo", "42", "-", "Ягода", "ЁЖ",
                                      "бег", "Бег", "беГ", "а", "", "Ünal", "ﬁ"};
    std::stable_sort(words.begin(), words.end(),
                     [](const std::string& a, const std::string& b) { return RussianSortKey(a) < RussianSortKey(b); });
    EXPECT_EQ(words, (std::vector<std::string>{"", "-", "42", "abc", "Zoo", "Ünal", "а", "бег", "Бег", "беГ", "ель",
                                               "Ель", "Ёж", "ЁЖ", "ёлка", "Жук", "Ягода", "яма", "ﬁ"}));
}

TEST(LikePattern, WildcardsMatchRunsAndSingleCharacters) {
    struct Case {
        const char* pattern;
        const char* text;
        bool matches;
    } cases[] = {
        {"%ова%", "Петрова Анна", true},   {"%ОВА%", "петрова", true},      {"%ова%", "Сидоров", false},
        {"%", "", true},                   {"", "", true},                  {"", "a", false},
        {"_", "ё", true},                  {"__", "ё", false},              {"п_трова", "Петрова", true},
        {"a%b%c", "aXbYbZc", true},        {"a%b%c", "aXbYbZ", false},      {"%a%a%a", "aaa", true},
        {"%%x", "yx", true},               {"abc%", "ab", false},           {"%ё%", "ель", false},
        {"100%", "100% чистый", true},     {"Д_м %", "Дом 5", true},
    };
    for (const Case& c : cases) EXPECT_EQ(LikePattern(c.pattern).Matches(c.text), c.matches) << c.pattern << " / " << c.text;
}

}  // namespace
}  // namespace ter5::engine
