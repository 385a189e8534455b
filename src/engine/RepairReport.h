#pragma once
// What the repair of one table found and did: the numbers of its report (on
// screen and in repair-report.txt), the outcome and the exit code it stands for.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Salvage.h"

namespace ter5::engine {

struct TableRepairReport {
    enum class Outcome {
        Sound,               // nothing to repair
        Repaired,            // repaired, nothing lost
        RepairedWithLosses,  // repaired; records, blobs or indexes set aside or lost
        NotRepairable,       // nothing was changed
        Failed,              // an error; nothing was changed unless `error` says otherwise
    };

    std::filesystem::path table;
    Outcome outcome = Outcome::Failed;
    bool dryRun = false;
    std::string error;                       // why, for NotRepairable and Failed
    bool headerReadable = false;
    std::uint32_t headerRecords = 0;         // what the header claimed
    std::size_t found = 0;                   // records read from the blocks
    std::size_t kept = 0;
    std::size_t problems = 0;                // to PROBLEMS.DB
    std::size_t keyViolations = 0;           // to KEYVIOL.DB
    std::size_t blobsLost = 0;
    std::vector<DamagedBlock> damagedBlocks;
    std::string structureFrom;
    std::vector<std::string> notes;          // indexes, blobs, files: one line each
    std::filesystem::path backup;            // the folder holding the original files

    // 0 sound or repaired, 1 repaired with losses, 2 not repairable or failed.
    int ExitCode() const;
};

// The language of a report's text.
enum class ReportLanguage { English, Russian };

// The report of one table as text, one item a line.
std::string FormatRepairReport(const TableRepairReport& report, ReportLanguage language);

// Block numbers as ranges: "7, 12-15".
std::string BlockRanges(const std::vector<DamagedBlock>& blocks);

}  // namespace ter5::engine
