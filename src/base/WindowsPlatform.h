#pragma once
// The platform layer for Windows: the registry value under HKEY_LOCAL_MACHINE and
// CreateProcess.

#ifdef _WIN32

#include <string>

#include "base/Platform.h"

namespace ter5::base {

class WindowsPlatform : public Platform {
public:
    std::string ReadMachineSetting(const std::string& name, const std::string& defaultText) const override;
    std::string HostPath(const std::string& path) const override { return path; }
    StartResult StartProgram(const std::string& program, const std::string& workingDirectory) override;
    void AddToRecentDocuments(const std::string& path) override;
};

}  // namespace ter5::base

#endif
