#include "base/ProgramCommandLine.h"

#include <algorithm>
#include <string_view>

#include "base/ProgramVersion.h"

namespace ter5::base {
namespace {

constexpr char kProgram[] = "ter5manager";

bool Among(std::string_view name, std::span<const char* const> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == n; });
}

}  // namespace

ProgramCommand ParseProgramArguments(const std::vector<std::string>& arguments, const ToolkitOptions& toolkit) {
    ProgramCommand result;
    bool help = false;
    bool version = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() < 2 || argument[0] != '-') {
            if (result.error.empty()) result.error = "unexpected argument '" + argument + "'";
            continue;
        }
        // "-platform" as the toolkit spells it; "-h" and "-v" stay one-letter options.
        const std::size_t dashes = argument[1] == '-' ? 2 : 1;
        std::string name = argument.substr(dashes);
        const std::size_t equals = name.find('=');
        const bool valueGiven = equals != std::string::npos;
        if (valueGiven) name.resize(equals);
        if (name == "h" || name == "help" || name == "?") {
            help = true;
        } else if (name == "v" || name == "version") {
            version = true;
        } else if (name == "show") {
            result.show = true;
        } else if (Among(name, toolkit.withValue)) {
            result.given.push_back(name);
            if (!valueGiven && ++i >= arguments.size() && result.error.empty())
                result.error = "Missing value after '" + argument + "'";
        } else if (Among(name, toolkit.flags)) {
            result.given.push_back(name);
        } else if (result.error.empty()) {
            result.error = "unknown option '" + std::string(name.size() == 1 ? "-" : "--") + name + "'";
        }
    }
    if (help) {
        result.action = ProgramCommand::Action::PrintHelp;
    } else if (version) {
        result.action = ProgramCommand::Action::PrintVersion;
    } else if (!result.error.empty()) {
        result.action = ProgramCommand::Action::Fail;
    }
    return result;
}

std::string ProgramHelpText(const std::string& usageTail, const std::string& notes) {
    return std::string("usage: ") + kProgram + " [--show]" + usageTail +
           "\n"
           "\n"
           "TER5 Manager " + kProgramVersion + " finds, browses, searches and maintains the working bases\n"
           "of the TER v.5 programs. It starts in the system tray; a double click on\n"
           "its icon opens the main window.\n"
           "\n"
           "options:\n"
           "  --show         show the main window at start, not only the tray icon\n"
           "  -h, --help     print this help and end\n"
           "  -v, --version  print the version and end\n"
           "\n" + notes;
}

std::string ProgramVersionText() { return std::string(kProgram) + " " + kProgramVersion; }

std::string ProgramErrorText(const std::string& error) {
    return std::string(kProgram) + ": " + error + " (" + kProgram + " --help lists the options)";
}

}  // namespace ter5::base
