#pragma once
// The program's settings files: plain text, one "Key=Value" a line, read by the
// desktop program and by ter5tool alike.
//
//     # The companion program's folder, as a Windows path of the Wine prefix.
//     PathWorkFiles=C:\Program Files\Terrakon
//     WinePrefix=~/.wine-ter
//
// Keys compare without regard to case; blanks around keys and values are dropped,
// and a value in double quotes keeps the blanks inside them. Backslashes are plain
// characters (Windows paths are written as they are). Lines starting with "#" or
// ";" are comments; "[Section]" lines are allowed and, unless a section is asked
// for, ignored. The first definition of a key counts. Text is UTF-8.
//
// The user's file is $XDG_CONFIG_HOME/ter5manager/ter5manager.conf (by default
// ~/.config/ter5manager/ter5manager.conf; on Windows %APPDATA%\ter5manager\...).
// Files are read afresh at every lookup, so an edit counts at once.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ter5::base {

// Keys of the settings file besides PathWorkFiles (Platform.h).
inline constexpr const char* kWinePrefixKey = "WinePrefix";          // the companion program's Wine prefix
inline constexpr const char* kHomePageKey = "HomePage";              // the about window's home page
inline constexpr const char* kOrderPageKey = "OrderPage";            // "Заказать"
inline constexpr const char* kManagerMailKey = "ManagerMail";        // "Менеджер"
inline constexpr const char* kAdministratorMailKey = "AdministratorMail";  // "Администратор"

class SettingsFile {
public:
    // The settings of `path`; a missing file holds none. Throws std::runtime_error
    // naming the file when it exists but cannot be read.
    static SettingsFile Load(const std::filesystem::path& path);

    const std::filesystem::path& Path() const { return path_; }
    // Whether the file was there.
    bool Exists() const { return exists_; }

    // The value of `key` as written (quotes removed); nullopt when the file does not
    // define it. With `section`, only keys under that "[section]" line count.
    std::optional<std::string> Value(std::string_view key, std::optional<std::string_view> section = {}) const;

    // The settings of `text`, as if read from a file at `path`.
    static SettingsFile Parse(std::string_view text, std::filesystem::path path = {});

private:
    struct Entry {
        std::string section;
        std::string key;
        std::string value;
    };

    std::filesystem::path path_;
    bool exists_ = false;
    std::vector<Entry> entries_;
};

// $XDG_CONFIG_HOME/ter5manager/ter5manager.conf, by default under ~/.config (on
// Windows under %APPDATA%, by default %USERPROFILE%\AppData\Roaming, read as UTF-16).
std::filesystem::path UserSettingsPath();

// `path` with a leading "~/" replaced by the home directory.
std::filesystem::path ExpandHome(const std::string& path);

}  // namespace ter5::base
