#pragma once
// The pattern of an SQL LIKE condition: "%" matches any run of characters (none
// included), "_" exactly one character, anything else itself. Matching ignores
// case by the folding of Collation.h, Cyrillic included, as the tables of a base
// hold names typed in any case; there is no escape character.

#include <string>
#include <string_view>

namespace ter5::engine {

class LikePattern {
public:
    // Compiles a UTF-8 pattern.
    explicit LikePattern(std::string_view pattern);

    // True when the whole of the UTF-8 text matches the pattern.
    bool Matches(std::string_view text) const;

    // True when the already folded code points match the pattern.
    bool MatchesFolded(std::u32string_view text) const;

private:
    std::u32string pattern_;                // folded pattern
    mutable std::u32string scratch_;        // folded text of the last Matches call
};

}  // namespace ter5::engine
