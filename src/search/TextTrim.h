#pragma once
// Trimming of typed texts: blanks and control characters (every byte up to the
// space) go at both ends, as the dialog's fields are trimmed before use.

#include <string_view>

namespace ter5::search {

// `text` without the blanks and control characters at its ends.
inline std::string_view TrimBlanks(std::string_view text) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace ter5::search
