#pragma once
// What the base layer needs of the host system: the machine setting naming the
// companion program's folder, the paths the companion program writes, starting the
// companion program, and opening web and mail links with the desktop's programs.
//
// Windows reads the user's settings file and then the registry, and starts the
// program itself. Linux reads the user's settings file, the registry of the Wine
// prefix the companion program was installed into, and the system-wide settings
// file, and starts the program through Wine, mapping the Windows paths it uses to
// the prefix's drives.

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ter5::base {

// Key of the machine setting (under HKEY_LOCAL_MACHINE in the registry, the section
// of the old system-wide settings file) and the one value the program reads.
inline constexpr const char* kMachineSettingKey = "SOFTWARE\\Terrakon";
inline constexpr const char* kPathWorkFiles = "PathWorkFiles";

enum class StartStatus {
    Started,         // the process runs (or, for a link, the desktop opened it)
    LauncherMissing, // the program needed to run it (Wine, xdg-open) is not installed
    Failed,          // the system refused to start it; `error` says why
};

struct StartResult {
    StartStatus status = StartStatus::Started;
    std::string error;
};

// A machine setting as found, with where it was looked for.
struct SettingLookup {
    std::optional<std::string> value;   // as read, blanks included; nullopt when no place holds a non-blank one
    std::string origin;                 // where the value was found, for messages; empty without a value
    std::vector<std::string> searched;  // every place looked at, in order
};

class Platform {
public:
    virtual ~Platform() = default;

    // The value `name` of the machine setting from the first place that holds a
    // non-blank one. A registry value of a type other than text throws
    // std::runtime_error naming the value and where it is.
    virtual SettingLookup LookupMachineSetting(const std::string& name) const = 0;

    // `ReadMachineSetting`: the value found, or `defaultText` when no place holds one.
    std::string ReadMachineSetting(const std::string& name, const std::string& defaultText) const;

    // The user's settings file, where the user sets the companion program's folder.
    virtual std::string UserSettingsFile() const = 0;

    // A key of the settings files (SettingsFile.h): the user's, then the system-wide
    // one; nullopt when neither sets a non-blank value.
    virtual std::optional<std::string> ReadSetting(const std::string& key) const = 0;

    // The local path of a path as the companion program writes it (a Windows path
    // under Wine), with the prefix's drive links resolved; the path itself where the
    // two agree.
    virtual std::string HostPath(const std::string& path) const = 0;

    // A local path as the companion program sees it (the Windows path under Wine).
    virtual std::string CompanionPath(const std::string& hostPath) const = 0;

    // Starts `program` (a path as composed from the machine setting) as a new
    // process with `workingDirectory` (a local path) as its working directory,
    // without arguments and without waiting for it.
    virtual StartResult StartProgram(const std::string& program, const std::string& workingDirectory) = 0;

    // Opens a web address or a mailto link with the desktop's default program.
    virtual StartResult OpenExternal(const std::string& target) = 0;

    // Adds `path` to the desktop's list of recently used documents, where it keeps one.
    virtual void AddToRecentDocuments(const std::string& /*path*/) {}
};

// The implementation for the system the program was built for.
std::unique_ptr<Platform> CreatePlatform();

// Blanks at both ends removed (for the "blank value means default" rule).
std::string TrimBlanks(const std::string& text);

// The error for a registry value `name` found at `origin` with a type (a REG_*
// number, winnt.h) other than text, naming the type.
std::string InvalidRegistryTypeMessage(const std::string& name, const std::string& origin, unsigned long type);

}  // namespace ter5::base
