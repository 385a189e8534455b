#include "base/DirectoryOperations.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include "base/PathNames.h"

namespace fs = std::filesystem;

namespace ter5::base {

namespace {

// Appended to a directory's name for the first step of a rename that changes only
// the case of the name.
constexpr const char* kRenameInBetween = ".ter5-rename";

fs::path Normalised(const std::string& path) {
    fs::path p = PathFromUtf8(path).lexically_normal();
    if (!p.has_filename() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();
    return p;
}

// Whether two names are the same: on Windows without regard to case, as its file
// systems compare them ("C:\Bases\Town" is "c:\bases\TOWN").
bool SameName(const fs::path::string_type& a, const fs::path::string_type& b) {
#ifdef _WIN32
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
#else
    return a == b;
#endif
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
    if (!fs::exists(target, ec)) {
        fs::rename(source, target, ec);
        return !ec;
    }
    if (!fs::equivalent(source, target, ec)) return false;
    // The new name differs in case only, on a file system that ignores case. Some of
    // those (Wine's view of a Unix folder, some shares) report such a rename done and
    // keep the old spelling: it goes by a name of its own in between.
    fs::path between = source;
    between += PathFromUtf8(kRenameInBetween);
    if (fs::exists(between, ec)) return false;
    fs::rename(source, between, ec);
    if (ec) return false;
    fs::rename(between, target, ec);
    if (!ec) return true;
    fs::rename(between, source, ec);
    return false;
}

bool RemoveEmptyDirectory(const std::string& path) {
    std::error_code ec;
    const fs::path dir = PathFromUtf8(path);
    if (!fs::is_directory(dir, ec) || !fs::is_empty(dir, ec) || ec) return false;
    return fs::remove(dir, ec) && !ec;
}

bool IsSameOrBelow(const std::string& path, const std::string& ancestor) {
    const fs::path::string_type p = Normalised(path).native();
    fs::path::string_type a = Normalised(ancestor).native();
    if (SameName(p, a)) return true;
    if (a.empty()) return false;
    if (a.back() != '/' && a.back() != fs::path::preferred_separator) a += fs::path::preferred_separator;
    return p.size() > a.size() && SameName(p.substr(0, a.size()), a);
}

}  // namespace ter5::base
