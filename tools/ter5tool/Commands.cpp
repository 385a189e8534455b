#include "Commands.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "engine/EngineError.h"

namespace ter5::tool {
namespace {

std::vector<CommandInfo>& Registry() {
    static std::vector<CommandInfo> commands;
    return commands;
}

void PrintUsage() {
    std::fprintf(stderr, "usage: ter5tool COMMAND [ARGS]\n\ncommands:\n");
    auto commands = Registry();
    std::sort(commands.begin(), commands.end(), [](auto& a, auto& b) { return a.name < b.name; });
    for (const auto& c : commands) std::fprintf(stderr, "  %s %s\n", c.name.c_str(), c.usage.c_str());
}

}  // namespace

CommandRegistration::CommandRegistration(std::string name, std::string usage, CommandFn run) {
    Registry().push_back({std::move(name), std::move(usage), std::move(run)});
}

int RunCommand(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        PrintUsage();
        return 2;
    }
    for (const auto& c : Registry()) {
        if (c.name != args[0]) continue;
        try {
            return c.run(std::vector<std::string>(args.begin() + 1, args.end()));
        } catch (const ter5::engine::EngineError& e) {
            std::fprintf(stderr, "ter5tool %s: %s\n", c.name.c_str(), e.what());
            return 2;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "ter5tool %s: %s\n", c.name.c_str(), e.what());
            return 2;
        }
    }
    std::fprintf(stderr, "ter5tool: unknown command '%s'\n", args[0].c_str());
    PrintUsage();
    return 2;
}

}  // namespace ter5::tool
