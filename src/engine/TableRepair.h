#pragma once
// The repair of one damaged table. Holding the table exclusively throughout, it
// salvages every readable record (Salvage), rebuilds the table family — the .DB
// with the kept records, keyed and ordered as before, the memo file, the primary
// index and every maintained secondary index, built as a reindex builds them —
// and puts what cannot be kept into KEYVIOL.DB and PROBLEMS.DB beside a backup of
// the original files. The originals are linked (or, where a file system cannot
// link, copied) into the backup folder before one journal (FileTransaction)
// replaces and removes them in the table's directory: after a kill or a full disk
// either the old table is in place, or the new one is and the old files are in
// the backup. A table that is sound is left alone. doc/repair.md has the rules.

#include <filesystem>
#include <functional>
#include <string>

#include "RepairReport.h"
#include "RepairStructure.h"

namespace ter5::engine {

struct RepairOptions {
    bool dryRun = false;                     // report only: nothing is written
    std::filesystem::path backupFolder;      // where this table's original files go (made when needed)
    const StructureSource* structure = nullptr;  // for a header that cannot be read
    int codePage = 0;                        // as for TableFile::Load
    std::function<void(double)> progress;    // the fraction done, 0 to 1
};

// Repairs the table `path` (its .DB). Never throws: a busy, read-only or
// unrepairable table, and any error, come back as the report's outcome; then
// nothing of the table has changed (unless the error says the write stopped
// half-way, when the next use of the table completes it).
TableRepairReport RepairTable(const std::filesystem::path& path, const RepairOptions& options);

// A new backup folder name for a run in `directory`: "ter5-backup-<date>-<time>",
// with "-2", "-3" … when that exists already. Nothing is created.
std::filesystem::path NewBackupFolder(const std::filesystem::path& directory);

// True for a folder name NewBackupFolder gives (a base's backups are never repaired).
bool IsBackupFolderName(const std::string& name);

// The way out named by every write refused because a table is damaged.
inline constexpr char kRepairAdvice[] =
    "`ter5tool repair` (or the window \"Проверка и восстановление базы\" of the menu \"Переиндексация\") repairs it";

// The file name of the report written into a run's backup folder.
inline constexpr char kRepairReportFile[] = "repair-report.txt";

}  // namespace ter5::engine
