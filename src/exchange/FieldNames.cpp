#include "exchange/FieldNames.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

namespace ter5::exchange {

namespace {

// Long names of the exported layers and their fixed short forms.
struct KnownName {
    const char* Long;
    const char* Short;
};
constexpr KnownName kKnownNames[] = {
    {"IdentificationCode", "IdentCode"},
};

// First byte of a UTF-8 continuation: 10xxxxxx.
bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The name folded to lower case, for the repeat test (ASCII letters only: dBASE readers
// compare names that way).
std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

}  // namespace

std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    while (end > 0 && IsContinuation(text[end])) --end;
    return text.substr(0, end);
}

std::vector<std::string> ShortFieldNames(const std::vector<std::string>& names, std::size_t maxBytes) {
    std::vector<std::string> result;
    std::unordered_set<std::string> taken;
    for (const std::string& name : names) {
        std::string candidate = name;
        if (candidate.size() > maxBytes) {
            const auto* known = std::find_if(std::begin(kKnownNames), std::end(kKnownNames),
                                             [&](const KnownName& k) { return name == k.Long; });
            candidate = known != std::end(kKnownNames) ? known->Short : std::string(CutUtf8(name, maxBytes));
        }
        const std::string base = candidate;
        for (int n = 1; taken.count(Folded(candidate)) != 0; ++n) {
            const std::string suffix = "_" + std::to_string(n);
            candidate = std::string(CutUtf8(base, maxBytes - suffix.size())) + suffix;
        }
        taken.insert(Folded(candidate));
        result.push_back(candidate);
    }
    return result;
}

}  // namespace ter5::exchange
