#include "base/DirectoryOperations.h"

#include <filesystem>
#include <system_error>

#include "base/PathNames.h"

namespace fs = std::filesystem;

namespace ter5::base {

namespace {

fs::path Normalised(const std::string& path) {
    fs::path p = PathFromUtf8(path).lexically_normal();
    if (!p.has_filename() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();
    return p;
}

}  // namespace

bool CreateDirectoryOneLevel(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::create_directory(PathFromUtf8(path), ec) && !ec;
}

bool RenameDirectory(const std::string& from, const std::string& to) {
    std::error_code ec;
    const fs::path source = PathFromUtf8(from);
    const fs::path target = PathFromUtf8(to);
    if (!fs::is_directory(source, ec) || to.empty()) return false;
    // rename() would replace an empty directory of the new name; a rename must not.
    if (fs::exists(target, ec) && !fs::equivalent(source, target, ec)) return false;
    fs::rename(source, target, ec);
    return !ec;
}

bool RemoveEmptyDirectory(const std::string& path) {
    std::error_code ec;
    const fs::path dir = PathFromUtf8(path);
    if (!fs::is_directory(dir, ec) || !fs::is_empty(dir, ec) || ec) return false;
    return fs::remove(dir, ec) && !ec;
}

bool IsSameOrBelow(const std::string& path, const std::string& ancestor) {
    const std::string p = PathToUtf8(Normalised(path));
    std::string a = PathToUtf8(Normalised(ancestor));
    if (p == a) return true;
    if (a.empty()) return false;
    if (a.back() != '/' && a.back() != kPathSeparator) a += kPathSeparator;
    return p.compare(0, a.size(), a) == 0;
}

}  // namespace ter5::base
