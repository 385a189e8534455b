#pragma once
// `LaunchCompanionProgram`: starts the companion program of the product family on
// a base directory, the first of its executables present in the directory the
// machine setting `PathWorkFiles` names.

#include <functional>
#include <optional>
#include <string>

namespace ter5::base {

class Platform;

// Executables in the order they are looked for; the first one present is started.
inline constexpr const char* kCompanionExecutables[] = {
    "Ter5.exe", "Ter5Lt.exe", "Ter5Kx.exe", "Ter5LtKx.exe", "Ter5Rc.exe", "Mbook.exe",
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
    // starts the first executable present with `base` as working directory. With
    // none present nothing happens and nothing is reported; a missing Wine or a
    // refused start is reported. Returns true when a program was started.
    bool Launch(const std::string& base);

    static std::string DirectoryMissingMessage(const std::string& base);
    static std::string TablesMissingMessage(const std::string& base);
    static std::string WineMissingMessage();
    static std::string StartFailedMessage(const std::string& program, const std::string& error);

private:
    Platform& platform_;
    MessageSink messages_;
};

}  // namespace ter5::base
