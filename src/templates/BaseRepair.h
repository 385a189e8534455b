#pragma once
// Checking and repairing the tables of a base, for `ter5tool repair` and the
// desktop window "Проверка и восстановление базы" (which only shows what this
// decides): the tables of a directory with their state, the structure a template
// group gives a table whose header cannot be read, and the repair of the damaged
// tables of one directory into one backup folder with one report file. The base
// is closed while its tables are repaired and re-opened afterwards, as a reindex
// does, through the same host.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Reindexer.h"
#include "TemplateStore.h"
#include "engine/TableRepair.h"

namespace ter5::templates {

// A table of a base and what verify makes of it.
struct TableState {
    std::filesystem::path table;
    bool damaged = false;  // verify reports an error, or the table cannot be read
    std::string summary;   // "в порядке", or the first problem found
};

// The tables (.DB files) of `directory` in name order; backup folders and the
// side tables of earlier repairs are not tables of the base.
std::vector<std::filesystem::path> BaseTables(const std::filesystem::path& directory);

// The state of one table (verify, holding it shared).
TableState CheckTableState(const std::filesystem::path& table);

// The structure the table template of the group `group` that names `table` (its
// stem, ignoring case) gives: its field rows in order and its index rows; nullopt
// when the group has no such template. Moves the store's current rows.
std::optional<engine::StructureSource> TemplateStructure(TemplateStore& store, const std::string& group,
                                                         const std::filesystem::path& table);

// The names of the template groups, in the store's order (the choices of the
// window's structure source). Moves the store's current group.
std::vector<std::string> TemplateGroupNames(TemplateStore& store);

// A repair of some tables of one directory.
struct BaseRepairRequest {
    std::filesystem::path directory;
    std::vector<std::filesystem::path> tables;   // all of them in `directory`
    bool dryRun = false;
    std::filesystem::path backupRoot;            // empty: a new "ter5-backup-…" folder in the directory
    // The structure for a table whose header cannot be read (may be empty).
    std::function<std::optional<engine::StructureSource>(const std::filesystem::path& table)> structureFor;
    engine::ReportLanguage language = engine::ReportLanguage::English;
};

// What a repair of a directory did: one report a table, and where the originals went.
struct BaseRepairResult {
    std::vector<engine::TableRepairReport> reports;
    std::filesystem::path backupRoot;  // empty when nothing was changed
    std::string text;                  // every report, as repair-report.txt holds it
    int ExitCode() const;              // the worst of the tables'
};

// Repairs the tables of `request` one by one, each into <backup root>/<its stem>,
// and writes repair-report.txt into the backup root when a table was changed.
// `progress` (may be empty) gets the table at work (upper) and the share of its
// repair done (lower), as `ShowProgress` draws them.
BaseRepairResult RepairBaseTables(const BaseRepairRequest& request,
                                  const std::function<void(double upper, double lower)>& progress = {});

// The same for the desktop window: the base is closed through `host` first and
// re-opened afterwards, the progress goes to its status-bar strips.
BaseRepairResult RepairBaseTables(const BaseRepairRequest& request, ReindexHost& host);

}  // namespace ter5::templates
