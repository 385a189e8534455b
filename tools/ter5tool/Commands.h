#pragma once
// Sub-command registry of ter5tool. Each command lives in its own source file and
// registers itself with a static CommandRegistration.

#include <functional>
#include <string>
#include <vector>

namespace ter5::tool {

// A command gets the arguments after its name and returns the process exit code.
using CommandFn = std::function<int(const std::vector<std::string>& args)>;

struct CommandInfo {
    std::string name;
    std::string usage;  // one line: arguments, two spaces, then what the command does
    CommandFn run;
    std::string help;   // further lines of `COMMAND --help` (options, exit codes); may be empty
};

// Registers a command at static-initialisation time. `help` is printed under the
// usage line by `ter5tool COMMAND --help`.
struct CommandRegistration {
    CommandRegistration(std::string name, std::string usage, CommandFn run, std::string help = {});
};

// Runs the command named by args[0]. `--help`, `-h` and `help [COMMAND]` print
// the command list or one command's help on standard output (exit 0); `--version`
// prints the program's version (exit 0); `COMMAND --help` anywhere before a "--"
// prints that command's help instead of running it. A missing or unknown command
// or option prints the command list on standard error (exit 2).
int RunCommand(const std::vector<std::string>& args);

// True for an argument written as an option: "--name", "--name=value" or a dash
// and a letter ("-o"); "-", "-5" and "-0.25" are values.
bool IsOption(const std::string& arg);

// Throws EngineError "unknown option 'ARG'" for the first argument of `args`
// that is an option, for commands that take none.
void RejectOptions(const std::vector<std::string>& args);

}  // namespace ter5::tool
