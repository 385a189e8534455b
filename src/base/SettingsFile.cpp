#include "base/SettingsFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "base/PathNames.h"
#include "base/Platform.h"
#include "engine/FileUtil.h"

namespace fs = std::filesystem;

namespace ter5::base {

namespace {

// Directory and file name of the user's settings under the configuration directory.
constexpr const char* kSettingsDirectory = "ter5manager";
constexpr const char* kSettingsFileName = "ter5manager.conf";

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

#ifdef _WIN32
// A variable of the environment as a path. The narrow environment is in the ANSI
// code page, which cannot hold every user's folder name ("C:\Users\Иван" under
// an English system); the wide one holds them all.
fs::path EnvironmentPath(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? fs::path(value) : fs::path();
}
#endif

std::string Unquote(std::string value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

SettingsFile SettingsFile::Parse(std::string_view text, fs::path path) {
    SettingsFile settings;
    settings.path_ = std::move(path);
    settings.exists_ = true;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte-order mark from a Windows editor
    std::string section;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string line = TrimBlanks(std::string(text.substr(start, end - start)));
        start = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = TrimBlanks(line.substr(1, line.size() - 2));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        settings.entries_.push_back(
            {section, TrimBlanks(line.substr(0, equals)), Unquote(TrimBlanks(line.substr(equals + 1)))});
    }
    return settings;
}

SettingsFile SettingsFile::Load(const fs::path& path) {
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        SettingsFile none;
        none.path_ = path;
        return none;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("Невозможно прочитать файл настроек " + PathToUtf8(path) + ": " +
                                 std::strerror(errno));
    }
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str(), path);
}

std::optional<std::string> SettingsFile::Value(std::string_view key, std::optional<std::string_view> section) const {
    for (const Entry& entry : entries_) {
        if (section && !engine::EqualsNoCase(entry.section, std::string(*section))) continue;
        if (engine::EqualsNoCase(entry.key, std::string(key))) return entry.value;
    }
    return std::nullopt;
}

fs::path UserSettingsPath() {
#ifdef _WIN32
    fs::path config = EnvironmentPath(L"APPDATA");
    if (config.empty() || config.is_relative()) config = EnvironmentPath(L"USERPROFILE") / "AppData" / "Roaming";
#else
    fs::path config = PathFromUtf8(Environment("XDG_CONFIG_HOME"));
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
    if (config.empty() || config.is_relative()) config = ExpandHome("~/.config");
#endif
    return config / kSettingsDirectory / kSettingsFileName;
}

fs::path ExpandHome(const std::string& path) {
    if (path == "~" || path.starts_with("~/")) {
        const std::string home = Environment("HOME");
        const fs::path homePath = PathFromUtf8(home.empty() ? "." : home);
        return path.size() > 2 ? homePath / PathFromUtf8(path.substr(2)) : homePath;
    }
    return PathFromUtf8(path);
}

}  // namespace ter5::base
