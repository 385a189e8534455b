#include "base/PathNames.h"

#include <system_error>

#include "engine/FileUtil.h"

namespace fs = std::filesystem;

namespace ter5::base {

std::string JoinPath(const std::string& dir, const std::string& name) {
    return dir + kPathSeparator + name;
}

bool FileExistsNoCase(const std::string& dir, const std::string& name) {
    return engine::FindFileNoCase(PathFromUtf8(dir), name).has_value();
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(PathFromUtf8(path), ec);
}

bool IsBaseDirectory(const std::string& dir) {
    if (!DirectoryExists(dir)) return false;
    for (const char* name : kBaseTableNames) {
        if (!FileExistsNoCase(dir, name)) return false;
    }
    return true;
}

std::string LastPathComponent(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == '/' || trimmed.back() == kPathSeparator))
        trimmed.pop_back();
    const auto cut = trimmed.find_last_of(std::string("/") + kPathSeparator);
    if (cut == std::string::npos) return trimmed;
    return trimmed.substr(cut + 1);
}

}  // namespace ter5::base
