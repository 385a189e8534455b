#pragma once
// The platform layer for Linux, where the companion program runs under Wine.
//
// The machine setting is read from a system-wide settings file in INI form
// (default /etc/terrakon.conf; TER5_MACHINE_SETTINGS overrides it):
//
//     [SOFTWARE\Terrakon]
//     PathWorkFiles=D:\Prog
//
// A value may be enclosed in double quotes to keep blanks at its ends. A missing
// file, section or value, or a blank value, gives the default.

#ifndef _WIN32

#include <filesystem>
#include <string>

#include "base/Platform.h"
#include "base/WinePaths.h"

namespace ter5::base {

class LinuxPlatform : public Platform {
public:
    struct Options {
        std::filesystem::path settingsFile;  // the system-wide settings file
        std::filesystem::path winePrefix;    // the Wine prefix of the companion program
        std::string searchPath;              // where `wine` is looked for (PATH form)
    };

    // Options from the environment: TER5_MACHINE_SETTINGS, WINEPREFIX, PATH.
    static Options DefaultOptions();

    LinuxPlatform();
    explicit LinuxPlatform(Options options);

    std::string ReadMachineSetting(const std::string& name, const std::string& defaultText) const override;
    std::string HostPath(const std::string& path) const override;
    StartResult StartProgram(const std::string& program, const std::string& workingDirectory) override;

    // The full path of `wine` on the search path; empty when there is none.
    std::string FindWine() const;

private:
    Options options_;
    WinePathMapper mapper_;
};

}  // namespace ter5::base

#endif
