#pragma once
// The platform layer for Linux, where the companion program runs under Wine.
//
// The machine setting (PathWorkFiles) is looked for, in this order, in
//   1. the user's settings file (SettingsFile.h),
//   2. the registry of the companion program's Wine prefix: system.reg, key
//      HKLM\Software\Terrakon, then HKLM\Software\Wow6432Node\Terrakon (where a
//      32-bit installer writes in a 64-bit prefix),
//   3. the system-wide settings file /etc/ter5manager.conf, in the same form as the
//      user's,
//   4. the old system-wide file /etc/terrakon.conf, section [SOFTWARE\Terrakon]
//      (TER5_MACHINE_SETTINGS names one file to read instead of these two);
// the first non-blank value counts. The Wine prefix is $WINEPREFIX, else the
// settings files' WinePrefix, else ~/.wine.
//
// Links and mails are opened with xdg-open, whose exit status tells whether a
// program for them was found.

#ifndef _WIN32

#include <filesystem>
#include <string>

#include "base/Platform.h"
#include "base/WinePaths.h"

namespace ter5::base {

class LinuxPlatform : public Platform {
public:
    struct Options {
        std::filesystem::path userSettings;    // the user's settings file
        std::filesystem::path systemSettings;  // the system-wide settings file
        std::filesystem::path legacySettings;  // the old system-wide file with its section
        std::filesystem::path winePrefix;      // empty: from the settings files, else ~/.wine
        std::string searchPath;                // where `wine` and `xdg-open` are looked for (PATH form)
    };

    // Options from the environment: XDG_CONFIG_HOME, TER5_MACHINE_SETTINGS,
    // WINEPREFIX, PATH.
    static Options DefaultOptions();

    LinuxPlatform();
    explicit LinuxPlatform(Options options);

    SettingLookup LookupMachineSetting(const std::string& name) const override;
    std::string UserSettingsFile() const override;
    std::optional<std::string> ReadSetting(const std::string& key) const override;
    std::string HostPath(const std::string& path) const override;
    std::string CompanionPath(const std::string& hostPath) const override;
    StartResult StartProgram(const std::string& program, const std::string& workingDirectory) override;
    StartResult OpenExternal(const std::string& target) override;

    // The Wine prefix of the companion program, as the options and settings name it.
    std::filesystem::path WinePrefix() const;

    // The full path of `wine` on the search path; empty when there is none.
    std::string FindWine() const;

private:
    Options options_;
};

}  // namespace ter5::base

#endif
