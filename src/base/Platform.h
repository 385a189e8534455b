#pragma once
// What the base layer needs of the host system: the one machine-wide setting,
// the paths the companion program writes, and starting the companion program.
//
// Windows reads the registry and starts the program itself; Linux reads a
// system-wide settings file and starts the program through Wine, mapping the
// Windows paths the companion program uses to the Wine prefix's drives.

#include <memory>
#include <string>

namespace ter5::base {

// Key of the machine setting (under HKEY_LOCAL_MACHINE on Windows, the section
// of the settings file elsewhere) and the one value the program reads.
inline constexpr const char* kMachineSettingKey = "SOFTWARE\\Terrakon";
inline constexpr const char* kPathWorkFiles = "PathWorkFiles";

enum class StartStatus {
    Started,         // the process runs
    LauncherMissing, // the program needed to run it (Wine) is not installed
    Failed,          // the system refused to start it; `error` says why
};

struct StartResult {
    StartStatus status = StartStatus::Started;
    std::string error;
};

class Platform {
public:
    virtual ~Platform() = default;

    // `ReadMachineSetting`: the value `name` of the machine setting; `defaultText`
    // when the setting or value is missing or blank. A value of a type other than
    // text throws std::runtime_error.
    virtual std::string ReadMachineSetting(const std::string& name, const std::string& defaultText) const = 0;

    // The local path of a path as the companion program writes it (a Windows path
    // under Wine); the path itself where the two agree.
    virtual std::string HostPath(const std::string& path) const = 0;

    // Starts `program` (a path as composed from the machine setting) as a new
    // process with `workingDirectory` (a local path) as its working directory,
    // without arguments and without waiting for it.
    virtual StartResult StartProgram(const std::string& program, const std::string& workingDirectory) = 0;

    // Adds `path` to the desktop's list of recently used documents, where it keeps one.
    virtual void AddToRecentDocuments(const std::string& /*path*/) {}
};

// The implementation for the system the program was built for.
std::unique_ptr<Platform> CreatePlatform();

// Blanks at both ends removed (for the "blank value means default" rule).
std::string TrimBlanks(const std::string& text);

}  // namespace ter5::base
