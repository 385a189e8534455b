#pragma once
// The platform layer for Windows. The machine setting comes from the user's
// settings file, else from the registry under HKEY_LOCAL_MACHINE, read in the 64-bit
// view and, where the value is missing or blank there, in the 32-bit view (where a
// 32-bit installer writes it). Programs start with CreateProcess, links open with
// ShellExecuteEx.
//
// Paths are Windows paths as they are: the companion program gets the base's own
// path, with backslashes, as its working directory.

#ifdef _WIN32

#include <filesystem>
#include <string>

#include "base/Platform.h"

namespace ter5::base {

class WindowsPlatform : public Platform {
public:
    struct Options {
        std::filesystem::path userSettings;  // the user's settings file
    };

    // The user's settings file under %APPDATA% (SettingsFile.h).
    static Options DefaultOptions();

    WindowsPlatform();
    explicit WindowsPlatform(Options options);

    SettingLookup LookupMachineSetting(const std::string& name) const override;
    std::string UserSettingsFile() const override;
    std::optional<std::string> ReadSetting(const std::string& key) const override;
    std::string HostPath(const std::string& path) const override { return path; }
    // The absolute path with backslashes, as the program's current directory reads.
    std::string CompanionPath(const std::string& hostPath) const override;
    // Starts exactly `program` (never a shorter path ending at a blank of it) with
    // its quoted path as the whole command line.
    StartResult StartProgram(const std::string& program, const std::string& workingDirectory) override;
    StartResult OpenExternal(const std::string& target) override;
    void AddToRecentDocuments(const std::string& path) override;

private:
    Options options_;
};

}  // namespace ter5::base

#endif
