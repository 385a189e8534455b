#pragma once
// The platform layer for Windows. The machine setting comes from the user's
// settings file, else from the registry under HKEY_LOCAL_MACHINE, read in the 64-bit
// view and, where the value is missing there, in the 32-bit view (where a 32-bit
// installer writes it). Programs start with CreateProcess, links open with
// ShellExecute.

#ifdef _WIN32

#include <string>

#include "base/Platform.h"

namespace ter5::base {

class WindowsPlatform : public Platform {
public:
    SettingLookup LookupMachineSetting(const std::string& name) const override;
    std::string UserSettingsFile() const override;
    std::optional<std::string> ReadSetting(const std::string& key) const override;
    std::string HostPath(const std::string& path) const override { return path; }
    std::string CompanionPath(const std::string& hostPath) const override { return hostPath; }
    StartResult StartProgram(const std::string& program, const std::string& workingDirectory) override;
    StartResult OpenExternal(const std::string& target) override;
    void AddToRecentDocuments(const std::string& path) override;
};

}  // namespace ter5::base

#endif
