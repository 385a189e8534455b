#include "LikePattern.h"

#include "Collation.h"

namespace ter5::engine {
namespace {

constexpr char32_t kAnyRun = U'%';
constexpr char32_t kAnyOne = U'_';

}  // namespace

LikePattern::LikePattern(std::string_view pattern) : pattern_(FoldedText(pattern)) {}

bool LikePattern::Matches(std::string_view text) const {
    FoldTextInto(text, scratch_);
    return MatchesFolded(scratch_);
}

bool LikePattern::MatchesFolded(std::u32string_view text) const {
    // Greedy matching with one back-track point: the last "%" seen and the text
    // position it was tried at. Linear for the usual "%word%" patterns, at worst
    // pattern × text steps.
    const std::u32string_view p = pattern_;
    std::size_t pi = 0, ti = 0;
    std::size_t starP = std::u32string_view::npos, starT = 0;
    while (ti < text.size()) {
        if (pi < p.size() && p[pi] == kAnyRun) {
            starP = pi++;
            starT = ti;
        } else if (pi < p.size() && (p[pi] == kAnyOne || p[pi] == text[ti])) {
            ++pi;
            ++ti;
        } else if (starP != std::u32string_view::npos) {
            pi = starP + 1;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == kAnyRun) ++pi;
    return pi == p.size();
}

}  // namespace ter5::engine
