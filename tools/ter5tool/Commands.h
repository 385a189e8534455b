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
    std::string usage;  // one line: arguments and what the command does
    CommandFn run;
};

// Registers a command at static-initialisation time.
struct CommandRegistration {
    CommandRegistration(std::string name, std::string usage, CommandFn run);
};

// Runs the command named by args[0]; prints usage for an unknown or missing name.
int RunCommand(const std::vector<std::string>& args);

}  // namespace ter5::tool
