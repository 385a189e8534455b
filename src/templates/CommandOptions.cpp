#include "CommandOptions.h"

#include <stdexcept>

namespace ter5::templates {
namespace {

// Options prefix.
constexpr char kOptionPrefix[] = "--";

}  // namespace

CommandOptions ParseCommandOptions(const std::vector<std::string>& args, const CommandSyntax& syntax) {
    const std::string command = syntax.command;
    const auto fail = [&](const std::string& problem) { throw std::invalid_argument(command + ": " + problem); };
    CommandOptions options;
    bool onlyPaths = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyPaths || arg.rfind(kOptionPrefix, 0) != 0) {
            options.paths.push_back(arg);
            continue;
        }
        if (arg == kOptionPrefix) {
            onlyPaths = true;
            continue;
        }
        std::string name = arg.substr(2), value;
        const bool inlineValue = name.find('=') != std::string::npos;
        if (inlineValue) {
            value = name.substr(name.find('=') + 1);
            name = name.substr(0, name.find('='));
        }
        if (name == "recursive" && syntax.recursive && !inlineValue) {
            options.recursive = true;
            continue;
        }
        const bool known = name == "group" || name == "templates" || (name == "table" && syntax.table);
        if (!known) fail("unknown option --" + name);
        if (!inlineValue) {
            if (i + 1 >= args.size()) fail("--" + name + " needs a value");
            value = args[++i];
        }
        (name == "group" ? options.group : name == "table" ? options.table : options.templates) = value;
    }
    if (options.group.empty()) fail("--group NAME is required");
    if (options.templates.empty()) fail("--templates needs a directory");
    if (options.paths.size() < syntax.minPaths) fail("a base directory is required");
    if (syntax.maxPaths > 0 && options.paths.size() > syntax.maxPaths) fail("too many base directories");
    return options;
}

}  // namespace ter5::templates
