#pragma once
// Arguments of the command-line template commands (reindex, create, import):
// positional paths and the options --group, --table, --templates, --recursive.

#include <string>
#include <vector>

namespace ter5::templates {

struct CommandOptions {
    std::vector<std::string> paths;  // positional arguments in order
    std::string group;               // --group NAME (required)
    std::string table;               // --table NAME
    std::string templates = ".";     // --templates DIR: the template tables' directory
    bool recursive = false;          // --recursive
};

// What a command accepts besides --group and --templates.
struct CommandSyntax {
    const char* command;
    bool table = false;
    bool recursive = false;
    std::size_t minPaths = 1;
    std::size_t maxPaths = 1;  // 0: any number
};

// Parses `args` ("--name value" or "--name=value"). Throws std::invalid_argument
// with a message naming the command for unknown options, a missing value, a
// missing --group or the wrong number of paths.
CommandOptions ParseCommandOptions(const std::vector<std::string>& args, const CommandSyntax& syntax);

}  // namespace ter5::templates
