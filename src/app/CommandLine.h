#pragma once
// The desktop program's command line. It is read before the application object is
// made, so that --help, --version and a mistyped option are answered on a machine
// without a display too. Qt's own options (-platform NAME, -style NAME, -reverse,
// ...) are accepted and left for the application object.

#include <QString>
#include <QStringList>
#include <optional>

namespace ter5::app {

struct CommandLine {
    enum class Action {
        Start,         // start the program
        PrintHelp,     // -h, --help: print CommandLineHelp() and end
        PrintVersion,  // -v, --version: print VersionText() and end
        Fail,          // a wrong argument: print `error` and end with exit code 2
    };
    Action action = Action::Start;
    bool show = false;          // --show: the main window at start, not only the tray icon
    bool platformGiven = false; // -platform NAME chooses Qt's window system
    QString error;              // for Fail: what is wrong, e.g. "unknown option '--x'"
};

// Reads `arguments`, the program's name first.
CommandLine ParseCommandLine(const QStringList& arguments);

// The text of --help: usage, the options and where the program keeps its files.
QString CommandLineHelp();

// The text of --version: "ter5manager 1.0.0.2".
QString VersionText();

// Prints what a PrintHelp, PrintVersion or Fail command line asks for (help and
// version on standard output, errors on standard error) and returns the exit
// code; nothing for Start.
std::optional<int> AnswerCommandLine(const CommandLine& commandLine);

// A message when the program cannot show a window: on X11 and Wayland systems,
// when neither DISPLAY nor WAYLAND_DISPLAY nor QT_QPA_PLATFORM nor -platform
// names one. Empty when a window system is there (or is the system's own).
QString MissingDisplayMessage(const CommandLine& commandLine);

}  // namespace ter5::app
