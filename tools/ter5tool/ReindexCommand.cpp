// `ter5tool reindex BASE... --group NAME [--table NAME] [--templates DIR] [--recursive] [--force]`:
// rebuilds the indexes of the bases' tables from the template group NAME: every
// marked table template of the group, or with --table the one named. With
// --recursive each BASE is the root of a tree, and every directory in it that holds
// a table the reindex would take is reindexed. An index whose order follows rules
// this program does not know is kept, with a note, unless --force. Exit code 0:
// done (notes included); 1: a table was not found; 2: an error (the other bases
// are still reindexed).

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "Commands.h"
#include "base/PathNames.h"
#include "engine/FileUtil.h"
#include "templates/ConsoleHost.h"
#include "templates/Reindexer.h"
#include "templates/TemplateDefinitions.h"
#include "templates/TemplateStore.h"

namespace ter5::tool {
namespace {

using namespace ter5::templates;
namespace fs = std::filesystem;

// Exit codes of the command.
constexpr int kDone = 0;
constexpr int kTableNotFound = 1;
constexpr int kFailed = 2;

// The stems of the tables a run reindexes: the --table one, or the marked ones.
std::vector<std::string> ReindexedStems(TemplateStore& store, const std::string& table) {
    if (!table.empty()) return {TableStem(table)};
    std::vector<std::string> stems;
    engine::Table& tables = store.Bases();
    for (tables.First(); !tables.IsEmpty() && !tables.Eof(); tables.Next())
        if (tables.AsString("Flag") == kReindexMark) stems.push_back(TableStem(tables.AsString("Name")));
    return stems;
}

bool HoldsAnyTable(const fs::path& dir, const std::vector<std::string>& stems) {
    return std::any_of(stems.begin(), stems.end(), [&](const std::string& stem) {
        return !stem.empty() && engine::FindFileNoCase(dir, stem + kTableFileExtension).has_value();
    });
}

// The directories to reindex, absolute, in the order given (a tree in name order).
std::vector<std::string> BaseDirectories(const CommandOptions& options, const std::vector<std::string>& stems) {
    std::vector<std::string> bases;
    for (const std::string& arg : options.paths) {
        const fs::path root = fs::absolute(base::PathFromUtf8(arg)).lexically_normal();
        if (!options.recursive) {
            bases.push_back(base::PathToUtf8(root));
            continue;
        }
        std::vector<fs::path> found;
        if (HoldsAnyTable(root, stems)) found.push_back(root);
        std::error_code ec;
        for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec) && HoldsAnyTable(it->path(), stems)) found.push_back(it->path());
        std::sort(found.begin(), found.end());
        for (const fs::path& dir : found) bases.push_back(base::PathToUtf8(dir));
    }
    return bases;
}

int RunReindex(const std::vector<std::string>& args) {
    const CommandOptions options =
        ParseCommandOptions(args, CommandSyntax{true, true, 1, 0, true});
    TemplateModule module(options.templates);
    TemplateStore& store = module.Store();
    if (!module.SelectGroup(options.group, false))
        throw std::invalid_argument("no template group '" + options.group + "' in " + store.Directory());
    if (!options.table.empty() && !store.LocateTable(options.table))
        throw std::invalid_argument("the group '" + options.group + "' has no table '" + options.table + "'");

    const std::vector<std::string> bases = BaseDirectories(options, ReindexedStems(store, options.table));
    if (bases.empty()) std::fprintf(stderr, "ter5tool reindex: no base found\n");
    ConsoleHost host(module.DataModule(), "");
    Reindexer reindexer(store, host);
    reindexer.SetForce(options.force);
    int result = kDone;
    for (const std::string& dir : bases) {
        std::printf("reindex %s\n", dir.c_str());
        std::fflush(stdout);
        host.SetTargetDirectory(dir);
        const std::size_t messagesBefore = host.MessageCount();
        try {
            if (options.table.empty())
                reindexer.ReindexGroup(&host);
            else
                reindexer.ReindexCurrentTable();
        } catch (const std::exception& e) {
            host.RefreshStatusBar();
            std::fprintf(stderr, "ter5tool reindex: %s: %s\n", dir.c_str(), e.what());
            result = kFailed;
        }
        if (host.MessageCount() > messagesBefore) result = std::max(result, kTableNotFound);
    }
    return result;
}

const CommandRegistration kReindex(
    "reindex",
    "BASE... --group NAME [--table NAME] [--templates DIR] [--recursive] [--force]  rebuild the indexes of the "
    "group's marked tables (or of --table) from their templates; exit 0 done, 1 a table not found, 2 error",
    RunReindex,
    "Each table's index files are deleted and built again as its template's index\n"
    "rows describe; its records are not touched.\n\n"
    "options:\n"
    "  --group NAME     the template group (required)\n"
    "  --table NAME     only this table template of the group\n"
    "  --recursive      each BASE is the root of a tree: every directory in it that\n"
    "                   holds one of the tables is reindexed\n"
    "  --templates DIR  the directory of the template tables (default: the current\n"
    "                   one)\n"
    "  --force          rebuild even an index (or a keyed table's record order) the\n"
    "                   original engine ordered by rules of its language driver that\n"
    "                   this program does not know; without it such a file is kept\n"
    "                   as it is and a note says so\n\n"
    "After an error in one base the other bases are still reindexed.\n");

}  // namespace
}  // namespace ter5::tool
