// `ter5tool import BASE --group NAME [--templates DIR] [FILES...]`: fills the
// template group NAME (created when missing) from the structure of the tables of
// the base directory BASE: every *.db table there, or only FILES (names or paths
// relative to BASE). Rows already in the templates are never changed. All or
// nothing: a table the templates cannot describe whole stops the import with no
// row written, and a group created for it is removed again.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Commands.h"
#include "base/PathNames.h"
#include "templates/ConsoleHost.h"
#include "templates/TemplateImporter.h"
#include "templates/TemplateStore.h"

namespace ter5::tool {
namespace {

using namespace ter5::templates;
namespace fs = std::filesystem;

int RunImport(const std::vector<std::string>& args) {
    const CommandOptions options = ParseCommandOptions(args, CommandSyntax{false, false, 1, 0});
    TemplateModule module(options.templates);
    TemplateStore& store = module.Store();
    const bool created = !module.SelectGroup(options.group, false);
    if (created) module.SelectGroup(options.group, true);

    const fs::path baseDir = base::PathFromUtf8(options.paths.front());
    TemplateImporter importer(store);
    try {
        if (options.paths.size() == 1) {
            importer.ImportBaseDirectory(base::PathToUtf8(baseDir));
        } else {
            std::vector<std::string> files;
            for (std::size_t i = 1; i < options.paths.size(); ++i)
                files.push_back(base::PathToUtf8(baseDir / base::PathFromUtf8(options.paths[i])));
            importer.ImportFiles(files);
        }
    } catch (...) {
        // All or nothing: a group made for this import goes with it.
        if (created && store.LocateGroup(options.group)) store.NameBase().Delete();
        store.FlushBuffers();
        throw;
    }
    store.FlushBuffers();
    if (created) std::printf("template group '%s' created\n", options.group.c_str());
    std::printf("group '%s': %zu table template(s)\n", options.group.c_str(), store.Bases().RecordCount());
    return 0;
}

const CommandRegistration kImport("import",
                                  "BASE --group NAME [--templates DIR] [FILES...]  add the fields and indexes of the "
                                  "base's tables (or of FILES in it) to the template group, creating it when missing",
                                  RunImport,
                                  "FILES are table names or paths relative to BASE; without them every .db table\n"
                                  "of BASE is read.\n\n"
                                  "options:\n"
                                  "  --group NAME     the template group (required; created when missing)\n"
                                  "  --templates DIR  the directory of the template tables (default: the current\n"
                                  "                   one; missing template tables are created there)\n");

}  // namespace
}  // namespace ter5::tool
