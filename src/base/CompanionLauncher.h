#pragma once
// `LaunchCompanionProgram`: starts the companion program of the product family on
// a base directory, the first of its executables present in the directory the
// machine setting `PathWorkFiles` names.

#include <functional>
#include <optional>
#include <string>

#include "base/Platform.h"

namespace ter5::base {

// Executables in the order they are looked for; the first one present is started.
inline constexpr const char* kCompanionExecutables[] = {
    "Ter5.exe", "Ter5Lt.exe", "Ter5Kx.exe", "Ter5LtKx.exe", "Ter5Rc.exe", "Mbook.exe",
};

// What became of a start.
enum class LaunchOutcome {
    Started,            // the program runs (or, for a dry run, was found and would start)
    ExecutableMissing,  // none of the executables is in the program's directory
    BaseMissing,        // the directory or one of its tables is missing
    StartFailed,        // Wine is missing or the system refused the start
};

struct LaunchReport {
    LaunchOutcome outcome = LaunchOutcome::BaseMissing;
    std::string program;           // the executable as composed from the setting ("C:\Ter\Ter5.exe")
    std::string hostProgram;       // the same as a local path
    std::string directory;         // the base directory, a local path
    std::string companionDirectory;  // the base directory as the program sees it (a Windows path under Wine)
};

class CompanionLauncher {
public:
    // Receives each message for the user, in order.
    using MessageSink = std::function<void(const std::string&)>;

    CompanionLauncher(Platform& platform, MessageSink messages);

    // `PathWorkFiles` (default "C:\Ter\") with a backslash at its end.
    std::string ExecutableDirectory() const;

    // The first executable present, as the executable directory + its name.
    std::optional<std::string> FindExecutable() const;

    // Checks the base directory and its tables, reporting what is missing, then
    // starts the first executable present with `base` as working directory; with
    // `dryRun` everything but the start. None present is reported with the folder
    // searched and where that folder is set; so are a missing Wine and a refused
    // start.
    LaunchReport Launch(const std::string& base, bool dryRun = false);

    static std::string DirectoryMissingMessage(const std::string& base);
    static std::string TablesMissingMessage(const std::string& base);
    static std::string WineMissingMessage();
    static std::string StartFailedMessage(const std::string& program, const std::string& error);
    // None of the executables in `directory` (as set; `hostDirectory` where it lies
    // locally); `lookup` says where the setting was found, `settingsFile` where the
    // user sets it.
    static std::string ExecutableMissingMessage(const std::string& directory, const std::string& hostDirectory,
                                                const SettingLookup& lookup, const std::string& settingsFile);

private:
    Platform& platform_;
    MessageSink messages_;
};

}  // namespace ter5::base
