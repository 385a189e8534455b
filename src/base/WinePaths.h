#pragma once
// Maps the Windows paths the companion program writes and the machine setting
// holds ("C:\Ter\", lines of ter.lst) to files of the Wine prefix it runs in.
//
// A drive letter X: maps to the directory the link <prefix>/dosdevices/x: points
// to, resolved (C: is <prefix>/drive_c, Z: is /), so paths are shown as the user
// finds them in a file manager; drive C: falls back to <prefix>/drive_c when the
// link is missing. A UNC path \\server\share maps to
// <prefix>/dosdevices/unc/server/share. Components are matched without regard to
// case, as Wine does; components that do not exist are kept as written. Other
// paths are host paths already; only their backslashes become slashes.
//
// The other way, a host path is named from the drive whose directory holds it
// most closely, as Wine names the working directory it hands a program.

#include <filesystem>
#include <string>
#include <string_view>

namespace ter5::base {

class WinePathMapper {
public:
    explicit WinePathMapper(std::filesystem::path prefix);

    // ~/.wine, Wine's own default.
    static std::filesystem::path DefaultPrefix();

    const std::filesystem::path& Prefix() const { return prefix_; }

    // True for "X:..." and "\\server\share..." paths.
    static bool IsWindowsPath(std::string_view path);

    // The host path (UTF-8) of a Windows path; other paths with their backslashes
    // turned into slashes.
    std::string ToHost(std::string_view path) const;

    // The Windows path of a host path: the drive whose directory is the path's
    // nearest ancestor, then the rest with backslashes ("C:\Bases\Town");
    // "\\?\unix" and the path when no drive holds it.
    std::string ToWindows(const std::string& hostPath) const;

private:
    std::filesystem::path DriveDirectory(char letter) const;

    std::filesystem::path prefix_;
};

}  // namespace ter5::base
