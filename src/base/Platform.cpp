#include "base/Platform.h"

namespace ter5::base {

std::string Platform::ReadMachineSetting(const std::string& name, const std::string& defaultText) const {
    const SettingLookup found = LookupMachineSetting(name);
    return found.value ? *found.value : defaultText;
}

std::string TrimBlanks(const std::string& text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::string::size_type first = 0;
    std::string::size_type last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

}  // namespace ter5::base
