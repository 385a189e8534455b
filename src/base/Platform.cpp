#include "base/Platform.h"

#include <iterator>

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

std::string InvalidRegistryTypeMessage(const std::string& name, const std::string& origin, unsigned long type) {
    // The names of the registry's value types (winnt.h) other than the two text ones.
    static constexpr const char* kTypeNames[] = {"REG_NONE", "", "", "REG_BINARY", "REG_DWORD", "REG_DWORD_BIG_ENDIAN",
                                                 "REG_LINK", "REG_MULTI_SZ", "REG_RESOURCE_LIST",
                                                 "REG_FULL_RESOURCE_DESCRIPTOR", "REG_RESOURCE_REQUIREMENTS_LIST",
                                                 "REG_QWORD"};
    const std::string typeName = type < std::size(kTypeNames) && *kTypeNames[type] ? std::string(kTypeNames[type])
                                                                                  : "тип " + std::to_string(type);
    return "Параметр " + name + " (" + origin + ") имеет недопустимый тип " + typeName + "; нужна строка (REG_SZ)";
}

}  // namespace ter5::base
