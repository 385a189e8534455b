// `ter5tool create BASE --group NAME [--templates DIR]`: creates the directory BASE
// (one level; an existing one is used and keeps its tables) and in it an empty
// table for every table template of the group NAME that is not there yet.

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "Commands.h"
#include "base/PathNames.h"
#include "templates/BaseCreator.h"
#include "templates/ConsoleHost.h"
#include "templates/TemplateStore.h"

namespace ter5::tool {
namespace {

using namespace ter5::templates;

int RunCreate(const std::vector<std::string>& args) {
    const CommandOptions options = ParseCommandOptions(args, CommandSyntax{});
    TemplateModule module(options.templates);
    if (!module.SelectGroup(options.group, false))
        throw std::invalid_argument("no template group '" + options.group + "' in " + module.Store().Directory());

    const auto show = [](const std::string& text) { std::printf("%s\n", text.c_str()); };
    const auto dir = PrepareBaseDirectory(options.paths.front(), base::PathToUtf8(std::filesystem::current_path()), show);
    if (!dir) return 2;
    ConsoleHost host(module.DataModule(), *dir);
    const std::size_t created = BaseCreator(module.Store()).CreateGroupTables(*dir, &host);
    std::printf("%zu table(s) created in %s\n", created, dir->c_str());
    return 0;
}

const CommandRegistration kCreate("create",
                                  "BASE --group NAME [--templates DIR]  create a base directory with an empty table "
                                  "for each table template of the group (existing tables are kept)",
                                  RunCreate,
                                  "options:\n"
                                  "  --group NAME     the template group (required)\n"
                                  "  --templates DIR  the directory of the template tables (default: the current\n"
                                  "                   one; missing template tables are created there)\n");

}  // namespace
}  // namespace ter5::tool
