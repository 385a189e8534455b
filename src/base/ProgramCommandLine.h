#pragma once
// The desktop program's command line, the same on Linux and Windows: --show, --help,
// --version, and the options a front end's toolkit reads itself (Qt's -platform NAME,
// -style NAME, -reverse, ...), which are accepted and left to it. Read before any window
// exists, so that --help, --version and a mistyped option are answered on a machine
// without a display too.

#include <span>
#include <string>
#include <vector>

namespace ter5::base {

struct ProgramCommand {
    enum class Action {
        Start,         // start the program
        PrintHelp,     // -h, --help, -?: print the help and end
        PrintVersion,  // -v, --version: print ProgramVersionText() and end
        Fail,          // a wrong argument: print `error` and end with exit code 2
    };
    Action action = Action::Start;
    bool show = false;               // --show: the main window at start, not only the tray icon
    std::vector<std::string> given;  // the toolkit's options given, by name ("platform")
    std::string error;               // for Fail: what is wrong, e.g. "unknown option '--x'"
};

// The options a toolkit reads from the command line itself: those taking a value and the
// flags. Either may be empty (the Windows program has none).
struct ToolkitOptions {
    std::span<const char* const> withValue;
    std::span<const char* const> flags;
};

// Reads `arguments` (UTF-8, without the program's name). An option is written with one
// dash or two, a value after a space or '='. Help wins over version, and both over a
// mistake, wherever they stand.
ProgramCommand ParseProgramArguments(const std::vector<std::string>& arguments, const ToolkitOptions& toolkit = {});

// The text of --help: the usage line ("usage: ter5manager [--show]" and `usageTail`), what
// the program is, its options, then `notes` (what a front end adds: its toolkit's options,
// where it keeps its files), each line within 79 columns.
std::string ProgramHelpText(const std::string& usageTail, const std::string& notes);

// The text of --version: "ter5manager 1.0.0.2".
std::string ProgramVersionText();

// The line that ends a failed command line on standard error:
// "ter5manager: unknown option '--x' (ter5manager --help lists the options)".
std::string ProgramErrorText(const std::string& error);

}  // namespace ter5::base
