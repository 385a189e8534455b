#include "TableNames.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "EngineError.h"
#include "FileUtil.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool HexDigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

bool IsTableFileName(const std::string& name, const std::string& stem, bool withTable) {
    if (name.empty() || name.find_first_of("/\\:") != std::string::npos) return false;
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || !EqualsNoCase(name.substr(0, dot), stem)) return false;
    const std::string e = Upper(name.substr(dot));
    if (e == ".DB") return withTable;
    if (e == ".PX" || e == ".MB" || e == ".VAL") return true;
    if (e.size() < 3 || (e[1] != 'X' && e[1] != 'Y')) return false;
    const std::string number = e.substr(e[2] == 'G' ? 3 : 2);
    return number.size() <= 2 && HexDigits(number);
}

std::vector<std::pair<fs::path, fs::path>> CaseTwins(const fs::path& tablePath) {
    const std::string stem = PathToUtf8(tablePath.stem());
    std::map<std::string, fs::path> seen;
    std::vector<std::pair<fs::path, fs::path>> twins;
    for (const fs::path& file : ListCompanions(tablePath.parent_path(), stem)) {
        const std::string name = PathToUtf8(file.filename());
        if (!IsTableFileName(name, stem, true)) continue;
        const auto [it, first] = seen.emplace(Upper(name), file);
        if (!first) twins.emplace_back(it->second, file);
    }
    return twins;
}

void RefuseCaseTwins(const fs::path& tablePath) {
    const auto twins = CaseTwins(tablePath);
    if (twins.empty()) return;
    const auto& [a, b] = twins.front();
    const bool tables = EqualsNoCase(PathToUtf8(a.extension()), ".DB");
    const fs::path dir = tablePath.parent_path().empty() ? fs::path(".") : tablePath.parent_path();
    Fail(PathToUtf8(dir), std::string("the directory holds two ") + (tables ? "tables" : "files of one table") +
                              " whose names differ only in case (" + PathToUtf8(a.filename()) + " and " +
                              PathToUtf8(b.filename()) +
                              "); Windows programs cannot tell them apart, so nothing was read or written. "
                              "Rename or move one of them");
}

}  // namespace ter5::engine
