#pragma once
// Maps the Windows paths the companion program writes and the machine setting
// holds ("C:\Ter\", lines of ter.lst) to files of the Wine prefix it runs in.
//
// A drive letter X: maps to <prefix>/dosdevices/x: (drive C: falls back to
// <prefix>/drive_c when the dosdevices link is missing), a UNC path \\server\share
// to <prefix>/dosdevices/unc/server/share. Components are matched without regard
// to case, as Wine does; components that do not exist are kept as written.
// Other paths are host paths already; only their backslashes become slashes.

#include <filesystem>
#include <string>
#include <string_view>

namespace ter5::base {

class WinePathMapper {
public:
    explicit WinePathMapper(std::filesystem::path prefix);

    // $WINEPREFIX, else ~/.wine.
    static std::filesystem::path DefaultPrefix();

    const std::filesystem::path& Prefix() const { return prefix_; }

    // True for "X:..." and "\\server\share..." paths.
    static bool IsWindowsPath(std::string_view path);

    // The host path (UTF-8) of a Windows path; other paths with their backslashes
    // turned into slashes.
    std::string ToHost(std::string_view path) const;

private:
    std::filesystem::path DriveDirectory(char letter) const;

    std::filesystem::path prefix_;
};

}  // namespace ter5::base
