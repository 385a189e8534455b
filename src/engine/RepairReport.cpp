#include "RepairReport.h"

#include <algorithm>

#include "FileUtil.h"

namespace ter5::engine {
namespace {

// Damaged blocks listed one a line before a summary line takes over.
constexpr std::size_t kListedBlocks = 20;
// Exit codes.
constexpr int kExitRepaired = 0;
constexpr int kExitLosses = 1;
constexpr int kExitFailed = 2;

struct Labels {
    const char* outcomes[5];       // in the order of Outcome
    const char* dryOutcomes[5];    // the same for a dry run
    const char* claimed;
    const char* unknown;  // the claim of a header that cannot be read
    const char* found;
    const char* kept;
    const char* problems;
    const char* keyViolations;
    const char* blobsLost;
    const char* blocks;
    const char* block;
    const char* more;
    const char* structure;
    const char* backup;
    const char* dryRun;
};

constexpr Labels kEnglish{
    {"nothing to repair", "repaired", "repaired with losses", "not repairable", "failed"},
    {"nothing to repair", "would be repaired", "would be repaired with losses", "not repairable", "failed"},
    "records the header claimed",
    "unknown (the header cannot be read)",
    "records found in blocks",
    "records kept",
    "moved to PROBLEMS",
    "moved to KEYVIOL",
    "blobs lost",
    "blocks unreadable",
    "block",
    "more blocks",
    "structure taken from",
    "original files",
    "dry run: nothing was changed",
};

constexpr Labels kRussian{
    {"повреждений нет", "восстановлена", "восстановлена с потерями", "восстановить нельзя", "ошибка"},
    {"повреждений нет", "будет восстановлена", "будет восстановлена с потерями", "восстановить нельзя", "ошибка"},
    "записей по заголовку",
    "неизвестно (заголовок не читается)",
    "записей найдено в блоках",
    "записей сохранено",
    "перенесено в PROBLEMS",
    "перенесено в KEYVIOL",
    "потеряно данных полей BLOB",
    "нечитаемые блоки",
    "блок",
    "блоков ещё",
    "структура взята из",
    "исходные файлы",
    "пробный прогон: ничего не изменено",
};

// The distinct numbers of `blocks`, ascending.
std::vector<std::uint32_t> BlockNumbers(const std::vector<DamagedBlock>& blocks) {
    std::vector<std::uint32_t> numbers;
    for (const DamagedBlock& b : blocks) numbers.push_back(b.number);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

void Line(std::string& text, const char* label, const std::string& value) {
    text += std::string("  ") + label + ": " + value + "\n";
}

}  // namespace

int TableRepairReport::ExitCode() const {
    switch (outcome) {
        case Outcome::Sound:
        case Outcome::Repaired: return kExitRepaired;
        case Outcome::RepairedWithLosses: return kExitLosses;
        default: return kExitFailed;
    }
}

std::string BlockRanges(const std::vector<DamagedBlock>& blocks) {
    const std::vector<std::uint32_t> numbers = BlockNumbers(blocks);
    std::string text;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
        if (!text.empty()) text.append(", ");
        text.append(std::to_string(numbers[i]));
        if (j > i) text.append(1, '-').append(std::to_string(numbers[j]));
        i = j + 1;
    }
    return text;
}

std::string FormatRepairReport(const TableRepairReport& r, ReportLanguage language) {
    const Labels& l = language == ReportLanguage::Russian ? kRussian : kEnglish;
    const auto outcome = static_cast<std::size_t>(r.outcome);
    std::string text = PathToUtf8(r.table) + ": " + (r.dryRun ? l.dryOutcomes : l.outcomes)[outcome] + "\n";
    using Outcome = TableRepairReport::Outcome;
    if (!r.error.empty()) text += "  " + r.error + "\n";
    if (r.outcome == Outcome::NotRepairable || r.outcome == Outcome::Failed) return text;
    Line(text, l.claimed, r.headerReadable ? std::to_string(r.headerRecords) : std::string(l.unknown));
    Line(text, l.found, std::to_string(r.found));
    Line(text, l.kept, std::to_string(r.kept));
    Line(text, l.problems, std::to_string(r.problems));
    Line(text, l.keyViolations, std::to_string(r.keyViolations));
    Line(text, l.blobsLost, std::to_string(r.blobsLost));
    const std::string ranges = BlockRanges(r.damagedBlocks);
    Line(text, l.blocks, std::to_string(BlockNumbers(r.damagedBlocks).size()) + (ranges.empty() ? "" : " (" + ranges + ")"));
    for (std::size_t i = 0; i < r.damagedBlocks.size() && i < kListedBlocks; ++i)
        text += std::string("    ") + l.block + " " + std::to_string(r.damagedBlocks[i].number) + ": " + r.damagedBlocks[i].what + "\n";
    if (r.damagedBlocks.size() > kListedBlocks)
        text += "    … " + std::to_string(r.damagedBlocks.size() - kListedBlocks) + " " + l.more + "\n";
    Line(text, l.structure, r.structureFrom);
    for (const std::string& note : r.notes) text += "  " + note + "\n";
    if (!r.backup.empty()) Line(text, l.backup, PathToUtf8(r.backup));
    if (r.dryRun && r.outcome != Outcome::Sound) text += std::string("  (") + l.dryRun + ")\n";
    return text;
}

}  // namespace ter5::engine
