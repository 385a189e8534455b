#include "base/WinePaths.h"

#include <cctype>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "base/PathNames.h"
#include "engine/FileUtil.h"

namespace fs = std::filesystem;

namespace ter5::base {

namespace {

std::vector<std::string> SplitComponents(std::string_view path) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!current.empty()) parts.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) parts.push_back(std::move(current));
    return parts;
}

// Appends the components to `base`, each in the case found on disk.
fs::path Descend(fs::path base, const std::vector<std::string>& parts, std::size_t from) {
    bool resolving = true;
    for (std::size_t i = from; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part == ".") continue;
        if (resolving) {
            if (auto found = engine::FindFileNoCase(base, part)) {
                base = *found;
                continue;
            }
            resolving = false;
        }
        base /= PathFromUtf8(part);
    }
    return base;
}

}  // namespace

WinePathMapper::WinePathMapper(fs::path prefix) : prefix_(std::move(prefix)) {}

fs::path WinePathMapper::DefaultPrefix() {
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : ".") / ".wine";
}

bool WinePathMapper::IsWindowsPath(std::string_view path) {
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':')
        return true;
    return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

fs::path WinePathMapper::DriveDirectory(char letter) const {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    const fs::path device = prefix_ / "dosdevices" / (std::string(1, lower) + ":");
    std::error_code ec;
    if (lower == 'c' && !fs::exists(device, ec) && fs::is_directory(prefix_ / "drive_c", ec))
        return prefix_ / "drive_c";
    // The drive link itself is resolved ("../drive_c", "/"); links further down are
    // the user's own and stay as they are.
    if (fs::is_symlink(device, ec)) {
        const fs::path target = fs::read_symlink(device, ec);
        if (!ec) return (target.is_absolute() ? target : device.parent_path() / target).lexically_normal();
    }
    return device;
}

std::string WinePathMapper::ToHost(std::string_view path) const {
    if (!IsWindowsPath(path)) {
        std::string host(path);
        for (char& c : host)
            if (c == '\\') c = '/';
        return host;
    }
    if (path[1] == ':') {
        const std::vector<std::string> parts = SplitComponents(path.substr(2));
        return PathToUtf8(Descend(DriveDirectory(path[0]), parts, 0));
    }
    const std::vector<std::string> parts = SplitComponents(path);
    return PathToUtf8(Descend(prefix_ / "dosdevices" / "unc", parts, 0));
}

std::string WinePathMapper::ToWindows(const std::string& hostPath) const {
    const fs::path path = fs::absolute(PathFromUtf8(hostPath)).lexically_normal();
    std::error_code ec;
    // The drives present, a to z, with their directories.
    std::vector<std::pair<char, fs::path>> drives;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        const fs::path directory = DriveDirectory(letter);
        if (fs::is_directory(directory, ec)) drives.emplace_back(letter, directory);
    }
    // From the path itself up to the root, the first ancestor that is a drive's directory.
    std::vector<std::string> rest;
    for (fs::path ancestor = path;; ancestor = ancestor.parent_path()) {
        for (const auto& [letter, directory] : drives) {
            if (!fs::equivalent(ancestor, directory, ec)) continue;
            std::string windows(1, static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
            windows += ':';
            for (auto part = rest.rbegin(); part != rest.rend(); ++part) windows += '\\' + *part;
            return rest.empty() ? windows + '\\' : windows;
        }
        if (!ancestor.has_relative_path()) break;  // the root: no drive holds the path
        const std::string name = PathToUtf8(ancestor.filename());
        if (!name.empty()) rest.push_back(name);
    }
    std::string native = "\\\\?\\unix" + PathToUtf8(path);
    for (char& c : native)
        if (c == '/') c = '\\';
    return native;
}

}  // namespace ter5::base
