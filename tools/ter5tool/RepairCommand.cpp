// `ter5tool repair PATH... [--dry-run] [--backup DIR] [--templates DIR --group NAME]
// [--structure TABLE] [--recursive]`: repairs damaged tables: every readable
// record salvaged, the table family rebuilt, what cannot be kept put into
// KEYVIOL.DB and PROBLEMS.DB beside a backup of the original files. A directory
// stands for every table in it; with --recursive for every table of every
// directory of the tree (backup folders left out). Each directory's originals go
// to one backup folder (`ter5-backup-<date>-<time>` in it, or --backup DIR) with a
// report file. Exit 0 repaired or nothing to repair, 1 repaired with losses, 2 not
// repairable or an error.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Commands.h"
#include "engine/FileUtil.h"
#include "engine/TableRepair.h"
#include "templates/BaseRepair.h"
#include "templates/TemplateStore.h"

namespace ter5::tool {
namespace {

namespace fs = std::filesystem;
using namespace ter5::templates;

struct RepairArguments {
    std::vector<std::string> paths;
    bool dryRun = false;
    bool recursive = false;
    std::string backup;
    std::string templates = ".";
    std::string group;
    std::string structure;
};

RepairArguments ParseArguments(const std::vector<std::string>& args) {
    RepairArguments a;
    bool onlyPaths = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyPaths || !IsOption(arg)) {
            a.paths.push_back(arg);
            continue;
        }
        const auto eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const auto value = [&]() -> std::string {
            if (eq != std::string::npos) return arg.substr(eq + 1);
            if (i + 1 >= args.size()) throw std::invalid_argument("option '" + name + "' needs a value");
            return args[++i];
        };
        if (arg == "--") onlyPaths = true;
        else if (name == "--dry-run") a.dryRun = true;
        else if (name == "--recursive") a.recursive = true;
        else if (name == "--backup") a.backup = value();
        else if (name == "--templates") a.templates = value();
        else if (name == "--group") a.group = value();
        else if (name == "--structure") a.structure = value();
        else throw std::invalid_argument("unknown option '" + arg + "'");
    }
    if (a.paths.empty()) throw std::invalid_argument("repair needs at least one table or directory");
    if (!a.group.empty() && !a.structure.empty()) throw std::invalid_argument("--group and --structure exclude each other");
    return a;
}

// The tables to repair by directory, in the order given (a tree in name order).
std::map<fs::path, std::vector<fs::path>> TablesByDirectory(const RepairArguments& a) {
    std::map<fs::path, std::vector<fs::path>> byDir;
    const auto addDirectory = [&](const fs::path& dir) {
        for (const fs::path& t : BaseTables(dir)) byDir[dir].push_back(t);
    };
    for (const std::string& arg : a.paths) {
        const fs::path path = fs::absolute(engine::PathFromUtf8(arg)).lexically_normal();
        std::error_code ec;
        if (!fs::is_directory(path, ec)) {
            byDir[path.parent_path()].push_back(path);
            continue;
        }
        addDirectory(path);
        if (!a.recursive) continue;
        for (fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec)) {
            if (!it->is_directory(ec) || it->is_symlink(ec)) continue;
            if (engine::IsBackupFolderName(engine::PathToUtf8(it->path().filename()))) {
                it.disable_recursion_pending();  // the originals of an earlier repair
                continue;
            }
            addDirectory(it->path());
        }
    }
    return byDir;
}

int RunRepair(const std::vector<std::string>& args) {
    const RepairArguments a = ParseArguments(args);
    std::unique_ptr<TemplateModule> module;
    if (!a.group.empty()) {
        module = std::make_unique<TemplateModule>(a.templates);
        if (!module->SelectGroup(a.group, false))
            throw std::invalid_argument("no template group '" + a.group + "' in " + module->Store().Directory());
    }
    const auto structureFor = [&](const fs::path& table) -> std::optional<engine::StructureSource> {
        if (!a.structure.empty()) {
            engine::StructureSource s;
            s.table = engine::PathFromUtf8(a.structure);
            s.description = "the table " + a.structure;
            return s;
        }
        if (module) return TemplateStructure(module->Store(), a.group, table);
        return std::nullopt;
    };
    const auto byDir = TablesByDirectory(a);
    if (byDir.empty()) std::fprintf(stderr, "ter5tool repair: no table found\n");
    int result = 0;
    for (const auto& [dir, tables] : byDir) {
        BaseRepairRequest request;
        request.directory = dir;
        request.tables = tables;
        request.dryRun = a.dryRun;
        request.structureFor = structureFor;
        if (!a.backup.empty()) {
            const fs::path root = engine::PathFromUtf8(a.backup);
            request.backupRoot = byDir.size() == 1 ? root : root / dir.filename();
        }
        const BaseRepairResult done = RepairBaseTables(request);
        std::fputs(done.text.c_str(), stdout);
        if (!done.backupRoot.empty())
            std::printf("report: %s\n", engine::PathToUtf8(done.backupRoot / engine::kRepairReportFile).c_str());
        std::fflush(stdout);
        result = std::max(result, done.ExitCode());
    }
    return result;
}

const CommandRegistration kRepair(
    "repair",
    "PATH... [--dry-run] [--backup DIR] [--templates DIR --group NAME | --structure TABLE] [--recursive]  repair "
    "damaged tables; exit 0 repaired or sound, 1 repaired with losses, 2 not repairable or error",
    RunRepair,
    "Salvages every readable record of a damaged table, rebuilds the table, its memo\n"
    "file and all its indexes, and puts what cannot be kept into KEYVIOL.DB (records\n"
    "whose key repeats an earlier one) and PROBLEMS.DB (records with damaged fields)\n"
    "beside a backup of the original files. A sound table is left alone.\n\n"
    "options:\n"
    "  --dry-run        report what a repair would do; change nothing\n"
    "  --backup DIR     the folder for the original files (default:\n"
    "                   ter5-backup-<date>-<time> in the table's directory)\n"
    "  --group NAME     for a header that cannot be read: the structure from the\n"
    "                   table template of this template group\n"
    "  --templates DIR  the directory of the template tables (default: the current\n"
    "                   one)\n"
    "  --structure TABLE  for a header that cannot be read: the structure of\n"
    "                   another table of the same structure\n"
    "  --recursive      each directory is the root of a tree: every table in it\n"
    "                   is checked (backup folders left out)\n\n"
    "The report is printed and kept as repair-report.txt in the backup folder.\n");

}  // namespace
}  // namespace ter5::tool
