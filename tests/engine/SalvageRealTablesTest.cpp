// Salvage never takes a genuine table for a damaged one: every record of every real
// table of the test data passes the field checks, every blob reference resolves,
// and a repair finds nothing to do in every table verify calls consistent (and
// leaves it untouched).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "engine/BlobFile.h"
#include "engine/BlobSalvage.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/IndexVerify.h"
#include "engine/RecordCheck.h"
#include "engine/TableFile.h"
#include "engine/TableRepair.h"

namespace ter5::engine {
namespace {

namespace fs = std::filesystem;

const fs::path kDataDir = TER5_TEST_DATA_DIR;

std::vector<fs::path> RealTables() {
    std::vector<fs::path> tables;
    for (const auto& e : fs::recursive_directory_iterator(kDataDir))
        if (e.is_regular_file() && EqualsNoCase(PathToUtf8(e.path().extension()), ".db")) tables.push_back(e.path());
    std::sort(tables.begin(), tables.end());
    return tables;
}

TEST(SalvageRealTables, EveryFieldOfEveryRealRecordPasses) {
    std::size_t checked = 0;
    for (const fs::path& path : RealTables()) {
        std::shared_ptr<TableFile> table;
        try {
            table = TableFile::Load(path);
        } catch (const EngineError&) {
            continue;  // the samples this engine refuses
        }
        const auto mb = FindFileNoCase(path.parent_path(), PathToUtf8(path.stem()) + ".MB");
        // A protected table's memo file is read decrypted, as the repair reads it.
        std::vector<std::uint8_t> memo = mb ? ReadWholeFile(*mb) : std::vector<std::uint8_t>{};
        DecryptBlobImage(memo, table->Header().encryption);
        const BlobMap blobs(std::move(memo));
        for (std::size_t i = 0; i < table->RecordCount(); ++i)
            for (const FieldDesc& f : table->Header().fields) {
                const std::uint8_t* p = table->Record(i) + f.offset;
                const auto problem = IsBlobType(f.type) ? blobs.Check(f, p) : FieldValueProblem(f, p);
                EXPECT_FALSE(problem) << path.filename() << " record " << i + 1 << " field " << f.fieldNumber << ": " << *problem;
                ++checked;
            }
    }
    EXPECT_GT(checked, 20'000u);
}

TEST(SalvageRealTables, ARepairFindsNothingToDoInEveryConsistentRealTable) {
    const fs::path scratch = fs::temp_directory_path() / ("ter5-salvage-" + std::to_string(std::random_device{}()));
    std::size_t sound = 0;
    for (const fs::path& path : RealTables()) {
        std::vector<VerifyProblem> problems;
        try {
            problems = VerifyTable(path);
        } catch (const EngineError&) {
            continue;
        }
        if (std::any_of(problems.begin(), problems.end(), [](const VerifyProblem& p) { return !p.isNote; })) continue;
        const fs::path dir = scratch / std::to_string(sound);
        fs::create_directories(dir);
        const std::string stem = PathToUtf8(path.stem());
        for (const fs::path& f : ListCompanions(path.parent_path(), stem))
            if (EqualsNoCase(PathToUtf8(f.stem()), stem)) {
                fs::copy_file(f, dir / f.filename());
                fs::permissions(dir / f.filename(), fs::perms::owner_write, fs::perm_options::add);
            }
        RepairOptions options;
        options.backupFolder = dir / "backup";
        const TableRepairReport report = RepairTable(dir / path.filename(), options);
        EXPECT_EQ(report.outcome, TableRepairReport::Outcome::Sound)
            << path << "\n" << FormatRepairReport(report, ReportLanguage::English);
        EXPECT_FALSE(fs::exists(options.backupFolder)) << path;
        ++sound;
    }
    EXPECT_GE(sound, 30u);
    std::error_code ec;
    fs::remove_all(scratch, ec);
}

}  // namespace
}  // namespace ter5::engine
